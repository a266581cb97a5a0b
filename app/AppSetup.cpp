#include "app/AppSetup.h"

#include <xcb/xcb.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "app/Boxes.h"

namespace kavro::app {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply) atom = reply->atom;
    std::free(reply);
    return atom;
}

void SetText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
             const QByteArray& text) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        static_cast<uint32_t>(text.size()), text.constData());
}

}  // namespace

void SetUpApplication() {
    // Qt appends a display name to every window title, so none is set; the
    // application name becomes the class in WM_CLASS, which task bars go by.
    QCoreApplication::setApplicationName(ApplicationTitle());
    // Debian ships Tahoma with wine's fonts without listing it for fontconfig.
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"));
    }
}

void ShowTitleOnTaskBarOnly(QWidget& window) {
    window.setWindowIconText(ApplicationTitle());
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    // Qt never leaves _NET_WM_NAME empty: for an empty title it writes the
    // application name there, and window managers prefer it to WM_NAME.
    SetText(connection, id, Atom(connection, "_NET_WM_NAME"), Atom(connection, "UTF8_STRING"), {});
    // Qt writes only _NET_WM_ICON_NAME; older task bars read this one.
    SetText(connection, id, XCB_ATOM_WM_ICON_NAME, XCB_ATOM_STRING, ApplicationTitle().toLatin1());
    xcb_flush(connection);
}

}  // namespace kavro::app

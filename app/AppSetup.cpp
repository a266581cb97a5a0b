#include "AppSetup.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include "Boxes.h"

void SetUpApplication() {
    // The task bar shows the title; the window's own caption stays empty.
    QGuiApplication::setApplicationDisplayName(ApplicationTitle());
    // Debian ships Tahoma with wine's fonts without listing it for fontconfig.
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"));
    }
}

#include "Boxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <exception>

QString ApplicationTitle() {
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    for (int i = 1; i < name.size(); ++i) name[i] = name[i].toLower();
    return name;
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
    return message;
}

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // Long texts wrap at half the screen's width.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setWordWrap(true);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            label->setMaximumWidth(screen->availableGeometry().width() / 2);
    }
    box.exec();
}

}  // namespace

void ShowErrorBox(const QString& message) {
    ShowBox(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message));
}

void ShowPlainNotice(const QString& text) {
    ShowBox(QMessageBox::NoIcon, ApplicationTitle(), text);
}

void ShowInformationBox(const QString& text) {
    ShowBox(QMessageBox::Information, QStringLiteral("Information"), text);
}

void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

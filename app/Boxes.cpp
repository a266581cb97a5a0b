#include "app/Boxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <exception>
#include <new>

namespace kavro::app {

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

// Greedy: each line takes the words that fit within `limit`; only a word
// wider than that on its own is cut, where it reaches the limit. Breaking at
// spaces ourselves keeps Qt from splitting a word at a hyphen.
QString WrapAtSpaces(const QString& text, const QFontMetricsF& fm, qreal limit) {
    QStringList lines;
    for (const QString& para : text.split(QLatin1Char('\n'))) {
        qsizetype start = 0;
        while (fm.horizontalAdvance(para.mid(start)) > limit) {
            qsizetype cut = -1;
            for (qsizetype sp = para.indexOf(QLatin1Char(' '), start + 1);
                 sp > 0 && fm.horizontalAdvance(para.mid(start, sp - start)) <= limit;
                 sp = para.indexOf(QLatin1Char(' '), sp + 1))
                cut = sp;
            if (cut > 0) {
                lines << para.mid(start, cut - start);
                start = cut + 1;
                continue;
            }
            qsizetype n = 1;
            while (start + n < para.size() && fm.horizontalAdvance(para.mid(start, n + 1)) <= limit) ++n;
            lines << para.mid(start, n);
            start += n;
        }
        lines << para.mid(start);
    }
    return lines.join(QLatin1Char('\n'));
}

// QMessageBox squeezes its text into 500 pixels whatever the screen, each
// time it shows and on every layout request. Ours comes already broken into
// lines, so after each of those the box takes the width the lines need.
class WrappedBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    QLabel* label = nullptr;

protected:
    bool event(QEvent* e) override {
        const bool handled = QMessageBox::event(e);
        if (e->type() == QEvent::LayoutRequest) Fit();
        return handled;
    }
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        Fit();
        if (const QScreen* s = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(s->availableGeometry().center());
            move(frame.topLeft());
        }
    }

private:
    void Fit() {
        if (!label || !layout() || !isVisible()) return;
        label->setWordWrap(false);
        layout()->activate();
        setFixedSize(layout()->totalMinimumSize());
        // The changes above post a layout request of their own.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }
};

void ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    WrappedBox box(icon, caption, QString(), QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.ensurePolished();
    // QMessageBox offers no accessor for its text label; the name is the only handle.
    box.label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen();
    box.setText(box.label && screen
                    ? WrapAtSpaces(text, QFontMetricsF(box.label->font()), screen->geometry().width() / 2)
                    : text);
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
    } catch (const std::bad_alloc&) {
        ShowErrorBox(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace kavro::app

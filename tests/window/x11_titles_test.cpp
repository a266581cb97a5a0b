// The titles as window managers and task bars read them: the X11 properties
// of the real program's windows and of the boxes, under an X server of the
// test's own (with-xvfb.sh).
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include "app/AppSetup.h"
#include "app/Boxes.h"

using namespace kavro::app;

namespace {

QString Output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The title, icon name and class properties of window `id`, one
// "NAME = value" each as xprop prints them; unset ones are left out.
QStringList Properties(const QString& id) {
    static const QRegularExpression set(QStringLiteral("^(\\w+)\\([^)]*\\) = (.*)$"));
    QStringList props;
    const QString out = Output("xprop", {"-id", id, "WM_NAME", "_NET_WM_NAME", "WM_ICON_NAME",
                                         "_NET_WM_ICON_NAME", "WM_CLASS"});
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = set.match(line);
        if (m.hasMatch()) props << m.captured(1) + " = " + m.captured(2);
    }
    return props;
}

// The first shown top-level window that has a WM_CLASS, or "" after a while.
QString ShownWindow() {
    static const QRegularExpression classed(QStringLiteral("^\\s*(0x[0-9a-f]+) .*: \\(\""),
                                            QRegularExpression::MultilineOption);
    for (QDeadlineTimer deadline(20000); !deadline.hasExpired(); QThread::msleep(100)) {
        auto it = classed.globalMatch(Output("xwininfo", {"-root", "-children"}));
        while (it.hasNext()) {
            const QString id = it.next().captured(1);
            if (Output("xwininfo", {"-id", id}).contains("Map State: IsViewable")) return id;
        }
    }
    return {};
}

}  // namespace

class X11TitlesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        SetUpApplication();
    }

    // The program as a user starts it, with its trace and without.
    void programWindow_data() {
        QTest::addColumn<bool>("withTrace");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("main window: empty title bar, title for the task bar")
            << true
            << QStringList{"WM_NAME = ", "_NET_WM_NAME = ", "WM_ICON_NAME = \"Kavro\"",
                           "_NET_WM_ICON_NAME = \"Kavro\"", "WM_CLASS = \"Kavro\", \"Kavro\""};
        QTest::newRow("error box for a missing ns.tr")
            << false << QStringList{"WM_NAME = \"Kavro\"", "_NET_WM_NAME = \"Kavro\""};
    }
    void programWindow() {
        QFETCH(bool, withTrace);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(KAVRO_WINDOW, dir.filePath("Kavro")));
        if (withTrace) QVERIFY(QFile::copy(KAVRO_SAMPLE_TRACE, dir.filePath("ns.tr")));
        QProcess kavro;
        kavro.start(dir.filePath("Kavro"), {});
        QVERIFY(kavro.waitForStarted());
        const QString id = ShownWindow();
        const QStringList props = Properties(id);
        kavro.kill();
        kavro.waitForFinished();
        QVERIFY2(!id.isEmpty(), "no window was shown");
        for (const QString& p : expected)
            QVERIFY2(props.contains(p), qPrintable(p + " not among: " + props.join(" | ")));
    }

    void boxCaption_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::newRow("information box") << 0 << "Information";
        QTest::newRow("plain notice") << 1 << ApplicationTitle();
        QTest::newRow("error box") << 2 << ApplicationTitle();
    }
    void boxCaption() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QStringList props;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            props = Properties(QString::number(box->winId()));
            box->button(QMessageBox::Ok)->click();
        });
        poll.start(10);
        const QString text = QStringLiteral("Any question: kavro-support@example.org");
        if (kind == 0) ShowInformationBox(text);
        if (kind == 1) ShowPlainNotice(text);
        if (kind == 2) ShowErrorBox(text);
        const QString quoted = '"' + caption + '"';
        QCOMPARE(props.filter(QRegularExpression("^(_NET_)?WM_NAME = ")),
                 (QStringList{"WM_NAME = " + quoted, "_NET_WM_NAME = " + quoted}));
    }
};

QTEST_MAIN(X11TitlesTest)
#include "x11_titles_test.moc"

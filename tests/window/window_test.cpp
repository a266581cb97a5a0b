// Drives the real window headless: presses the button, reads the panes and
// the exact bytes of iNSpect.out, and answers the modal boxes from a timer.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>

#include "app/AppSetup.h"
#include "app/Boxes.h"
#include "pane/LinePane.h"
#include "tests/pane/PaneLines.h"
#include "pane/PaneError.h"
#include "pane/TextPane.h"
#include "conversion/TraceConverter.h"
#include "app/Unit1.h"

using namespace kavro::app;
using namespace kavro::pane;

namespace {

struct Box {
    QString caption;
    QMessageBox::Icon icon;
    QString text;  // as one line
    QString shown;  // as broken into lines
    int labelWidth;
    QFont font;
    bool withSplash = false;  // the loading splash still on the screen
};

// The splash of a large load, while it is on the screen.
QWidget* VisibleSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowType() == Qt::SplashScreen && w->isVisible()) return w;
    return nullptr;
}

// Closes every message box as it opens and remembers what it showed.
class BoxCatcher : public QObject {
public:
    BoxCatcher() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            Box seen{box->windowTitle(), box->icon(), box->text(), box->text(), -1, box->font()};
            seen.text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            seen.withSplash = VisibleSplash() != nullptr;
            for (const QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text() != box->text()) continue;
                seen.labelWidth = label->width();
                seen.font = label->font();
            }
            boxes.push_back(seen);
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start();
    }
    std::vector<Box> boxes;

private:
    QTimer timer_;
};

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// What the core alone makes of the bytes, for comparing the window's plumbing.
std::vector<std::string> CoreConversion(const QByteArray& bytes) {
    kavro::TraceConverter conversion;
    conversion.AddPiece(std::string_view(bytes.constData(), bytes.size()));
    conversion.End();
    std::vector<std::string> out;
    conversion.WriteEvents([&](const kavro::EventBlock& block) {
        for (size_t i = 0; i < block.count; ++i) out.emplace_back(block.Line(i));
    });
    return out;
}

// A pane that counts the runs that reached the wait notice.
class CountingPane : public TextPane {
public:
    using TextPane::TextPane;
    static inline int notices = 0;
    void SetText(std::string bytes) override {
        if (bytes.rfind("Please wait", 0) == 0) ++notices;
        TextPane::SetText(std::move(bytes));
    }
    using TextPane::SetText;
};

// A pane that looks, while its text loads, for the splash with the title and
// for the busy cursor; and that can fail the load once it is under way.
class WatchingPane : public TextPane {
public:
    using TextPane::TextPane;
    static inline bool splashSeen = false;
    static inline bool failRead = false;
    void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) override {
        TextPane::SetText(bytes, [&](size_t have) {
            const QWidget* splash = VisibleSplash();
            const QCursor* cursor = QGuiApplication::overrideCursor();
            if (splash && cursor && cursor->shape() == Qt::WaitCursor)
                for (const QLabel* label : splash->findChildren<QLabel*>())
                    splashSeen = splashSeen || label->text() == ApplicationTitle();
            if (failRead && have > 0) throw PaneError::File("Cannot open file", "ns.tr", "Input/output error");
            return awaitMore(have);
        }, onIndexed);
    }
    using TextPane::SetText;
};

QByteArray FileBytesOf(const std::vector<std::string>& lines) {
    QByteArray bytes;
    for (const std::string& l : lines) bytes.append(l.data(), l.size()).append("\r\n");
    return bytes;
}

const QByteArray kSend = "s 1.500000000 _1_ AGT  --- 7 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0";
const QByteArray kRecv = "r 1.600000000 _2_ AGT  --- 7 cbr 532 [0 0 0 0] ------- [1:0 2:0 31 2] [0] 1 0";
const std::vector<std::string> kDelivered = {
    "1 1.500000000 sending to 2 orginator 7 energy 5000",
    "2 1.600000000 received from 1 destination 7 energy 5000"};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QString dir_;
    QString nsTr() const { return dir_ + "ns.tr"; }
    QString out() const { return dir_ + "iNSpect.out"; }

    void Convert(TForm1& form) { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }

    void ConvertText(const QByteArray& trace, std::vector<std::string>& paneLines,
                     QByteArray& fileBytes) {
        WriteBytes(nsTr(), trace);
        TForm1 form;
        Convert(form);
        paneLines = PaneLines(*form.Memo2);
        fileBytes = ReadBytes(out());
    }

private slots:
    void initTestCase() {
        SetUpApplication();
        dir_ = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator();
    }

    void init() {
        // Whatever it is: a file, a FIFO, a socket, a directory, a dangling link.
        ::unlink(QFile::encodeName(nsTr()).constData());
        ::rmdir(QFile::encodeName(nsTr()).constData());
        QDir(out()).removeRecursively();
        QFile::remove(out());
    }

    void realTraceEndToEnd() {
        const QByteArray trace = ReadBytes(KAVRO_SAMPLE_TRACE);
        WriteBytes(nsTr(), trace);
        BoxCatcher boxes;
        TForm1 form;
        QCOMPARE(PaneLineCount(*form.Memo1), size_t(trace.count('\n')));
        Convert(form);
        const std::vector<std::string> lines = PaneLines(*form.Memo2);
        QVERIFY(lines.size() > 100);
        QCOMPARE(lines, CoreConversion(trace));
        // The first delivered packet, read off the trace by hand: node 0 sends
        // packet 277 and node 4 receives it directly.
        QCOMPARE(QByteArray::fromStdString(lines[0]), "0 10.637039139 sending to 4 orginator 277 energy 5000");
        QCOMPARE(QByteArray::fromStdString(lines[1]), "4 10.661522515 received from 0 destination 277 energy 5000");
        const QByteArray first = ReadBytes(out());
        QCOMPARE(first, FileBytesOf(lines));
        QVERIFY(first.endsWith("energy 5000\r\n"));
        Convert(form);
        QCOMPARE(ReadBytes(out()), first);
        QVERIFY(boxes.boxes.empty());
    }

    // One ns-2 run in two trace formats: the window saves the same bytes for
    // each; and for every format kavro-convert writes what the window saves.
    void everyFormatAndTheConsoleConverterAgree() {
        QByteArray saved[3];
        const char* names[3] = {"aodv-10n-40s-b.tr", "aodv-10n-40s-b-new.tr", "aodv-10n-40s-c-tagged.tr"};
        for (int i = 0; i < 3; ++i) {
            const QString trace = QStringLiteral(KAVRO_TEST_DATA "/") + names[i];
            WriteBytes(nsTr(), ReadBytes(trace));
            {
                TForm1 form;
                Convert(form);
            }
            saved[i] = ReadBytes(out());
            QProcess convert;
            convert.start(QStringLiteral(KAVRO_CONVERT), {"-q", "-o", "-", trace});
            QVERIFY(convert.waitForFinished(30000));
            QCOMPARE(convert.exitCode(), 0);
            QCOMPARE(convert.readAllStandardOutput(), saved[i]);
        }
        QVERIFY(saved[0].size() > 1000 && saved[2].size() > 1000);
        QCOMPARE(saved[1], saved[0]);
    }

    // Without the router's lines, the window finds the relays in the MAC
    // lines as kavro-convert does.
    void macPathsAsTheConsoleConverterFindsThem() {
        const QString pair = QStringLiteral(KAVRO_TEST_DATA "/pairs/DSR-tcp-new-mac.tr.gz");
        QProcess gunzip;
        gunzip.start(QStringLiteral("gzip"), {"-dc", pair});
        QVERIFY(gunzip.waitForFinished(30000));
        WriteBytes(nsTr(), gunzip.readAllStandardOutput());
        {
            TForm1 form;
            Convert(form);
        }
        QProcess convert;
        convert.start(QStringLiteral(KAVRO_CONVERT), {"-q", "-o", "-", pair});
        QVERIFY(convert.waitForFinished(30000));
        QCOMPARE(convert.readAllStandardOutput(), ReadBytes(out()));
        QVERIFY(ReadBytes(out()).contains(" forwarding "));
    }

    // Typing into the loaded trace must reach the conversion, however the
    // lines were picked out while it loaded.
    void typedEditChangesResult() {
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        TForm1 form;
        QWidget* pane = form.Memo1->Widget();
        pane->setFocus();
        QTest::keyClick(pane, Qt::Key_Down);
        QTest::keyClick(pane, Qt::Key_Delete);
        QCOMPARE(PaneLine(*form.Memo1, 1), kRecv.mid(1).toStdString());
        Convert(form);
        QCOMPARE(PaneLineCount(*form.Memo2), size_t(0));
        QTest::keyClick(pane, Qt::Key_R);
        Convert(form);
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
    }

    // Presses queued during a run start one nested run at most; the rest
    // are dropped instead of nesting ever deeper. Only the nested run, the
    // later one, gets as far as the wait notice.
    void pressesQueuedDuringARunNestOnlyOnce() {
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        TForm1 form([](QWidget* parent) -> LinePane* { return new CountingPane(parent); });
        CountingPane::notices = 0;
        int depth = 0, deepest = 0;
        for (int i = 0; i < 50; ++i)
            QMetaObject::invokeMethod(&form, [&] {
                deepest = std::max(deepest, ++depth);
                form.BitBtn1->click();
                --depth;
            }, Qt::QueuedConnection);
        form.BitBtn1Click();
        QCoreApplication::processEvents();
        QCOMPARE(deepest, 2);
        QCOMPARE(CountingPane::notices, 1);
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
        QCOMPARE(ReadBytes(out()), FileBytesOf(kDelivered));
    }

    // The trace cleared and converted again while a run lets events through,
    // in either of its waits: the last press is what the lower pane shows and
    // the file holds, not the run it interrupted.
    void lastPressIsShownAndSaved() {
        for (const bool secondWait : {false, true}) {
            WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
            TForm1 form;
            bool duringNotice = false;
            const auto clearAndPress = [&] {
                duringNotice = PaneLine(*form.Memo2, 0).rfind("Please wait", 0) == 0;
                QWidget* pane = form.Memo1->Widget();
                pane->setFocus();
                QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(pane, Qt::Key_Delete);
                form.BitBtn1->click();
            };
            // Posted while the first wait runs, a call waits for the second.
            QMetaObject::invokeMethod(&form, [&] {
                if (secondWait) QMetaObject::invokeMethod(&form, clearAndPress, Qt::QueuedConnection);
                else clearAndPress();
            }, Qt::QueuedConnection);
            form.BitBtn1Click();
            QCOMPARE(duringNotice, secondWait);
            QCOMPARE(PaneLineCount(*form.Memo2), size_t(0));
            QCOMPARE(ReadBytes(out()), QByteArray());
        }
    }

    void editedPaneChangesResultNotTheFile() {
        const QByteArray trace = kSend + "\n" + kRecv + "\n";
        WriteBytes(nsTr(), trace);
        TForm1 form;
        form.Memo1->SetText(kSend.toStdString() + "\r\n");
        Convert(form);
        QCOMPARE(PaneLineCount(*form.Memo2), size_t(0));
        QCOMPARE(ReadBytes(out()), QByteArray());
        QCOMPARE(ReadBytes(nsTr()), trace);
    }

    void lineEndsAndFinalBreaks_data() {
        QTest::addColumn<QByteArray>("trace");
        QTest::addColumn<int>("inputLines");
        QTest::newRow("CR LF") << kSend + "\r\n" + kRecv + "\r\n" << 2;
        QTest::newRow("LF") << kSend + "\n" + kRecv + "\n" << 2;
        QTest::newRow("lone CR, no final break") << kSend + "\r" + kRecv << 2;
        QTest::newRow("two final breaks") << kSend + "\n" + kRecv + "\n\n" << 3;
        QTest::newRow("LF CR is two ends") << kSend + "\n\r" + kRecv << 3;
    }
    void lineEndsAndFinalBreaks() {
        QFETCH(QByteArray, trace);
        QFETCH(int, inputLines);
        WriteBytes(nsTr(), trace);
        TForm1 form;
        QCOMPARE(PaneLineCount(*form.Memo1), size_t(inputLines));
        Convert(form);
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
        QCOMPARE(ReadBytes(out()), FileBytesOf(kDelivered));
    }

    void longLineIsHandedOverWhole() {
        // The dashes that locate the packet id sit past the first 4096 bytes.
        const QByteArray longSend =
            "s 1.500000000 _1_ AGT " + QByteArray(5000, 'x') + " --- 7 cbr 512";
        std::vector<std::string> lines;
        QByteArray bytes;
        ConvertText(longSend + "\n" + kRecv + "\n", lines, bytes);
        QCOMPARE(lines, kDelivered);
    }

    void nulByteStaysInItsLine() {
        const QByteArray trace = kSend + "\n" + QByteArray("junk\0more", 9) + "\n" + kRecv + "\n";
        WriteBytes(nsTr(), trace);
        TForm1 form;
        QCOMPARE(PaneLineCount(*form.Memo1), size_t(3));
        QCOMPARE(PaneLine(*form.Memo1, 1), std::string("junk\0more", 9));
        Convert(form);
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
    }

    void latin1BytesSurvive() {
        QByteArray send = kSend, recv = kRecv;
        send.replace("_1_", "_\xe9\xff_");
        recv.replace("_2_", "_\xc3\xa9_");
        std::vector<std::string> lines;
        QByteArray bytes;
        ConvertText(send + "\n" + recv + "\n", lines, bytes);
        QCOMPARE(bytes, QByteArray("\xe9\xff 1.500000000 sending to \xc3\xa9 orginator 7 energy 5000\r\n"
                                   "\xc3\xa9 1.600000000 received from \xe9\xff destination 7 energy 5000\r\n"));
    }

    // Only a large trace shows the splash and the busy cursor while it loads;
    // both are gone once the window is made, and before an error box opens.
    void splashOnlyWhileALargeTraceLoads_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("fails");
        QTest::newRow("small trace") << qint64(0) << false;
        QTest::newRow("large trace") << (qint64{65} << 20) << false;
        QTest::newRow("large trace whose read fails") << (qint64{65} << 20) << true;
    }
    void splashOnlyWhileALargeTraceLoads() {
        QFETCH(qint64, size);
        QFETCH(bool, fails);
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        // Sparse: the rest of the file is a hole, which costs no disk.
        if (size > 0) QVERIFY(QFile::resize(nsTr(), size));
        WatchingPane::splashSeen = false;
        WatchingPane::failRead = fails;
        BoxCatcher boxes;
        {
            TForm1 form([](QWidget* parent) -> LinePane* { return new WatchingPane(parent); });
            QCOMPARE(WatchingPane::splashSeen, size > 0);
            QVERIFY(!VisibleSplash());
            QVERIFY(!QGuiApplication::overrideCursor());
            QCOMPARE(PaneLine(*form.Memo1, 0), fails ? std::string("Memo1") : kSend.toStdString());
        }
        QCOMPARE(boxes.boxes.size(), size_t(fails));
        if (fails) QVERIFY(!boxes.boxes[0].withSplash);
        QFile::remove(nsTr());
    }

    void missingTraceShowsOneErrorAndKeepsMemo1() {
        BoxCatcher boxes;
        TForm1 form;
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QCOMPARE(boxes.boxes[0].caption, ApplicationTitle());
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.boxes[0].text,
                 "Cannot open file \"" + nsTr() + "\". No such file or directory.");
        QCOMPARE(PaneLines(*form.Memo1), std::vector<std::string>{"Memo1"});
        QCOMPARE(ExeDir, dir_);
        Convert(form);
        QCOMPARE(ReadBytes(out()), QByteArray());
        QCOMPARE(boxes.boxes.size(), size_t(1));
    }

    void traceThatIsNotARegularFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO with no writer") << "fifo" << "Not a regular file";
        QTest::newRow("link to /dev/zero") << "zero" << "Not a regular file";
        QTest::newRow("socket") << "socket" << "Not a regular file";
        QTest::newRow("directory") << "dir" << QString::fromLocal8Bit(std::strerror(EISDIR));
    }
    void traceThatIsNotARegularFile() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QByteArray path = QFile::encodeName(nsTr());
        if (kind == "dir") {
            QCOMPARE(::mkdir(path.constData(), 0755), 0);
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(path.constData(), 0644), 0);
        } else if (kind == "zero") {
            QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
        } else {
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            if (size_t(path.size()) >= sizeof addr.sun_path) QSKIP("path too long for a socket");
            std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(fd >= 0);
            const int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            ::close(fd);
            QCOMPARE(bound, 0);
        }
        BoxCatcher boxes;
        TForm1 form;
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.boxes[0].text, "Cannot open file \"" + nsTr() + "\". " + reason + ".");
        QCOMPARE(PaneLines(*form.Memo1), std::vector<std::string>{"Memo1"});
    }

    void linkToATraceIsFollowed() {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("run.tr");
        WriteBytes(target, kSend + "\n" + kRecv + "\n");
        QVERIFY(QFile::link(target, nsTr()));
        BoxCatcher boxes;
        TForm1 form;
        QVERIFY(boxes.boxes.empty());
        QCOMPARE(PaneLineCount(*form.Memo1), size_t(2));
    }

    void unwritableOutputIsReported() {
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        QVERIFY(QDir().mkpath(out()));
        BoxCatcher boxes;
        TForm1 form;
        Convert(form);
        QCOMPARE(boxes.boxes.size(), size_t(1));
        const Box& box = boxes.boxes[0];
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.startsWith("Cannot create file \"" + out() + "\". "), qPrintable(box.text));
        QVERIFY(!box.text.endsWith("..") && !box.text.endsWith(" ."));
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
        QVERIFY(QFileInfo(out()).isDir());
        QCOMPARE(QDir(dir_).entryList({"iNSpect.out.*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void failedSaveKeepsThePreviousFile() {
        const QByteArray previous = "previous run\r\n";
        WriteBytes(out(), previous);
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        BoxCatcher boxes;
        TForm1 form;
        // A file size limit makes the write fail the way a full disk does,
        // also for root.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 40;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        Convert(form);
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QCOMPARE(boxes.boxes[0].text, "Cannot create file \"" + out() + "\". " +
                                          QString::fromLocal8Bit(std::strerror(EFBIG)) + ".");
        QCOMPARE(ReadBytes(out()), previous);
        QCOMPARE(PaneLines(*form.Memo2), kDelivered);
        QCOMPARE(QDir(dir_).entryList({"iNSpect.out.*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void replacedOutputKeepsItsMode_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("read-only") << 0444;
        QTest::newRow("owner only") << 0600;
        QTest::newRow("odd bits") << 0751;
    }
    void replacedOutputKeepsItsMode() {
        QFETCH(int, mode);
        const QByteArray previous = "previous run\r\n";
        WriteBytes(out(), previous);
        QCOMPARE(::chmod(QFile::encodeName(out()).constData(), mode), 0);
        // Root may replace a read-only file; anyone else is refused.
        const bool mayWrite = ::access(QFile::encodeName(out()).constData(), W_OK) == 0;
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        BoxCatcher boxes;
        TForm1 form;
        Convert(form);
        if (mayWrite) {
            QVERIFY(boxes.boxes.empty());
            QCOMPARE(ReadBytes(out()), FileBytesOf(kDelivered));
        } else {
            QCOMPARE(boxes.boxes.size(), size_t(1));
            QVERIFY(boxes.boxes[0].text.startsWith("Cannot create file \"" + out() + "\". "));
            QCOMPARE(ReadBytes(out()), previous);
        }
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(out()).constData(), &st), 0);
        QCOMPARE(static_cast<int>(st.st_mode & 07777), mode);
    }

    // Refused as cp refuses it, with the system's words; root may write it.
    void readOnlyOutputIsRefusedWithTheSystemText() {
        WriteBytes(out(), "previous run\r\n");
        QCOMPARE(::chmod(QFile::encodeName(out()).constData(), 0444), 0);
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        BoxCatcher boxes;
        TForm1 form;
        {
            // Root's real user id stays in the saved one, to come back to.
            const bool root = ::geteuid() == 0;
            QVERIFY(!root || ::setresuid(65534, 65534, 0) == 0);
            Convert(form);
            QVERIFY(!root || ::setresuid(0, 0, 0) == 0);
        }
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QCOMPARE(boxes.boxes[0].text, "Cannot create file \"" + out() + "\". " +
                                          QString::fromLocal8Bit(std::strerror(EACCES)) + ".");
        QCOMPARE(ReadBytes(out()), QByteArray("previous run\r\n"));
    }

    // Through a link the file it names is saved; a device node is written
    // into, never replaced.
    void saveThroughALink_data() {
        QTest::addColumn<bool>("device");
        QTest::newRow("link to a file") << false;
        QTest::newRow("link to a device node") << true;
    }
    void saveThroughALink() {
        QFETCH(bool, device);
        QTemporaryDir elsewhere;
        const QByteArray target = QFile::encodeName(elsewhere.filePath("target"));
        if (device && ::mknod(target.constData(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
            QSKIP("only root may make a device node");
        if (!device) WriteBytes(elsewhere.filePath("target"), "previous run\r\n");
        QCOMPARE(::symlink(target.constData(), QFile::encodeName(out()).constData()), 0);
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        BoxCatcher boxes;
        TForm1 form;
        Convert(form);
        QVERIFY(boxes.boxes.empty());
        QVERIFY(QFileInfo(out()).isSymLink());
        struct stat st {};
        QCOMPARE(::lstat(target.constData(), &st), 0);
        QCOMPARE(S_ISCHR(st.st_mode), device);
        if (!device) QCOMPARE(ReadBytes(out()), FileBytesOf(kDelivered));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"target"});
    }

    void outOfMemoryIsSaidOnce() {
        BoxCatcher boxes;
        RunGuarded([] { throw std::bad_alloc(); });
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QCOMPARE(boxes.boxes[0].text, QString("Out of memory."));
    }

    void filesLiveBesideTheExecutable() {
        WriteBytes(nsTr(), kSend + "\n" + kRecv + "\n");
        const QString cwd = QDir::currentPath();
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        {
            TForm1 form;
            Convert(form);
        }
        QDir::setCurrent(cwd);
        QCOMPARE(ExeDir, dir_);
        QCOMPARE(ReadBytes(out()), FileBytesOf(kDelivered));
        QVERIFY(!QFile::exists(elsewhere.path() + "/iNSpect.out"));
    }

    void aboutAndHelpBoxes() {
        BoxCatcher boxes;
        TForm1 form;
        boxes.boxes.clear();
        form.About1->trigger();
        form.Help1->trigger();
        QCOMPARE(boxes.boxes.size(), size_t(2));
        for (const Box& box : boxes.boxes) {
            QCOMPARE(box.caption, QString("Information"));
            QCOMPARE(box.icon, QMessageBox::Information);
        }
        QVERIFY(boxes.boxes[0].text.startsWith("Designed By : "));
        const QString help = boxes.boxes[1].text;
        QVERIFY(help.startsWith("Any question: ") && help.size() > 14);
        QVERIFY(boxes.boxes[0].text.endsWith(" , " + help));
    }

    void boxesWrapOnlyPastHalfTheScreen_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        const QString words =
            "Forward rule: node 12 found no record for packet 3301, so this hop is left out; "
            "send the trace to kavro-support@example.org with the well-known steps that led here";
        QTest::newRow("About box") << 0 << QString();
        QTest::newRow("plain notice") << 1 << words;
        QTest::newRow("information box") << 2 << words + " " + words;
        QTest::newRow("error box") << 3
                                   << "Cannot create file \"/srv/kavro/runs/2024-06-01/aodv-50-nodes/iNSpect.out\". "
                                      "Existing file /srv/kavro/runs/2024-06-01/aodv-50-nodes/iNSpect.out is not writable";
        QTest::newRow("word wider than the limit") << 3 << "Path " + QString(300, 'w') + " end";
    }
    void boxesWrapOnlyPastHalfTheScreen() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().width(), 1280);
        const qreal limit = 640;
        BoxCatcher boxes;
        if (kind == 0) {
            TForm1 form;
            boxes.boxes.clear();
            form.About1->trigger();
        } else if (kind == 1) {
            ShowPlainNotice(text);
        } else if (kind == 2) {
            ShowInformationBox(text);
        } else {
            ShowErrorBox(text);
            text = ErrorBoxText(text);
        }
        QCOMPARE(boxes.boxes.size(), size_t(1));
        const Box& box = boxes.boxes[0];
        if (kind == 0) text = box.text;
        const QFontMetricsF fm(box.font);
        const QStringList lines = box.shown.split(QLatin1Char('\n'));
        qsizetype at = 0;
        qreal widest = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = lines[i];
            QCOMPARE(text.mid(at, line.size()), line);
            at += line.size();
            widest = std::max(widest, fm.horizontalAdvance(line));
            QVERIFY2(fm.horizontalAdvance(line) <= limit, qPrintable(line));
            if (i + 1 == lines.size()) break;
            const QString& next = lines[i + 1];
            if (text[at] == QLatin1Char(' ')) {
                // At a space, and only because the next word did not fit.
                ++at;
                QVERIFY2(fm.horizontalAdvance(line + ' ' + next.section(' ', 0, 0)) > limit, qPrintable(line));
            } else {
                // Inside a word, only when it has no room for itself.
                QVERIFY2(!line.contains(' '), qPrintable(line));
                QVERIFY(fm.horizontalAdvance(line + next[0]) > limit);
            }
        }
        QCOMPARE(at, text.size());
        if (kind == 0) QCOMPARE(lines.size(), 1);
        // Laid out at least as wide as its widest line, Qt adds no breaks of its own.
        QVERIFY2(box.labelWidth >= std::floor(widest) && box.labelWidth <= limit,
                 qPrintable(QString("label %1 px, widest line %2 px").arg(box.labelWidth).arg(widest)));
    }

    void errorBoxFullStopRule_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Disk full" << "Disk full.";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("space") << "Done " << "Done ";
        QTest::newRow("bang") << "Stop!" << "Stop!";
        QTest::newRow("paren") << "(x)" << "(x)";
        QTest::newRow("comma") << "a," << "a,";
        QTest::newRow("hyphen") << "a-" << "a-";
        QTest::newRow("slash") << "a/" << "a/.";
        QTest::newRow("empty") << "" << "";
    }
    void errorBoxFullStopRule() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

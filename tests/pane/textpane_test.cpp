// TextPane driven by keys and mouse, headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "tests/pane/PaneLines.h"
#include "pane/TextPane.h"

using namespace kavro::pane;

namespace {

// The whole text, final line break included, as Select All gives it; the
// selection is put back as it was.
std::string TextOf(TextPane& pane) {
    const TextPos anchor = pane.Anchor(), caret = pane.Caret();
    pane.SelectAll();
    std::string text = pane.SelectedText();
    pane.SetSelection(anchor, caret);
    return text;
}

// One scripted input: a key with modifiers, or text typed as key presses.
struct Input {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    QString text;
};
Input K(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { return {key, mods, {}}; }
Input T(const QString& text) { return {Qt::Key_unknown, Qt::NoModifier, text}; }

void Play(QWidget* w, const std::vector<Input>& inputs) {
    for (const Input& in : inputs) {
        if (in.text.isEmpty()) {
            QTest::keyClick(w, in.key, in.mods);
            continue;
        }
        for (const QChar ch : in.text) {
            if (ch.unicode() < 0x80) {
                QTest::keyClick(w, static_cast<char>(ch.unicode()));
                continue;
            }
            // QTest only maps ASCII to keys; send the others as bare text.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
}

class TextPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        pane.resize(400, 200);
        pane.show();
        pane.activateWindow();
        pane.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }
    std::string Text() { return TextOf(pane); }

    TextPane pane;
};

TEST_F(TextPaneTest, KeyScripts) {
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const struct {
        const char* name;
        std::string start;
        std::vector<Input> keys;
        std::string expect;
        TextPos caret;
    } cases[] = {
        {"typing", "", {T("abc")}, "abc", {0, 3}},
        {"enter splits the line", "abcd", {K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Return), T("x")},
         "ab\nxcd", {1, 1}},
        {"backspace", "abc", {K(Qt::Key_End), K(Qt::Key_Backspace), K(Qt::Key_Backspace)}, "a", {0, 1}},
        {"delete", "abc", {K(Qt::Key_Home), K(Qt::Key_Delete)}, "bc", {0, 0}},
        {"backspace joins lines", "ab\ncd", {K(Qt::Key_End, ctrl), K(Qt::Key_Home), K(Qt::Key_Backspace)},
         "abcd", {0, 2}},
        {"delete joins lines", "ab\ncd", {K(Qt::Key_End), K(Qt::Key_Delete)}, "abcd", {0, 2}},
        {"shift+left then type", "hello",
         {K(Qt::Key_End), K(Qt::Key_Left, shift), K(Qt::Key_Left, shift), T("X")}, "helX", {0, 4}},
        {"ctrl+a then type", "ab\ncd\n", {K(Qt::Key_A, ctrl), T("z")}, "z", {0, 1}},
        {"shift+down then delete", "ab\ncd\nef", {K(Qt::Key_Down, shift), K(Qt::Key_Delete)}, "cd\nef", {0, 0}},
        {"undo a typing run", "q", {K(Qt::Key_End), T("abc"), K(Qt::Key_Z, ctrl)}, "q", {0, 1}},
        {"redo", "q", {K(Qt::Key_End), T("abc"), K(Qt::Key_Z, ctrl), K(Qt::Key_Y, ctrl)}, "qabc", {0, 4}},
        {"undo enter", "ab", {K(Qt::Key_End), K(Qt::Key_Return), K(Qt::Key_Z, ctrl)}, "ab", {0, 2}},
        {"up and down keep the column", "abcdef\nx\nabcdef",
         {K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Down),
          K(Qt::Key_Down)},
         "abcdef\nx\nabcdef", {2, 4}},
        {"ctrl+end goes past the final break", "ab\ncd\n", {K(Qt::Key_End, ctrl)}, "ab\ncd\n", {2, 0}},
        {"page down stops at the last line", "ab\ncd\nef", {K(Qt::Key_PageDown), T("X")}, "ab\ncd\nXef", {2, 1}},
        {"page up keeps the column", "ab\ncd\nab", {K(Qt::Key_End, ctrl), K(Qt::Key_PageUp)}, "ab\ncd\nab", {0, 2}},
        {"ctrl+home", "ab\ncd", {K(Qt::Key_End, ctrl), K(Qt::Key_Home, ctrl)}, "ab\ncd", {0, 0}},
        {"left wraps to the previous line", "ab\ncd", {K(Qt::Key_Down), K(Qt::Key_Left)}, "ab\ncd", {0, 2}},
        {"Latin-1 typed as one byte", "", {T(QString::fromLatin1("caf\xe9"))}, "caf\xe9", {0, 4}},
        {"characters beyond Latin-1 are not typed", "", {T(QString::fromUtf8("a\xe2\x82\xac"))}, "a", {0, 1}},
        {"shift+end selects to the end", "abc",
         {K(Qt::Key_Right), K(Qt::Key_End, shift), K(Qt::Key_Backspace)}, "a", {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pane.SetText(c.start);
        Play(&pane, c.keys);
        EXPECT_EQ(Text(), c.expect);
        EXPECT_EQ(pane.Caret(), c.caret);
    }
}

TEST_F(TextPaneTest, ClipboardRoundTripKeepsBytes) {
    const std::string start("a\0b\xe9" "c\nline two", 14);
    pane.SetText(start);
    QTest::keyClick(&pane, Qt::Key_Right);
    for (int i = 0; i < 7; ++i) QTest::keyClick(&pane, Qt::Key_Right, Qt::ShiftModifier);
    const std::string picked("\0b\xe9" "c\nli", 7);
    ASSERT_EQ(pane.SelectedText(), picked);
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(picked.data(), 7));

    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), start + picked);

    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Text(), "");
    QGuiApplication::clipboard()->setText("x\r\ny\rz");
    QTest::keyClick(&pane, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), "x\ny\nz");
    EXPECT_EQ(PaneLineCount(pane), 3u);
    QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), start + picked);
}

TEST_F(TextPaneTest, ContextMenuRunsCommands) {
    pane.SetText("hello world");
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
    QStringList seen;
    const auto pick = [&](const QString& label) {
        QTimer::singleShot(0, [&, label] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions()) {
                if (!a->text().isEmpty()) seen << a->text() + (a->isEnabled() ? "+" : "-");
                if (a->text() == label) a->trigger();
            }
            menu->close();
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(10, 5), pane.viewport()->mapToGlobal(QPoint(10, 5)));
        QApplication::sendEvent(pane.viewport(), &e);
    };
    pick("Cu&t");
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(seen.join(' ').toStdString(), "&Undo- &Redo- Cu&t+ &Copy+ &Paste- &Delete+ Select &All+");
    seen.clear();
    pick("&Paste");
    EXPECT_EQ(Text(), "hello world");
    EXPECT_EQ(seen.join(' ').toStdString(), "&Undo+ &Redo- Cu&t- &Copy- &Paste+ &Delete- Select &All-");
    pick("&Undo");
    EXPECT_EQ(Text(), "");
}

TEST_F(TextPaneTest, MouseClickPlacesCaretAndDragSelects) {
    pane.SetText("first line\nsecond line\nthird line\n");
    const auto pointOf = [&](TextPos p) { return (pane.PointAt(p) + QPointF(1, 4)).toPoint(); };

    // Just left of a character boundary still means that boundary.
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier,
                      (pane.PointAt({1, 3}) + QPointF(-2, 4)).toPoint());
    EXPECT_EQ(pane.Caret(), (TextPos{1, 3}));
    EXPECT_FALSE(pane.HasSelection());

    QTest::mousePress(pane.viewport(), Qt::LeftButton, Qt::NoModifier, pointOf({0, 6}));
    QMouseEvent move(QEvent::MouseMove, pointOf({2, 5}), pane.viewport()->mapToGlobal(pointOf({2, 5})),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane.viewport(), &move);
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, Qt::NoModifier, pointOf({2, 5}));
    EXPECT_EQ(pane.SelectedText(), "line\nsecond line\nthird");

    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf({0, 1}));
    EXPECT_EQ(pane.SelectedText(), "irst ");
}

TEST_F(TextPaneTest, CaretPositionsMatchQtTextWidths) {
    // The pane adds up per-byte widths; Qt's own measure of the same text
    // must agree, or clicks and the caret would drift along a line.
    const std::string line = "s 76.000000000 _98_ AGT  --- 1812 cbr 532 [0 0 0 0] ------- [98:0 0:0 32 0]";
    pane.SetText(line);
    QFont f = pane.font();
    f.setKerning(false);
    f.setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF fm(f);
    const qreal x0 = pane.PointAt({0, 0}).x();
    for (size_t col : {1u, 10u, 20u, 40u, static_cast<unsigned>(line.size())}) {
        SCOPED_TRACE(col);
        const qreal qt = fm.horizontalAdvance(QString::fromLatin1(line.substr(0, col).c_str()));
        EXPECT_NEAR(pane.PointAt({0, col}).x() - x0, qt, 1.0);
    }
}

TEST_F(TextPaneTest, RememberedPositionsAgreeWithAFreshMeasure) {
    // Tabs, whose width depends on where they fall, and boxed control bytes;
    // no tabs in the second half, which would line later bytes up again
    // whatever was edited before them.
    std::string line;
    for (int i = 0; i < 3000; ++i) line += i % 7 == 0 && i < 1500 ? "\t" : i % 11 == 0 ? "\x01" : "ab c";
    std::string text = line + "\n" + line;
    const auto x = [](const TextPane& p, TextPos at) {
        return p.PointAt(at).x() - p.PointAt({at.line, 0}).x();
    };
    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        for (size_t column : {9000u, 8999u, 5u, 9001u, 6000u, 6001u, 5999u, 256u, 255u, 11000u}) {
            SCOPED_TRACE(column);
            TextPane fresh;
            fresh.SetText(text);
            const qreal want = x(fresh, {0, column});
            EXPECT_EQ(x(pane, {0, column}), want);
            const QPointF at = pane.PointAt({0, column}) + QPointF(1, 2);
            EXPECT_EQ(pane.PosAt(at), fresh.PosAt(fresh.PointAt({0, column}) + QPointF(1, 2)));
        }
    };
    pane.SetText(text);
    check("loaded");
    pane.SetSelection({0, 6000}, {0, 6000});
    Play(&pane, {T("XYZ")});
    text.insert(6000, "XYZ");
    check("typed");
    Play(&pane, {K(Qt::Key_Backspace), K(Qt::Key_Backspace)});
    text.erase(6001, 2);
    check("deleted");
    QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_NE(Text(), text);
    text = Text();
    check("undone");
}

TEST_F(TextPaneTest, WheelAndHorizontalScrolling) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += std::string(300, 'w') + "\n";
    pane.SetText(text);
    EXPECT_FALSE(pane.verticalScrollBar()->isVisible());
    EXPECT_TRUE(pane.horizontalScrollBar()->isVisible());
    EXPECT_GT(pane.horizontalScrollBar()->maximum(), 0);

    const QPointF at(20, 20);
    QWheelEvent down(at, pane.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pane.viewport(), &down);
    EXPECT_EQ(pane.verticalScrollBar()->value(), QApplication::wheelScrollLines());

    QTest::keyClick(&pane, Qt::Key_End);
    EXPECT_GT(pane.horizontalScrollBar()->value(), 0);
    const QPointF caret = pane.PointAt(pane.Caret());
    EXPECT_GE(caret.x(), 0);
    EXPECT_LE(caret.x(), pane.viewport()->width());
    QTest::keyClick(&pane, Qt::Key_Home);
    EXPECT_EQ(pane.horizontalScrollBar()->value(), 0);
}

// The window's output comes as one text: the scroll range must reach its
// last line.
TEST_F(TextPaneTest, LongTextScrollsToItsLastLine) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "event " + std::to_string(i) + "\r\n";
    pane.SetText(text);
    const std::vector<std::string> lines = PaneLines(pane);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines[999], "event 999");
    const int rows = pane.viewport()->height() / static_cast<int>(pane.PointAt({1, 0}).y() -
                                                                 pane.PointAt({0, 0}).y());
    EXPECT_GE(pane.verticalScrollBar()->maximum(), 1001 - rows);
}

TEST_F(TextPaneTest, TabMovesFocusInsteadOfTyping) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton("go");
    auto* first = new TextPane;
    auto* second = new TextPane;
    layout->addWidget(button);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    button->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), first);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), second);
    EXPECT_EQ(TextOf(*first), "");
}

TEST_F(TextPaneTest, FilesKeepEveryByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string longLine(5000, 'L');
    const std::string bytes = std::string("nul\0mid\r\n", 9) + "caf\xe9\r" + longLine + "\n" + "\xff\x80" + "\n";
    const QString in = dir.filePath("in.tr");
    {
        QFile f(in);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    pane.LoadFromFile(in);
    const std::vector<std::string> lines = PaneLines(pane);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string("nul\0mid", 7));
    EXPECT_EQ(lines[1], "caf\xe9");
    EXPECT_EQ(lines[2], longLine);
    EXPECT_EQ(lines[3], "\xff\x80");
}

// A file large enough to be read in two halves at once comes out whole and
// in order.
TEST_F(TextPaneTest, LargeFileReadInHalvesKeepsItsOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string bytes;
    for (int i = 0; bytes.size() < (size_t{20} << 20); ++i) bytes += "line " + std::to_string(i) + "\n";
    const QString in = dir.filePath("big.tr");
    {
        QFile f(in);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    pane.LoadFromFile(in);
    EXPECT_TRUE(Text() == bytes);
}

// A file that is all in at once still comes to the watcher in hundredths.
TEST_F(TextPaneTest, LoadTellsItsProgressInHundredths) {
    QTemporaryDir dir;
    const size_t size = size_t{1} << 20;
    QFile f(dir.filePath("in.tr"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(static_cast<qint64>(size)));
    f.close();
    std::vector<size_t> seen;
    pane.LoadFromFile(f.fileName(), {}, [&](size_t at, size_t all) {
        EXPECT_EQ(all, size);
        seen.push_back(at);
    });
    ASSERT_GE(seen.size(), 101u);
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_EQ(seen.back(), size);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_TRUE(seen[i] > seen[i - 1] && seen[i] - seen[i - 1] <= size / 100) << seen[i];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

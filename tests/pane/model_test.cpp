// Line counting, line ends and undo steps of TextModel; the random
// differential test covers the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "pane/PaneError.h"
#include "pane/TextModel.h"

using namespace kavro::pane;

namespace {

std::vector<std::string> DisplayLines(const TextModel& m) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < m.DisplayCount(); ++i) lines.emplace_back(m.Line(i));
    return lines;
}

using Lines = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string text;
    Lines shown;  // display lines
    size_t count;
};

TEST(TextModelLines, SplitsAndCountsLikeTheConverter) {
    const SplitCase cases[] = {
        {"empty", "", {""}, 0},
        {"initial pane text", "Memo1", {"Memo1"}, 1},
        {"LF after each line", "a\nb\n", {"a", "b", ""}, 2},
        {"two final breaks", "a\n\n", {"a", "", ""}, 2},
        {"CR LF without final break", "a\r\nb", {"a", "b"}, 2},
        {"lone CRs", "a\rb\r", {"a", "b", ""}, 2},
        {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}, 3},
        {"only a break", "\r\n", {"", ""}, 1},
        {"mixed breaks", "\r\r\n\n", {"", "", "", ""}, 3},
        {"NUL and Latin-1 stay", std::string("a\0b\xe9\n", 5), {std::string("a\0b\xe9", 4), ""}, 1},
        {"empty lines inside count", "\n\nx", {"", "", "x"}, 3},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        TextModel m;
        m.SetText(c.text);
        EXPECT_EQ(DisplayLines(m), c.shown);
        EXPECT_EQ(m.Count(), c.count);
        // The same bytes still arriving while they are indexed, cut anywhere.
        for (size_t cut = 0; cut <= c.text.size(); ++cut) {
            ByteBlock block(c.text.size());
            c.text.copy(block.data(), c.text.size());
            TextModel loaded;
            loaded.SetText(block, [&](size_t have) { return have < cut ? cut : c.text.size(); });
            EXPECT_EQ(DisplayLines(loaded), c.shown) << "cut at " << cut;
            EXPECT_EQ(loaded.Count(), c.count);
        }
    }
}

// Whoever watches a load sees every line once, in order, as views that
// stay valid while the text is as loaded.
TEST(TextModelLoad, IndexedLinesAreHandedOverInOrder) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "line " + std::to_string(i) + (i % 3 ? "\n" : "\r\n");
    ByteBlock block(text.size());
    text.copy(block.data(), text.size());
    TextModel m;
    std::vector<std::string_view> seen;
    m.SetText(block, [&](size_t have) { return have < 5000 ? 5000 : std::max(have, text.size()); },
              [&](const std::string_view* lines, size_t n) { seen.insert(seen.end(), lines, lines + n); });
    ASSERT_EQ(seen.size(), m.Count());
    for (size_t i = 0; i < seen.size(); ++i) {
        ASSERT_EQ(seen[i], m.Line(i)) << i;
        ASSERT_EQ(seen[i].data(), m.Line(i).data()) << i;
    }
}

// A long text is shown from the very bytes it was given: a copy would hold
// it twice while it loads.
TEST(TextModelLoad, GivenBytesAreTakenOverNotCopied) {
    std::string text = std::string(1000, 'x') + "\r\nend\n";
    const char* given = text.data();
    TextModel m;
    m.SetText(std::move(text));
    EXPECT_EQ(m.Line(0).data(), given);
    EXPECT_EQ(m.Line(1).data(), given + 1002);
}

// A failure while the bytes arrive leaves the model and the block alone.
TEST(TextModelLoad, FailedArrivalChangesNothing) {
    TextModel m;
    m.SetText("before");
    ByteBlock block(8);
    std::string("a\nb\nc\nd\n").copy(block.data(), 8);
    EXPECT_THROW(m.SetText(block,
                           [](size_t have) -> size_t {
                               if (have >= 4) throw std::runtime_error("read failed");
                               return 4;
                           }),
                 std::runtime_error);
    EXPECT_EQ(DisplayLines(m), Lines{"before"});
    EXPECT_EQ(block.size(), 8u);
    EXPECT_NE(block.data(), nullptr);
}

// A line longer than a packed reference can say keeps all its bytes,
// loaded and when edits cut it, join it and undo.
TEST(TextModelLines, LinesTooLongToPackKeepTheirBytes) {
    const std::string huge = std::string(size_t{1} << 24, 'h') + "!";
    const std::string text = "a\n" + huge + "\nb";
    TextModel m;
    m.SetText(text);
    ASSERT_EQ(m.DisplayCount(), 3u);
    EXPECT_EQ(m.Line(0), "a");
    EXPECT_TRUE(m.Line(1) == huge);
    EXPECT_EQ(m.Line(2), "b");
    EXPECT_EQ(m.MaxLineLength(), huge.size());
    EXPECT_EQ(m.End(), (TextPos{2, 1}));

    EXPECT_EQ(m.Insert({1, 3}, "xy\nz"), (TextPos{2, 1}));
    EXPECT_EQ(m.Line(1), "hhhxy");
    EXPECT_TRUE(m.Line(2) == "z" + huge.substr(3));
    EXPECT_EQ(m.Remove({1, 5}, {2, 1}), (TextPos{1, 5}));
    EXPECT_TRUE(m.Line(1) == "hhhxy" + huge.substr(3));
    EXPECT_EQ(m.Clamp({1, SIZE_MAX}), (TextPos{1, huge.size() + 2}));
    m.Undo();
    m.Undo();
    EXPECT_TRUE(m.Text() == "a\n" + huge + "\nb");
}

TEST(TextModelEdits, InsertedLineEndsEachBreakOnce) {
    struct Case {
        const char* name;
        std::string text;
        TextPos at;
        std::string inserted;
        std::string expect;  // '\n'-joined
        TextPos end;
    };
    const Case cases[] = {
        {"all three kinds", "ab", {0, 1}, "x\r\ny\rz\n", "ax\ny\nz\nb", {3, 0}},
        {"LF CR", "ab", {0, 1}, "\n\r", "a\n\nb", {2, 0}},
        {"final CR does not join the next LF", "a\nb", {0, 1}, "x\r", "ax\n\nb", {1, 0}},
        {"leading LF after text ending in CR", "a\r", {1, 0}, "\nb", "a\n\nb", {2, 1}},
        {"past the end clamps", "ab\ncd", {9, 9}, "!", "ab\ncd!", {1, 3}},
        {"column past the line clamps", "ab\ncd", {0, 9}, "!", "ab!\ncd", {0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextModel m;
        m.SetText(c.text);
        EXPECT_EQ(m.Insert(c.at, c.inserted), c.end);
        EXPECT_EQ(m.Text(), c.expect);
    }
}

TEST(TextModelUndo, TypingRunUndoesAsOneStep) {
    TextModel m;
    m.SetText("x");
    TextPos at{0, 1};
    for (char c : std::string("abc")) at = m.Insert(at, std::string(1, c), true);
    m.SealUndo();
    for (char c : std::string("de")) at = m.Insert(at, std::string(1, c), true);
    // A keystroke elsewhere starts a new step too.
    m.Insert({0, 0}, "<", true);
    ASSERT_EQ(m.Text(), "<xabcde");

    TextPos caret;
    ASSERT_TRUE(m.Undo(&caret));
    EXPECT_EQ(m.Text(), "xabcde");
    ASSERT_TRUE(m.Undo(&caret));
    EXPECT_EQ(m.Text(), "xabc");
    EXPECT_EQ(caret, (TextPos{0, 4}));
    ASSERT_TRUE(m.Undo(&caret));
    EXPECT_EQ(m.Text(), "x");
    EXPECT_FALSE(m.Undo());
    ASSERT_TRUE(m.Redo(&caret));
    EXPECT_EQ(m.Text(), "xabc");
    EXPECT_EQ(caret, (TextPos{0, 4}));
}

TEST(TextModelUndo, EditsKeepOnlyWhatChanged) {
    // Loaded text is shared, not copied: views of untouched lines keep
    // pointing into the same bytes after edits elsewhere and their undo.
    TextModel m;
    m.SetText("one\ntwo\nthree\n");
    const char* before = m.Line(2).data();
    m.Insert({0, 3}, "!\n");
    m.Remove({0, 0}, {0, 1});
    m.Undo();
    m.Undo();
    EXPECT_EQ(m.Line(2).data(), before);
    EXPECT_EQ(m.Text(), "one\ntwo\nthree\n");
}

}  // namespace

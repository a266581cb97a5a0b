// Random edits applied both to TextModel and to a plain string, compared
// after every step. The string keeps whole snapshots for undo, so it is
// slow but obviously right.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pane/TextModel.h"

using namespace kavro::pane;

namespace {

// Lines joined by '\n'; the reference's own splitter, written without the
// shared line splitter on purpose.
std::string Normalize(std::string_view raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        } else {
            out.push_back(raw[i]);
        }
    }
    return out;
}

struct Snapshot {
    std::string text;
    TextPos caretAfterUndo;
    TextPos caretAfterRedo;
};

class Reference {
public:
    std::string text;
    std::vector<Snapshot> undo, redo;

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines(1);
        for (char c : text) {
            if (c == '\n')
                lines.emplace_back();
            else
                lines.back().push_back(c);
        }
        return lines;
    }

    TextPos Clamp(TextPos p) const {
        const auto lines = Lines();
        p.line = std::min(p.line, lines.size() - 1);
        p.column = std::min(p.column, lines[p.line].size());
        return p;
    }
    size_t Offset(TextPos p) const {
        p = Clamp(p);
        size_t off = 0;
        for (size_t line = 0; line < p.line; ++line) off = text.find('\n', off) + 1;
        return off + p.column;
    }
    TextPos PosOf(size_t off) const {
        TextPos p;
        for (size_t i = 0; i < off; ++i) {
            if (text[i] == '\n') {
                ++p.line;
                p.column = 0;
            } else {
                ++p.column;
            }
        }
        return p;
    }

    void SetText(std::string_view raw) {
        text = Normalize(raw);
        Forget();
    }
    TextPos Replace(TextPos from, TextPos to, std::string_view raw, bool typing) {
        from = Clamp(from);
        to = Clamp(to);
        if (to < from) std::swap(from, to);
        const std::string ins = Normalize(raw);
        const bool isTyping = typing && !raw.empty() && raw.find_first_of("\r\n") == std::string::npos;
        if (from == to && raw.empty()) {
            typingRun_ = false;
            return from;
        }
        const size_t a = Offset(from);
        const size_t b = Offset(to);
        const bool merge = isTyping && typingRun_ && from == to && from == typingEnd_;
        if (!merge) undo.push_back({text, to, {}});
        redo.clear();
        text = text.substr(0, a) + ins + text.substr(b);
        const TextPos end = PosOf(a + ins.size());
        undo.back().caretAfterRedo = end;
        typingRun_ = isTyping;
        typingEnd_ = end;
        return end;
    }
    bool Undo(TextPos* caret) {
        typingRun_ = false;
        if (undo.empty()) return false;
        Snapshot s = undo.back();
        undo.pop_back();
        *caret = s.caretAfterUndo;
        std::swap(text, s.text);
        redo.push_back(std::move(s));
        return true;
    }
    bool Redo(TextPos* caret) {
        typingRun_ = false;
        if (redo.empty()) return false;
        Snapshot s = redo.back();
        redo.pop_back();
        *caret = s.caretAfterRedo;
        std::swap(text, s.text);
        undo.push_back(std::move(s));
        return true;
    }
    void Seal() { typingRun_ = false; }

private:
    void Forget() {
        undo.clear();
        redo.clear();
        typingRun_ = false;
    }
    bool typingRun_ = false;
    TextPos typingEnd_;
};

class RandomEdits {
public:
    explicit RandomEdits(unsigned seed) : rng_(seed) {}

    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

    char Byte() {
        static const char kPlain[] = "abcxyz019 _-.AGT";
        switch (Below(12)) {
        case 0: return '\0';
        case 1: return static_cast<char>(0xE9);
        case 2: return static_cast<char>(0x80 + Below(128));
        default: return kPlain[Below(sizeof kPlain - 1)];
        }
    }
    std::string Text(size_t maxLen, bool breaks) {
        std::string s;
        const size_t n = Below(maxLen + 1);
        for (size_t i = 0; i < n; ++i) {
            if (breaks && Chance(15)) {
                static const char* kBreaks[] = {"\n", "\r", "\r\n", "\n\r"};
                s += kBreaks[Below(4)];
            } else {
                s.push_back(Byte());
            }
        }
        return s;
    }
    TextPos Pos(const Reference& ref) {
        const auto lines = ref.Lines();
        TextPos p;
        p.line = Below(lines.size() + (Chance(5) ? 2 : 0));
        const size_t len = p.line < lines.size() ? lines[p.line].size() : 3;
        p.column = Below(len + (Chance(5) ? 3 : 1));
        return p;
    }

private:
    std::mt19937 rng_;
};

void ExpectSame(const TextModel& model, const Reference& ref, int step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const auto lines = ref.Lines();
    ASSERT_EQ(model.DisplayCount(), lines.size());
    const size_t counted = lines.size() - (lines.back().empty() ? 1 : 0);
    ASSERT_EQ(model.Count(), counted);
    size_t longest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(model.Line(i), lines[i]) << "line " << i;
        longest = std::max(longest, lines[i].size());
    }
    size_t walked = 0;
    model.ForEachLineBatch([&](const std::string_view* batch, size_t count) {
        for (size_t i = 0; i < count; ++i, ++walked) EXPECT_EQ(batch[i], lines[walked]);
    });
    EXPECT_EQ(walked, counted);
    EXPECT_EQ(model.Text(), ref.text);
    EXPECT_EQ(model.MaxLineLength(), longest);
    EXPECT_EQ(model.CanUndo(), !ref.undo.empty());
    EXPECT_EQ(model.CanRedo(), !ref.redo.empty());
}

class ModelDifferential : public ::testing::TestWithParam<unsigned> {};

TEST_P(ModelDifferential, MatchesPlainStringAfterEveryStep) {
    RandomEdits rnd(GetParam());
    TextModel model;
    Reference ref;
    TextPos typingAt;

    constexpr int kSteps = 3000;
    for (int step = 0; step < kSteps; ++step) {
        const size_t op = rnd.Below(100);
        if (ref.text.size() > 6000) {
            const std::string fresh = rnd.Text(300, true);
            model.SetText(fresh);
            ref.SetText(fresh);
        } else if (op < 22) {  // insert
            const TextPos at = rnd.Pos(ref);
            const std::string text = rnd.Text(12, true);
            EXPECT_EQ(model.Insert(at, text), ref.Replace(at, at, text, false));
        } else if (op < 42) {  // typing, mostly where the last keystroke ended
            const TextPos at = rnd.Chance(75) ? typingAt : rnd.Pos(ref);
            const std::string ch(1, rnd.Byte());
            typingAt = model.Insert(at, ch, true);
            EXPECT_EQ(typingAt, ref.Replace(at, at, ch, true));
        } else if (op < 54) {  // remove
            const TextPos a = rnd.Pos(ref), b = rnd.Pos(ref);
            EXPECT_EQ(model.Remove(a, b), ref.Replace(a, b, {}, false));
        } else if (op < 62) {  // replace a selection, possibly by typing over it
            const TextPos a = rnd.Pos(ref), b = rnd.Pos(ref);
            const bool typing = rnd.Chance(30);
            const std::string text = typing ? std::string(1, rnd.Byte()) : rnd.Text(8, true);
            EXPECT_EQ(model.Replace(a, b, text, typing), ref.Replace(a, b, text, typing));
        } else if (op < 68) {  // multi-line paste
            const TextPos at = rnd.Pos(ref);
            const std::string text = rnd.Text(200, true);
            EXPECT_EQ(model.Insert(at, text), ref.Replace(at, at, text, false));
        } else if (op < 80) {
            TextPos m, r;
            const bool did = model.Undo(&m);
            ASSERT_EQ(did, ref.Undo(&r));
            if (did) {
                EXPECT_EQ(m, r);
            }
        } else if (op < 89) {
            TextPos m, r;
            const bool did = model.Redo(&m);
            ASSERT_EQ(did, ref.Redo(&r));
            if (did) {
                EXPECT_EQ(m, r);
            }
        } else if (op < 96) {
            model.SealUndo();
            ref.Seal();
        } else if (op < 98) {
            const std::string fresh = rnd.Text(400, true);
            model.SetText(fresh);
            ref.SetText(fresh);
        } else if (op < 99) {
            model.SetText("");
            ref.SetText({});
        } else {  // a range read, with its own line-break text
            const TextPos a = rnd.Pos(ref), b = rnd.Pos(ref);
            const size_t x = ref.Offset(a), y = ref.Offset(b);
            std::string expect = ref.text.substr(std::min(x, y), std::max(x, y) - std::min(x, y));
            std::string crlf;
            for (char c : expect) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
            EXPECT_EQ(model.TextRange(a, b, "\r\n"), crlf);
        }
        ExpectSame(model, ref, step);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelDifferential, ::testing::Values(1u, 7u, 42u, 2024u, 90210u, 31337u));

}  // namespace

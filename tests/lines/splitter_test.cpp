#include <gtest/gtest.h>

#include "lines/LineSplitter.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using Lines = std::vector<std::string>;

Lines Whole(std::string_view text) {
    Lines out;
    kavro::lines::ForEachLine(text, [&](std::string_view l) { out.emplace_back(l); });
    return out;
}

struct SplitCase {
    std::string text;
    Lines lines;
};
void PrintTo(const SplitCase& c, std::ostream* os) {
    if (c.text.size() > 40)
        *os << c.text.size() << " bytes";
    else
        *os << testing::PrintToString(c.text);
}

const SplitCase kSplitCases[] = {
    {"", {}},
    {"a", {"a"}},
    {"a\r\nb\r\n", {"a", "b"}},
    {"a\rb\r", {"a", "b"}},
    {"a\nb", {"a", "b"}},
    {"a\n\rb", {"a", "", "b"}},
    {"a\r\r\nb", {"a", "", "b"}},
    {"a\n\n", {"a", ""}},
    {"\n", {""}},
    {"\r\n\r\n", {"", ""}},
    {"\n\r", {"", ""}},
    {"x\0y\r\n\xFF z \t\n"s, {"x\0y"s, "\xFF z \t"}},
    {std::string(5000, 'q') + "\r" + std::string(3, 'w'), {std::string(5000, 'q'), "www"}},
};

class Splitter : public testing::TestWithParam<SplitCase> {};

TEST_P(Splitter, WholeBufferLines) { EXPECT_EQ(Whole(GetParam().text), GetParam().lines); }

// The ended lines alone, and where the unended rest begins: what a reader
// of a piece of a stream takes from it.
TEST_P(Splitter, EndedLinesAndTheRest) {
    const std::string_view t = GetParam().text;
    Lines ended;
    bool crAtEnd = false;
    const size_t rest = kavro::lines::SplitEndedLines(t, 0, [&](std::string_view l) { ended.emplace_back(l); },
                                               crAtEnd);
    Lines want = GetParam().lines;
    const bool unended = !t.empty() && t.back() != '\n' && t.back() != '\r';
    if (unended) {
        EXPECT_EQ(t.substr(rest), want.back());
        want.pop_back();
    } else {
        EXPECT_EQ(rest, t.size());
    }
    EXPECT_EQ(ended, want);
    EXPECT_EQ(crAtEnd, !t.empty() && t.back() == '\r');
}

INSTANTIATE_TEST_SUITE_P(Texts, Splitter, testing::ValuesIn(kSplitCases));

}  // namespace

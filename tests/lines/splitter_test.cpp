#include <gtest/gtest.h>

#include "LineSplitter.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using Lines = std::vector<std::string>;

Lines Whole(std::string_view text) {
    Lines out;
    kavro::ForEachLine(text, [&](std::string_view l) { out.emplace_back(l); });
    return out;
}

Lines Streamed(const std::vector<std::string_view>& chunks) {
    Lines out;
    auto take = [&](std::string_view l) { out.emplace_back(l); };
    kavro::LineSplitter splitter;
    for (std::string_view chunk : chunks) splitter.Feed(chunk, take);
    splitter.Finish(take);
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

TEST_P(Splitter, ChunksCutAnywhereGiveSameLines) {
    const std::string_view t = GetParam().text;
    const size_t n = t.size() > 64 ? 0 : t.size();  // the long line gets fixed cuts below
    for (size_t i = 0; i <= n; ++i)
        for (size_t j = i; j <= n; ++j)
            ASSERT_EQ(Streamed({t.substr(0, i), t.substr(i, j - i), "", t.substr(j)}),
                      GetParam().lines)
                << "cut at " << i << " and " << j;
    for (size_t i : {size_t{1}, size_t{4999}, size_t{5000}, size_t{5001}}) {
        if (i < t.size()) {
            EXPECT_EQ(Streamed({t.substr(0, i), t.substr(i)}), GetParam().lines);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, Splitter, testing::ValuesIn(kSplitCases));

TEST(Splitter, OneByteChunks) {
    const std::string text = "s 1 _1_\r\nf 2\n\r\rr 3\r";
    std::vector<std::string_view> bytes;
    for (size_t i = 0; i < text.size(); ++i) bytes.push_back(std::string_view(text).substr(i, 1));
    EXPECT_EQ(Streamed(bytes), (Lines{"s 1 _1_", "f 2", "", "", "r 3"}));
}

// With a keep test, a line still unended at a chunk's end is dropped unless
// its first byte passes; lines ended within one chunk always come through.
TEST(Splitter, DropsUnendedLinesThatFailTheKeepTest) {
    const auto keepS = [](char first) { return first == 's'; };
    Lines out;
    auto take = [&](std::string_view l) { out.emplace_back(l); };
    kavro::LineSplitter splitter(keepS);
    for (std::string_view chunk : {"x1\nxx"sv, "xx\r"sv, "\nsa"sv, "b\ns"sv, "\0\0"sv, "t\rx"sv})
        splitter.Feed(chunk, take);
    splitter.Finish(take);
    EXPECT_EQ(out, (Lines{"x1", "sab", "s\0\0t"s}));
}

}  // namespace

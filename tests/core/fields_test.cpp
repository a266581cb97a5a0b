#include <gtest/gtest.h>

#include "TraceLine.h"

namespace {

struct FieldCase {
    const char* line;
    char kind;
    const char* time;
    const char* node;
    const char* layer;
    const char* packetId;
    const char* packetType;
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

// Lines are given lower-cased, as the table hands them to the rules.
const FieldCase kFieldCases[] = {
    {"s 76.000000000 _98_ agt  --- 1812 cbr 512", 's', "76.000000000", "98", "agt", "1812", "cbr"},
    {"s 5.000000000 _98_ agt  --- 1812 cbr 512", 's', "5.000000000", "98", "agt", "1812", "cbr"},
    {"f 100.000000000 _12_ rtr  --- 40 cbr 532", 'f', "100.000000000", "12", "rtr", "40", "cbr"},
    {"r 1234.567891234 _3_ agt  --- 9 cbr 532", 'r', "1234.567891234", "3", "agt", "9", "cbr"},
    // One underscore: no node, layer from the second character on.
    {"s 76.0 _98 agt  --- 7 x", 's', "76.0", "", " 76", "7", "x"},
    {"s 1 __ agt  --- 7 x", 's', "1", "", "agt", "7", "x"},
    // The character after the node id and the one after the dashes are not read.
    {"s 1 _1_xagt  ---x7 y", 's', "1", "1", "agt", "7", "y"},
    // No dashes: the id runs from the fourth character to the next space.
    {"s 76.0 _1_ agt 42 x", 's', "76.0", "1", "agt", "6.0", "_1_"},
    {"s 76.0 _1_ agt  --- 1812", 's', "76.0", "1", "agt", "", ""},
    {"s 1 _1_ agt  ---  7 x", 's', "1", "1", "agt", "", "7"},
    {"s 1 _1_ ag", 's', "1", "1", "ag", "", "_1_"},
    {"s 76.0", 's', "76.0", "", " 76", "", ""},
    {"s 5", 's', "5", "", " 5", "", ""},
    {"s ", 's', "", "", " ", "", ""},
    {"s", 's', "", "", "", "", ""},
    {"", '\0', "", "", "", "", ""},
};

class FieldRules : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldRules, CutsEachField) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(kavro::EventKind(c.line), c.kind);
    EXPECT_EQ(kavro::ExtractTime(c.line), c.time);
    EXPECT_EQ(kavro::ExtractNodeId(c.line), c.node);
    EXPECT_EQ(kavro::ExtractLayer(c.line), c.layer);
    EXPECT_EQ(kavro::ExtractPacketId(c.line), c.packetId);
    EXPECT_EQ(kavro::ExtractPacketType(c.line), c.packetType);
}

INSTANTIATE_TEST_SUITE_P(Lines, FieldRules, testing::ValuesIn(kFieldCases));

TEST(LowerCasing, TouchesOnlyAsciiLetters) {
    EXPECT_EQ(kavro::LowerAscii("S 5.0 _AbZ_ RTR  --- X7 \xC4\xD6[@]"),
              "s 5.0 _abz_ rtr  --- x7 \xC4\xD6[@]");
    EXPECT_EQ(kavro::EventKind("F 1"), 'f');
    EXPECT_TRUE(kavro::EqualsLower("AgT", "agt"));
    EXPECT_FALSE(kavro::EqualsLower("ag", "agt"));
    EXPECT_FALSE(kavro::EqualsLower("agt ", "agt"));
}

// Either format through the one reader, and the rule it leads to. Values
// are given lower-cased; the reader's raw views are lower-cased to compare.
struct LineCase {
    const char* line;
    const char* time;
    const char* node;
    const char* layer;
    const char* packetId;
    const char* packetType;
    kavro::Rule rule;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

using kavro::Rule;
const LineCase kLineCases[] = {
    {"s -t 2.168439904 -Hs 4 -Hd -2 -Ni 4 -Nx 120.51 -Ny 300.02 -Nz 0.00 -Ne -1.000000 -Nl AGT "
     "-Nw --- -Ma 0 -Md 0 -Ms 0 -Mt 0 -Is 4.0 -Id 18.0 -It cbr -Il 512 -If 0 -Ii 0 -Iv 32 -Pn cbr",
     "2.168439904", "4", "agt", "0", "cbr", Rule::Send},
    {"f -t 9.1 -Ni 11 -Nl RTR -It AODV -Ii 3 ", "9.1", "11", "rtr", "3", "aodv", Rule::Forward},
    // Missing tags give empty values; a tag at the end needs no space after its value.
    {"r -t 5.5 -Nl AGT -It cbr", "5.5", "", "agt", "", "cbr", Rule::Receive},
    {"r -t 5.5", "5.5", "", "", "", "", Rule::None},
    {"s -t 1 -Ni 4 -Nl AGT -Ii", "1", "4", "agt", "", "", Rule::Send},
    // Capitals in kinds, tags and values; the first of two occurrences counts.
    {"R -T 7 -NI A4 -NL Agt -II X9 -IT TCP -Ni 5", "7", "a4", "agt", "x9", "tcp", Rule::Receive},
    // A value is cut at the next space, so "agtx" is no agent layer.
    {"s -t 1 -Nl agtx -Ii 3", "1", "", "agtx", "3", "", Rule::None},
    {"s -t 1 -Nl MAC -Ii 3", "1", "", "mac", "3", "", Rule::None},
    {"f -t 1 -Nl AGT -Ii 3", "1", "", "agt", "3", "", Rule::None},
    // " -t " later than characters 2 to 5: an old-format line.
    {"s  -t 1 _2_ AGT  --- 3 cbr -Ni 4", "", "2", "agt", "3", "cbr", Rule::Send},
    {"s 1.5 _2_ RTR  --- 3 cbr -t 4 -Nl AGT", "1.5", "2", "rtr", "3", "cbr", Rule::None},
};

class LineReader : public testing::TestWithParam<LineCase> {};

TEST_P(LineReader, CutsFieldsOfEitherFormat) {
    const LineCase& c = GetParam();
    const kavro::TraceLine f = kavro::ReadTraceLine(c.line);
    EXPECT_EQ(f.kind, kavro::EventKind(c.line));
    EXPECT_EQ(kavro::LowerAscii(f.time), c.time);
    EXPECT_EQ(kavro::LowerAscii(f.node), c.node);
    EXPECT_EQ(kavro::LowerAscii(f.layer), c.layer);
    EXPECT_EQ(kavro::LowerAscii(f.packetId), c.packetId);
    EXPECT_EQ(kavro::LowerAscii(f.packetType), c.packetType);
    EXPECT_EQ(kavro::RuleFor(c.line), c.rule);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineReader, testing::ValuesIn(kLineCases));

// The tag search works through 16-byte blocks; a tag must be found wherever
// it falls against them, and never past the line's end.
TEST(NewFormatTags, FoundAtEveryOffsetAndCutAtEveryLength) {
    for (size_t pad = 0; pad < 40; ++pad) {
        const std::string line = "s -t 1" + std::string(pad, 'x') + " -x- -N -Nl AGT";
        EXPECT_EQ(kavro::newtrace::TagValue(line, "nl"), "AGT") << pad;
        EXPECT_EQ(kavro::newtrace::TagValue(line, "t"), "1" + std::string(pad, 'x')) << pad;
        const size_t valueAt = line.size() - 3;
        for (size_t cut = 0; cut < line.size(); ++cut) {
            const std::string want = cut >= valueAt ? line.substr(valueAt, cut - valueAt) : "";
            EXPECT_EQ(kavro::newtrace::TagValue(std::string_view(line.data(), cut), "nl"), want)
                << pad << " " << cut;
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "conversion/TraceLine.h"

namespace {

struct FieldCase {
    const char* line;
    const char* time;
    const char* node;
    const char* layer;
    const char* packetId;
    const char* packetType;
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

// Lines are given lower-cased, as the table hands them to the rules.
const FieldCase kFieldCases[] = {
    {"s 76.000000000 _98_ agt  --- 1812 cbr 512", "76.000000000", "98", "agt", "1812", "cbr"},
    {"s 5.000000000 _98_ agt  --- 1812 cbr 512", "5.000000000", "98", "agt", "1812", "cbr"},
    {"f 100.000000000 _12_ rtr  --- 40 cbr 532", "100.000000000", "12", "rtr", "40", "cbr"},
    {"r 1234.567891234 _3_ agt  --- 9 cbr 532", "1234.567891234", "3", "agt", "9", "cbr"},
    // One underscore: no node, layer from the second character on.
    {"s 76.0 _98 agt  --- 7 x", "76.0", "", " 76", "7", "x"},
    {"s 1 __ agt  --- 7 x", "1", "", "agt", "7", "x"},
    // The character after the node id and the one after the dashes are not read.
    {"s 1 _1_xagt  ---x7 y", "1", "1", "agt", "7", "y"},
    // No dashes: the id runs from the fourth character to the next space.
    {"s 76.0 _1_ agt 42 x", "76.0", "1", "agt", "6.0", "_1_"},
    {"s 76.0 _1_ agt  --- 1812", "76.0", "1", "agt", "", ""},
    {"s 1 _1_ agt  ---  7 x", "1", "1", "agt", "", "7"},
    {"s 1 _1_ ag", "1", "1", "ag", "", "_1_"},
    {"s 76.0", "76.0", "", " 76", "", ""},
    {"s 5", "5", "", " 5", "", ""},
    {"s ", "", "", " ", "", ""},
    {"s", "", "", "", "", ""},
    {"", "", "", "", "", ""},
};

class FieldRules : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldRules, CutsEachField) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(kavro::ExtractTime(c.line), c.time);
    EXPECT_EQ(kavro::ExtractNodeId(c.line), c.node);
    EXPECT_EQ(kavro::ExtractLayer(c.line), c.layer);
    EXPECT_EQ(kavro::ExtractPacketId(c.line), c.packetId);
    EXPECT_EQ(kavro::ExtractPacketType(c.line), c.packetType);
}

INSTANTIATE_TEST_SUITE_P(Lines, FieldRules, testing::ValuesIn(kFieldCases));

TEST(LowerCasing, TouchesOnlyAsciiLetters) {
    std::string lower = "x";
    kavro::AppendLowerAscii("S 5.0 _AbZ_ RTR  --- X7 \xC4\xD6[@]", lower);
    EXPECT_EQ(lower, "xs 5.0 _abz_ rtr  --- x7 \xC4\xD6[@]");
    EXPECT_TRUE(kavro::EqualsLower("AgT", "agt"));
    EXPECT_FALSE(kavro::EqualsLower("ag", "agt"));
    EXPECT_FALSE(kavro::EqualsLower("agt ", "agt"));
}

// Every format through the one reader, and the rule it leads to. Values
// are given lower-cased; the reader's raw views are lower-cased to compare.
struct LineCase {
    const char* line;
    const char* time;
    const char* node;
    const char* packetId;
    const char* packetType;
    kavro::Rule rule;
    kavro::Format format;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

using kavro::Format;
using kavro::Rule;
constexpr Format kOld = kavro::FormatOf<kavro::OldFormat>();
constexpr Format kNew = kavro::FormatOf<kavro::NewFormat>();
constexpr Format kTagged = kavro::FormatOf<kavro::TaggedFormat>();
const LineCase kLineCases[] = {
    {"s -t 2.168439904 -Hs 4 -Hd -2 -Ni 4 -Nx 120.51 -Ny 300.02 -Nz 0.00 -Ne -1.000000 -Nl AGT "
     "-Nw --- -Ma 0 -Md 0 -Ms 0 -Mt 0 -Is 4.0 -Id 18.0 -It cbr -Il 512 -If 0 -Ii 0 -Iv 32 -Pn cbr",
     "2.168439904", "4", "0", "cbr", Rule::Send, kNew},
    {"f -t 9.1 -Ni 11 -Nl RTR -It AODV -Ii 3 ", "9.1", "11", "3", "aodv", Rule::Forward, kNew},
    // Missing tags give empty values; a tag at the end needs no space after its value.
    {"r -t 5.5 -Nl AGT -It cbr", "5.5", "", "", "cbr", Rule::Receive, kNew},
    {"r -t 5.5", "5.5", "", "", "", Rule::None, kNew},
    {"s -t 1 -Ni 4 -Nl AGT -Ii", "1", "4", "", "", Rule::Send, kNew},
    // Capitals in kinds, tags and values; the first of two occurrences counts.
    {"R -T 7 -NI A4 -NL Agt -II X9 -IT TCP -Ni 5", "7", "a4", "x9", "tcp", Rule::Receive, kNew},
    // A value is cut at the next space, so "agtx" is no agent layer.
    {"s -t 1 -Nl agtx -Ii 3", "1", "", "3", "", Rule::None, kNew},
    {"s -t 1 -Nl MAC -Ii 3", "1", "", "3", "", Rule::None, kNew},
    {"f -t 1 -Nl AGT -Ii 3", "1", "", "3", "", Rule::None, kNew},
    {"s -t 1 -Nl RTR -Ii 3", "1", "", "3", "", Rule::RoutingSend, kNew},
    // Without its time a new-format line is still new, though a tag follows
    // its second word as in the tagged format.
    {"r -t -Ni 2 -Nl RTR -Ii 3", "-ni", "2", "3", "", Rule::Routing, kNew},
    // " -t " later than characters 2 to 5: an old-format line.
    {"s  -t 1 _2_ AGT  --- 3 cbr -Ni 4", "", "2", "3", "cbr", Rule::Send, kOld},
    {"s 1.5 _2_ RTR  --- 3 cbr -t 4 -Nl AGT", "1.5", "2", "3", "cbr", Rule::RoutingSend, kOld},
    {"D 2.0 _3_ RTR  --- 5 cbr 512 [0 0 0 0]", "2.0", "3", "5", "cbr", Rule::Drop, kOld},
    {"M 2.0 _3_ RTR  --- 5 cbr 512 [0 0 0 0]", "2.0", "3", "5", "cbr", Rule::None, kOld},
    // Tagged: + h r d, the time, then a word that begins with a dash. The
    // first -i and -p count; -IP:s and -M:s are other tags than -s.
    {"+ 2.76973077876946 -s 2 -d -1 -p cbr -k AGT -i 0 -N:loc {87.16 200.04 0.00} -N:en -1.000000 "
     "-M:s 0 -IP:s 2 -IP:sp 0 -IP:d 3 -IP:dp 0 -p tcp -e 512 -c 0 -i 9 -IP:ttl 32",
     "2.76973077876946", "2", "0", "cbr", Rule::Send, kTagged},
    {"h 2.78990842609652 -s 6 -d 3 -p cbr -k RTR -i 0 -N:loc {149.96 227.90 0.00}",
     "2.78990842609652", "6", "0", "cbr", Rule::Forward, kTagged},
    {"H 1.5 -S B2 -K Rtr -I 4 -P CBR", "1.5", "b2", "4", "cbr", Rule::Forward, kTagged},
    {"r 2.79577025338549 -s 3 -d 3 -p cbr -k AGT -i 0 -N:loc {314.26 307.86 0.00} -IP:s 2",
     "2.79577025338549", "3", "0", "cbr", Rule::Receive, kTagged},
    {"d 2.8 -s 4 -d -1 -p AODV -k RTR -i 9", "2.8", "4", "9", "aodv", Rule::Drop, kTagged},
    {"+ 2.8 -s 4 -d -1 -p AODV -k RTR -i 9", "2.8", "4", "9", "aodv", Rule::RoutingSend, kTagged},
    {"d 2.8 -s 4 -d -1 -p cbr -k MAC -i 9", "2.8", "4", "9", "cbr", Rule::Drop, kTagged},
    {"r 2.8 -s 4 -d -1 -p cbr -k RTR -i 9", "2.8", "4", "9", "cbr", Rule::Routing, kTagged},
    {"+ 1 -s 2 -k AGT -i", "1", "2", "", "", Rule::Send, kTagged},
    {"+ 1.0000000000000000000000000000000000001 -s 1 -k AGT -i 3 -p cbr",
     "1.0000000000000000000000000000000000001", "1", "3", "cbr", Rule::Send, kTagged},
    // An old-format r or D line has its node where the tagged format has a
    // tag, so it stays old; so does a line of another kind with tags.
    {"r 2.795770253 _3_ AGT  --- 0 cbr 532 [13a 3 6 800] ------- [2:0 3:0 29 3] [0] 2 0",
     "2.795770253", "3", "0", "cbr", Rule::Receive, kOld},
    {"d 2.8 _4_ RTR  --- 9 AODV 48", "2.8", "4", "9", "aodv", Rule::Drop, kOld},
    {"s 2.0 -s 3 -k AGT -i 1 -p cbr", "2.0", "", ".0", "-s", Rule::None, kOld},
    {"+ 2.0 _3_ AGT  --- 4 cbr", "2.0", "3", "4", "cbr", Rule::None, kOld},
    {"r 2.0  -s 3 -k AGT", "2.0", "", ".0", "", Rule::None, kOld},
    // MAC receives, in every format; MAC sends are nothing.
    {"r 2.11 _1_ MAC  --- 0 cbr 532 [13a 1 2 800]", "2.11", "1", "0", "cbr", Rule::MacReceive, kOld},
    {"R 2.11 _1_ Mac  --- 0 cbr 532", "2.11", "1", "0", "cbr", Rule::MacReceive, kOld},
    {"s 2.11 _1_ MAC  --- 0 cbr 590 [13a 1 2 800]", "2.11", "1", "0", "cbr", Rule::None, kOld},
    {"r -t 2.1 -Hs 1 -Ni 1 -Nl MAC -Nw --- -It cbr -Ii 0", "2.1", "1", "0", "cbr", Rule::MacReceive, kNew},
    {"r 2.1 -s 1 -d 1 -p cbr -k MAC -i 0", "2.1", "1", "0", "cbr", Rule::MacReceive, kTagged},
};

class LineReader : public testing::TestWithParam<LineCase> {};

std::string Lower(std::string_view raw) {
    std::string out;
    kavro::AppendLowerAscii(raw, out);
    return out;
}

TEST_P(LineReader, CutsFieldsOfEveryFormat) {
    const LineCase& c = GetParam();
    const kavro::LineRule rule = kavro::RuleFor(c.line);
    EXPECT_EQ(rule.rule, c.rule);
    EXPECT_EQ(rule.format, c.format);
    const kavro::TraceLine f = kavro::ReadTraceLine(c.line, rule.format);
    EXPECT_EQ(Lower(f.time), c.time);
    EXPECT_EQ(Lower(f.node), c.node);
    EXPECT_EQ(Lower(f.packetId), c.packetId);
    EXPECT_EQ(Lower(f.packetType), c.packetType);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineReader, testing::ValuesIn(kLineCases));

// ns-2's count of the links an agent line's packet crossed.
TEST(LineReader, ReadsTheForwardCountOfEveryFormat) {
    const struct {
        const char* line;
        const char* count;
    } cases[] = {
        {"r 2.1 _3_ AGT  --- 0 cbr 532 [13a 3 1 800] ------- [2:1 3:0 29 3] [0] 2 0", "2"},
        {"r 6.3 _1_ AGT  --- 0 tcp 40 [13a 1 2 800] ------- [2:0 1:0 32 1] [0 0] 1 0", "1"},
        {"r 5.2 _2_ AGT  --- 3 cbr 532 [13a 2 9 800] [energy 97.6 ei 2.3] ------- [9:1 2:0 30 2] [0] 4 0", "4"},
        {"r 5.2 _2_ AGT  --- 3 cbr 532", ""},
        {"r -t 4.49 -Hs 1 -Nl AGT -It ack -Il 40 -Pn tcp -Ps 0 -Pa 0 -Pf 3 -Po 0", "3"},
        {"r 5.28 -s 2 -p cbr -k AGT -i 3 -M:dur 13a -IP:s 9 -cbr:s 0 -cbr:f 1 -cbr:o 0", "1"},
        {"r 4.49 -s 1 -p ack -k AGT -i 1 -IP:ttl 30 -tcp:s 0 -tcp:a 0 -tcp:f 5 -tcp:o 0", "5"},
        {"r 4.49 -s 1 -p ack -k AGT -i 1 -IP:ttl 30 -:f 5 x:f 6", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kavro::ReadForwards(c.line, kavro::RuleFor(c.line).format), c.count) << c.line;
}

// A node's energy as each format reports it; ns-2 writes -1 without an
// energy model, which is no reading.
TEST(LineReader, ReadsEnergyOfEveryFormat) {
    const struct {
        const char* line;
        const char* energy;
    } cases[] = {
        {"r -t 1.0 -Hs 3 -Ni 3 -Ne 91.066577 -Nl AGT", "91.066577"},
        {"r -t 1.0 -Hs 3 -Ni 3 -Ne -1.000000 -Nl AGT", ""},
        {"r -t 1.0 -Hs 3 -Ni 3 -Ne -0.0 -Nl AGT", "-0.0"},
        {"r -t 1.0 -Hs 3 -Ni 3 -Ne 0.000000 -Nl AGT", "0.000000"},
        {"N -t 15.000536 -n 8 -e 93.249123", "93.249123"},
        {"r 5.28 -s 2 -p cbr -k AGT -i 3 -N:loc {1 2 0} -N:en 97.617802 -M:dur 13a", "97.617802"},
        {"r 5.28 -s 2 -p cbr -k AGT -i 3 -N:loc {1 2 0} -N:en -1.000000 -M:dur 13a", ""},
        {"r 5.2 _2_ AGT  --- 3 cbr 532 [13a 2 9 800] [energy 97.617802 ei 2.375] ------- [9:1 2:0 30 2]", "97.617802"},
        {"r 5.2 _2_ AGT  --- 3 cbr 532 [13a 2 9 800] ------- [9:1 2:0 30 2]", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kavro::ReadEnergy(c.line, kavro::RuleFor(c.line).format).energy, c.energy) << c.line;
}

// The tag search works through 16-byte blocks; a tag must be found wherever
// it falls against them, and never past the line's end.
TEST(NewFormatTags, FoundAtEveryOffsetAndCutAtEveryLength) {
    for (size_t pad = 0; pad < 40; ++pad) {
        const std::string line = "s -t 1" + std::string(pad, 'x') + " -x- -N -Nl AGT";
        EXPECT_EQ(kavro::detail::tags::TagValue(line, "nl"), "AGT") << pad;
        EXPECT_EQ(kavro::detail::tags::TagValue(line, "t"), "1" + std::string(pad, 'x')) << pad;
        const size_t valueAt = line.size() - 3;
        for (size_t cut = 0; cut < line.size(); ++cut) {
            const std::string want = cut >= valueAt ? line.substr(valueAt, cut - valueAt) : "";
            EXPECT_EQ(kavro::detail::tags::TagValue(std::string_view(line.data(), cut), "nl"), want)
                << pad << " " << cut;
        }
    }
}

}  // namespace

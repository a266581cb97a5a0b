#include <gtest/gtest.h>

#include "TraceFields.h"

namespace {

struct FieldCase {
    const char* line;
    char kind;
    const char* time;
    const char* node;
    const char* layer;
    const char* packetId;
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

// Lines are given lower-cased, as the table hands them to the rules.
const FieldCase kFieldCases[] = {
    {"s 76.000000000 _98_ agt  --- 1812 cbr 512", 's', "76.000000000", "98", "agt", "1812"},
    {"s 5.000000000 _98_ agt  --- 1812 cbr 512", 's', "5.000000000", "98", "agt", "1812"},
    {"f 100.000000000 _12_ rtr  --- 40 cbr 532", 'f', "100.000000000", "12", "rtr", "40"},
    {"r 1234.567891234 _3_ agt  --- 9 cbr 532", 'r', "1234.567891234", "3", "agt", "9"},
    // One underscore: no node, layer from the second character on.
    {"s 76.0 _98 agt  --- 7 x", 's', "76.0", "", " 76", "7"},
    {"s 1 __ agt  --- 7 x", 's', "1", "", "agt", "7"},
    // The character after the node id and the one after the dashes are not read.
    {"s 1 _1_xagt  ---x7 y", 's', "1", "1", "agt", "7"},
    // No dashes: the id runs from the fourth character to the next space.
    {"s 76.0 _1_ agt 42 x", 's', "76.0", "1", "agt", "6.0"},
    {"s 76.0 _1_ agt  --- 1812", 's', "76.0", "1", "agt", ""},
    {"s 1 _1_ agt  ---  7 x", 's', "1", "1", "agt", ""},
    {"s 1 _1_ ag", 's', "1", "1", "ag", ""},
    {"s 76.0", 's', "76.0", "", " 76", ""},
    {"s 5", 's', "5", "", " 5", ""},
    {"s ", 's', "", "", " ", ""},
    {"s", 's', "", "", "", ""},
    {"", '\0', "", "", "", ""},
};

class FieldRules : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldRules, CutsEachField) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(kavro::EventKind(c.line), c.kind);
    EXPECT_EQ(kavro::ExtractTime(c.line), c.time);
    EXPECT_EQ(kavro::ExtractNodeId(c.line), c.node);
    EXPECT_EQ(kavro::ExtractLayer(c.line), c.layer);
    EXPECT_EQ(kavro::ExtractPacketId(c.line), c.packetId);
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

}  // namespace

#include <gtest/gtest.h>

#include <random>

#include "tests/core/Convert.h"
#include "conversion/TraceTableBuilder.h"

namespace {

using kavro::ArrTrace;
using kt::Line;

kavro::RuleLine Ruled(const std::string& line) { return {line, kavro::RuleFor(line)}; }

int PlainFind(const ArrTrace& table, const std::string& id) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].PacketId == id) return static_cast<int>(i);
    return -1;
}

struct TableCase {
    const char* name;
    std::vector<std::string> lines;
    ArrTrace want;
};
void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

const TableCase kTableCases[] = {
    {"OtherLayersAndKindsIgnored",
     {Line('s', "1.0", "1", "AGT", "7"), Line('r', "2.0", "5", "MAC", "7"),
      Line('f', "2.0", "2", "MAC", "7"), Line('r', "2.0", "5", "IFQ", "7"),
      Line('s', "2.0", "2", "RTR", "7"), Line('r', "2.0", "2", "RTR", "7"),
      Line('f', "2.0", "3", "AGT", "7"), Line('D', "2.0", "5", "AGT", "7"),
      Line('d', "2.0", "3", "RTR", "7"), Line('s', "2.0", "4", "MAC", "8"), "", "s"},
     {{"1.0", "1", "7", "", "", {}, "cbr"}}},
    {"ReceiveBeforeSendIgnored",
     {Line('r', "1.0", "5", "AGT", "7"), Line('s', "2.0", "1", "AGT", "7")},
     {{"2.0", "1", "7", "", "", {}, "cbr"}}},
    {"LaterReceiveWins",
     {Line('s', "1.0", "1", "AGT", "7"), Line('r', "2.0", "5", "AGT", "7"),
      Line('r', "3.0", "6", "AGT", "7")},
     {{"1.0", "1", "7", "3.0", "6", {}, "cbr"}}},
    {"IdComparedAsText",
     {Line('s', "1.0", "1", "AGT", "7"), Line('r', "2.0", "5", "AGT", "07"),
      Line('f', "2.0", "2", "RTR", "7.0")},
     {{"1.0", "1", "7", "", "", {}, "cbr"}}},
    {"CapitalsLowerCased",
     {Line('S', "1.0", "A1", "AGT", "X7"), Line('F', "2.0", "B2", "RTR", "x7"),
      Line('R', "3.0", "C3", "AGT", "X7")},
     {{"1.0", "a1", "x7", "3.0", "c3", {{"b2", "2.0"}}, "cbr"}}},
    {"RepeatedForwarderListedOnceAtFirstPlace",
     {Line('s', "1.0", "1", "AGT", "7"), Line('f', "2.0", "2", "RTR", "7"),
      Line('f', "3.0", "3", "RTR", "7"), Line('f', "4.0", "2", "RTR", "7")},
     {{"1.0", "1", "7", "", "", {{"2", "2.0"}, {"3", "3.0"}}, "cbr"}}},
    {"ForwardFromSourceOrFromReceiverAfterReceiveDropped",
     {Line('s', "1.0", "1", "AGT", "7"), Line('f', "2.0", "1", "RTR", "7"),
      Line('r', "3.0", "5", "AGT", "7"), Line('f', "4.0", "5", "RTR", "7")},
     {{"1.0", "1", "7", "3.0", "5", {}, "cbr"}}},
    {"ForwardFromReceiverBeforeReceiveKept",
     {Line('s', "1.0", "1", "AGT", "7"), Line('f', "2.0", "5", "RTR", "7"),
      Line('r', "3.0", "5", "AGT", "7")},
     {{"1.0", "1", "7", "3.0", "5", {{"5", "2.0"}}, "cbr"}}},
    // An empty node id equals the empty DstNode until a receive sets it.
    {"EmptyNodeDroppedWhileUnreceived",
     {Line('s', "1.0", "1", "AGT", "7"), Line('f', "2.0", "", "RTR", "7"),
      Line('r', "3.0", "5", "AGT", "7"), Line('f', "4.0", "", "RTR", "7")},
     {{"1.0", "1", "7", "3.0", "5", {{"", "4.0"}}, "cbr"}}},
    {"RepeatedSendOnlyFirstCollects",
     {Line('s', "1.0", "1", "AGT", "7"), Line('s', "1.5", "2", "AGT", "7"),
      Line('f', "2.0", "3", "RTR", "7"), Line('r', "3.0", "5", "AGT", "7")},
     {{"1.0", "1", "7", "3.0", "5", {{"3", "2.0"}}, "cbr"}, {"1.5", "2", "7", "", "", {}, "cbr"}}},
    // AODV traces its route replies under the ids of application packets.
    {"OtherPacketTypeWithSameIdIgnored",
     {Line('s', "1.0", "1", "AGT", "0"), Line('f', "1.1", "3", "RTR", "0", "AODV"),
      Line('f', "1.2", "2", "RTR", "0"), Line('r', "1.3", "4", "AGT", "0", "ack"),
      Line('r', "1.4", "5", "AGT", "0")},
     {{"1.0", "1", "0", "1.4", "5", {{"2", "1.2"}}, "cbr"}}},
    {"TypeComparedLowerCased",
     {Line('s', "1.0", "1", "AGT", "7", "CBR"), Line('f', "1.1", "2", "RTR", "7", "Cbr"),
      Line('r', "1.2", "5", "AGT", "7")},
     {{"1.0", "1", "7", "1.2", "5", {{"2", "1.1"}}, "cbr"}}},
    {"NoFallbackToLaterRecordOfOtherType",
     {Line('s', "1.0", "1", "AGT", "7"), Line('s', "1.1", "2", "AGT", "7", "tcp"),
      Line('f', "1.2", "3", "RTR", "7", "tcp"), Line('r', "1.3", "5", "AGT", "7", "tcp")},
     {{"1.0", "1", "7", "", "", {}, "cbr"}, {"1.1", "2", "7", "", "", {}, "tcp"}}},
    // Nothing after the space that ends the id: the type is empty.
    {"EmptyTypeMatchesOnlyEmpty",
     {"s 1.0 _1_ AGT  --- 7 ", Line('r', "1.1", "5", "AGT", "7"), "r 1.2 _6_ AGT  --- 7 "},
     {{"1.0", "1", "7", "1.2", "6", {}, ""}}},
    {"EmptyInput", {}, {}},
    // Without routing-layer lines: a MAC receive is a hop, by the forward
    // rule's conditions, but for the one at the receiver.
    {"MacReceivesAreTheHopsWithoutRoutingLines",
     {Line('s', "1.0", "1", "AGT", "7"), Line('r', "1.1", "1", "MAC", "7"),
      Line('r', "1.2", "2", "MAC", "7"), Line('r', "1.3", "3", "MAC", "7", "AODV"),
      Line('r', "1.4", "3", "MAC", "7"), Line('r', "1.5", "2", "MAC", "7"),
      Line('r', "1.6", "5", "MAC", "7"), Line('r', "1.7", "5", "AGT", "7"),
      Line('r', "1.8", "5", "MAC", "7"), Line('s', "2.0", "4", "AGT", "8"), Line('r', "2.1", "6", "MAC", "8")},
     {{"1.0", "1", "7", "1.7", "5", {{"2", "1.2"}, {"3", "1.4"}}, "cbr"},
      {"2.0", "4", "8", "", "", {{"6", "2.1"}}, "cbr"}}},
    // One routing-layer line anywhere, here a routing packet's send at the
    // end, and the hops are the forwards' alone.
    {"AnyRoutingLineLeavesMacReceivesOut",
     {Line('s', "1.0", "1", "AGT", "7"), Line('r', "1.2", "2", "MAC", "7"),
      Line('r', "1.3", "3", "MAC", "7"), Line('f', "1.4", "3", "RTR", "7"),
      Line('r', "1.6", "5", "MAC", "7"), Line('r', "1.7", "5", "AGT", "7"),
      Line('s', "9.0", "4", "RTR", "99", "AODV")},
     {{"1.0", "1", "7", "1.7", "5", {{"3", "1.4"}}, "cbr"}}},
};

class TableRules : public testing::TestWithParam<TableCase> {};

TEST_P(TableRules, BuildsExpectedRecords) {
    EXPECT_EQ(kt::TableOf(GetParam().lines), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(Lines, TableRules, testing::ValuesIn(kTableCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Receives find the first record of their id, however the ids repeat.
TEST(TableIndex, ReceivesFindTheFirstRecordOfTheirId) {
    std::mt19937 rng(20240607);
    for (int range : {3, 40, 2000}) {
        kavro::TraceTableBuilder builder;
        std::uniform_int_distribution<int> pick(0, range);
        for (int n = 0; n < 3000; ++n)
            builder.BuildTraceTable(Ruled(Line('s', "1.0", "1", "AGT", std::to_string(pick(rng)))));
        for (int id = 0; id <= range + 1; ++id)
            builder.BuildTraceTable(Ruled(Line('r', "2.0", "n" + std::to_string(id), "AGT", std::to_string(id))));
        const ArrTrace& table = builder.Table();
        for (size_t i = 0; i < table.size(); ++i) {
            const bool first = PlainFind(table, table[i].PacketId) == static_cast<int>(i);
            ASSERT_EQ(table[i].DstNode, first ? "n" + table[i].PacketId : "") << "record " << i;
        }
    }
}

}  // namespace

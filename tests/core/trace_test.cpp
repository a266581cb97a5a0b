#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "Convert.h"
#include "LineSplitter.h"

namespace {

using Lines = std::vector<std::string>;

// A 40 s DSR run with 10 nodes, converted the way the window does it.
class DsrTrace : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ifstream in(KAVRO_TEST_DATA "/dsr-10n-40s.tr", std::ios::binary);
        ASSERT_TRUE(in) << "missing test trace";
        std::stringstream text;
        text << in.rdbuf();
        kavro::TraceTableBuilder builder;
        kavro::ForEachLine(text.str(), [&](std::string_view l) { builder.BuildTraceTable(l); });
        table_ = builder.TakeTable();
        events_ = kt::Events(table_);
        for (const std::string& line : events_) {
            const size_t end = line.rfind(" energy 5000");
            const size_t start = line.rfind(' ', end - 1) + 1;
            byPacket_[line.substr(start, end - start)].push_back(line);
        }
    }
    static kavro::ArrTrace table_;
    static Lines events_;
    static std::map<std::string, Lines> byPacket_;
};
kavro::ArrTrace DsrTrace::table_;
Lines DsrTrace::events_;
std::map<std::string, Lines> DsrTrace::byPacket_;

// grep counts: 590 agent sends, 231 agent receives; of the received packets
// 118 went direct, 110 through one relay and 3 through two.
TEST_F(DsrTrace, CountsMatchTheTrace) {
    EXPECT_EQ(table_.size(), 590u);
    EXPECT_EQ(byPacket_.size(), 231u);
    EXPECT_EQ(events_.size(), 118u * 2 + 110u * 4 + 3u * 6);
}

TEST_F(DsrTrace, DirectPacket) {
    EXPECT_EQ(byPacket_["277"],
              (Lines{"0 10.637039139 sending to 4 orginator 277 energy 5000",
                     "4 10.661522515 received from 0 destination 277 energy 5000"}));
}

TEST_F(DsrTrace, OneRelay) {
    EXPECT_EQ(byPacket_["1272"],
              (Lines{"4 12.722134735 sending to 3 orginator 1272 energy 5000",
                     "3 12.728233024 received from 4 forwarding 1272 energy 5000",
                     "3 12.728233024 sending to 7 forwarding 1272 energy 5000",
                     "7 12.734435489 received from 3 destination 1272 energy 5000"}));
}

TEST_F(DsrTrace, TwoRelays) {
    EXPECT_EQ(byPacket_["1078"],
              (Lines{"4 12.472134735 sending to 3 orginator 1078 energy 5000",
                     "3 12.478025019 received from 4 forwarding 1078 energy 5000",
                     "3 12.478025019 sending to 6 forwarding 1078 energy 5000",
                     "6 12.484479066 received from 3 forwarding 1078 energy 5000",
                     "6 12.484479066 sending to 7 forwarding 1078 energy 5000",
                     "7 12.490513256 received from 6 destination 1078 energy 5000"}));
}

// Packet 0 was sent but never received; 832 is a route reply that only the
// routing layer forwarded.
TEST_F(DsrTrace, LostAndRoutingPacketsWriteNothing) {
    EXPECT_EQ(byPacket_.count("0"), 0u);
    EXPECT_EQ(byPacket_.count("832"), 0u);
    EXPECT_EQ(kavro::FindTrace("832", table_), -1);
}

}  // namespace

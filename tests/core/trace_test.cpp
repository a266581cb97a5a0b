#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "tests/core/Convert.h"
#include "tests/core/Reference.h"

namespace {

using Lines = std::vector<std::string>;

std::string ReadTrace(const std::string& name) {
    std::ifstream in(KAVRO_TEST_DATA "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "missing test trace " << name;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A real ns-2 trace cut into uneven pieces through the converter, with its
// event lines grouped by packet id.
struct Converted {
    kavro::ArrTrace table;
    Lines events;
    std::string bytes;
    std::map<std::string, Lines> byPacket;
};

const Converted& ConvertTrace(const std::string& name) {
    static std::map<std::string, Converted> done;
    auto found = done.find(name);
    if (found != done.end()) return found->second;
    const std::string text = ReadTrace(name);
    kavro::TraceConverter conversion;
    for (size_t pos = 0, len = 1; pos < text.size(); pos += len, len = len * 7 % 65521 + 1) {
        conversion.AddPiece(std::string_view(text).substr(pos, len));
    }
    conversion.End();
    Converted& c = done[name];
    c.table = conversion.Table();
    c.events = kt::Events(c.table);
    c.bytes = kt::FileOf(conversion);
    for (const std::string& line : c.events) {
        const size_t end = line.rfind(" energy 5000");
        const size_t start = line.rfind(' ', end - 1) + 1;
        c.byPacket[line.substr(start, end - start)].push_back(line);
    }
    return c;
}

// A 40 s DSR run with 10 nodes.
class DsrTrace : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const Converted& c = ConvertTrace("dsr-10n-40s.tr");
        table_ = c.table;
        events_ = c.events;
        byPacket_ = c.byPacket;
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
    for (const kavro::RecNsTrace& rec : table_) EXPECT_NE(rec.PacketId, "832");
}

// AODV sends its route replies under packet id 0 too. Packet 0 itself went
// 4 -> 11 -> 5 -> 12 -> 18; its forward lines are the cbr ones.
TEST(AodvTrace, RouteRepliesDoNotJoinApplicationPacketWithTheirId) {
    EXPECT_EQ(ConvertTrace("aodv-20n-4s.tr").byPacket.at("0"),
              (Lines{"4 2.168439904 sending to 11 orginator 0 energy 5000",
                     "11 2.213836272 received from 4 forwarding 0 energy 5000",
                     "11 2.213836272 sending to 5 forwarding 0 energy 5000",
                     "5 2.219658715 received from 11 forwarding 0 energy 5000",
                     "5 2.219658715 sending to 12 forwarding 0 energy 5000",
                     "12 2.226020577 received from 5 forwarding 0 energy 5000",
                     "12 2.226020577 sending to 18 forwarding 0 energy 5000",
                     "18 2.231842261 received from 12 destination 0 energy 5000"}));
}

// One ns-2 run written in the old and in the new trace format.
TEST(TraceFormats, OneRunInBothFormatsGivesTheSameBytes) {
    const Converted& old = ConvertTrace("aodv-10n-40s-b.tr");
    const Converted& neu = ConvertTrace("aodv-10n-40s-b-new.tr");
    EXPECT_GT(old.events.size(), 1000u);
    EXPECT_EQ(old.table.size(), neu.table.size());
    EXPECT_TRUE(old.bytes == neu.bytes);
}

// The same run written by ns-2 in the old and in the tagged format: the
// same lines in the same order, with times that differ only in the digits
// the old format rounds away.
TEST(TraceFormats, TaggedTraceGivesTheOldFormatsLinesUpToTheTimesLastDigits) {
    const Lines& old = ConvertTrace("aodv-10n-40s-c.tr").events;
    const Lines& tagged = ConvertTrace("aodv-10n-40s-c-tagged.tr").events;
    ASSERT_GT(old.size(), 1000u);
    ASSERT_EQ(old.size(), tagged.size());
    const auto split = [](const std::string& line) {
        std::istringstream in(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        return words;
    };
    for (size_t i = 0; i < old.size(); ++i) {
        std::vector<std::string> a = split(old[i]), b = split(tagged[i]);
        ASSERT_EQ(a.size(), b.size()) << old[i] << " | " << tagged[i];
        EXPECT_NEAR(std::stod(a[1]), std::stod(b[1]), 1e-9) << old[i] << " | " << tagged[i];
        a[1] = b[1];
        EXPECT_EQ(a, b) << old[i] << " | " << tagged[i];
    }
}

// Every real trace converts as the plain reference converts it.
TEST(TraceFormats, RealTracesConvertAsTheReference) {
    for (const char* name : {"dsr-10n-40s.tr", "aodv-10n-40s-b-new.tr", "dsr-tcp-6n-15s.tr",
                             "aodv-10n-40s-c-tagged.tr", "aodv-20n-4s.tr"}) {
        const ref::Result want = ref::Convert(ReadTrace(name));
        EXPECT_TRUE(ConvertTrace(name).bytes == ref::EventFile(want.table)) << name;
        EXPECT_EQ(ConvertTrace(name).table.size(), want.table.size()) << name;
    }
}

// TCP data and its acks are both application packets; read off the trace.
TEST(TcpTrace, DataAndAcksBothConvert) {
    const Converted& c = ConvertTrace("dsr-tcp-6n-15s.tr");
    EXPECT_EQ(c.table.size(), 957u + 924u);  // agent sends of tcp and ack
    EXPECT_EQ(c.byPacket.at("0"), (Lines{"2 6.340212799 sending to 1 orginator 0 energy 5000",
                                         "1 6.360375892 received from 2 destination 0 energy 5000"}));
    EXPECT_EQ(c.byPacket.at("3"), (Lines{"1 6.360375892 sending to 2 orginator 3 energy 5000",
                                         "2 6.362630327 received from 1 destination 3 energy 5000"}));
    EXPECT_EQ(c.byPacket.at("141"),
              (Lines{"3 6.866459437 sending to 2 orginator 141 energy 5000",
                     "2 9.180489889 received from 3 forwarding 141 energy 5000",
                     "2 9.180489889 sending to 0 forwarding 141 energy 5000",
                     "0 9.219127145 received from 2 destination 141 energy 5000"}));
    EXPECT_EQ(c.byPacket.at("766"),
              (Lines{"0 9.219127145 sending to 2 orginator 766 energy 5000",
                     "2 9.242222321 received from 0 forwarding 766 energy 5000",
                     "2 9.242222321 sending to 3 forwarding 766 energy 5000",
                     "3 9.253841745 received from 2 destination 766 energy 5000"}));
}

}  // namespace

#include <gtest/gtest.h>

#include "tests/core/Convert.h"

namespace {

using kt::Events;
using Lines = std::vector<std::string>;

kavro::RecNsTrace Packet1812(kavro::ArrFwd hops) {
    return {"76.000000000", "98", "1812", "76.012345678", "0", std::move(hops), "cbr"};
}

TEST(Writer, NoHopIsOneDirectLink) {
    EXPECT_EQ(Events({Packet1812({})}),
              (Lines{"98 76.000000000 sending to 0 orginator 1812 energy 5000",
                     "0 76.012345678 received from 98 destination 1812 energy 5000"}));
}

TEST(Writer, OneHopRelaysThroughIt) {
    EXPECT_EQ(Events({Packet1812({{"5", "76.004000000"}})}),
              (Lines{"98 76.000000000 sending to 5 orginator 1812 energy 5000",
                     "5 76.004000000 received from 98 forwarding 1812 energy 5000",
                     "5 76.004000000 sending to 0 forwarding 1812 energy 5000",
                     "0 76.012345678 received from 5 destination 1812 energy 5000"}));
}

TEST(Writer, TwoHopsInRecordedOrder) {
    EXPECT_EQ(Events({Packet1812({{"6", "76.008000000"}, {"5", "76.004000000"}})}),
              (Lines{"98 76.000000000 sending to 6 orginator 1812 energy 5000",
                     "6 76.008000000 received from 98 forwarding 1812 energy 5000",
                     "6 76.008000000 sending to 5 forwarding 1812 energy 5000",
                     "5 76.004000000 received from 6 forwarding 1812 energy 5000",
                     "5 76.004000000 sending to 0 forwarding 1812 energy 5000",
                     "0 76.012345678 received from 5 destination 1812 energy 5000"}));
}

TEST(Writer, UndeliveredPacketsWriteNothingAndOrderIsTableOrder) {
    kavro::RecNsTrace lost = Packet1812({{"5", "76.1"}, {"6", "76.2"}});
    lost.RecvTime.clear();
    EXPECT_TRUE(Events({}).empty());
    EXPECT_TRUE(Events({lost}).empty());

    kavro::RecNsTrace other{"1.0", "3", "9", "2.0", "4", {}, "cbr"};
    const Lines got = Events({other, lost, Packet1812({})});
    EXPECT_EQ(got, (Lines{"3 1.0 sending to 4 orginator 9 energy 5000",
                          "4 2.0 received from 3 destination 9 energy 5000",
                          "98 76.000000000 sending to 0 orginator 1812 energy 5000",
                          "0 76.012345678 received from 98 destination 1812 energy 5000"}));
}

TEST(Writer, WorkedExampleWithThreeRelays) {
    const Lines in = {
        "s 100.000000000 _1_ AGT  --- 7 cbr 512 [0 0 0 0] ------- [1:0 5:0 32 0] [0] 0 0",
        "f 100.001000000 _2_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 31 5] [0] 0 0",
        "f 100.002000000 _3_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 30 5] [0] 0 0",
        "f 100.003000000 _4_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 29 5] [0] 0 0",
        "r 100.004000000 _5_ AGT  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 29 5] [0] 0 0"};
    EXPECT_EQ(kt::Convert(in),
              (Lines{"1 100.000000000 sending to 2 orginator 7 energy 5000",
                     "2 100.001000000 received from 1 forwarding 7 energy 5000",
                     "2 100.001000000 sending to 3 forwarding 7 energy 5000",
                     "3 100.002000000 received from 2 forwarding 7 energy 5000",
                     "3 100.002000000 sending to 4 forwarding 7 energy 5000",
                     "4 100.003000000 received from 3 forwarding 7 energy 5000",
                     "4 100.003000000 sending to 5 forwarding 7 energy 5000",
                     "5 100.004000000 received from 4 destination 7 energy 5000"}));
}

// Packet 2 of an AODV run with 20 nodes: 4 -> 11 -> 5 -> 12 -> 18, with the
// routing layer's own receives and sends around each forward.
TEST(Writer, RealAodvPacketUnderTenSeconds) {
    const Lines in = {
        "s 2.668439904 _4_ AGT  --- 2 cbr 512 [0 0 0 0] ------- [4:1 18:1 32 0] [2] 0 0",
        "r 2.668439904 _4_ RTR  --- 2 cbr 512 [0 0 0 0] ------- [4:1 18:1 32 0] [2] 0 0",
        "s 2.668439904 _4_ RTR  --- 2 cbr 532 [0 0 0 0] ------- [4:1 18:1 30 11] [2] 0 0",
        "r 2.674516733 _11_ RTR  --- 2 cbr 532 [13a b 4 800] ------- [4:1 18:1 30 11] [2] 1 0",
        "f 2.674516733 _11_ RTR  --- 2 cbr 532 [13a b 4 800] ------- [4:1 18:1 29 5] [2] 1 0",
        "r 2.680499158 _5_ RTR  --- 2 cbr 532 [13a 5 b 800] ------- [4:1 18:1 29 5] [2] 2 0",
        "f 2.680499158 _5_ RTR  --- 2 cbr 532 [13a 5 b 800] ------- [4:1 18:1 28 12] [2] 2 0",
        "r 2.686421040 _12_ RTR  --- 2 cbr 532 [13a c 5 800] ------- [4:1 18:1 28 12] [2] 3 0",
        "f 2.686421040 _12_ RTR  --- 2 cbr 532 [13a c 5 800] ------- [4:1 18:1 27 18] [2] 3 0",
        "r 2.692582672 _18_ AGT  --- 2 cbr 532 [13a 12 c 800] ------- [4:1 18:1 27 18] [2] 4 0"};
    EXPECT_EQ(kt::Convert(in),
              (Lines{"4 2.668439904 sending to 11 orginator 2 energy 5000",
                     "11 2.674516733 received from 4 forwarding 2 energy 5000",
                     "11 2.674516733 sending to 5 forwarding 2 energy 5000",
                     "5 2.680499158 received from 11 forwarding 2 energy 5000",
                     "5 2.680499158 sending to 12 forwarding 2 energy 5000",
                     "12 2.686421040 received from 5 forwarding 2 energy 5000",
                     "12 2.686421040 sending to 18 forwarding 2 energy 5000",
                     "18 2.692582672 received from 12 destination 2 energy 5000"}));
}

}  // namespace

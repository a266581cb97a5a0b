#include <gtest/gtest.h>
#include "EventWriter.h"
TEST(Smoke, WorkedExample) {
    std::vector<std::string> in = {
        "s 100.000000000 _1_ AGT  --- 7 cbr 512 [0 0 0 0] ------- [1:0 5:0 32 0] [0] 0 0",
        "f 100.001000000 _2_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 31 5] [0] 0 0",
        "f 100.002000000 _3_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 30 5] [0] 0 0",
        "f 100.003000000 _4_ RTR  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 29 5] [0] 0 0",
        "r 100.004000000 _5_ AGT  --- 7 cbr 532 [0 0 0 0] ------- [1:0 5:0 29 5] [0] 0 0"};
    std::vector<std::string> out;
    kavro::WriteEvents(kavro::BuildTraceTable(in), [&](std::string_view l) { out.emplace_back(l); });
    std::vector<std::string> want = {
        "1 100.000000000 sending to 2 orginator 7 energy 5000",
        "2 100.001000000 received from 1 forwarding 7 energy 5000",
        "2 100.001000000 sending to 3 forwarding 7 energy 5000",
        "3 100.002000000 received from 2 forwarding 7 energy 5000",
        "3 100.002000000 sending to 4 forwarding 7 energy 5000",
        "4 100.003000000 received from 3 forwarding 7 energy 5000",
        "4 100.003000000 sending to 5 forwarding 7 energy 5000",
        "5 100.004000000 received from 4 destination 7 energy 5000"};
    EXPECT_EQ(out, want);
}

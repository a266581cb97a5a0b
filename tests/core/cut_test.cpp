// A trace cut into pieces anywhere, each piece read on its own and handed
// over in order, converts as the plain reference converts the whole text.
#include <gtest/gtest.h>

#include "tests/core/Convert.h"
#include "tests/core/Reference.h"

namespace {

using namespace std::string_literals;

struct Cut {
    std::string file;
    size_t agentLines;
    size_t routingLines;
};

Cut ByPieces(std::string_view text, const std::vector<size_t>& cuts) {
    kavro::TraceConverter c;
    size_t at = 0;
    for (size_t cut : cuts) {
        c.AddPiece(text.substr(at, cut - at));
        at = cut;
    }
    c.AddPiece(text.substr(at));
    c.End();
    return {kt::FileOf(c), c.AgentLines(), c.RoutingLines()};
}

TEST(TracePieces, CutAnywhereGiveTheReferencesFile) {
    const std::string send = kt::Line('s', "1.0", "1", "AGT", "7");
    const std::string fwd = kt::Line('f', "1.1", "2", "RTR", "7");
    const std::string recv = kt::Line('r', "1.2", "3", "AGT", "7");
    const std::string tagged = "h 1.15 -s 4 -d 3 -p cbr -k RTR -i 7 -N:loc {1 2 0} -IP:s 1";
    const std::string mac = kt::Line('r', "1.1", "2", "MAC", "7");
    const std::string macAtReceiver = kt::Line('r', "1.15", "3", "MAC", "7");
    const std::string texts[] = {
        send + "\n" + mac + "\n" + macAtReceiver + "\n" + recv + "\n",
        send + "\n" + mac + "\n" + recv + "\n" + kt::Line('r', "1.3", "4", "RTR", "7", "AODV") + "\n",
        send + "\n" + fwd + "\r\n" + recv,
        send + "\r" + "x junk\n\r" + fwd + "\n" + tagged + "\r" + recv + "\r\n",
        "\0\0"s + send + "\n" + send + "\n" + kt::Line('D', "1.1", "2", "RTR", "7") + "\n" + recv + "\n",
    };
    for (const std::string& text : texts) {
        const ref::Result want = ref::Convert(text);
        const std::string file = ref::EventFile(want.table);
        ASSERT_FALSE(file.empty());
        for (size_t i = 0; i <= text.size(); ++i)
            for (size_t j = i; j <= text.size(); j += 5) {
                const Cut got = ByPieces(text, {i, j});
                ASSERT_EQ(got.file, file) << "cut at " << i << " and " << j;
                ASSERT_EQ(got.agentLines, want.agentLines);
                ASSERT_EQ(got.routingLines, want.routingLines);
            }
    }
}

TEST(TracePieces, OneBytePieces) {
    const std::string text = kt::Line('s', "1.0", "1", "AGT", "7") + "\r\n\r\r" +
                             kt::Line('r', "1.2", "3", "AGT", "7") + "\r";
    std::vector<size_t> cuts;
    for (size_t i = 1; i < text.size(); ++i) cuts.push_back(i);
    EXPECT_EQ(ByPieces(text, cuts).file, ref::EventFile(ref::Convert(text).table));
}

// A line that may be read is held until its end, but not past 1 MiB; one
// that no rule can read is never held, however long.
TEST(TracePieces, OnlyLinesThatMayBeReadAreHeldAndNotPastTheBound) {
    const std::string huge(kavro::kMaxLineBytes, 'x');
    EXPECT_NO_THROW(ByPieces("x" + huge + huge + "\n", {10, kavro::kMaxLineBytes + 10}));
    EXPECT_THROW(ByPieces("s " + huge + "\n", {10}), kavro::TraceError);
    const std::string justFits = "s " + std::string(kavro::kMaxLineBytes - 2, 'x');
    EXPECT_NO_THROW(ByPieces(justFits + "\n", {10}));
}

}  // namespace

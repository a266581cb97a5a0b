// Pieces cut on their own and put together in order must give the table
// that the stream of the same bytes gives.
#include <gtest/gtest.h>

#include "Convert.h"
#include "TraceConverter.h"
#include "TracePiece.h"

namespace {

using namespace std::string_literals;

std::string ByStream(std::string_view text) {
    kavro::TraceConverter c;
    c.AddBytes(text);
    c.EndBytes();
    std::string out;
    c.WriteEventBytes([&](std::string_view b) { out.append(b); });
    return out;
}

std::string ByPieces(std::string_view text, const std::vector<size_t>& cuts) {
    kavro::TraceConverter c;
    kavro::TracePiece piece;
    size_t at = 0;
    for (size_t cut : cuts) {
        kavro::CutPiece(text.substr(at, cut - at), piece);
        c.AddPiece(piece);
        at = cut;
    }
    kavro::CutPiece(text.substr(at), piece);
    c.AddPiece(piece);
    c.EndPieces();
    std::string out;
    c.WriteEventBytes([&](std::string_view b) { out.append(b); });
    return out;
}

TEST(TracePieces, CutAnywhereGiveTheStreamsTable) {
    const std::string send = kt::Line('s', "1.0", "1", "AGT", "7");
    const std::string fwd = kt::Line('f', "1.1", "2", "RTR", "7");
    const std::string recv = kt::Line('r', "1.2", "3", "AGT", "7");
    const std::string texts[] = {
        send + "\n" + fwd + "\r\n" + recv,
        send + "\r" + "x junk\n\r" + fwd + "\n" + recv + "\r\n",
        "\0\0"s + send + "\n" + send + "\n" + recv + "\n",
    };
    for (const std::string& text : texts) {
        const std::string want = ByStream(text);
        ASSERT_FALSE(want.empty());
        for (size_t i = 0; i <= text.size(); ++i)
            for (size_t j = i; j <= text.size(); j += 5)
                ASSERT_EQ(ByPieces(text, {i, j}), want) << "cut at " << i << " and " << j;
    }
}

}  // namespace

#include "conversion/EventWriter.h"

#include <cstring>
#include <string>
#include <vector>

namespace kavro {

namespace {

struct Stop {
    const std::string& node;
    const std::string& time;
};

// An event line is these pieces, back to back.
using Pieces = std::string_view[8];

// Hands the pieces of every event line to `line`, in order; the one place
// that knows what the lines say.
template <class OnLine>
void ForEachEvent(const ArrTrace& table, OnLine&& line) {
    for (const RecNsTrace& rec : table) {
        if (rec.RecvTime.empty()) continue;
        const size_t links = PathLinks(rec);
        auto stop = [&](size_t k) -> Stop {
            if (k == 0) return {rec.SrcNode, rec.SendTime};
            if (k == links) return {rec.DstNode, rec.RecvTime};
            return {rec.Hops[k - 1].Node, rec.Hops[k - 1].Time};
        };
        // " orginator " is spelt so on purpose: iNSpect files carry it.
        for (size_t k = 0; k < links; ++k) {
            const Stop from = stop(k);
            const Stop to = stop(k + 1);
            const Pieces sending = {from.node, " ", from.time, " sending to ", to.node,
                                    k == 0 ? " orginator " : " forwarding ", rec.PacketId,
                                    " energy 5000"};
            line(sending);
            const Pieces receiving = {to.node, " ", to.time, " received from ", from.node,
                                      k + 1 == links ? " destination " : " forwarding ",
                                      rec.PacketId, " energy 5000"};
            line(receiving);
        }
    }
}

}  // namespace

void WriteEvents(const ArrTrace& table, const BlockFn& write) {
    // Big enough to keep the receiver's calls few, small enough to stay in cache.
    constexpr size_t kBlockBytes = size_t{1} << 18;
    constexpr size_t kBlockLines = 4096;
    std::string bytes;
    std::vector<size_t> ends;
    bytes.reserve(kBlockBytes + 4096);
    ends.reserve(kBlockLines);
    const auto flush = [&] {
        write(EventBlock{bytes, ends.data(), ends.size()});
        bytes.clear();
        ends.clear();
    };
    ForEachEvent(table, [&](const Pieces& pieces) {
        // One size check and plain copies: a large trace gives millions of lines.
        size_t size = 0;
        for (std::string_view p : pieces) size += p.size();
        const size_t at = bytes.size();
        bytes.resize(at + size + kEventLineEnd.size());
        char* out = bytes.data() + at;
        for (std::string_view p : pieces) {
            std::memcpy(out, p.data(), p.size());
            out += p.size();
        }
        std::memcpy(out, kEventLineEnd.data(), kEventLineEnd.size());
        ends.push_back(at + size);
        if (bytes.size() >= kBlockBytes || ends.size() == kBlockLines) flush();
    });
    if (!ends.empty()) flush();
}

EventSize MeasureEvents(const ArrTrace& table) {
    EventSize size;
    ForEachEvent(table, [&](const Pieces& pieces) {
        ++size.lines;
        for (std::string_view p : pieces) size.bytes += p.size();
    });
    return size;
}

}  // namespace kavro

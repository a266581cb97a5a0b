#include "EventWriter.h"

#include <cstring>

namespace kavro {

namespace {

struct Stop {
    const std::string& node;
    const std::string& time;
};

void Emit(std::string& buf, const EmitFn& emit, const Stop& at, std::string_view action,
          const std::string& peer, std::string_view role, const std::string& packetId) {
    // One size check and plain copies: a large trace gives millions of lines.
    const std::string_view pieces[] = {at.node, " ",       at.time,  action,
                                       peer,    role,      packetId, " energy 5000"};
    size_t size = 0;
    for (std::string_view p : pieces) size += p.size();
    if (buf.size() < size) buf.resize(size);
    char* out = buf.data();
    for (std::string_view p : pieces) {
        std::memcpy(out, p.data(), p.size());
        out += p.size();
    }
    emit(std::string_view(buf.data(), size));
}

}  // namespace

void WriteEvents(const ArrTrace& table, const EmitFn& emit) {
    std::string buf;
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
            Emit(buf, emit, from, " sending to ", to.node, k == 0 ? " orginator " : " forwarding ",
                 rec.PacketId);
            Emit(buf, emit, to, " received from ", from.node,
                 k + 1 == links ? " destination " : " forwarding ", rec.PacketId);
        }
    }
}

}  // namespace kavro

#include "TraceTable.h"

namespace kavro {

int FindTrace(std::string_view packetId, const ArrTrace& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].PacketId == packetId) return static_cast<int>(i);
    return -1;
}

bool IsOnPath(std::string_view node, const RecNsTrace& rec) {
    if (node == rec.SrcNode || node == rec.DstNode) return true;
    for (const RecFwd& hop : rec.Hops)
        if (hop.Node == node) return true;
    return false;
}

}  // namespace kavro

#include "conversion/TraceTable.h"

namespace kavro {

bool IsOnPath(std::string_view node, const RecNsTrace& rec) {
    if (node == rec.SrcNode || node == rec.DstNode) return true;
    for (const RecFwd& hop : rec.Hops)
        if (hop.Node == node) return true;
    return false;
}

}  // namespace kavro

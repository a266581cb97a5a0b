#pragma once
// The packet path table: one record per application send, with the relays
// that forwarded it and the application that received it.
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// RecFwd, ArrFwd, RecNsTrace and ArrTrace, and their field names, are the
// table's own names and kept exactly so on purpose.
struct RecFwd {
    std::string Node;
    std::string Time;
};
using ArrFwd = std::vector<RecFwd>;

struct RecNsTrace {
    std::string SendTime;
    std::string SrcNode;
    std::string PacketId;
    std::string RecvTime;
    std::string DstNode;
    ArrFwd Hops;
    // The send line's packet type: routing packets reuse application packet
    // ids, so a receive or forward counts only when its type matches too.
    std::string PacketType;
};
using ArrTrace = std::vector<RecNsTrace>;

bool IsOnPath(std::string_view node, const RecNsTrace& rec);

}  // namespace kavro

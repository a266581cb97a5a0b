#pragma once
// What a pass gathers for the study tables beyond the packet path table:
// each record's flow and size, the routing layer's own transmissions, the
// drops, and each node's last reported energy.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ByNode.h"

namespace kavro {

// What a pass reads beyond what the event file needs; the reader keeps the
// lines these need and passes over the rest as before.
enum Reads : unsigned {
    kReadEvents = 0,
    kReadTables = 1,   // flows, sizes, routing sends and drops; the records too
    kReadEnergy = 2,   // each node's energy, from every line
    kReadRecords = 4,  // each record's type and first receive: the summary's figures
};

// Where a trace's hops came from. With routing-layer lines, from their
// forwards; without, from MAC receives of the packets; with neither, the
// event file shows direct links and the study takes ns-2's own count of
// each delivered packet's links, from its receive line.
enum class PathSource { Routing, Mac, Counts };

struct EnergyReading {
    std::string energy;  // as it stands
    std::string time;
};
// The last reading of each node.
using EnergyByNode = ByNode<EnergyReading>;

// One per record of the table, at the same index. A packet is delivered
// when it first arrives: the study takes the first receive that counted,
// where the event file takes the last.
struct StudyRecord {
    std::string source;       // address.port of the send line, lower-cased (tables only)
    std::string destination;
    std::string type;         // as the send line writes it
    bool received = false;
    std::string receiveTime;  // lower-cased, as the table keeps times
    std::string receiveNode;
    uint64_t size = 0;        // 0 when not a whole number
    int64_t forwards = -1;    // ns-2's count of the links crossed; -1 when none
};

// Drop lines of one layer, reason and type, as the trace writes them.
struct DropCount {
    std::string layer;
    std::string reason;
    std::string type;
    uint64_t lines = 0;
};

struct StudyFacts {
    std::vector<StudyRecord> records;
    // Routing-layer sends and forwards by packet type, as written.
    std::unordered_map<std::string, uint64_t> routingByType;
    std::vector<DropCount> drops;
    ByNode<uint64_t> dropsAtNode;
    // Drop lines whose packet id finds a record of the same type.
    uint64_t droppedWithRecord = 0;
    EnergyByNode energy;
    unsigned formats = 0;  // bit 1 << Format of every line read
};

}  // namespace kavro

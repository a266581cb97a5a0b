#pragma once
// What a pass gathers for the study tables beyond the packet path table:
// each record's flow and size, the routing layer's own transmissions, the
// drops, and each node's last reported energy.
#include <cstdint>
#include <string>
#include <vector>

#include "ByNode.h"

namespace kavro {

// What a pass reads beyond what the event file needs; the reader keeps the
// lines these need and passes over the rest as before.
enum Reads : unsigned {
    kReadEvents = 0,
    kReadTables = 1,  // flows, sizes, routing sends and drops
    kReadEnergy = 2,  // each node's energy, from every line
};

struct EnergyReading {
    std::string energy;  // as it stands
    std::string time;
};
// The last reading of each node.
using EnergyByNode = ByNode<EnergyReading>;

// One per record of the table, at the same index.
struct StudyRecord {
    std::string source;       // address.port of the send line, as it stands
    std::string destination;
    uint64_t size = 0;        // of the receive line that counted last; 0 when not a whole number
};

// Drop lines of one layer, reason and type, all lower-cased.
struct DropCount {
    std::string layer;
    std::string reason;
    std::string type;
    uint64_t lines = 0;
};

// Routing-layer sends and forwards of one packet type, lower-cased.
struct TypeCount {
    std::string type;
    uint64_t lines = 0;
};

struct StudyFacts {
    std::vector<StudyRecord> records;
    // A trace has few of these, so they are kept flat and searched in turn.
    std::vector<TypeCount> routingByType;
    std::vector<DropCount> drops;
    ByNode<uint64_t> dropsAtNode;
    // Drop lines whose packet id and type find a record.
    uint64_t droppedWithRecord = 0;
    EnergyByNode energy;
    unsigned formats = 0;  // bit 1 << Format of every line read
};

}  // namespace kavro

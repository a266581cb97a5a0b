#pragma once
// The study of one trace as plain numbers: the figures that wireless
// studies publish, per trace, per flow, per node and per drop reason, their
// time series and one row per packet. The tables, the summary line and the
// plots are all written from these.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "conversion/StudyFacts.h"
#include "conversion/TraceTable.h"

namespace kavro::study {

// A figure, empty when there is nothing to compute it from (0 over 0, no
// delays) or it comes out as no finite number.
using Value = std::optional<double>;

// The figures of a set of records: a flow, or the whole trace.
struct Figures {
    uint64_t sent = 0;
    uint64_t delivered = 0;
    Value pdr;
    Value meanDelay, medianDelay, p95Delay, maxDelay, jitter;
    Value throughputKbps;
    Value meanHops;
};

struct TraceFigures : Figures {
    std::string format;  // old, new, tagged or mixed; empty when no line was read
    // None when the router was not traced: its load is unknown, not 0.
    std::optional<uint64_t> routingPackets;
    Value nrl;
    uint64_t dropped = 0;
    uint64_t eventLines = 0;
    uint64_t flows = 0;
    PathSource paths = PathSource::Routing;
};

struct Flow : Figures {
    std::string source;  // address.port
    std::string destination;
    std::string type;
};

struct Node {
    std::string node;
    uint64_t sent = 0, received = 0, forwarded = 0, dropped = 0;
    std::string energy, energyTime;  // empty when it reported none
};

struct Drop {
    std::string layer, reason, type;
    uint64_t lines = 0;
};

// One bin of a set of records.
struct RecordBin {
    uint64_t sent = 0;
    uint64_t delivered = 0;  // by first receive time
    uint64_t bytes = 0;      // of the records delivered
    uint64_t delays = 0;     // delivered records with a delay
    double delaySum = 0;
    double delayMax = 0;
};

struct TraceBin : RecordBin {
    uint64_t dropped = 0;  // drop lines dropped counts
    uint64_t routing = 0;  // routing transmissions routing_packets counts
};

struct NodeBin {
    uint64_t sent = 0, received = 0, forwarded = 0, dropped = 0;
};

// Bins of one flow or node that hold anything, in bin order.
template <class Bin>
using SparseBins = std::vector<std::pair<uint64_t, Bin>>;

struct Series {
    int64_t binNs = 0;
    uint64_t bins = 0;  // bins 0 to bins - 1; none when no event could be binned
    std::vector<TraceBin> trace;
    std::vector<SparseBins<RecordBin>> flows;   // as Study::flows
    std::vector<SparseBins<NodeBin>> nodes;     // as Study::nodes
    std::vector<SparseBins<std::string>> energy;  // each node's last reading in a bin, as Study::nodes
};

struct Packet {
    std::string id, type, source, destination;
    std::string sendTime;
    std::string receiveTime;  // empty: never delivered
    Value delay;
    std::optional<uint64_t> hops;
    uint64_t size = 0;
};

struct Study {
    TraceFigures trace;
    std::vector<Flow> flows;
    std::vector<Node> nodes;  // nodes with a figure not zero or empty, in node order
    std::vector<Drop> drops;  // by layer, reason and type
    Series series;            // with Parts::series
    std::vector<Packet> packets;  // with Parts::packets, in the order of the records
};

// What to compute beyond the trace's figures and its flows.
struct Parts {
    bool nodes = false;
    bool drops = false;
    int64_t binNs = 0;  // the series' bin width; 0 for no series
    bool packets = false;
};

// `facts` must hold the records (kReadRecords), and for nodes, drops,
// series and packets what kReadTables reads.
Study MakeStudy(const ArrTrace& table, const StudyFacts& facts, PathSource paths, const Parts& parts);

// Node ids of digits first, by their value; then the rest by bytes.
bool NodeBefore(std::string_view a, std::string_view b);

}  // namespace kavro::study

#pragma once
// What a pass gathers for the study tables beyond the packet path table:
// each record's flow and size, the routing layer's own transmissions, the
// drops, and each node's last reported energy.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "conversion/ByNode.h"

namespace kavro {

// What a pass reads beyond what the event file needs; the reader keeps the
// lines these need and passes over the rest as before.
enum Reads : unsigned {
    kReadEvents = 0,
    kReadTables = 1,   // flows, sizes, routing sends and drops; the records too
    kReadEnergy = 2,   // each node's energy, from every line
    kReadRecords = 4,  // each record's type and first receive: the summary's figures
};

struct ReadOptions {
    ReadOptions(unsigned what = kReadEvents, int64_t binWidthNs = 0) : reads(what), binNs(binWidthNs) {}

    unsigned reads;  // a set of Reads
    // The width of the time series' bins in nanoseconds; 0 for no series.
    // The drops, routing sends and energy readings are then binned as they
    // are read.
    int64_t binNs;
};

// Counts by time bin. Lines come nearly in time order, so a run of one bin
// is one entry; entries of one bin add up.
struct BinCounts {
    std::vector<std::pair<uint64_t, uint64_t>> runs;  // bin, count

    void Add(uint64_t bin) {
        if (!runs.empty() && runs.back().first == bin)
            ++runs.back().second;
        else
            runs.push_back({bin, 1});
    }
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

// One per record of the table, at the same index, for the summary: a
// packet is delivered when it first arrives, so the study takes the first
// receive that counted, where the event file takes the last. Kept small, as
// every conversion of kavro-convert keeps one per packet.
struct StudyRecord {
    std::string receiveTime;  // lower-cased, as the table keeps times
    int32_t forwards = -1;    // ns-2's count of the links crossed; -1 when none
    bool received = false;
};

// One per record too, with kReadTables: what the tables need besides.
struct RecordFlow {
    std::string source;       // address.port of the send line, lower-cased
    std::string destination;
    std::string type;         // as the send line writes it
    std::string receiveNode;  // of the first receive
    uint64_t size = 0;        // of the first receive; 0 when not a whole number
};

// Drop lines of one layer, reason and type, as the trace writes them.
struct DropCount {
    std::string layer;
    std::string reason;
    std::string type;
    uint64_t lines = 0;
};

// Each node's last energy reading in each bin that has one, in bin order.
using EnergyBins = std::vector<std::pair<uint64_t, EnergyReading>>;

// Routing-layer sends and forwards of one packet type.
struct RoutingCount {
    uint64_t lines = 0;
    BinCounts bins;  // with the series
};

struct StudyFacts {
    std::vector<StudyRecord> records;
    std::vector<RecordFlow> flows;  // with kReadTables
    // By packet type, as written.
    std::unordered_map<std::string, RoutingCount> routingByType;
    std::vector<DropCount> drops;
    ByNode<uint64_t> dropsAtNode;
    // Drop lines whose packet id finds a record of the same type.
    uint64_t droppedWithRecord = 0;
    EnergyByNode energy;
    unsigned formats = 0;  // bit 1 << Format of every line read

    // For the time series, with ReadOptions::binNs; the records' own times
    // are binned by the study.
    int64_t binNs = 0;
    bool binned = false;   // a drop, routing send or energy reading was binned
    uint64_t lastBin = 0;  // the last bin of those
    BinCounts droppedBins;  // drop lines that droppedWithRecord counts
    ByNode<BinCounts> dropBinsAtNode;  // every drop line
    ByNode<EnergyBins> energyBins;
};

}  // namespace kavro

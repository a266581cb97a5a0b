#pragma once
// Fills the packet path table from trace lines, one line at a time.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "conversion/StudyFacts.h"
#include "conversion/TraceBatch.h"
#include "conversion/TraceTable.h"

namespace kavro {

// Feeds trace lines one at a time, in order, into a growing table.
class TraceTableBuilder {
public:
    // Receives each plain notice of the forward rule's guard. Without it, an
    // error in the forward rule ends the pass like an error anywhere else.
    using NoticeFn = std::function<void(const std::string&)>;

    // With `facts`, also gathers what the study needs into it: each
    // record's first receive, and with `tables` the flows, sizes, routing
    // sends and drops too.
    explicit TraceTableBuilder(NoticeFn notice = {}, StudyFacts* facts = nullptr, bool tables = false);

    // Like FindTrace and IsOnPath, the name is kept on purpose.
    void BuildTraceTable(const RuleLine& line);

    // The trace has routing-layer lines: its hops are the forwards', and
    // MAC receives, which stood in for them until now, are dropped.
    void RoutingSeen();
    // After the last line: a trace without routing-layer lines takes its
    // hops from MAC receives, and the one at the receiver is no hop.
    void Finish();
    bool Routed() const { return routed_; }
    // A MAC receive found a record before any routing-layer line.
    bool MacMatched() const { return macMatched_; }

    const ArrTrace& Table() const { return table_; }

private:
    // The first record with the id, or -1.
    int FindTrace(std::string_view lowerPacketId) const;
    void AddSend(std::string_view text, Format format);
    void AddReceive(std::string_view text, Format format);
    void AddForward(const TraceLine& line);
    void AddMacHop(const TraceLine& line);
    void AddDrop(std::string_view line, Format format);
    void CountRouting(std::string_view packetType, std::string_view time);
    // The series' bin of a time, or false when there are no bins or it is
    // left out of them.
    bool Bin(std::string_view time, uint64_t& bin);
    // The record whose id and type the line's are, by the forward rule's
    // lookup, or -1; leaves the guard's last index alone.
    int Lookup(const TraceLine& line);

    // Open addressing over record indexes; the first record per id is kept.
    // Each slot keeps its id's hash, so probing past other ids and growing
    // never touch the records themselves.
    struct Slot {
        int32_t index = -1;  // -1 = empty
        uint32_t hash = 0;
    };
    void IndexRecord(int32_t index);
    void Grow();

    ArrTrace table_;
    std::vector<Slot> slots_;
    uint64_t seed_;   // so that no trace can make the ids it looks up cluster
    std::string id_;  // reused lower-case key buffer
    int lastIndex_ = 0;
    NoticeFn notice_;
    StudyFacts* facts_;
    bool tables_;
    bool routed_ = false;
    bool macMatched_ = false;
    bool macHops_ = false;  // a MAC receive added a hop
    std::string key_;  // reused for lookups of the study's maps
    size_t lastDrop_ = 0;  // the kind of drop counted last
    std::unordered_map<std::string, size_t> dropIndex_;  // layer, reason, type: index in facts_->drops
    std::unordered_set<std::string> recordTypes_;  // the packet types of the records so far, as written
    std::unordered_map<std::string, RoutingCount>::iterator lastRouting_;  // the type counted last
};

}  // namespace kavro

#pragma once
// Fills the packet path table from trace lines, one line at a time.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "StudyFacts.h"
#include "TraceBatch.h"
#include "TraceTable.h"

namespace kavro {

// Told as the forward rule's guard passes each of its stages. The
// conversion's own passes them silently; a test can fail at one on purpose.
struct SilentStages {
    void Reach(int /*stage*/) {}
};

// Feeds trace lines one at a time, in order, into a growing table.
template <class Stages = SilentStages>
class BasicTraceTableBuilder {
public:
    // Receives each plain notice of the forward rule's guard. Without it, an
    // error in the forward rule ends the pass like an error anywhere else.
    using NoticeFn = std::function<void(const std::string&)>;

    // With `facts`, also gathers what the study tables need into it.
    explicit BasicTraceTableBuilder(NoticeFn notice = {}, Stages stages = {},
                                    StudyFacts* facts = nullptr);

    // Like FindTrace and IsOnPath, the name is kept on purpose.
    void BuildTraceTable(const RuleLine& line);
    int FindTrace(std::string_view lowerPacketId) const;

    const ArrTrace& Table() const { return table_; }

private:
    void AddSend(const TraceLine& line);
    // The index of the record the line counted for, or -1.
    int AddReceive(const TraceLine& line);
    void AddForward(const TraceLine& line);
    void AddDrop(std::string_view line, Format format);
    void CountRouting(std::string_view packetType);

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
    std::string id_;  // reused lower-case key buffer
    int lastIndex_ = 0;
    NoticeFn notice_;
    Stages stages_;
    StudyFacts* facts_;
    std::string key_;  // reused for lower-cased packet ids
    size_t lastDrop_ = 0;  // the kind of drop counted last
    std::vector<std::string> recordTypes_;  // the packet types of the records so far
};

using TraceTableBuilder = BasicTraceTableBuilder<>;
extern template class BasicTraceTableBuilder<SilentStages>;

}  // namespace kavro

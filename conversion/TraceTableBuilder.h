#pragma once
// Fills the packet path table from trace lines, one line at a time.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "TraceLine.h"
#include "TraceTable.h"

namespace kavro {

// Feeds trace lines one at a time, in order, into a growing table.
class TraceTableBuilder {
public:
    // Receives each plain notice of the forward rule's guard.
    using NoticeFn = std::function<void(const std::string&)>;
    // Called as the forward rule reaches each stage; lets tests make it fail.
    using StageHook = std::function<void(int stage)>;

    explicit TraceTableBuilder(NoticeFn notice = {});

    // Inline, so that the many lines that match no rule cost no call. Like
    // FindTrace, IsOnPath and the Extract rules, the name is kept on purpose.
    KAVRO_PER_LINE void BuildTraceTable(std::string_view rawLine) {
        const Rule rule = RuleFor(rawLine);
        if (rule != Rule::None) Apply(rule, ReadTraceLine(rawLine));
    }
    int FindTrace(std::string_view lowerPacketId) const;

    const ArrTrace& Table() const { return table_; }
    ArrTrace TakeTable();
    void SetStageHook(StageHook hook) { stageHook_ = std::move(hook); }

private:
    void Apply(Rule rule, const TraceLine& line);
    void AddSend(const TraceLine& line);
    void AddReceive(const TraceLine& line);
    void AddForward(const TraceLine& line);
    void ReachStage(int& stage, int next);

    // Open addressing over record indexes; the first record per id is kept.
    // Each slot keeps its id's hash, so probing past other ids and growing
    // never touch the records themselves.
    struct Slot {
        int32_t index = -1;  // -1 = empty
        uint32_t hash = 0;
    };
    static uint32_t Hash(std::string_view id);
    void IndexRecord(int32_t index);
    void Grow();

    ArrTrace table_;
    std::vector<Slot> slots_;
    std::string id_;              // reused lower-case key buffer
    int lastIndex_ = 0;
    NoticeFn notice_;
    StageHook stageHook_;
};

// Whole-list convenience over the builder.
ArrTrace BuildTraceTable(const std::vector<std::string>& lines,
                         const TraceTableBuilder::NoticeFn& notice = {});

}  // namespace kavro

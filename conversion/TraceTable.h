#pragma once
// The packet path table: one record per application send, with the relays
// that forwarded it and the application that received it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "TraceFields.h"

namespace kavro {

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
};
using ArrTrace = std::vector<RecNsTrace>;

// Index of the first record whose packet id equals `packetId`, or -1.
// A plain scan from the start; the builder answers the same through its index.
int FindTrace(std::string_view packetId, const ArrTrace& table);
bool IsOnPath(std::string_view node, const RecNsTrace& rec);

// Feeds trace lines one at a time, in order, into a growing table.
class TraceTableBuilder {
public:
    // Receives each plain notice of the forward rule's guard.
    using NoticeFn = std::function<void(const std::string&)>;
    // Called as the forward rule reaches each stage; lets tests make it fail.
    using StageHook = std::function<void(int stage)>;

    explicit TraceTableBuilder(NoticeFn notice = {});

    // Inline: most lines are MAC or routing traffic and are passed over here
    // without a call; only agent sends and receives and routing forwards go on.
    void BuildTraceTable(std::string_view rawLine) {
        if (rawLine.empty()) return;
        const char kind = LowerAscii(rawLine.front());
        if (kind != 's' && kind != 'r' && kind != 'f') return;
        const size_t layer = LayerStart(rawLine);
        if (LayerIs(rawLine, layer, "agt")) {
            if (kind == 's')
                AddSend(rawLine);
            else if (kind == 'r')
                AddReceive(rawLine);
        } else if (kind == 'f' && LayerIs(rawLine, layer, "rtr")) {
            AddForward(rawLine);
        }
    }
    int FindTrace(std::string_view lowerPacketId) const;

    const ArrTrace& Table() const { return table_; }
    ArrTrace TakeTable();
    void SetStageHook(StageHook hook) { stageHook_ = std::move(hook); }

private:
    void AddSend(std::string_view line);
    void AddReceive(std::string_view line);
    void AddForward(std::string_view line);
    void ForwardStages(std::string_view line, int& stage);
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

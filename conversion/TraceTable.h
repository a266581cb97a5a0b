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
    // without a call. Agent sends and receives and routing forwards are a few
    // per cent of a trace, so the test is written to end in one rarely taken
    // branch rather than a chain of unpredictable ones.
    void BuildTraceTable(std::string_view rawLine) {
        const size_t at = LayerStart(rawLine);
        if (at + 3 > rawLine.size()) return;  // also settles the empty line
        // c | 0x20 maps only A-Z onto a-z among the letters compared here.
        const char kind = static_cast<char>(rawLine[0] | 0x20);
        const char a = static_cast<char>(rawLine[at] | 0x20);
        const char b = static_cast<char>(rawLine[at + 1] | 0x20);
        const char c = static_cast<char>(rawLine[at + 2] | 0x20);
        const bool agt = (a == 'a') & (b == 'g') & (c == 't');
        const bool rtr = (a == 'r') & (b == 't') & (c == 'r');
        if ((agt & ((kind == 's') | (kind == 'r'))) | (rtr & (kind == 'f'))) {
            if (!agt)
                AddForward(rawLine);
            else if (kind == 's')
                AddSend(rawLine);
            else
                AddReceive(rawLine);
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

#include "TraceTableBuilder.h"

namespace kavro {

TraceTableBuilder::TraceTableBuilder(NoticeFn notice)
    : slots_(1024), notice_(std::move(notice)) {}

ArrTrace TraceTableBuilder::TakeTable() {
    ArrTrace out = std::move(table_);
    table_.clear();
    slots_.assign(1024, Slot{});
    lastIndex_ = 0;
    return out;
}

void TraceTableBuilder::Apply(Rule rule, const TraceLine& line) {
    if (rule == Rule::Send)
        AddSend(line);
    else if (rule == Rule::Receive)
        AddReceive(line);
    else
        AddForward(line);
}

void TraceTableBuilder::AddSend(const TraceLine& line) {
    RecNsTrace& rec = table_.emplace_back();
    AppendLowerAscii(line.time, rec.SendTime);
    AppendLowerAscii(line.node, rec.SrcNode);
    AppendLowerAscii(line.packetId, rec.PacketId);
    AppendLowerAscii(line.packetType, rec.PacketType);
    lastIndex_ = static_cast<int>(table_.size() - 1);
    IndexRecord(lastIndex_);
}

void TraceTableBuilder::AddReceive(const TraceLine& line) {
    id_.clear();
    AppendLowerAscii(line.packetId, id_);
    lastIndex_ = FindTrace(id_);
    if (lastIndex_ < 0) return;
    RecNsTrace& rec = table_[lastIndex_];
    if (!EqualsLower(line.packetType, rec.PacketType)) return;
    rec.RecvTime.clear();
    AppendLowerAscii(line.time, rec.RecvTime);
    rec.DstNode.clear();
    AppendLowerAscii(line.node, rec.DstNode);
}

void TraceTableBuilder::AddForward(const TraceLine& line) {
    int stage = 0;
    int touched = -1;
    size_t hopsBefore = 0;
    try {
        ReachStage(stage, 0);
        id_.clear();
        AppendLowerAscii(line.packetId, id_);
        ReachStage(stage, 1);
        lastIndex_ = FindTrace(id_);
        ReachStage(stage, 2);
        if (lastIndex_ < 0) return;
        touched = lastIndex_;
        RecNsTrace& rec = table_[lastIndex_];
        if (!EqualsLower(line.packetType, rec.PacketType)) return;
        hopsBefore = rec.Hops.size();
        RecFwd hop;
        AppendLowerAscii(line.node, hop.Node);
        if (IsOnPath(hop.Node, rec)) return;
        ReachStage(stage, 3);
        AppendLowerAscii(line.time, hop.Time);
        rec.Hops.push_back(std::move(hop));
        ReachStage(stage, 4);
    } catch (...) {
        // Never leave a half-made hop behind: the record stays as it was.
        if (touched >= 0 && table_[touched].Hops.size() > hopsBefore)
            table_[touched].Hops.resize(hopsBefore);
        if (notice_) {
            notice_(std::to_string(lastIndex_));
            notice_(std::to_string(stage));
        }
    }
}

void TraceTableBuilder::ReachStage(int& stage, int next) {
    stage = next;
    if (stageHook_) stageHook_(next);
}

uint32_t TraceTableBuilder::Hash(std::string_view id) {
    // ns-2 numbers packets in order, so a decimal id hashes to about its value:
    // a send and the lines that look it up soon after then hit neighbouring
    // slots, which stay cached while the trace streams through. The shift
    // spreads ids that are multiples of a large power of two.
    if (!id.empty() && id.size() <= 9) {
        uint32_t v = 0;
        size_t i = 0;
        while (i < id.size() && id[i] >= '0' && id[i] <= '9') v = v * 10 + (id[i++] - '0');
        if (i == id.size()) return v ^ (v >> 16);
    }
    // Anything else: FNV-1a.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : id) h = (h ^ c) * 1099511628211ull;
    return static_cast<uint32_t>(h ^ (h >> 32));
}

int TraceTableBuilder::FindTrace(std::string_view id) const {
    const uint32_t hash = Hash(id);
    const size_t mask = slots_.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = slots_[s];
        if (slot.index < 0) return -1;
        if (slot.hash == hash && table_[slot.index].PacketId == id) return slot.index;
    }
}

void TraceTableBuilder::IndexRecord(int32_t index) {
    // Load factor stays under one half, so probing always ends on an empty slot.
    if (table_.size() * 2 > slots_.size()) Grow();
    const std::string& id = table_[index].PacketId;
    const uint32_t hash = Hash(id);
    const size_t mask = slots_.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        Slot& slot = slots_[s];
        if (slot.index < 0) {
            slot = Slot{index, hash};
            return;
        }
        if (slot.hash == hash && table_[slot.index].PacketId == id)
            return;  // the earlier record keeps the id
    }
}

void TraceTableBuilder::Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.index < 0) continue;
        size_t s = slot.hash & mask;
        while (slots_[s].index >= 0) s = (s + 1) & mask;
        slots_[s] = slot;
    }
}

ArrTrace BuildTraceTable(const std::vector<std::string>& lines,
                         const TraceTableBuilder::NoticeFn& notice) {
    TraceTableBuilder builder(notice);
    for (const std::string& line : lines) builder.BuildTraceTable(line);
    return builder.TakeTable();
}

}  // namespace kavro

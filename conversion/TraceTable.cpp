#include "TraceTable.h"

#include "TraceFields.h"

namespace kavro {

int FindTrace(std::string_view packetId, const ArrTrace& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].PacketId == packetId) return static_cast<int>(i);
    return -1;
}

bool IsOnPath(std::string_view node, const RecNsTrace& rec) {
    if (node == rec.SrcNode || node == rec.DstNode) return true;
    for (const RecFwd& hop : rec.Hops)
        if (hop.Node == node) return true;
    return false;
}

TraceTableBuilder::TraceTableBuilder(NoticeFn notice)
    : slots_(1024, -1), notice_(std::move(notice)) {}

ArrTrace TraceTableBuilder::TakeTable() {
    ArrTrace out = std::move(table_);
    table_.clear();
    slots_.assign(1024, -1);
    lastIndex_ = 0;
    return out;
}

void TraceTableBuilder::BuildTraceTable(std::string_view line) {
    const char kind = EventKind(line);
    if (kind != 's' && kind != 'r' && kind != 'f') return;
    const std::string_view layer = ExtractLayer(line);
    if (EqualsLower(layer, "agt")) {
        if (kind == 's')
            AddSend(line);
        else if (kind == 'r')
            AddReceive(line);
    } else if (kind == 'f' && EqualsLower(layer, "rtr")) {
        AddForward(line);
    }
}

void TraceTableBuilder::AddSend(std::string_view line) {
    RecNsTrace rec;
    AppendLowerAscii(ExtractTime(line), rec.SendTime);
    AppendLowerAscii(ExtractNodeId(line), rec.SrcNode);
    AppendLowerAscii(ExtractPacketId(line), rec.PacketId);
    table_.push_back(std::move(rec));
    lastIndex_ = static_cast<int>(table_.size() - 1);
    IndexRecord(lastIndex_);
}

void TraceTableBuilder::AddReceive(std::string_view line) {
    id_.clear();
    AppendLowerAscii(ExtractPacketId(line), id_);
    lastIndex_ = FindTrace(id_);
    if (lastIndex_ < 0) return;
    RecNsTrace& rec = table_[lastIndex_];
    rec.RecvTime.clear();
    AppendLowerAscii(ExtractTime(line), rec.RecvTime);
    rec.DstNode.clear();
    AppendLowerAscii(ExtractNodeId(line), rec.DstNode);
}

void TraceTableBuilder::AddForward(std::string_view line) {
    int stage = 0;
    int touched = -1;
    size_t hopsBefore = 0;
    try {
        ReachStage(stage, 0);
        id_.clear();
        AppendLowerAscii(ExtractPacketId(line), id_);
        ReachStage(stage, 1);
        lastIndex_ = FindTrace(id_);
        ReachStage(stage, 2);
        if (lastIndex_ < 0) return;
        touched = lastIndex_;
        RecNsTrace& rec = table_[lastIndex_];
        hopsBefore = rec.Hops.size();
        RecFwd hop;
        AppendLowerAscii(ExtractNodeId(line), hop.Node);
        if (IsOnPath(hop.Node, rec)) return;
        ReachStage(stage, 3);
        AppendLowerAscii(ExtractTime(line), hop.Time);
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

size_t TraceTableBuilder::Hash(std::string_view id) const {
    // FNV-1a: ids are short decimal texts.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : id) h = (h ^ c) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
}

int TraceTableBuilder::FindTrace(std::string_view id) const {
    const size_t mask = slots_.size() - 1;
    for (size_t s = Hash(id) & mask;; s = (s + 1) & mask) {
        const int32_t idx = slots_[s];
        if (idx < 0) return -1;
        if (table_[idx].PacketId == id) return idx;
    }
}

void TraceTableBuilder::IndexRecord(int32_t index) {
    // Load factor stays under one half, so probing always ends on an empty slot.
    if (table_.size() * 2 > slots_.size()) Grow();
    const std::string& id = table_[index].PacketId;
    const size_t mask = slots_.size() - 1;
    for (size_t s = Hash(id) & mask;; s = (s + 1) & mask) {
        const int32_t idx = slots_[s];
        if (idx < 0) {
            slots_[s] = index;
            return;
        }
        if (table_[idx].PacketId == id) return;  // the earlier record keeps the id
    }
}

void TraceTableBuilder::Grow() {
    std::vector<int32_t> old(slots_.size() * 2, -1);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (int32_t idx : old) {
        if (idx < 0) continue;
        size_t s = Hash(table_[idx].PacketId) & mask;
        while (slots_[s] >= 0) s = (s + 1) & mask;
        slots_[s] = idx;
    }
}

ArrTrace BuildTraceTable(const std::vector<std::string>& lines,
                         const TraceTableBuilder::NoticeFn& notice) {
    TraceTableBuilder builder(notice);
    for (const std::string& line : lines) builder.BuildTraceTable(line);
    return builder.TakeTable();
}

}  // namespace kavro

#pragma once
// The builder's rules, for each instantiation of it: the conversion's own
// (TraceTableBuilder.cpp) and the tests' that fail its guard on purpose.
#include "TraceTableBuilder.h"

namespace kavro {

namespace detail {

inline uint32_t HashPacketId(std::string_view id) {
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

}  // namespace detail

template <class Stages>
BasicTraceTableBuilder<Stages>::BasicTraceTableBuilder(NoticeFn notice, Stages stages)
    : slots_(1024), notice_(std::move(notice)), stages_(std::move(stages)) {}

template <class Stages>
void BasicTraceTableBuilder<Stages>::BuildTraceTable(const RuleLine& line) {
    const TraceLine fields = ReadTraceLine(line.text, line.rule.format);
    switch (line.rule.rule) {
        case Rule::Send:
            AddSend(fields);
            break;
        case Rule::Receive:
            AddReceive(fields);
            break;
        case Rule::Forward:
            AddForward(fields);
            break;
        case Rule::None:
        case Rule::Routing:
            break;
    }
}

template <class Stages>
void BasicTraceTableBuilder<Stages>::AddSend(const TraceLine& line) {
    RecNsTrace& rec = table_.emplace_back();
    AppendLowerAscii(line.time, rec.SendTime);
    AppendLowerAscii(line.node, rec.SrcNode);
    AppendLowerAscii(line.packetId, rec.PacketId);
    AppendLowerAscii(line.packetType, rec.PacketType);
    lastIndex_ = static_cast<int>(table_.size() - 1);
    IndexRecord(lastIndex_);
}

template <class Stages>
void BasicTraceTableBuilder<Stages>::AddReceive(const TraceLine& line) {
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

template <class Stages>
void BasicTraceTableBuilder<Stages>::AddForward(const TraceLine& line) {
    int stage = 0;
    int touched = -1;
    size_t hopsBefore = 0;
    const auto reach = [&](int next) {
        stage = next;
        stages_.Reach(next);
    };
    try {
        reach(0);
        id_.clear();
        AppendLowerAscii(line.packetId, id_);
        reach(1);
        lastIndex_ = FindTrace(id_);
        reach(2);
        if (lastIndex_ < 0) return;
        touched = lastIndex_;
        RecNsTrace& rec = table_[lastIndex_];
        if (!EqualsLower(line.packetType, rec.PacketType)) return;
        hopsBefore = rec.Hops.size();
        RecFwd hop;
        AppendLowerAscii(line.node, hop.Node);
        if (IsOnPath(hop.Node, rec)) return;
        reach(3);
        AppendLowerAscii(line.time, hop.Time);
        rec.Hops.push_back(std::move(hop));
        reach(4);
    } catch (...) {
        // Never leave a half-made hop behind: the record stays as it was.
        if (touched >= 0 && table_[touched].Hops.size() > hopsBefore)
            table_[touched].Hops.resize(hopsBefore);
        if (!notice_) throw;
        notice_(std::to_string(lastIndex_));
        notice_(std::to_string(stage));
    }
}

template <class Stages>
int BasicTraceTableBuilder<Stages>::FindTrace(std::string_view id) const {
    const uint32_t hash = detail::HashPacketId(id);
    const size_t mask = slots_.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = slots_[s];
        if (slot.index < 0) return -1;
        if (slot.hash == hash && table_[slot.index].PacketId == id) return slot.index;
    }
}

template <class Stages>
void BasicTraceTableBuilder<Stages>::IndexRecord(int32_t index) {
    // Load factor stays under one half, so probing always ends on an empty slot.
    if (table_.size() * 2 > slots_.size()) Grow();
    const std::string& id = table_[index].PacketId;
    const uint32_t hash = detail::HashPacketId(id);
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

template <class Stages>
void BasicTraceTableBuilder<Stages>::Grow() {
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

}  // namespace kavro

#pragma once
// The builder's rules, for each instantiation of it: the conversion's own
// (TraceTableBuilder.cpp) and the tests' that fail its guard on purpose.
#include <algorithm>

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

namespace detail {

// The whole text as a number of ASCII digits, or 0.
inline uint64_t WholeNumber(std::string_view text) {
    uint64_t value = 0;
    if (text.empty()) return 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - 9) / 10) return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

}  // namespace detail

template <class Stages>
BasicTraceTableBuilder<Stages>::BasicTraceTableBuilder(NoticeFn notice, Stages stages,
                                                       StudyFacts* facts)
    : slots_(1024), notice_(std::move(notice)), stages_(std::move(stages)), facts_(facts) {}

template <class Stages>
void BasicTraceTableBuilder<Stages>::BuildTraceTable(const RuleLine& line) {
    const std::string_view text = line.text;
    const Format format = line.rule.format;
    if (facts_) facts_->formats |= 1u << static_cast<unsigned>(format);
    switch (line.rule.rule) {
        case Rule::Send:
            AddSend(ReadTraceLine(text, format));
            if (facts_) {
                FlowLine flow = ReadFlow(text, format);
                facts_->records.push_back({std::move(flow.source), std::move(flow.destination), 0});
            }
            break;
        case Rule::Receive: {
            // The receive that counted last gives the record its size.
            const int counted = AddReceive(ReadTraceLine(text, format));
            if (facts_ && counted >= 0)
                facts_->records[counted].size = detail::WholeNumber(ReadSize(text, format));
            break;
        }
        case Rule::Forward: {
            const TraceLine fields = ReadTraceLine(text, format);
            if (facts_) CountRouting(fields.packetType);
            AddForward(fields);
            break;
        }
        case Rule::RoutingSend:
            if (facts_) CountRouting(ReadTraceLine(text, format).packetType);
            break;
        case Rule::Drop:
            if (facts_) AddDrop(text, format);
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
    if (facts_ && std::find(recordTypes_.begin(), recordTypes_.end(), rec.PacketType) == recordTypes_.end())
        recordTypes_.push_back(rec.PacketType);
}

template <class Stages>
int BasicTraceTableBuilder<Stages>::AddReceive(const TraceLine& line) {
    id_.clear();
    AppendLowerAscii(line.packetId, id_);
    lastIndex_ = FindTrace(id_);
    if (lastIndex_ < 0) return -1;
    RecNsTrace& rec = table_[lastIndex_];
    if (!EqualsLower(line.packetType, rec.PacketType)) return -1;
    rec.RecvTime.clear();
    AppendLowerAscii(line.time, rec.RecvTime);
    rec.DstNode.clear();
    AppendLowerAscii(line.node, rec.DstNode);
    return lastIndex_;
}

template <class Stages>
void BasicTraceTableBuilder<Stages>::CountRouting(std::string_view packetType) {
    auto& counts = facts_->routingByType;
    auto at = std::find_if(counts.begin(), counts.end(),
                           [&](const TypeCount& c) { return EqualsLower(packetType, c.type); });
    if (at == counts.end()) {
        at = counts.insert(counts.end(), TypeCount{});
        AppendLowerAscii(packetType, at->type);
    }
    ++at->lines;
}

template <class Stages>
void BasicTraceTableBuilder<Stages>::AddDrop(std::string_view text, Format format) {
    const DropLine drop = ReadDrop(text, format);
    auto& drops = facts_->drops;
    // Drops come in runs of one kind, so the last kind is tried first.
    const auto same = [&](const DropCount& c) {
        return EqualsLower(drop.layer, c.layer) && EqualsLower(drop.reason, c.reason) &&
               EqualsLower(drop.packetType, c.type);
    };
    if (lastDrop_ >= drops.size() || !same(drops[lastDrop_])) {
        lastDrop_ = static_cast<size_t>(std::find_if(drops.begin(), drops.end(), same) - drops.begin());
        if (lastDrop_ == drops.size()) {
            DropCount& c = drops.emplace_back();
            AppendLowerAscii(drop.layer, c.layer);
            AppendLowerAscii(drop.reason, c.reason);
            AppendLowerAscii(drop.packetType, c.type);
        }
    }
    ++drops[lastDrop_].lines;
    ++facts_->dropsAtNode[drop.node];
    // The forward rule's lookup, which leaves the guard's last index alone;
    // most drops are of routing and MAC packets, of a type no record has.
    const std::string& type = drops[lastDrop_].type;
    if (std::find(recordTypes_.begin(), recordTypes_.end(), type) == recordTypes_.end()) return;
    key_.clear();
    AppendLowerAscii(drop.packetId, key_);
    const int found = FindTrace(key_);
    if (found >= 0 && table_[found].PacketType == type) ++facts_->droppedWithRecord;
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

#include "conversion/TraceTableBuilder.h"

#include <algorithm>
#include <chrono>

#include "conversion/TraceTime.h"

namespace kavro {

namespace {

// splitmix64's finaliser: every bit of the input moves every bit of the output.
inline uint64_t Mix(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// Ids hash under a seed of the run's own: ns-2 numbers packets in order, so
// without mixing the sent ids fill one run of slots, and ids that land in
// it but were never sent would each walk all of it.
inline uint32_t HashPacketId(std::string_view id, uint64_t seed) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : id) h = (h ^ c) * 1099511628211ull;
    return static_cast<uint32_t>(Mix(h ^ seed) >> 32);
}

inline uint64_t FreshSeed(const void* self) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return Mix(static_cast<uint64_t>(now) ^ reinterpret_cast<uintptr_t>(self));
}

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

// The text as a count of at most nine digits, or -1.
inline int64_t Count(std::string_view text) {
    if (text.empty() || text.size() > 9) return -1;
    for (char c : text)
        if (c < '0' || c > '9') return -1;
    return static_cast<int64_t>(WholeNumber(text));
}

}  // namespace

TraceTableBuilder::TraceTableBuilder(NoticeFn notice, StudyFacts* facts, bool tables)
    : slots_(1024),
      seed_(FreshSeed(this)),
      notice_(std::move(notice)),
      facts_(facts),
      tables_(facts && tables) {
    if (facts_) lastRouting_ = facts_->routingByType.end();
}

void TraceTableBuilder::BuildTraceTable(const RuleLine& line) {
    const std::string_view text = line.text;
    const Format format = line.rule.format;
    if (facts_) facts_->formats |= 1u << static_cast<unsigned>(format);
    switch (line.rule.rule) {
        case Rule::Send:
            AddSend(text, format);
            break;
        case Rule::Receive:
            AddReceive(text, format);
            break;
        case Rule::Forward: {
            const TraceLine fields = ReadTraceLine(text, format);
            if (tables_) CountRouting(fields.packetType, fields.time);
            AddForward(fields);
            break;
        }
        case Rule::RoutingSend:
            if (tables_) {
                const TraceLine fields = ReadTraceLine(text, format);
                CountRouting(fields.packetType, fields.time);
            }
            break;
        case Rule::Drop:
            if (tables_) AddDrop(text, format);
            break;
        case Rule::MacReceive:
            if (!routed_) AddMacHop(ReadTraceLine(text, format));
            break;
        case Rule::None:
        case Rule::Routing:
            break;
    }
}

void TraceTableBuilder::AddSend(std::string_view text, Format format) {
    const TraceLine line = ReadTraceLine(text, format);
    RecNsTrace& rec = table_.emplace_back();
    AppendLowerAscii(line.time, rec.SendTime);
    AppendLowerAscii(line.node, rec.SrcNode);
    AppendLowerAscii(line.packetId, rec.PacketId);
    AppendLowerAscii(line.packetType, rec.PacketType);
    lastIndex_ = static_cast<int>(table_.size() - 1);
    IndexRecord(lastIndex_);
    if (!facts_) return;
    facts_->records.emplace_back();
    if (!tables_) return;
    RecordFlow& study = facts_->flows.emplace_back();
    study.type.assign(line.packetType);
    const FlowLine flow = ReadFlow(text, format);
    AppendLowerAscii(flow.source, study.source);
    AppendLowerAscii(flow.destination, study.destination);
    recordTypes_.insert(study.type);
}

void TraceTableBuilder::AddReceive(std::string_view text, Format format) {
    const TraceLine line = ReadTraceLine(text, format);
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
    if (!facts_) return;
    StudyRecord& study = facts_->records[lastIndex_];
    if (study.received) return;
    study.received = true;
    study.receiveTime = rec.RecvTime;
    study.forwards = static_cast<int32_t>(Count(ReadForwards(text, format)));
    if (!tables_) return;
    RecordFlow& flow = facts_->flows[lastIndex_];
    flow.receiveNode = rec.DstNode;
    flow.size = WholeNumber(ReadSize(text, format));
}

bool TraceTableBuilder::Bin(std::string_view time, uint64_t& bin) {
    if (facts_->binNs == 0 || !BinOf(time, facts_->binNs, bin)) return false;
    facts_->lastBin = facts_->binned ? std::max(facts_->lastBin, bin) : bin;
    facts_->binned = true;
    return true;
}

void TraceTableBuilder::CountRouting(std::string_view packetType, std::string_view time) {
    auto& counts = facts_->routingByType;
    // Routing transmissions come in runs of one type.
    if (lastRouting_ == counts.end() || lastRouting_->first != packetType) {
        key_.assign(packetType);
        lastRouting_ = counts.try_emplace(key_).first;
    }
    ++lastRouting_->second.lines;
    uint64_t bin = 0;
    if (Bin(time, bin)) lastRouting_->second.bins.Add(bin);
}

void TraceTableBuilder::AddDrop(std::string_view text, Format format) {
    const DropLine drop = ReadDrop(text, format);
    auto& drops = facts_->drops;
    // Drops come in runs of one kind, so the last kind is tried first.
    const auto same = [&](const DropCount& c) {
        return drop.layer == c.layer && drop.reason == c.reason && drop.packetType == c.type;
    };
    if (lastDrop_ >= drops.size() || !same(drops[lastDrop_])) {
        key_.assign(drop.layer).append(1, '\0').append(drop.reason).append(1, '\0').append(drop.packetType);
        const auto [at, fresh] = dropIndex_.try_emplace(key_, drops.size());
        if (fresh) drops.push_back({std::string(drop.layer), std::string(drop.reason), std::string(drop.packetType), 0});
        lastDrop_ = at->second;
    }
    ++drops[lastDrop_].lines;
    ++facts_->dropsAtNode[drop.node];
    uint64_t bin = 0;
    const bool binned = Bin(drop.time, bin);
    if (binned) facts_->dropBinsAtNode[drop.node].Add(bin);
    // Most drops are of routing and MAC packets, of a type no record has.
    const std::string& type = drops[lastDrop_].type;
    if (!recordTypes_.count(type)) return;
    key_.clear();
    AppendLowerAscii(drop.packetId, key_);
    const int found = FindTrace(key_);
    if (found < 0 || facts_->flows[found].type != type) return;
    ++facts_->droppedWithRecord;
    if (binned) facts_->droppedBins.Add(bin);
}

int TraceTableBuilder::Lookup(const TraceLine& line) {
    key_.clear();
    AppendLowerAscii(line.packetId, key_);
    const int found = FindTrace(key_);
    if (found < 0 || !EqualsLower(line.packetType, table_[found].PacketType)) return -1;
    return found;
}

void TraceTableBuilder::AddMacHop(const TraceLine& line) {
    const int found = Lookup(line);
    if (found < 0) return;
    macMatched_ = true;
    RecNsTrace& rec = table_[found];
    RecFwd hop;
    AppendLowerAscii(line.node, hop.Node);
    if (IsOnPath(hop.Node, rec)) return;
    AppendLowerAscii(line.time, hop.Time);
    rec.Hops.push_back(std::move(hop));
    macHops_ = true;
}

void TraceTableBuilder::RoutingSeen() {
    if (routed_) return;
    routed_ = true;
    macMatched_ = false;
    // No forward has been read yet: every hop so far is a MAC receive's.
    if (macHops_)
        for (RecNsTrace& rec : table_) ArrFwd().swap(rec.Hops);
    macHops_ = false;
}

void TraceTableBuilder::Finish() {
    if (routed_ || !macHops_) return;
    // The receiver's own MAC receive came before its agent's receive, while
    // the record had no receiver yet.
    for (RecNsTrace& rec : table_) {
        if (rec.RecvTime.empty()) continue;
        ArrFwd& hops = rec.Hops;
        hops.erase(std::remove_if(hops.begin(), hops.end(), [&](const RecFwd& h) { return h.Node == rec.DstNode; }),
                   hops.end());
    }
}

void TraceTableBuilder::AddForward(const TraceLine& line) {
    int stage = 0;
    int touched = -1;
    size_t hopsBefore = 0;
    try {
        stage = 0;
        id_.clear();
        AppendLowerAscii(line.packetId, id_);
        stage = 1;
        lastIndex_ = FindTrace(id_);
        stage = 2;
        if (lastIndex_ < 0) return;
        touched = lastIndex_;
        RecNsTrace& rec = table_[lastIndex_];
        if (!EqualsLower(line.packetType, rec.PacketType)) return;
        hopsBefore = rec.Hops.size();
        RecFwd hop;
        AppendLowerAscii(line.node, hop.Node);
        if (IsOnPath(hop.Node, rec)) return;
        stage = 3;
        AppendLowerAscii(line.time, hop.Time);
        rec.Hops.push_back(std::move(hop));
        stage = 4;
    } catch (...) {
        // Never leave a half-made hop behind: the record stays as it was.
        if (touched >= 0 && table_[touched].Hops.size() > hopsBefore)
            table_[touched].Hops.resize(hopsBefore);
        if (!notice_) throw;
        notice_(std::to_string(lastIndex_));
        notice_(std::to_string(stage));
    }
}

int TraceTableBuilder::FindTrace(std::string_view id) const {
    const uint32_t hash = HashPacketId(id, seed_);
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
    const uint32_t hash = HashPacketId(id, seed_);
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

}  // namespace kavro

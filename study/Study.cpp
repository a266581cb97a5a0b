#include "study/Study.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "conversion/ByNode.h"
#include "conversion/EventWriter.h"
#include "conversion/TraceLine.h"
#include "conversion/TraceTime.h"

namespace kavro::study {

namespace {

Value Finite(double value) { return std::isfinite(value) ? Value(value) : std::nullopt; }

// Nearest rank: the p-th percentile of n sorted values is at rank ceil(p n / 100).
size_t Rank(size_t p, size_t n) { return std::max<size_t>(1, (p * n + 99) / 100) - 1; }

// Delivered as the event file tells it: a receive counted and gave a time
// text; the study then takes the first receive's figures.
bool Delivered(const RecNsTrace& rec) { return !rec.RecvTime.empty(); }

// A record's times as numbers, read once.
struct Timing {
    bool sent = false;  // its send time is a number
    double send = 0;
    bool timed = false;  // delivered, and both its times are numbers
    double delay = 0;
};

Timing TimingOf(const RecNsTrace& rec, const StudyRecord& study) {
    Timing t;
    t.sent = ReadTime(rec.SendTime, t.send);
    double receive = 0;
    t.timed = t.sent && Delivered(rec) && ReadTime(study.receiveTime, receive);
    if (t.timed) t.delay = receive - t.send;
    return t;
}

// The links of a delivered record, by where the trace's paths came from.
std::optional<uint64_t> HopsOf(const RecNsTrace& rec, const StudyRecord& study, PathSource paths) {
    if (!Delivered(rec)) return std::nullopt;
    if (paths != PathSource::Counts) return PathLinks(rec);
    if (study.forwards < 0) return std::nullopt;
    return static_cast<uint64_t>(study.forwards);
}

// Figures of a set of records, fed in table order, one flow after another.
class Accumulator {
public:
    explicit Accumulator(PathSource paths) : paths_(paths) {}

    // A new flow begins: jitter pairs never span two flows.
    void StartFlow() { havePrevious_ = false; }

    void Add(const RecNsTrace& rec, const StudyRecord& study, const RecordFlow& flow, const Timing& time) {
        ++sent_;
        // The span starts at the first send, whether that packet arrived or not.
        if (time.sent) firstSend_ = std::min(firstSend_, time.send);
        if (!Delivered(rec)) return;
        ++delivered_;
        links_ += PathLinks(rec);
        if (const auto hops = HopsOf(rec, study, paths_)) {
            hops_ += *hops;
            ++hopsOver_;
        }
        bytes_ += flow.size;
        if (!time.timed) return;
        const double delay = time.delay;
        delays_.push_back(delay);
        if (havePrevious_) {
            jitterSum_ += std::fabs(delay - previous_);
            ++pairs_;
        }
        previous_ = delay;
        havePrevious_ = true;
        lastReceive_ = std::max(lastReceive_, time.send + delay);
    }

    uint64_t Links() const { return links_; }

    void Write(Figures& f) {
        f.sent = sent_;
        f.delivered = delivered_;
        if (sent_) f.pdr = Finite(100.0 * delivered_ / sent_);
        std::sort(delays_.begin(), delays_.end());
        const size_t n = delays_.size();
        if (n) {
            double sum = 0;
            for (double d : delays_) sum += d;
            f.meanDelay = Finite(sum / n);
            f.medianDelay = Finite(delays_[Rank(50, n)]);
            f.p95Delay = Finite(delays_[Rank(95, n)]);
            f.maxDelay = Finite(delays_.back());
            const double span = lastReceive_ - firstSend_;
            if (span > 0) f.throughputKbps = Finite(bytes_ * 8 / 1000.0 / span);
        }
        if (pairs_) f.jitter = Finite(jitterSum_ / pairs_);
        if (hopsOver_) f.meanHops = Finite(static_cast<double>(hops_) / hopsOver_);
    }

private:
    PathSource paths_;
    uint64_t sent_ = 0, delivered_ = 0, links_ = 0, bytes_ = 0, pairs_ = 0, hops_ = 0, hopsOver_ = 0;
    std::vector<double> delays_;
    double jitterSum_ = 0;
    double previous_ = 0;
    bool havePrevious_ = false;
    double firstSend_ = INFINITY, lastReceive_ = -INFINITY;
};

// The formats of the lines read: one name, "mixed", or none.
std::string_view FormatsName(unsigned formats) {
    if (formats == 0) return "";
    if (formats & (formats - 1)) return "mixed";
    unsigned index = 0;
    while (!(formats & (1u << index))) ++index;
    return FormatName(static_cast<Format>(index));
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <class Bin>
SparseBins<Bin> Sparse(std::map<uint64_t, Bin>&& bins) {
    return SparseBins<Bin>(std::make_move_iterator(bins.begin()), std::make_move_iterator(bins.end()));
}

void AddDelivery(RecordBin& bin, uint64_t size, bool timed, double delay) {
    ++bin.delivered;
    bin.bytes += size;
    if (!timed) return;
    bin.delayMax = bin.delays ? std::max(bin.delayMax, delay) : delay;
    bin.delaySum += delay;
    ++bin.delays;
}

}  // namespace

bool NodeBefore(std::string_view a, std::string_view b) {
    const bool da = AllDigits(a), db = AllDigits(b);
    if (da != db) return da;
    if (!da) return a < b;
    const std::string_view va = a.substr(std::min(a.find_first_not_of('0'), a.size()));
    const std::string_view vb = b.substr(std::min(b.find_first_not_of('0'), b.size()));
    if (va.size() != vb.size()) return va.size() < vb.size();
    if (va != vb) return va < vb;
    return a < b;
}

Study MakeStudy(const ArrTrace& table, const StudyFacts& facts, PathSource paths, const Parts& parts) {
    Study s;
    static const StudyRecord kNone;
    static const RecordFlow kNoFlow;
    const auto study = [&](size_t i) -> const StudyRecord& {
        return i < facts.records.size() ? facts.records[i] : kNone;
    };
    const auto flowOfRecord = [&](size_t i) -> const RecordFlow& {
        return i < facts.flows.size() ? facts.flows[i] : kNoFlow;
    };

    // Flows in the order of their first record.
    std::unordered_map<std::string, size_t> flowIndex;
    std::vector<std::vector<size_t>> flowRecords;
    std::vector<size_t> flowOf(table.size());
    std::string key;
    for (size_t i = 0; i < table.size(); ++i) {
        const RecordFlow& r = flowOfRecord(i);
        key.assign(r.source).append(1, '\0').append(r.destination).append(1, '\0').append(r.type);
        const auto [at, fresh] = flowIndex.try_emplace(key, flowRecords.size());
        if (fresh) {
            flowRecords.emplace_back();
            Flow& flow = s.flows.emplace_back();
            flow.source = r.source;
            flow.destination = r.destination;
            flow.type = r.type;
        }
        flowRecords[at->second].push_back(i);
        flowOf[i] = at->second;
    }

    std::vector<Timing> times(table.size());
    for (size_t i = 0; i < table.size(); ++i) times[i] = TimingOf(table[i], study(i));

    // The whole trace takes its records flow by flow, so that its jitter
    // counts pairs within each flow only.
    Accumulator whole(paths);
    for (size_t f = 0; f < flowRecords.size(); ++f) {
        Accumulator flow(paths);
        whole.StartFlow();
        for (size_t i : flowRecords[f]) {
            flow.Add(table[i], study(i), flowOfRecord(i), times[i]);
            whole.Add(table[i], study(i), flowOfRecord(i), times[i]);
        }
        flow.Write(s.flows[f]);
    }

    std::unordered_set<std::string_view> recordTypes;
    for (size_t i = 0; i < table.size(); ++i) recordTypes.insert(flowOfRecord(i).type);
    const auto counted = [&](const std::string& type) { return !recordTypes.count(type); };

    TraceFigures& t = s.trace;
    whole.Write(t);
    t.format = FormatsName(facts.formats);
    if (paths == PathSource::Routing) {
        uint64_t routingPackets = 0;
        for (const auto& [type, routing] : facts.routingByType)
            if (counted(type)) routingPackets += routing.lines;
        t.routingPackets = routingPackets;
        if (t.delivered) t.nrl = Finite(static_cast<double>(routingPackets) / t.delivered);
    }
    t.dropped = facts.droppedWithRecord;
    t.eventLines = 2 * whole.Links();
    t.flows = s.flows.size();
    t.paths = paths;

    // Nodes, from the table, the drops and the energy readings.
    const bool wantNodes = parts.nodes || parts.binNs;
    ByNode<Node> byNode;
    if (wantNodes) {
        for (size_t i = 0; i < table.size(); ++i) {
            const RecNsTrace& rec = table[i];
            ++byNode[rec.SrcNode].sent;
            if (Delivered(rec)) ++byNode[flowOfRecord(i).receiveNode].received;
            for (const RecFwd& hop : rec.Hops) ++byNode[hop.Node].forwarded;
        }
        facts.dropsAtNode.ForEach([&](const std::string& node, uint64_t count) { byNode[node].dropped += count; });
        facts.energy.ForEach([&](const std::string& node, const EnergyReading& r) {
            Node& n = byNode[node];
            n.energy = r.energy;
            n.energyTime = r.time;
        });
        byNode.ForEach([&](const std::string& id, const Node& n) {
            s.nodes.push_back(n);
            s.nodes.back().node = id;
        });
        std::sort(s.nodes.begin(), s.nodes.end(),
                  [](const Node& a, const Node& b) { return NodeBefore(a.node, b.node); });
    }

    if (parts.drops) {
        // Sorted as pointers: a trace may drop many kinds, each three strings.
        std::vector<const DropCount*> drops;
        for (const DropCount& c : facts.drops) drops.push_back(&c);
        std::sort(drops.begin(), drops.end(), [](const DropCount* a, const DropCount* b) {
            return std::tie(a->layer, a->reason, a->type) < std::tie(b->layer, b->reason, b->type);
        });
        s.drops.reserve(drops.size());
        for (const DropCount* c : drops) s.drops.push_back({c->layer, c->reason, c->type, c->lines});
    }

    if (parts.packets) {
        s.packets.reserve(table.size());
        for (size_t i = 0; i < table.size(); ++i) {
            const RecNsTrace& rec = table[i];
            const StudyRecord& r = study(i);
            const RecordFlow& f = flowOfRecord(i);
            Packet& p = s.packets.emplace_back();
            p.id = rec.PacketId;
            p.type = f.type;
            p.source = f.source;
            p.destination = f.destination;
            p.sendTime = rec.SendTime;
            if (!Delivered(rec)) continue;
            p.receiveTime = r.receiveTime;
            if (times[i].timed) p.delay = Finite(times[i].delay);
            p.hops = HopsOf(rec, r, paths);
            p.size = f.size;
        }
    }

    if (parts.binNs == 0) return s;
    Series& series = s.series;
    series.binNs = parts.binNs;
    // The nodes' places in s.nodes, plus one.
    ByNode<size_t> nodeIndex;
    for (size_t n = 0; n < s.nodes.size(); ++n) nodeIndex[s.nodes[n].node] = n + 1;
    std::vector<std::map<uint64_t, RecordBin>> flowBins(s.flows.size());
    std::vector<std::map<uint64_t, NodeBin>> nodeBins(s.nodes.size());
    std::map<uint64_t, TraceBin> traceBins;
    bool any = facts.binned;
    uint64_t last = facts.lastBin;
    const auto bin = [&](std::string_view time, uint64_t& k) {
        if (!BinOf(time, parts.binNs, k)) return false;
        last = any ? std::max(last, k) : k;
        any = true;
        return true;
    };
    const auto node = [&](std::string_view id) -> std::map<uint64_t, NodeBin>& { return nodeBins[nodeIndex[id] - 1]; };
    for (size_t i = 0; i < table.size(); ++i) {
        const RecNsTrace& rec = table[i];
        const StudyRecord& r = study(i);
        const RecordFlow& f = flowOfRecord(i);
        uint64_t k = 0;
        if (bin(rec.SendTime, k)) {
            ++traceBins[k].sent;
            ++flowBins[flowOf[i]][k].sent;
            ++node(rec.SrcNode)[k].sent;
        }
        for (const RecFwd& hop : rec.Hops)
            if (bin(hop.Time, k)) ++node(hop.Node)[k].forwarded;
        if (!Delivered(rec) || !bin(r.receiveTime, k)) continue;
        AddDelivery(traceBins[k], f.size, times[i].timed, times[i].delay);
        AddDelivery(flowBins[flowOf[i]][k], f.size, times[i].timed, times[i].delay);
        ++node(f.receiveNode)[k].received;
    }
    for (const auto& [k, count] : facts.droppedBins.runs) traceBins[k].dropped += count;
    for (const auto& [type, routing] : facts.routingByType)
        if (counted(type))
            for (const auto& [k, count] : routing.bins.runs) traceBins[k].routing += count;
    facts.dropBinsAtNode.ForEach([&](const std::string& id, const BinCounts& drops) {
        for (const auto& [k, count] : drops.runs) node(id)[k].dropped += count;
    });
    series.energy.resize(s.nodes.size());
    facts.energyBins.ForEach([&](const std::string& id, const EnergyBins& readings) {
        for (const auto& [k, reading] : readings) series.energy[nodeIndex[id] - 1].emplace_back(k, reading.energy);
    });

    if (!any) return s;
    series.bins = last + 1;
    series.trace.resize(series.bins);
    for (auto& [k, b] : traceBins) series.trace[k] = b;
    for (auto& bins : flowBins) series.flows.push_back(Sparse(std::move(bins)));
    for (auto& bins : nodeBins) series.nodes.push_back(Sparse(std::move(bins)));
    return s;
}

}  // namespace kavro::study

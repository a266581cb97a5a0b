#include "StudyTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <tuple>
#include <vector>

#include "ByNode.h"
#include "EventWriter.h"
#include "Summary.h"
#include "TraceLine.h"

namespace kavro {

const std::string_view kTraceTableHeader =
    "trace,format,sent,delivered,pdr,mean_delay,median_delay,p95_delay,max_delay,jitter,"
    "throughput_kbps,mean_hops,routing_packets,nrl,dropped,event_lines,flows,paths\n";
const std::string_view kFlowTableHeader =
    "trace,source,destination,type,sent,delivered,pdr,mean_delay,median_delay,p95_delay,"
    "max_delay,jitter,throughput_kbps,mean_hops\n";
const std::string_view kNodeTableHeader = "trace,node,sent,received,forwarded,dropped,energy,energy_time\n";
const std::string_view kDropTableHeader = "trace,layer,reason,type,lines\n";

namespace {

// Figures of a set of records; fed in table order, one flow after another.
class Figures {
public:
    explicit Figures(PathSource paths) : paths_(paths) {}

    // A new flow begins: jitter pairs never span two flows.
    void StartFlow() { havePrevious_ = false; }

    void Add(const RecNsTrace& rec, const StudyRecord& study) {
        ++sent_;
        double send = 0, receive = 0;
        const bool timedSend = ReadTime(rec.SendTime, send);
        // The span starts at the first send, whether that packet arrived or not.
        if (timedSend) firstSend_ = std::min(firstSend_, send);
        if (!study.received) return;
        ++delivered_;
        links_ += PathLinks(rec);
        if (paths_ != PathSource::Counts) {
            hops_ += PathLinks(rec);
            ++hopsOver_;
        } else if (study.forwards >= 0) {
            hops_ += static_cast<uint64_t>(study.forwards);
            ++hopsOver_;
        }
        bytes_ += study.size;
        if (!timedSend || !ReadTime(study.receiveTime, receive)) return;
        const double delay = receive - send;
        delays_.push_back(delay);
        if (havePrevious_) {
            jitterSum_ += std::fabs(delay - previous_);
            ++pairs_;
        }
        previous_ = delay;
        havePrevious_ = true;
        lastReceive_ = std::max(lastReceive_, receive);
    }

    uint64_t Sent() const { return sent_; }
    uint64_t Delivered() const { return delivered_; }
    uint64_t Links() const { return links_; }

    // sent,delivered,pdr,mean_delay,median_delay,p95_delay,max_delay,jitter,throughput_kbps,mean_hops
    void Write(std::string& row) {
        row += ',' + std::to_string(sent_) + ',' + std::to_string(delivered_);
        Field(row, "%.2f", 1, sent_, 100.0 * delivered_ / sent_);
        std::sort(delays_.begin(), delays_.end());
        const size_t n = delays_.size();
        double sum = 0;
        for (double d : delays_) sum += d;
        Field(row, "%.9f", n, n, sum / n);
        Field(row, "%.9f", n, n, n ? delays_[Rank(50, n)] : 0);
        Field(row, "%.9f", n, n, n ? delays_[Rank(95, n)] : 0);
        Field(row, "%.9f", n, n, n ? delays_.back() : 0);
        Field(row, "%.9f", pairs_, pairs_, jitterSum_ / pairs_);
        const double span = lastReceive_ - firstSend_;
        Field(row, "%.3f", n && span > 0, 1, bytes_ * 8 / 1000.0 / span);
        Field(row, "%.4f", hopsOver_, hopsOver_, static_cast<double>(hops_) / hopsOver_);
    }

    // A figure with nothing to compute it from is an empty field.
    static void Field(std::string& row, const char* format, uint64_t have, uint64_t over, double value) {
        row += ',';
        if (!have || !over) return;
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        row += text;
    }

private:
    // Nearest rank: the p-th percentile of n sorted values is at rank ceil(p n / 100).
    static size_t Rank(size_t p, size_t n) { return std::max<size_t>(1, (p * n + 99) / 100) - 1; }

    PathSource paths_;
    uint64_t sent_ = 0, delivered_ = 0, links_ = 0, bytes_ = 0, pairs_ = 0, hops_ = 0, hopsOver_ = 0;
    std::vector<double> delays_;
    double jitterSum_ = 0;
    double previous_ = 0;
    bool havePrevious_ = false;
    double firstSend_ = INFINITY, lastReceive_ = -INFINITY;
};

// A CSV field: quoted only when it holds a comma, a quote or a line end.
void Csv(std::string& row, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        row.append(text);
        return;
    }
    row += '"';
    for (char c : text) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

void Start(std::string& row, std::string_view trace) { Csv(row, trace); }

void Next(std::string& row, std::string_view text) {
    row += ',';
    Csv(row, text);
}

const char* FormatName(unsigned formats) {
    switch (formats) {
        case 0: return "";
        case 1u << static_cast<unsigned>(Format::Old): return "old";
        case 1u << static_cast<unsigned>(Format::New): return "new";
        case 1u << static_cast<unsigned>(Format::Tagged): return "tagged";
        default: return "mixed";
    }
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Ids of digits first, by their value; then the rest in byte order.
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

struct NodeFigures {
    uint64_t sent = 0, received = 0, forwarded = 0, dropped = 0;
    const EnergyReading* energy = nullptr;
};

}  // namespace

const char* PathsName(PathSource paths) {
    switch (paths) {
        case PathSource::Routing: return "routing";
        case PathSource::Mac: return "mac";
        case PathSource::Counts: return "counts";
    }
    return "";
}

StudyRows MakeStudyRows(std::string_view trace, const ArrTrace& table, const StudyFacts& facts,
                        PathSource paths) {
    StudyRows rows;
    static const StudyRecord kNone;
    const auto study = [&](size_t i) -> const StudyRecord& {
        return i < facts.records.size() ? facts.records[i] : kNone;
    };

    // Flows in the order of their first record.
    std::unordered_map<std::string, size_t> flowIndex;
    std::vector<std::vector<size_t>> flows;
    std::vector<size_t> flowFirst;
    std::string key;
    for (size_t i = 0; i < table.size(); ++i) {
        key.assign(study(i).source).append(1, '\0').append(study(i).destination).append(1, '\0');
        key.append(study(i).type);
        const auto [at, fresh] = flowIndex.emplace(key, flows.size());
        if (fresh) {
            flows.emplace_back();
            flowFirst.push_back(i);
        }
        flows[at->second].push_back(i);
    }

    // The whole trace takes its records flow by flow, so that its jitter
    // counts pairs within each flow only.
    Figures whole(paths);
    for (size_t f = 0; f < flows.size(); ++f) {
        Figures flow(paths);
        whole.StartFlow();
        for (size_t i : flows[f]) {
            flow.Add(table[i], study(i));
            whole.Add(table[i], study(i));
        }
        const size_t first = flowFirst[f];
        std::string& row = rows.flows;
        Start(row, trace);
        Next(row, study(first).source);
        Next(row, study(first).destination);
        Next(row, study(first).type);
        flow.Write(row);
        row += '\n';
    }

    std::unordered_set<std::string_view> recordTypes;
    for (size_t i = 0; i < table.size(); ++i) recordTypes.insert(study(i).type);
    uint64_t routing = 0;
    for (const auto& [type, lines] : facts.routingByType)
        if (!recordTypes.count(type)) routing += lines;

    std::string& row = rows.trace;
    Start(row, trace);
    Next(row, FormatName(facts.formats));
    whole.Write(row);
    row += ',' + std::to_string(routing);
    Figures::Field(row, "%.4f", whole.Delivered(), whole.Delivered(),
                   static_cast<double>(routing) / whole.Delivered());
    row += ',' + std::to_string(facts.droppedWithRecord) + ',' + std::to_string(2 * whole.Links()) + ',' +
           std::to_string(flows.size()) + ',' + (whole.Delivered() ? PathsName(paths) : "") + '\n';

    // Nodes, from the table, the drops and the energy readings.
    ByNode<NodeFigures> byNode;
    for (size_t i = 0; i < table.size(); ++i) {
        const RecNsTrace& rec = table[i];
        ++byNode[rec.SrcNode].sent;
        if (study(i).received) ++byNode[study(i).receiveNode].received;
        for (const RecFwd& hop : rec.Hops) ++byNode[hop.Node].forwarded;
    }
    facts.dropsAtNode.ForEach([&](const std::string& node, uint64_t count) { byNode[node].dropped += count; });
    facts.energy.ForEach([&](const std::string& node, const EnergyReading& r) { byNode[node].energy = &r; });
    std::vector<std::pair<std::string, NodeFigures>> nodes;
    byNode.ForEach([&](const std::string& node, const NodeFigures& n) { nodes.emplace_back(node, n); });
    std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return NodeBefore(a.first, b.first); });
    for (const auto& [node, n] : nodes) {
        std::string& out = rows.nodes;
        Start(out, trace);
        Next(out, node);
        out += ',' + std::to_string(n.sent) + ',' + std::to_string(n.received) + ',' +
               std::to_string(n.forwarded) + ',' + std::to_string(n.dropped);
        Next(out, n.energy ? std::string_view(n.energy->energy) : std::string_view());
        Next(out, n.energy ? std::string_view(n.energy->time) : std::string_view());
        out += '\n';
    }

    std::vector<const DropCount*> drops;
    for (const DropCount& c : facts.drops) drops.push_back(&c);
    std::sort(drops.begin(), drops.end(), [](const DropCount* a, const DropCount* b) {
        return std::tie(a->layer, a->reason, a->type) < std::tie(b->layer, b->reason, b->type);
    });
    for (const DropCount* c : drops) {
        std::string& out = rows.drops;
        Start(out, trace);
        Next(out, c->layer);
        Next(out, c->reason);
        Next(out, c->type);
        out += ',' + std::to_string(c->lines) + '\n';
    }
    return rows;
}

}  // namespace kavro

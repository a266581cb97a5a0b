#include "study/Csv.h"

#include <charconv>

namespace kavro::study {

const std::string_view kTraceHeader =
    "trace,format,sent,delivered,pdr,mean_delay,median_delay,p95_delay,max_delay,jitter,"
    "throughput_kbps,mean_hops,routing_packets,nrl,dropped,event_lines,flows,paths\n";
const std::string_view kFlowHeader =
    "trace,source,destination,type,sent,delivered,pdr,mean_delay,median_delay,p95_delay,"
    "max_delay,jitter,throughput_kbps,mean_hops\n";
const std::string_view kNodeHeader = "trace,node,sent,received,forwarded,dropped,energy,energy_time\n";
const std::string_view kDropHeader = "trace,layer,reason,type,lines\n";
const std::string_view kSeriesHeader =
    "trace,bin_start,sent,delivered,throughput_kbps,mean_delay,max_delay,dropped,routing_packets\n";
const std::string_view kFlowSeriesHeader =
    "trace,source,destination,type,bin_start,sent,delivered,throughput_kbps,mean_delay,max_delay\n";
const std::string_view kNodeSeriesHeader = "trace,node,bin_start,sent,received,forwarded,dropped,energy\n";
const std::string_view kPacketHeader =
    "trace,packet,type,source,destination,send_time,receive_time,delay,hops,size\n";

namespace {

// Decimals of the figures: seconds 9, percentages 2, kbit/s 3, hops and nrl 4.
constexpr int kSeconds = 9, kPercent = 2, kKbps = 3, kRatio = 4;

void Next(std::string& row, std::string_view text) {
    row += ',';
    Csv(row, text);
}

void Count(std::string& row, uint64_t n) {
    row += ',';
    row += std::to_string(n);
}

void Count(std::string& row, std::optional<uint64_t> n) {
    if (n)
        Count(row, *n);
    else
        row += ',';
}

// sent,delivered,pdr,mean_delay,median_delay,p95_delay,max_delay,jitter,throughput_kbps,mean_hops
void Write(std::string& row, const Figures& f) {
    Count(row, f.sent);
    Count(row, f.delivered);
    Number(row, f.pdr, kPercent);
    for (const Value* v : {&f.meanDelay, &f.medianDelay, &f.p95Delay, &f.maxDelay, &f.jitter})
        Number(row, *v, kSeconds);
    Number(row, f.throughputKbps, kKbps);
    Number(row, f.meanHops, kRatio);
}

// throughput_kbps,mean_delay,max_delay of a bin; an empty bin has no delays.
void Write(std::string& row, const RecordBin& b, double seconds) {
    Number(row, b.bytes * 8 / 1000.0 / seconds, kKbps);
    Number(row, b.delays ? Value(b.delaySum / b.delays) : std::nullopt, kSeconds);
    Number(row, b.delays ? Value(b.delayMax) : std::nullopt, kSeconds);
}

// Calls fn(k, bin) for every bin of the series, with an empty bin where the
// sparse bins have none.
template <class Bin, class Fn>
void EveryBin(const Series& series, const SparseBins<Bin>& bins, Fn&& fn) {
    static const Bin kEmpty{};
    size_t at = 0;
    for (uint64_t k = 0; k < series.bins; ++k) {
        const bool here = at < bins.size() && bins[at].first == k;
        fn(k, here ? bins[at].second : kEmpty);
        at += here;
    }
}

}  // namespace

const char* PathsName(PathSource paths) {
    switch (paths) {
        case PathSource::Routing: return "routing";
        case PathSource::Mac: return "mac";
        case PathSource::Counts: return "counts";
    }
    return "";
}

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

void Number(std::string& row, const Value& value, int decimals) {
    row += ',';
    if (!value) return;
    // A double's whole digits are at most 309, before a sign and decimals.
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, *value, std::chars_format::fixed, decimals);
    row.append(text, static_cast<size_t>(end - text));
}

std::string TraceRow(std::string_view trace, const Study& s) {
    const TraceFigures& t = s.trace;
    std::string row;
    Csv(row, trace);
    Next(row, t.format);
    Write(row, t);
    Count(row, t.routingPackets);
    Number(row, t.nrl, kRatio);
    Count(row, t.dropped);
    Count(row, t.eventLines);
    Count(row, t.flows);
    Next(row, t.delivered ? PathsName(t.paths) : "");
    return row + '\n';
}

std::string FlowRows(std::string_view trace, const Study& s) {
    std::string rows;
    for (const Flow& f : s.flows) {
        Csv(rows, trace);
        Next(rows, f.source);
        Next(rows, f.destination);
        Next(rows, f.type);
        Write(rows, f);
        rows += '\n';
    }
    return rows;
}

std::string NodeRows(std::string_view trace, const Study& s) {
    std::string rows;
    for (const Node& n : s.nodes) {
        Csv(rows, trace);
        Next(rows, n.node);
        Count(rows, n.sent);
        Count(rows, n.received);
        Count(rows, n.forwarded);
        Count(rows, n.dropped);
        Next(rows, n.energy);
        Next(rows, n.energyTime);
        rows += '\n';
    }
    return rows;
}

std::string DropRows(std::string_view trace, const Study& s) {
    std::string rows;
    for (const Drop& d : s.drops) {
        Csv(rows, trace);
        Next(rows, d.layer);
        Next(rows, d.reason);
        Next(rows, d.type);
        Count(rows, d.lines);
        rows += '\n';
    }
    return rows;
}

std::string SeriesRows(std::string_view trace, const Study& s, const BinWidth& width) {
    const Series& series = s.series;
    const double seconds = width.ns / 1e9;
    std::string rows;
    for (uint64_t k = 0; k < series.bins; ++k) {
        const TraceBin& b = series.trace[k];
        Csv(rows, trace);
        Next(rows, BinStart(k, width));
        Count(rows, b.sent);
        Count(rows, b.delivered);
        Write(rows, b, seconds);
        Count(rows, b.dropped);
        Count(rows, s.trace.routingPackets ? std::optional<uint64_t>(b.routing) : std::nullopt);
        rows += '\n';
    }
    return rows;
}

std::string FlowSeriesRows(std::string_view trace, const Study& s, const BinWidth& width) {
    const double seconds = width.ns / 1e9;
    std::string rows;
    for (size_t f = 0; f < s.series.flows.size(); ++f) {
        const Flow& flow = s.flows[f];
        EveryBin(s.series, s.series.flows[f], [&](uint64_t k, const RecordBin& b) {
            Csv(rows, trace);
            Next(rows, flow.source);
            Next(rows, flow.destination);
            Next(rows, flow.type);
            Next(rows, BinStart(k, width));
            Count(rows, b.sent);
            Count(rows, b.delivered);
            Write(rows, b, seconds);
            rows += '\n';
        });
    }
    return rows;
}

std::string NodeSeriesRows(std::string_view trace, const Study& s, const BinWidth& width) {
    std::string rows;
    for (size_t n = 0; n < s.series.nodes.size(); ++n) {
        // The last reading before the bin's end, carried on.
        const SparseBins<std::string>& energy = s.series.energy[n];
        size_t reading = 0;
        EveryBin(s.series, s.series.nodes[n], [&](uint64_t k, const NodeBin& b) {
            while (reading < energy.size() && energy[reading].first <= k) ++reading;
            Csv(rows, trace);
            Next(rows, s.nodes[n].node);
            Next(rows, BinStart(k, width));
            Count(rows, b.sent);
            Count(rows, b.received);
            Count(rows, b.forwarded);
            Count(rows, b.dropped);
            Next(rows, reading ? std::string_view(energy[reading - 1].second) : std::string_view());
            rows += '\n';
        });
    }
    return rows;
}

std::string PacketRows(std::string_view trace, const Study& s) {
    std::string rows;
    for (const Packet& p : s.packets) {
        Csv(rows, trace);
        Next(rows, p.id);
        Next(rows, p.type);
        Next(rows, p.source);
        Next(rows, p.destination);
        Next(rows, p.sendTime);
        Next(rows, p.receiveTime);
        Number(rows, p.delay, kSeconds);
        rows += ',';
        if (p.hops) rows += std::to_string(*p.hops);
        rows += ',';
        if (!p.receiveTime.empty()) rows += std::to_string(p.size);
        rows += '\n';
    }
    return rows;
}

}  // namespace kavro::study

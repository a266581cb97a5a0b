#include "plots/TracePage.h"

#include <algorithm>

#include "study/Csv.h"
#include "plots/Script.h"
#include "conversion/TraceTime.h"

namespace kavro::plots {

namespace {

// A data file's rows, and whether any value in it is not 0.
struct Data {
    std::string csv;
    bool rows = false;
    bool nonzero = false;
};

// Per bin: throughput, and the packets delivered and dropped by its end.
Data SeriesData(const study::Series& series, const study::BinWidth& width) {
    Data d{"bin_start_s,bin_end_s,throughput_kbps,delivered_total,dropped_total\n"};
    uint64_t delivered = 0, dropped = 0;
    for (uint64_t k = 0; k < series.bins; ++k) {
        const study::TraceBin& b = series.trace[k];
        delivered += b.delivered;
        dropped += b.dropped;
        d.csv += study::BinStart(k, width) + ',' + study::BinStart(k + 1, width);
        study::Number(d.csv, b.bytes * 8 / 1000.0 / (width.ns / 1e9), 3);
        d.csv += ',' + std::to_string(delivered) + ',' + std::to_string(dropped) + '\n';
        d.rows = true;
        d.nonzero = d.nonzero || b.bytes || delivered || dropped;
    }
    return d;
}

// Each delivered packet's delay by its send time.
Data DelayData(const std::vector<study::Packet>& packets) {
    Data d{"send_time_s,delay_s\n"};
    for (const study::Packet& p : packets) {
        double sent = 0;
        if (!p.delay || !ReadTime(p.sendTime, sent)) continue;
        d.csv += p.sendTime;
        study::Number(d.csv, p.delay, 9);
        d.csv += '\n';
        d.rows = true;
        d.nonzero = d.nonzero || *p.delay > 0;
    }
    return d;
}

// Each node's last reading by the end of each bin, carried on, for the nodes
// in `nodes`; and the lowest and highest reading.
Data EnergyData(const study::Study& s, const std::vector<size_t>& nodes, const study::BinWidth& width,
                double& low, double& high) {
    Data d{"time_s"};
    for (size_t n : nodes) {
        d.csv += ',';
        study::Csv(d.csv, "node " + s.nodes[n].node);
    }
    d.csv += '\n';
    std::vector<size_t> next(nodes.size(), 0);
    for (uint64_t k = 0; k < s.series.bins; ++k) {
        d.csv += study::BinStart(k + 1, width);
        for (size_t i = 0; i < nodes.size(); ++i) {
            const study::SparseBins<std::string>& readings = s.series.energy[nodes[i]];
            while (next[i] < readings.size() && readings[next[i]].first <= k) ++next[i];
            d.csv += ',';
            double joules = 0;
            if (!next[i] || !ReadTime(readings[next[i] - 1].second, joules)) continue;
            d.csv += readings[next[i] - 1].second;
            low = d.rows ? std::min(low, joules) : joules;
            high = d.rows ? std::max(high, joules) : joules;
            d.rows = true;
        }
        d.csv += '\n';
    }
    return d;
}

struct Panel {
    const char* title;
    const char* xlabel;
    const char* ylabel;
};

const Panel kThroughput{"Throughput", "Time (s)", "Throughput (kbit/s)"};
const Panel kDelay{"Delay of delivered packets", "Send time (s)", "Delay (s)"};
const Panel kTotals{"Packets delivered and dropped", "Time (s)", "Packets"};
const Panel kEnergy{"Energy per node", "Time (s)", "Energy (J)"};

const char* const kLine = "lw 1.5 lc rgb '#1f4e8c'";
// A key of more nodes would crowd out the lines it names.
constexpr size_t kKeyedNodes = 10;

std::string Begin(const Panel& p, const std::string& xrange) {
    return std::string("set title '") + p.title + "'\nset xlabel '" + p.xlabel + "'\nset ylabel '" + p.ylabel +
           "'\nset xrange " + xrange + "\nunset key\n";
}

// Empty axes, since gnuplot fails on a plot without a point.
std::string NoData() {
    return "set yrange [0:1]\n"
           "set label 1 'no data' at graph 0.5, 0.5 center\n"
           "plot NaN notitle\n"
           "unset label 1\n";
}

// From 0, or to 1 when every value is 0 and there is no range.
std::string FromZero(const Data& d) { return d.nonzero ? "set yrange [0:*]\n" : "set yrange [0:1]\n"; }

}  // namespace

const std::vector<std::string>& PageSuffixes() {
    static const std::vector<std::string> suffixes = {".gp",  ".series.csv", ".delays.csv", ".energy.csv",
                                                      ".svg", ".pdf",        ".png"};
    return suffixes;
}

Figure TracePage(const std::string& stem, std::string_view title, const study::Study& s,
                 const study::BinWidth& width, const std::vector<std::string>& formats) {
    const std::string seriesCsv = stem + ".series.csv", delaysCsv = stem + ".delays.csv",
                      energyCsv = stem + ".energy.csv";
    const Data series = SeriesData(s.series, width);
    const Data delays = DelayData(s.packets);
    Figure f{stem + ".gp", {{seriesCsv, series.csv}, {delaysCsv, delays.csv}}};

    std::vector<size_t> nodes;  // those that report energy
    for (size_t n = 0; n < s.series.energy.size(); ++n)
        if (!s.series.energy[n].empty()) nodes.push_back(n);
    const bool energy = series.rows && !nodes.empty();
    double low = 0, high = 0;
    Data joules;
    std::string setup;
    if (energy) {
        joules = EnergyData(s, nodes, width, low, high);
        f.files.push_back({energyCsv, joules.csv});
        setup = "array node[" + std::to_string(nodes.size()) + "]\n";
        for (size_t i = 0; i < nodes.size(); ++i)
            setup += "node[" + std::to_string(i + 1) + "] = " + Quote("node " + s.nodes[nodes[i]].node) + "\n";
    }

    const std::string xrange = series.rows ? "[0:" + study::BinStart(s.series.bins, width) + "]" : "[0:1]";
    std::string draw = "set multiplot layout " + std::string(energy ? "2, 2" : "1, 3") + " title " + Quote(title) +
                       "\nset grid lc rgb '#d0d0d0'\n";
    draw += Begin(kThroughput, xrange);
    draw += !series.rows ? NoData()
                         : FromZero(series) + "plot '" + seriesCsv + "' skip 1 using (($1 + $2) / 2):3 with histeps " +
                               kLine + " notitle\n";
    draw += Begin(kDelay, xrange);
    draw += !delays.rows ? NoData()
                         : FromZero(delays) + "plot '" + delaysCsv +
                               "' skip 1 using 1:2 with points pt 7 ps 0.3 lc rgb '#1f4e8c' notitle\n";
    draw += Begin(kTotals, xrange);
    draw += !series.rows ? NoData()
                         : FromZero(series) + "set key inside top left\nplot '" + seriesCsv +
                               "' skip 1 using 2:4 with lines " + kLine +
                               " title 'delivered', '' skip 1 using 2:5 with lines lw 1.5 dt 2 lc rgb '#c0392b' "
                               "title 'dropped'\n";
    if (energy) {
        draw += Begin(kEnergy, xrange);
        const std::string count = std::to_string(nodes.size());
        if (!joules.rows) {
            draw += NoData();
        } else {
            // One value throughout is no range: a joule either side.
            draw += high > low ? "set yrange [*:*]\n" : "set yrange [" + Num(low - 1) + ":" + Num(high + 1) + "]\n";
            if (nodes.size() <= kKeyedNodes)
                draw += "set key outside right top vertical maxrows " + count + " samplen 2 spacing 0.9\n";
            else
                draw += "set title 'Energy of " + count + " nodes'\n";
            // Past the eight colours the lines are dashed.
            draw += "plot for [i = 1:" + count + "] '" + energyCsv +
                    "' skip 1 using 1:(valid(i + 1) ? column(i + 1) : NaN) with lines lw 1.5 dt 1 + (i - 1) / 8 "
                    "title node[i]\n";
        }
    }
    draw += "unset multiplot\n";
    f.files.push_back({f.script, Script(stem, formats, energy ? Canvas{8, 7} : Canvas{10, 3.2}, setup, draw)});
    return f;
}

}  // namespace kavro::plots

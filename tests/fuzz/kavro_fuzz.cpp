// Feeds arbitrary bytes through the conversion, cut into pieces anywhere,
// and holds the result against the plain reference.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "lines/LineSplitter.h"
#include "tests/core/Reference.h"
#include "study/Csv.h"
#include "console/SummaryLine.h"
#include "conversion/TraceConverter.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

std::string FileOf(const kavro::TraceConverter& conversion, size_t* lines = nullptr) {
    std::string out;
    conversion.WriteEvents([&](const kavro::EventBlock& block) {
        Check(block.count > 0, "empty block");
        for (size_t i = 0; i < block.count; ++i) {
            const std::string_view line = block.Line(i);
            Check(line.size() >= 12 && line.substr(line.size() - 12) == " energy 5000", "line end");
            Check(block.bytes.substr(line.data() - block.bytes.data() + line.size(), 2) == "\r\n",
                  "line end inside a block");
        }
        if (lines) *lines += block.count;
        out.append(block.bytes);
    });
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first three bytes steer the piece sizes; the rest is the trace.
    if (size < 3) return 0;
    const uint8_t cuts[3] = {data[0], data[1], data[2]};
    const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);

    const ref::Result want = ref::Convert(text);
    const std::string wantFile = ref::EventFile(want.table);

    // As the console converter reads a trace: pieces cut on their own; the
    // whole study, time series and all, is read too when the first byte's
    // low bit says so. A time past the series' last bin fails the trace.
    const bool study = cuts[0] & 1;
    const kavro::ReadOptions reads(study ? kavro::kReadTables | kavro::kReadEnergy : kavro::kReadRecords,
                                   study ? 100000000 : 0);
    kavro::TraceConverter pieces({}, reads);
    kavro::study::Study figures;
    try {
        for (size_t pos = 0, k = 0; pos < text.size(); ++k) {
            const size_t len = cuts[k % 3] % 40;
            pieces.AddPiece(text.substr(pos, len));  // a zero length hands over an empty piece
            pos += len;
            if (len == 0) {
                pieces.AddPiece(text.substr(pos, 1));
                ++pos;
            }
        }
        pieces.End();
        figures = kavro::study::MakeStudy(pieces.Table(), pieces.Facts(), pieces.Paths(),
                                          {study, study, reads.binNs, study});
        if (study) {
            namespace study = kavro::study;
            const study::Study& s = figures;
            const study::BinWidth width{reads.binNs, 1};
            const std::string row = study::TraceRow("t", s);
            Check(pieces.Facts().records.size() == pieces.Table().size(), "a study record per record");
            Check(std::count(row.begin(), row.end(), '\n') == 1, "one row per trace");
            const std::string series = study::SeriesRows("t", s, width);
            Check(static_cast<uint64_t>(std::count(series.begin(), series.end(), '\n')) == s.series.bins,
                  "one series row per bin");
            study::FlowSeriesRows("t", s, width);
            study::NodeSeriesRows("t", s, width);
            study::PacketRows("t", s);
        }
    } catch (const kavro::TraceError&) {
        if (!study) Check(false, "a trace error without a study");
        return 0;
    }
    size_t lines = 0;
    Check(FileOf(pieces, &lines) == wantFile, "pieces convert otherwise than the reference");
    Check(pieces.AgentLines() == want.agentLines, "agent lines");
    Check(pieces.RoutingLines() == want.routingLines, "routing lines");
    size_t wantLines = 0;
    for (const ref::Record& rec : want.table)
        if (!rec.recvTime.empty()) wantLines += 2 * (rec.hops.size() + 1);
    Check(lines == wantLines, "event line count");

    // The line kavro-convert prints after the trace, every figure whole.
    const kavro::study::TraceFigures& summary = figures.trace;
    const std::string line = kavro::console::SummaryLine("t", summary);
    Check(line.rfind("t: " + std::to_string(summary.sent) + " sent, ", 0) == 0, "summary line start");
    Check(line.find(", " + std::to_string(lines) + " event lines, ") != std::string::npos, "summary event lines");
    Check(kavro::console::SummaryLine("t", summary, false).find("event lines") == std::string::npos, "event lines without events");
    const size_t delay = line.find(", mean delay ");
    Check(delay != std::string::npos, "summary mean delay");
    if (summary.meanDelay) {
        const double shown = std::strtod(line.c_str() + delay + 13, nullptr);
        Check(shown == *summary.meanDelay || std::fabs(shown - *summary.meanDelay) <= 1e-6, "mean delay cut short");
    }

    // As the window reads its pane: lines already split.
    std::vector<std::string_view> split;
    kavro::lines::ForEachLine(text, [&](std::string_view l) { split.push_back(l); });
    kavro::TraceConverter window;
    kavro::TraceBatch selected;
    window.Select(split.data(), split.size(), selected);
    for (const kavro::RuleLine& l : selected.lines)
        Check(kavro::KindCanMatch(l.text.empty() ? '\0' : l.text[0]), "a rule read a line its first byte rules out");
    window.Add(selected);
    window.End();
    Check(FileOf(window) == wantFile, "split lines convert otherwise than the reference");
    return 0;
}

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

#include "LineSplitter.h"
#include "Reference.h"
#include "StudyTables.h"
#include "SummaryLine.h"
#include "TraceConverter.h"

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
    // study tables are read, too, when the first byte's low bit says so.
    const unsigned reads = cuts[0] & 1 ? kavro::kReadTables | kavro::kReadEnergy : kavro::kReadEvents;
    kavro::TraceConverter pieces({}, reads);
    kavro::TraceBatch piece;
    for (size_t pos = 0, k = 0; pos < text.size(); ++k) {
        const size_t len = cuts[k % 3] % 40;
        kavro::CutTrace(text.substr(pos, len), piece, reads);  // a zero length hands over an empty piece
        pieces.Add(piece);
        pos += len;
        if (len == 0) {
            kavro::CutTrace(text.substr(pos, 1), piece, reads);
            pieces.Add(piece);
            ++pos;
        }
    }
    pieces.End();
    if (reads != kavro::kReadEvents) {
        const kavro::StudyRows rows = kavro::MakeStudyRows("t", pieces.Table(), pieces.Facts());
        Check(pieces.Facts().records.size() == pieces.Table().size(), "a study record per record");
        Check(std::count(rows.trace.begin(), rows.trace.end(), '\n') == 1, "one row per trace");
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
    const kavro::Summary summary = kavro::Summarize(pieces.Table());
    const std::string line = SummaryLine("t", summary, true);
    Check(line.find(", " + std::to_string(lines) + " event lines, ") != std::string::npos, "summary event lines");
    Check(SummaryLine("t", summary, false).find("event lines") == std::string::npos, "event lines without events");
    const double mean = summary.timed ? summary.delaySum / summary.timed : 0;
    const double shown = summary.timed ? std::strtod(line.c_str() + line.find(", mean delay ") + 13, nullptr) : 0;
    Check(std::isnan(mean) ? std::isnan(shown) : shown == mean || std::fabs(shown - mean) <= 1e-6, "mean delay cut short");

    // As the window reads its pane: lines already split.
    std::vector<std::string_view> split;
    kavro::ForEachLine(text, [&](std::string_view l) { split.push_back(l); });
    kavro::TraceConverter window;
    kavro::TraceBatch selected;
    kavro::SelectLines(split.data(), split.size(), selected);
    for (const kavro::RuleLine& l : selected.lines)
        Check(kavro::KindCanMatch(l.text.empty() ? '\0' : l.text[0]), "a rule read a line its first byte rules out");
    window.Add(selected);
    window.End();
    Check(FileOf(window) == wantFile, "split lines convert otherwise than the reference");
    return 0;
}

// Feeds arbitrary bytes through the whole conversion and checks what must
// hold for any input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "EventWriter.h"
#include "LineSplitter.h"
#include "TraceTable.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

bool HasUpper(const std::string& s) {
    for (char c : s)
        if (c >= 'A' && c <= 'Z') return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first four bytes steer chunk sizes and the guard; the rest is the trace.
    if (size < 4) return 0;
    const uint8_t cuts[3] = {data[0], data[1], data[2]};
    const int failStage = data[3] % 8;  // 5..7: never fail
    const int failEvery = 1 + (data[3] >> 3) % 4;
    const std::string_view text(reinterpret_cast<const char*>(data) + 4, size - 4);

    std::vector<std::string> whole;
    kavro::ForEachLine(text, [&](std::string_view l) { whole.emplace_back(l); });

    std::vector<std::string> streamed;
    auto take = [&](std::string_view l) { streamed.emplace_back(l); };
    kavro::LineSplitter splitter;
    for (size_t pos = 0, k = 0; pos < text.size(); ++k) {
        // A zero cut feeds an empty chunk, then one byte so the loop moves on.
        const size_t len = cuts[k % 3] % 40;
        splitter.Feed(text.substr(pos, len), take);
        if (len == 0) splitter.Feed(text.substr(pos, 1), take);
        pos += len == 0 ? 1 : len;
    }
    splitter.Finish(take);
    Check(streamed == whole, "streamed lines differ from whole-buffer lines");
    for (const std::string& l : whole)
        Check(l.find_first_of("\r\n") == std::string::npos, "line holds a line end");

    size_t notices = 0, failures = 0, stages = 0;
    kavro::TraceTableBuilder builder([&](const std::string&) { ++notices; });
    builder.SetStageHook([&](int stage) {
        if (stage == failStage && ++stages % failEvery == 0) {
            ++failures;
            throw std::bad_alloc();
        }
    });
    for (const std::string& l : whole) builder.BuildTraceTable(l);
    Check(notices == 2 * failures, "each guarded failure gives two notices");

    const kavro::ArrTrace& table = builder.Table();
    size_t wantLines = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const kavro::RecNsTrace& rec = table[i];
        Check(builder.FindTrace(rec.PacketId) == kavro::FindTrace(rec.PacketId, table),
              "indexed lookup disagrees with plain scan");
        Check(kavro::FindTrace(rec.PacketId, table) <= static_cast<int>(i), "lookup not lowest");
        Check(!HasUpper(rec.SrcNode) && !HasUpper(rec.PacketId) && !HasUpper(rec.DstNode),
              "record text not lower-cased");
        for (size_t h = 0; h < rec.Hops.size(); ++h) {
            Check(rec.Hops[h].Node != rec.SrcNode, "hop equals source");
            for (size_t g = 0; g < h; ++g)
                Check(rec.Hops[g].Node != rec.Hops[h].Node, "hop repeated");
        }
        if (!rec.RecvTime.empty()) wantLines += 2 * (rec.Hops.size() + 1);
    }

    size_t lines = 0;
    kavro::WriteEvents(table, [&](std::string_view l) {
        ++lines;
        Check(EndsWith(l, " energy 5000"), "event line without energy");
    });
    Check(lines == wantLines, "event line count");
    return 0;
}

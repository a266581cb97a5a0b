// Feeds arbitrary bytes through the whole conversion and checks what must
// hold for any input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "LineSplitter.h"
#include "TraceConverter.h"
#include "TracePiece.h"
#include "TraceTableBuilder.h"

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

// Fails at the given stage of the forward rule's guard every `every`-th time.
struct FailureSchedule {
    int stage;
    int every;
    size_t reached = 0;
    size_t failures = 0;
    void operator()(int at) {
        if (at == stage && ++reached % every == 0) {
            ++failures;
            throw std::bad_alloc();
        }
    }
};

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
    auto feedInCuts = [&](auto&& feed) {
        for (size_t pos = 0, k = 0; pos < text.size(); ++k) {
            // A zero cut feeds an empty chunk, then one byte so the loop moves on.
            const size_t len = cuts[k % 3] % 40;
            feed(text.substr(pos, len));
            if (len == 0) feed(text.substr(pos, 1));
            pos += len == 0 ? 1 : len;
        }
    };
    feedInCuts([&](std::string_view chunk) { splitter.Feed(chunk, take); });
    splitter.Finish(take);
    Check(streamed == whole, "streamed lines differ from whole-buffer lines");
    for (const std::string& l : whole) {
        Check(l.find_first_of("\r\n") == std::string::npos, "line holds a line end");
        Check(kavro::RuleFor(l) == kavro::Rule::None || kavro::KindCanMatch(l[0]),
              "a rule matched a line its first byte rules out");
    }

    // The same failures line by line and streamed: the streamed converter
    // drops unended lines that can match no rule, which must change nothing.
    size_t notices = 0;
    FailureSchedule byLine{failStage, failEvery}, byChunk{failStage, failEvery};
    kavro::TraceConverter lineWise([&](const std::string&) { ++notices; });
    lineWise.Builder().SetStageHook(std::ref(byLine));
    for (const std::string& l : whole) lineWise.AddLine(l);
    Check(notices == 2 * byLine.failures, "each guarded failure gives two notices");

    kavro::TraceConverter chunkWise;
    chunkWise.Builder().SetStageHook(std::ref(byChunk));
    feedInCuts([&](std::string_view chunk) { chunkWise.AddBytes(chunk); });
    chunkWise.EndBytes();

    // And as pieces cut on their own, as for plain files.
    FailureSchedule byPiece{failStage, failEvery};
    kavro::TraceConverter pieceWise;
    pieceWise.Builder().SetStageHook(std::ref(byPiece));
    kavro::TracePiece piece;
    feedInCuts([&](std::string_view chunk) {
        kavro::CutPiece(chunk, piece);
        pieceWise.AddPiece(piece);
    });
    pieceWise.EndPieces();

    const kavro::ArrTrace& table = lineWise.Table();
    size_t wantLines = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const kavro::RecNsTrace& rec = table[i];
        Check(lineWise.Builder().FindTrace(rec.PacketId) == kavro::FindTrace(rec.PacketId, table),
              "indexed lookup disagrees with plain scan");
        Check(kavro::FindTrace(rec.PacketId, table) <= static_cast<int>(i), "lookup not lowest");
        Check(!HasUpper(rec.SrcNode) && !HasUpper(rec.PacketId) && !HasUpper(rec.DstNode) &&
                  !HasUpper(rec.PacketType),
              "record text not lower-cased");
        for (size_t h = 0; h < rec.Hops.size(); ++h) {
            Check(rec.Hops[h].Node != rec.SrcNode, "hop equals source");
            for (size_t g = 0; g < h; ++g)
                Check(rec.Hops[g].Node != rec.Hops[h].Node, "hop repeated");
        }
        if (!rec.RecvTime.empty()) wantLines += 2 * (rec.Hops.size() + 1);
    }

    size_t lines = 0;
    std::string lineBytes, chunkBytes;
    lineWise.WriteEvents([&](std::string_view l) {
        ++lines;
        Check(EndsWith(l, " energy 5000"), "event line without energy");
    });
    Check(lines == wantLines, "event line count");
    lineWise.WriteEventBytes([&](std::string_view b) { lineBytes.append(b); });
    chunkWise.WriteEventBytes([&](std::string_view b) { chunkBytes.append(b); });
    Check(lineBytes == chunkBytes, "streamed conversion differs from line-by-line");
    std::string pieceBytes;
    pieceWise.WriteEventBytes([&](std::string_view b) { pieceBytes.append(b); });
    Check(lineBytes == pieceBytes, "conversion by pieces differs from line-by-line");

    // A batch of views, as the window hands its lines over.
    std::vector<std::string_view> views(whole.begin(), whole.end());
    kavro::TraceConverter batchWise;
    FailureSchedule byBatch{failStage, failEvery};
    batchWise.Builder().SetStageHook(std::ref(byBatch));
    batchWise.AddLines(views.data(), views.size());
    std::string batchBytes;
    batchWise.WriteEventBytes([&](std::string_view b) { batchBytes.append(b); });
    Check(lineBytes == batchBytes, "conversion of a batch differs from line-by-line");
    return 0;
}

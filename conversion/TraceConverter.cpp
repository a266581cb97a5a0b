#include "TraceConverter.h"

#include <vector>

#include "LineSplitter.h"
#include "TracePiece.h"
#include "TraceTableBuilder.h"

namespace kavro {

TraceConverter::TraceConverter(NoticeFn notice)
    : builder_(std::make_unique<TraceTableBuilder>(std::move(notice))),
      // An unended line that can match no rule is not kept, so that input
      // without line ends (a device, a damaged file) does not fill memory.
      splitter_(std::make_unique<LineSplitter>(KindCanMatch)) {}

TraceConverter::~TraceConverter() = default;

void TraceConverter::AddLine(std::string_view line) { builder_->BuildTraceTable(line); }

void TraceConverter::AddLines(const std::string_view* lines, size_t count) {
    TraceTableBuilder& builder = *builder_;
    // Lines handed over in a batch may lie far apart in memory: fetching a
    // few ahead keeps their first bytes from each costing a cache miss.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < count; ++i) {
#if defined(__GNUC__)
        if (i + kAhead < count) {
            __builtin_prefetch(lines[i + kAhead].data());
            __builtin_prefetch(lines[i + kAhead].data() + 64);
        }
#endif
        builder.BuildTraceTable(lines[i]);
    }
}

void MayMatchARules(const std::string_view* lines, size_t count, bool* may) {
    for (size_t i = 0; i < count; ++i) may[i] = RuleFor(lines[i]) != Rule::None;
}

void TraceConverter::AddBytes(std::string_view chunk) {
    TraceTableBuilder& builder = *builder_;
    splitter_->Feed(chunk, [&builder](std::string_view line) { builder.BuildTraceTable(line); });
}

void TraceConverter::EndBytes() {
    TraceTableBuilder& builder = *builder_;
    splitter_->Finish([&builder](std::string_view line) { builder.BuildTraceTable(line); });
}

void TraceConverter::AddPiece(const TracePiece& piece) {
    ContinueLine(piece.head);
    if (!piece.ended) return;
    FinishLine();
    TraceTableBuilder& builder = *builder_;
    const std::string_view lines = piece.lines;
    for (size_t i = 0, start = 0; i < piece.ends.size(); start = piece.ends[i++])
        builder.BuildTraceTable(lines.substr(start, piece.ends[i] - start));
    ContinueLine(piece.tail);
}

void TraceConverter::EndPieces() { FinishLine(); }

void TraceConverter::ContinueLine(const std::string& bytes) {
    if (bytes.empty()) return;
    if (!pendingBegun_) {
        pendingBegun_ = true;
        // As for AddBytes: a line that cannot match is not held.
        pendingKept_ = KindCanMatch(bytes[0]);
    }
    if (pendingKept_) pending_.append(bytes);
}

void TraceConverter::FinishLine() {
    if (pendingBegun_ && pendingKept_) builder_->BuildTraceTable(pending_);
    pending_.clear();
    pendingBegun_ = pendingKept_ = false;
}

void TraceConverter::WriteEvents(const EmitFn& emit) const { kavro::WriteEvents(Table(), emit); }

void TraceConverter::WriteEventBatches(const BatchFn& write) const {
    constexpr size_t kLines = 4096;
    std::string block;
    std::vector<size_t> ends;  // offsets, since the block may move as it grows
    std::vector<std::string_view> views;
    ends.reserve(kLines);
    views.reserve(kLines);
    auto flush = [&] {
        views.clear();
        for (size_t i = 0, start = 0; i < ends.size(); start = ends[i++])
            views.emplace_back(block.data() + start, ends[i] - start);
        write(views.data(), views.size());
        block.clear();
        ends.clear();
    };
    kavro::WriteEvents(Table(), [&](std::string_view line) {
        block.append(line);
        ends.push_back(block.size());
        if (ends.size() == kLines) flush();
    });
    if (!ends.empty()) flush();
}

void TraceConverter::WriteEventBytes(const WriteFn& write) const {
    // Big enough to keep write calls few, small enough to stay in cache.
    constexpr size_t kBlock = 1 << 18;
    std::string block;
    block.reserve(kBlock + 4096);
    kavro::WriteEvents(Table(), [&](std::string_view line) {
        block.append(line).append(kLineEnd);
        if (block.size() >= kBlock) {
            write(block);
            block.clear();
        }
    });
    if (!block.empty()) write(block);
}

const ArrTrace& TraceConverter::Table() const { return builder_->Table(); }

}  // namespace kavro

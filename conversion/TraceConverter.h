#pragma once
// The one way through the conversion: trace lines or raw trace bytes go in,
// iNSpect event lines come out. The window, the console converter, the tests
// and the fuzz target all drive the core through this.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "EventWriter.h"
#include "TraceTable.h"

namespace kavro {

class LineSplitter;
class TraceTableBuilder;
struct TracePiece;

// Sets may[i] false for lines[i] when no rule matches it, whatever the lines
// around it: a caller that already knows this of a line may leave it out.
void MayMatchARules(const std::string_view* lines, size_t count, bool* may);

class TraceConverter {
public:
    // Receives each plain notice of the forward rule's guard.
    using NoticeFn = std::function<void(const std::string&)>;
    // Receives the event file's bytes in large pieces.
    using WriteFn = std::function<void(std::string_view)>;

    explicit TraceConverter(NoticeFn notice = {});
    ~TraceConverter();
    TraceConverter(const TraceConverter&) = delete;
    TraceConverter& operator=(const TraceConverter&) = delete;

    // One trace line, without its line end.
    void AddLine(std::string_view line);
    // `count` trace lines in order, for callers that hold many at once.
    void AddLines(const std::string_view* lines, size_t count);
    // A stream of raw trace bytes in chunks of any size; a line may span
    // chunks. EndBytes() hands over a last line that has no line end.
    void AddBytes(std::string_view chunk);
    void EndBytes();
    // The same stream as pieces cut by CutPiece, in order; EndPieces() after
    // the last. A stream comes either as bytes or as pieces.
    void AddPiece(const TracePiece& piece);
    void EndPieces();

    // Every event line, without its line end; the view lives for the call.
    void WriteEvents(const EmitFn& emit) const;
    // The same in batches, for a receiver that takes many lines at once.
    using BatchFn = std::function<void(const std::string_view* lines, size_t count)>;
    void WriteEventBatches(const BatchFn& write) const;
    // How many lines WriteEvents gives, and their bytes without line ends,
    // for a receiver that wants to make room first.
    EventSize MeasureEvents() const { return kavro::MeasureEvents(Table()); }
    // The event file: every event line followed by the line end.
    void WriteEventBytes(const WriteFn& write) const;

    const ArrTrace& Table() const;
    TraceTableBuilder& Builder() { return *builder_; }

private:
    std::unique_ptr<TraceTableBuilder> builder_;
    std::unique_ptr<LineSplitter> splitter_;

    // The line that runs from one piece into the next, while it may match.
    void ContinueLine(const std::string& bytes);
    void FinishLine();
    std::string pending_;
    bool pendingBegun_ = false;
    bool pendingKept_ = false;
};

}  // namespace kavro

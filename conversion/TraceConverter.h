#pragma once
// The one way through the conversion: a trace's lines or pieces of its
// bytes go in, each line tested once as the converter reads it (or cuts and
// selects batches of them for other threads), and blocks of iNSpect event
// lines come out. The window, the console converter, the tests and the fuzz
// target all drive the core through this.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "conversion/EventWriter.h"
#include "conversion/TraceBatch.h"
#include "conversion/TraceError.h"
#include "conversion/TraceTable.h"

namespace kavro {

class TraceTableBuilder;

// The longest line of a byte stream that a rule may read. Trace lines are
// well under a kilobyte; anything longer is not a trace, and held whole it
// could take all memory.
inline constexpr size_t kMaxLineBytes = size_t{1} << 20;

class TraceConverter {
public:
    // Receives each plain notice of the forward rule's guard; without it an
    // error there ends the conversion like an error anywhere else.
    using NoticeFn = std::function<void(const std::string&)>;

    // `read` says what the converter reads of each line beyond what the
    // event file needs.
    explicit TraceConverter(NoticeFn notice = {}, const ReadOptions& read = {});
    ~TraceConverter();
    TraceConverter(const TraceConverter&) = delete;
    TraceConverter& operator=(const TraceConverter&) = delete;

    // A trace, in order, then End() before the table is read: as lines
    // already split (a pane's), or as pieces of its bytes, where a line may
    // run from one piece into the next. Throws TraceError for a line that
    // grows past kMaxLineBytes.
    void AddLines(const std::string_view* lines, size_t count);
    void AddPiece(std::string_view bytes);
    void End();

    // The same, in two steps, so that other threads can cut pieces ahead:
    // Cut and Select read the lines a rule reads into a batch, as this
    // converter reads them, and touch nothing else of it, so any thread may
    // call them at once; Add takes the batches in the trace's order. A
    // batch of Select holds views into the lines, which must outlive it.
    void Cut(std::string_view bytes, TraceBatch& batch) const;
    void Select(const std::string_view* lines, size_t count, TraceBatch& batch) const;
    void Add(const TraceBatch& batch);

    // Every event line, in order, in blocks.
    void WriteEvents(const BlockFn& write) const { kavro::WriteEvents(Table(), write); }
    // How many lines WriteEvents gives, and their bytes without line ends,
    // for a receiver that wants to make room first.
    EventSize MeasureEvents() const { return kavro::MeasureEvents(Table()); }

    const ArrTrace& Table() const;
    // Agent sends and receives, and routing-layer sends, receives and
    // forwards: with no agent line, agent tracing was off or this was no
    // wireless trace; with no routing-layer line, router tracing was off.
    size_t AgentLines() const { return agentLines_; }
    size_t RoutingLines() const { return routingLines_; }
    PathSource Paths() const;
    // What the study tables need; empty unless asked for with `reads`.
    const StudyFacts& Facts() const { return facts_; }

private:
    void Take(const TraceBatch& batch);
    // The line that runs from one piece into the next, while it may match.
    void ContinueLine(const std::string& bytes);
    void FinishLine();

    ReadOptions read_;
    TraceBatch batch_;  // reused by AddLines and AddPiece
    StudyFacts facts_;
    std::unique_ptr<TraceTableBuilder> builder_;
    size_t agentLines_ = 0;
    size_t routingLines_ = 0;
    std::string pending_;
    bool pendingBegun_ = false;
    bool pendingKept_ = false;
};

}  // namespace kavro

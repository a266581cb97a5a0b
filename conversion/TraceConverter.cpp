#include "conversion/TraceConverter.h"

#include <algorithm>

#include "conversion/TraceTableBuilder.h"

namespace kavro {

TraceConverter::TraceConverter(NoticeFn notice, const ReadOptions& read)
    : read_(read),
      builder_(std::make_unique<TraceTableBuilder>(std::move(notice),
                                                   read.reads & (kReadTables | kReadRecords) ? &facts_ : nullptr,
                                                   (read.reads & kReadTables) != 0)) {
    facts_.binNs = read.binNs;
}

TraceConverter::~TraceConverter() = default;

const ArrTrace& TraceConverter::Table() const { return builder_->Table(); }

void TraceConverter::AddLines(const std::string_view* lines, size_t count) {
    batch_.Clear();
    Select(lines, count, batch_);
    Add(batch_);
}

void TraceConverter::AddPiece(std::string_view bytes) {
    Cut(bytes, batch_);
    Add(batch_);
}

void TraceConverter::Cut(std::string_view bytes, TraceBatch& batch) const { detail::CutTrace(bytes, batch, read_); }

void TraceConverter::Select(const std::string_view* lines, size_t count, TraceBatch& batch) const {
    detail::SelectLines(lines, count, batch, read_);
}

void TraceConverter::Add(const TraceBatch& batch) {
    ContinueLine(batch.head);
    if (!batch.ended) return;
    FinishLine();
    Take(batch);
    ContinueLine(batch.tail);
}

void TraceConverter::End() {
    FinishLine();
    builder_->Finish();
}

PathSource TraceConverter::Paths() const {
    if (builder_->Routed()) return PathSource::Routing;
    return builder_->MacMatched() ? PathSource::Mac : PathSource::Counts;
}

void TraceConverter::Take(const TraceBatch& batch) {
    // Before any of the batch's lines: a forward must never meet hops that
    // MAC receives stood in with.
    if (batch.routingLines) builder_->RoutingSeen();
    routingLines_ += batch.routingLines;
    // Later readings of a node replace earlier ones, as the batches come in order.
    batch.energy.ForEach([&](const std::string& node, const EnergyReading& reading) {
        facts_.energy[node] = reading;
    });
    batch.energyBins.ForEach([&](const std::string& node, const EnergyBins& bins) {
        EnergyBins& all = facts_.energyBins[node];
        for (const auto& [bin, reading] : bins) {
            if (all.empty() || all.back().first != bin) all.emplace_back(bin, EnergyReading{});
            all.back().second = reading;
            facts_.lastBin = facts_.binned ? std::max(facts_.lastBin, bin) : bin;
            facts_.binned = true;
        }
    });
    TraceTableBuilder& builder = *builder_;
    const RuleLine* lines = batch.lines.data();
    const size_t count = batch.lines.size();
    // A window's lines may lie far apart in memory: fetching a few ahead
    // keeps their first bytes from each costing a cache miss.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < count; ++i) {
#if defined(__GNUC__)
        if (i + kAhead < count) {
            __builtin_prefetch(lines[i + kAhead].text.data());
            __builtin_prefetch(lines[i + kAhead].text.data() + 64);
        }
#endif
        agentLines_ += lines[i].rule.rule == Rule::Send || lines[i].rule.rule == Rule::Receive;
        builder.BuildTraceTable(lines[i]);
    }
}

void TraceConverter::ContinueLine(const std::string& bytes) {
    if (bytes.empty()) return;
    if (!pendingBegun_) {
        pendingBegun_ = true;
        // A line that cannot match is not held, so that input without line
        // ends (a device, a damaged file) does not fill memory; any line may
        // report a node's energy, though.
        pendingKept_ = (read_.reads & kReadEnergy) || KindCanMatch(bytes[0]);
    }
    if (!pendingKept_) return;
    if (bytes.size() > kMaxLineBytes - pending_.size())
        throw TraceError("a line longer than 1 MiB (not a trace?)");
    pending_.append(bytes);
}

void TraceConverter::FinishLine() {
    if (pendingBegun_ && pendingKept_) {
        TraceBatch line;
        const std::string_view text = pending_;
        Select(&text, 1, line);
        Take(line);
    }
    pending_.clear();
    pendingBegun_ = pendingKept_ = false;
}

}  // namespace kavro

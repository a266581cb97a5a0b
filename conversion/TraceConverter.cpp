#include "conversion/TraceConverter.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "conversion/TraceTableBuilder.h"
#include "conversion/TraceTime.h"
#include "lines/LineSplitter.h"

namespace kavro {

namespace {

// Each node's last energy reading in a run of lines, and with bins its last
// in each bin. With energy on, every line reports one, so the readings are
// kept as views into the lines until a node's bin changes or the run ends.
class EnergyNotes {
public:
    EnergyNotes(TraceBatch& batch, int64_t binNs) : batch_(batch), binNs_(binNs) {}

    // Once the lines are read, while the views still point into them.
    void Flush() {
        last_.ForEach([&](const std::string& node, const Views& v) {
            EnergyReading& reading = batch_.energy[node];
            reading.energy.assign(v.energy);
            reading.time.assign(v.time);
        });
        last_.Clear();
        inBin_.ForEach([&](const std::string& node, const Views& v) { Keep(node, v); });
        inBin_.Clear();
    }

    void Note(std::string_view line, Format format) {
        const EnergyLine e = ReadEnergy(line, format);
        if (e.energy.empty()) return;
        last_[e.node] = {e.energy, e.time};
        uint64_t bin = 0;
        if (binNs_ == 0 || !BinOf(e.time, binNs_, bin)) return;
        Views& held = inBin_[e.node];
        if (held.energy.data() && held.bin != bin) Keep(e.node, held);
        held = {e.energy, e.time, bin};
    }

private:
    struct Views {
        std::string_view energy;
        std::string_view time;
        uint64_t bin = 0;
    };

    void Keep(std::string_view node, const Views& v) {
        EnergyBins& bins = batch_.energyBins[node];
        if (bins.empty() || bins.back().first != v.bin) bins.emplace_back(v.bin, EnergyReading{});
        bins.back().second = {std::string(v.energy), std::string(v.time)};
    }

    TraceBatch& batch_;
    const int64_t binNs_;
    ByNode<Views> last_;
    ByNode<Views> inBin_;
};

// The rule test itself; `keep` receives the lines a rule reads. What else
// is read is fixed at compile time, so that a conversion without the study
// pays nothing per line for it.
template <unsigned kReads, class Keep>
KAVRO_PER_LINE void SelectLine(std::string_view line, TraceBatch& batch, EnergyNotes& energy, Keep&& keep) {
    const LineRule rule = RuleFor(line);
    if constexpr ((kReads & kReadEnergy) != 0) energy.Note(line, rule.format);
    constexpr bool tables = (kReads & kReadTables) != 0;
    switch (rule.rule) {
        case Rule::None:
            return;
        case Rule::Send:
        case Rule::Receive:
            keep(line, rule);
            return;
        case Rule::Forward:
            ++batch.routingLines;
            keep(line, rule);
            return;
        case Rule::RoutingSend:
            ++batch.routingLines;
            if (tables) keep(line, rule);
            return;
        case Rule::Routing:
            ++batch.routingLines;
            return;
        case Rule::Drop:
            if (tables) keep(line, rule);
            return;
        case Rule::MacReceive:
            // Hops come from MAC lines only in a trace without routing-layer
            // lines; once a piece shows one, its MAC lines are not kept.
            if (batch.routingLines == 0) keep(line, rule);
            return;
    }
}

// Runs `run` with the reads fixed at compile time.
template <class Run>
void WithReads(unsigned reads, Run&& run) {
    switch (reads & (kReadTables | kReadEnergy)) {
        case kReadEvents:
            return run(std::integral_constant<unsigned, kReadEvents>());
        case kReadTables:
            return run(std::integral_constant<unsigned, kReadTables>());
        case kReadEnergy:
            return run(std::integral_constant<unsigned, kReadEnergy>());
        default:
            return run(std::integral_constant<unsigned, kReadTables | kReadEnergy>());
    }
}

}  // namespace

void TraceBatch::Clear() {
    lines.clear();
    head.clear();
    ended = true;
    tail.clear();
    routingLines = 0;
    store.clear();
    energy.Clear();
    energyBins.Clear();
}

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

void TraceConverter::Select(const std::string_view* lines, size_t count, TraceBatch& batch) const {
    EnergyNotes energy(batch, read_.binNs);
    WithReads(read_.reads, [&](auto kReads) {
        for (size_t i = 0; i < count; ++i)
            SelectLine<kReads>(lines[i], batch, energy,
                               [&](std::string_view line, LineRule rule) { batch.lines.push_back({line, rule}); });
    });
    energy.Flush();
}

void TraceConverter::Cut(std::string_view bytes, TraceBatch& batch) const {
    batch.Clear();
    const char* d = bytes.data();
    const size_t n = bytes.size();
    const size_t first = lines::FindLineEnd(bytes, 0, true);
    batch.head.assign(d, first);
    batch.ended = first < n;
    if (!batch.ended) return;
    size_t last = n;  // just past the last line end
    while (d[last - 1] != '\n' && d[last - 1] != '\r') --last;
    // Room for every line up front, so that the views below stay valid.
    batch.store.reserve(last);
    const auto copy = [&](std::string_view kept, LineRule rule) {
        const char* at = batch.store.data() + batch.store.size();
        batch.store.append(kept);
        batch.lines.push_back({std::string_view(at, kept.size()), rule});
    };
    // Empty lines, such as between a CR and its LF, match nothing, so where
    // the whole lines begin and how their ends pair up does not matter.
    EnergyNotes energy(batch, read_.binNs);
    WithReads(read_.reads, [&](auto kReads) {
        bool crAtEnd = false;
        lines::SplitEndedLines(std::string_view(d, last), first + 1,
                               [&](std::string_view line) KAVRO_PER_LINE_LAMBDA {
                                   SelectLine<kReads>(line, batch, energy, copy);
                               },
                               crAtEnd);
    });
    energy.Flush();
    batch.tail.assign(d + last, n - last);
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

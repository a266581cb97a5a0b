#include "TraceBatch.h"

#include <algorithm>
#include <vector>

#include "LineSplitter.h"

namespace kavro {

namespace {

// Each node's last energy reading in a run of lines. With energy on, every
// line reports one, so the readings are kept as views into the lines until
// the run ends.
class EnergyNotes {
public:
    explicit EnergyNotes(EnergyByNode& out) : out_(out) {}

    // Once the lines are read, while the views still point into them.
    void Flush() {
        last_.ForEach([&](const std::string& node, const Views& v) {
            EnergyReading& reading = out_[node];
            reading.energy.assign(v.energy);
            reading.time.assign(v.time);
        });
        last_.Clear();
    }

    void Note(std::string_view line, Format format) {
        const EnergyLine e = ReadEnergy(line, format);
        if (!e.energy.empty()) last_[e.node] = {e.energy, e.time};
    }

private:
    struct Views {
        std::string_view energy;
        std::string_view time;
    };
    EnergyByNode& out_;
    ByNode<Views> last_;
};

// The rule test itself; `keep` receives the lines a rule reads.
template <class Keep>
KAVRO_PER_LINE void Select(std::string_view line, TraceBatch& batch, unsigned reads,
                           EnergyNotes& energy, Keep&& keep) {
    const LineRule rule = RuleFor(line);
    if (reads & kReadEnergy) energy.Note(line, rule.format);
    if (rule.rule == Rule::None) return;
    if (IsRoutingLayer(rule.rule)) ++batch.routingLines;
    const bool forEvents = rule.rule <= Rule::Forward;
    const bool forTables = rule.rule == Rule::RoutingSend || rule.rule == Rule::Drop;
    if (forEvents || (forTables && (reads & kReadTables))) keep(line, rule);
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
}

void SelectLines(const std::string_view* lines, size_t count, TraceBatch& batch, unsigned reads) {
    EnergyNotes energy(batch.energy);
    for (size_t i = 0; i < count; ++i)
        Select(lines[i], batch, reads, energy, [&](std::string_view line, LineRule rule) {
            batch.lines.push_back({line, rule});
        });
    energy.Flush();
}

void CutTrace(std::string_view bytes, TraceBatch& batch, unsigned reads) {
    batch.Clear();
    const char* d = bytes.data();
    const size_t n = bytes.size();
    const size_t first = FindLineEnd(bytes, 0, true);
    batch.head.assign(d, first);
    batch.ended = first < n;
    if (!batch.ended) return;
    size_t last = n;  // just past the last line end
    while (d[last - 1] != '\n' && d[last - 1] != '\r') --last;
    // Room for every line up front, so that the views below stay valid.
    batch.store.reserve(last);
    // Empty lines, such as between a CR and its LF, match nothing, so where
    // the whole lines begin and how their ends pair up does not matter.
    bool crAtEnd = false;
    EnergyNotes energy(batch.energy);
    SplitEndedLines(std::string_view(d, last), first + 1,
                    [&](std::string_view line) KAVRO_PER_LINE_LAMBDA {
                        Select(line, batch, reads, energy, [&](std::string_view kept, LineRule rule) {
                            const char* at = batch.store.data() + batch.store.size();
                            batch.store.append(kept);
                            batch.lines.push_back({std::string_view(at, kept.size()), rule});
                        });
                    },
                    crAtEnd);
    energy.Flush();
    batch.tail.assign(d + last, n - last);
}

}  // namespace kavro

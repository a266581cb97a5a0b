#include "TraceBatch.h"

#include "LineSplitter.h"

namespace kavro {

namespace {

// The rule test itself; `keep` receives the lines a rule reads.
template <class Keep>
KAVRO_PER_LINE void Select(std::string_view line, TraceBatch& batch, Keep&& keep) {
    const LineRule rule = RuleFor(line);
    if (rule.rule == Rule::None) return;
    if (rule.rule == Rule::Routing)
        ++batch.routingLines;
    else
        keep(line, rule);
}

}  // namespace

void TraceBatch::Clear() {
    lines.clear();
    head.clear();
    ended = true;
    tail.clear();
    routingLines = 0;
    store.clear();
}

void SelectLines(const std::string_view* lines, size_t count, TraceBatch& batch) {
    for (size_t i = 0; i < count; ++i)
        Select(lines[i], batch, [&](std::string_view line, LineRule rule) {
            batch.lines.push_back({line, rule});
        });
}

void CutTrace(std::string_view bytes, TraceBatch& batch) {
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
    SplitEndedLines(std::string_view(d, last), first + 1,
                    [&](std::string_view line) KAVRO_PER_LINE_LAMBDA {
                        Select(line, batch, [&](std::string_view kept, LineRule rule) {
                            const char* at = batch.store.data() + batch.store.size();
                            batch.store.append(kept);
                            batch.lines.push_back({std::string_view(at, kept.size()), rule});
                        });
                    },
                    crAtEnd);
    batch.tail.assign(d + last, n - last);
}

}  // namespace kavro

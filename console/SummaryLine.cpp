#include "console/SummaryLine.h"

#include <cstdio>

namespace kavro::console {

namespace {

// With as many characters as the figure needs: a time in a trace may be
// 1e300 s, or any other number.
std::string Fixed(const kavro::study::Value& value, int decimals, const char* unit = "") {
    if (!value) return "n/a";
    const int n = std::snprintf(nullptr, 0, "%.*f%s", decimals, *value, unit);
    if (n <= 0) return "?";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f%s", decimals, *value, unit);
    text.pop_back();
    return text;
}

}  // namespace

std::string TraceName(const std::string& trace) {
    return trace == "-" ? "standard input" : trace;
}

std::string SummaryLine(const std::string& trace, const kavro::study::TraceFigures& f, bool events) {
    std::string line = TraceName(trace) + ": " + std::to_string(f.sent) + " sent, " + std::to_string(f.delivered) +
                       " delivered (" + Fixed(f.pdr, 1, "%") + ")";
    if (events) line += ", " + std::to_string(f.eventLines) + " event lines";
    line += ", mean delay " + Fixed(f.meanDelay, 6, " s");
    line += ", mean hops " + Fixed(f.meanHops, 2);
    if (f.meanHops && f.paths == kavro::PathSource::Mac) line += " (paths from MAC lines)";
    return line;
}

}  // namespace kavro::console

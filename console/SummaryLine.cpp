#include "SummaryLine.h"

#include <cstdio>

namespace {

// With as many characters as the figure needs: a time in a trace may be
// 1e300 s, or any other number.
std::string Fixed(double value, int decimals) {
    const int n = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (n <= 0) return "?";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.pop_back();
    return text;
}

}  // namespace

std::string TraceName(const std::string& trace) {
    return trace == "-" ? "standard input" : trace;
}

std::string SummaryLine(const std::string& trace, const kavro::Summary& s, bool events) {
    std::string line = TraceName(trace) + ": " + std::to_string(s.sent) + " sent, " +
                       std::to_string(s.delivered) + " delivered (" +
                       (s.sent ? Fixed(100.0 * s.delivered / s.sent, 1) + "%" : "n/a") + ")";
    if (events) line += ", " + std::to_string(s.EventLines()) + " event lines";
    line += ", mean delay " + (s.timed ? Fixed(s.delaySum / s.timed, 6) + " s" : "n/a");
    line += ", mean hops " + (s.delivered ? Fixed(static_cast<double>(s.links) / s.delivered, 2) : "n/a");
    return line;
}

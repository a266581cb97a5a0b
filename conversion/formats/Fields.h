#pragma once
// What the rules and the study read from one trace line, whatever its
// format: raw views into the line, to be compared and stored lower-cased.
// Missing fields are empty.
#include <algorithm>
#include <string>
#include <string_view>

namespace kavro {

struct TraceLine {
    std::string_view time;
    std::string_view node;
    std::string_view packetId;
    std::string_view packetType;
};

// A send line's flow: source and destination, each address.port.
struct FlowLine {
    std::string source;
    std::string destination;
};

struct DropLine {
    std::string_view time;
    std::string_view node;
    std::string_view layer;
    std::string_view reason;
    std::string_view packetId;
    std::string_view packetType;
};

// The energy a line reports for its node; `energy` is empty when it
// reports none (ns-2 writes -1 without an energy model).
struct EnergyLine {
    std::string_view node;
    std::string_view energy;
    std::string_view time;
};

namespace detail {

// The word that starts at or after `from`, past any spaces; `from` ends
// where it ends.
inline std::string_view WordFrom(std::string_view line, size_t& from) {
    while (from < line.size() && line[from] == ' ') ++from;
    const size_t end = std::min(line.find(' ', from), line.size());
    const std::string_view word = from < line.size() ? line.substr(from, end - from) : std::string_view();
    from = end;
    return word;
}

// A number below zero: a minus sign, then digits and a point, not all zero
// ("-1.000000" is, "-0.0" is not).
inline bool IsNegative(std::string_view number) {
    if (number.size() < 2 || number[0] != '-') return false;
    bool nonZero = false;
    for (char c : number.substr(1)) {
        if (c >= '1' && c <= '9')
            nonZero = true;
        else if (c != '0' && c != '.')
            break;
    }
    return nonZero;
}

}  // namespace detail

}  // namespace kavro

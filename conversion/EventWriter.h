#pragma once
// Turns the packet path table into iNSpect event lines.
#include <cstdint>
#include <functional>
#include <string_view>

#include "conversion/TraceTable.h"

namespace kavro {

// Every line of an event file ends so, as iNSpect reads them.
inline constexpr std::string_view kEventLineEnd = "\r\n";

// A run of event lines as the event file holds them: each line followed
// by kEventLineEnd. Valid only during the call that hands it over.
struct EventBlock {
    std::string_view bytes;
    const size_t* ends = nullptr;  // where each line's line end starts
    size_t count = 0;

    // Line i without its line end.
    std::string_view Line(size_t i) const {
        const size_t start = i == 0 ? 0 : ends[i - 1] + kEventLineEnd.size();
        return bytes.substr(start, ends[i] - start);
    }
};
using BlockFn = std::function<void(const EventBlock&)>;

// The links written for a delivered record: the path is the source, every
// relay in order, then the destination, and each link gives two lines.
inline size_t PathLinks(const RecNsTrace& rec) { return rec.Hops.size() + 1; }

// Hands every event line to `write`, in order, in blocks.
void WriteEvents(const ArrTrace& table, const BlockFn& write);

// How many lines WriteEvents gives, and their bytes without line ends.
struct EventSize {
    size_t lines = 0;
    size_t bytes = 0;
};
EventSize MeasureEvents(const ArrTrace& table);

}  // namespace kavro

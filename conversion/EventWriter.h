#pragma once
// Turns the packet path table into iNSpect event lines.
#include <functional>
#include <string_view>

#include "TraceTable.h"

namespace kavro {

// Hands each event line (without line end) to `emit` as it is produced.
// The view is valid only during the call.
using EmitFn = std::function<void(std::string_view)>;

// The links written for a delivered record: the path is the source, every
// relay in order, then the destination, and each link gives two lines.
inline size_t PathLinks(const RecNsTrace& rec) { return rec.Hops.size() + 1; }

void WriteEvents(const ArrTrace& table, const EmitFn& emit);

// How many lines WriteEvents gives, and their bytes without line ends.
struct EventSize {
    size_t lines = 0;
    size_t bytes = 0;
};
EventSize MeasureEvents(const ArrTrace& table);

}  // namespace kavro

#pragma once
// Turns the packet path table into iNSpect event lines.
#include <functional>
#include <string_view>

#include "TraceTable.h"

namespace kavro {

// Hands each event line (without line end) to `emit` as it is produced.
// The view is valid only during the call.
using EmitFn = std::function<void(std::string_view)>;
void WriteEvents(const ArrTrace& table, const EmitFn& emit);

}  // namespace kavro

#pragma once
// The lines of a trace that a rule reads, with the rule that reads them:
// each line is tested against the rules once, as the converter reads it
// (TraceConverter::Select, Cut).
#include <string>
#include <string_view>
#include <vector>

#include "conversion/StudyFacts.h"
#include "conversion/TraceLine.h"

namespace kavro {

struct RuleLine {
    std::string_view text;
    LineRule rule;
};

// A run of a trace's lines, in trace order. When it is a piece of a trace's
// bytes (TraceConverter::Cut), the bytes before its first and after its last line end
// belong to lines that the pieces around it finish, so pieces can be cut on
// several threads at once and handed over in order.
struct TraceBatch {
    TraceBatch() = default;
    // The lines may point into `store`, which must not move.
    TraceBatch(const TraceBatch&) = delete;
    TraceBatch& operator=(const TraceBatch&) = delete;

    std::vector<RuleLine> lines;
    std::string head;    // before the first line end; all of the piece when !ended
    bool ended = true;   // the piece holds a line end
    std::string tail;    // after the last line end
    size_t routingLines = 0;  // routing-layer sends, receives and forwards
    std::string store;   // the bytes of lines cut from a piece
    EnergyByNode energy;  // with kReadEnergy: each node's last reading in the lines
    ByNode<EnergyBins> energyBins;  // and with bins, its last in each bin

    void Clear();
};

}  // namespace kavro

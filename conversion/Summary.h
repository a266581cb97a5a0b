#pragma once
// The figures ns-2 users compute for a run: packets sent and delivered,
// event lines, mean delay and mean path length.
#include <cstddef>
#include <cstdint>
#include <string>

#include "StudyFacts.h"
#include "TraceTable.h"

namespace kavro {

struct Summary {
    size_t sent = 0;       // agent send lines, that is records
    size_t delivered = 0;  // records with a receive
    size_t links = 0;      // links written over all delivered records
    size_t timed = 0;      // delivered records whose times read as numbers
    double delaySum = 0;   // first receive minus send time over the timed records
    PathSource paths = PathSource::Routing;
    size_t hopsOver = 0;   // delivered records whose hops are known
    uint64_t hops = 0;     // their links

    size_t EventLines() const { return 2 * links; }
};

// `facts` must hold the records (kReadRecords).
Summary Summarize(const ArrTrace& table, const StudyFacts& facts, PathSource paths);

// A time text as a number of seconds: the whole text, read as a finite
// number, or false. Records whose times fail this have no delay.
bool ReadTime(const std::string& text, double& seconds);

}  // namespace kavro

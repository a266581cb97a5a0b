#pragma once
// What the user reads about a converted trace.
#include <string>

#include "study/Study.h"

namespace kavro::console {

// "TRACE: S sent, D delivered (P%), E event lines, mean delay T s, mean hops H",
// without the event lines when no event file was written.
std::string SummaryLine(const std::string& trace, const kavro::study::TraceFigures& f, bool events = true);

// How a trace is named in messages.
std::string TraceName(const std::string& trace);

}  // namespace kavro::console

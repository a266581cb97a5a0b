#pragma once
// What the user reads about a converted trace.
#include <string>

#include "Summary.h"

// "TRACE: S sent, D delivered (P%), E event lines, mean delay T s, mean hops
// H"; the event lines only when `events`, that is an event file was written.
std::string SummaryLine(const std::string& trace, const kavro::Summary& s, bool events);

// How a trace is named in messages.
std::string TraceName(const std::string& trace);

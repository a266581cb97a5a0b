#pragma once
// One trace converted to its event file.
#include <string>

#include "Summary.h"

class Progress;

// Throws Failure with the reason; the output is then left as it was.
kavro::Summary ConvertOne(const std::string& trace, const std::string& output, Progress& progress);

// The line printed after a trace: "TRACE: S sent, D delivered (P%), ...".
std::string SummaryLine(const std::string& trace, const kavro::Summary& s);

// How a trace is named in messages.
std::string TraceName(const std::string& trace);

#pragma once
// One trace converted to its event file.
#include <string>

#include "Summary.h"

class Progress;

// Throws Failure or files::FileError with the reason; the output is then
// left as it was. With
// `cores` of 2 or more the trace is read and cut on two threads; with 1 it
// is converted on this thread alone.
kavro::Summary ConvertOne(const std::string& trace, const std::string& output, Progress& progress,
                          unsigned cores);

// The line printed after a trace: "TRACE: S sent, D delivered (P%), ...".
std::string SummaryLine(const std::string& trace, const kavro::Summary& s);

// How a trace is named in messages.
std::string TraceName(const std::string& trace);

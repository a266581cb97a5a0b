#pragma once
// One trace converted to its event file and its rows of the study tables.
#include <optional>
#include <string>

#include "study/Study.h"
#include "conversion/StudyFacts.h"

namespace kavro::console {

class Progress;

struct Job {
    std::string trace;                  // "-" is standard input
    std::optional<std::string> output;  // the event file, "-" for standard output; none to write none
    kavro::ReadOptions read;            // what the summary and the study need
    kavro::study::Parts parts;          // what of the study to compute
    unsigned cores = 1;                 // 2 or more: the trace is read and cut on two threads
};

struct Converted {
    kavro::study::Study study;
    std::string warning;  // a line to print, or empty
};

// Throws Failure, kavro::TraceError or files::FileError with the reason; the
// output is then left as it was.
Converted ConvertOne(const Job& job, Progress& progress);

}  // namespace kavro::console

#pragma once
// One trace converted to its event file and its rows of the study tables.
#include <optional>
#include <string>

#include "StudyTables.h"
#include "Summary.h"

class Progress;

struct Job {
    std::string trace;                  // "-" is standard input
    std::optional<std::string> output;  // the event file, "-" for standard output; none to write none
    unsigned reads = 0;                 // kavro::Reads: what the study tables need
    unsigned cores = 1;                 // 2 or more: the trace is read and cut on two threads
};

struct Converted {
    kavro::Summary summary;
    std::string warning;      // a line to print, or empty
    kavro::StudyRows rows;    // when the job reads the tables
};

// Throws Failure, kavro::TraceError or files::FileError with the reason; the
// output is then left as it was.
Converted ConvertOne(const Job& job, Progress& progress);


#pragma once
// What a command line asks of kavro-convert, worked out and checked before
// anything is read or written: the jobs, the outputs and the figures.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "study/Bins.h"
#include "console/ConvertJob.h"
#include "console/Options.h"
#include "study/Study.h"

namespace kavro::console {

// A CSV file of the study: its header, then each converted trace's rows.
struct TableSpec {
    std::string option;  // as messages name it: --csv
    std::string name;    // the file, or "-" for standard output
    std::string_view header;
    std::function<std::string(std::string_view trace, const kavro::study::Study& study)> rows;
};

struct RunPlan {
    std::vector<Job> jobs;
    unsigned threads = 1;
    bool quiet = false;
    std::vector<TableSpec> tables;
    std::optional<std::string> summary;  // the file of the averages
    std::vector<std::string> groups;     // each trace's group; "" without --group
    bool grouped = false;
    std::optional<std::string> plots;    // the folder of the figures
    std::vector<std::string> plotFormats;
    kavro::study::BinWidth width;        // of the series and the figures over time
};

// Throws UsageError for a command line that cannot be carried out: no
// trace, an option without what it needs, outputs that clash with each
// other or with a trace, a trace that --group does not match.
RunPlan PlanRun(const Options& o);

}  // namespace kavro::console

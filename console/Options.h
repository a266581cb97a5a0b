#pragma once
// The command line of kavro-convert.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavro::console {

struct Options {
    std::optional<std::string> output;  // -o; "-" is standard output
    unsigned jobs = 0;                   // -j; 0 means one per core
    bool quiet = false;                  // -q
    bool noEvents = false;               // --no-events: no event files
    // The study's tables and series, each a file or "-" for standard output.
    std::optional<std::string> csv, flows, nodes, drops, series, flowSeries, nodeSeries, packets, summary;
    std::optional<std::string> bin;     // the series' bin width, as given
    std::optional<std::string> group;    // the REGEX of --group
    std::optional<std::string> plots;    // the folder of the figures
    std::optional<std::string> plotFormat;
    bool help = false;
    bool version = false;
    std::vector<std::string> traces;     // "-" is standard input
};

// Throws UsageError for anything that is not a valid command line.
Options ParseOptions(int argc, char* const* argv);

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What --help prints.
std::string Usage();

// Where a trace's event file goes unless -o says otherwise: beside it, named
// after it without a final ".gz", then without a final ".tr", plus
// ".iNSpect.out". Standard input goes to standard output.
std::string DefaultOutput(const std::string& trace);

}  // namespace kavro::console

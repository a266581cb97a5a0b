#pragma once
// The command line of kavro-convert.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct Options {
    std::optional<std::string> output;  // -o; "-" is standard output
    unsigned jobs = 0;                   // -j; 0 means one per core
    bool quiet = false;                  // -q
    bool noEvents = false;               // --no-events: no event files
    // The study tables, each a file or "-" for standard output.
    std::optional<std::string> csv, flows, nodes, drops;
    bool help = false;
    bool version = false;
    std::vector<std::string> traces;     // "-" is standard input

    bool Tables() const { return csv || flows || nodes || drops; }
};

// Throws UsageError for anything that is not a valid command line.
Options ParseOptions(int argc, char* const* argv);

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

extern const char* const kUsage;

// Where a trace's event file goes unless -o says otherwise: beside it, named
// after it without a final ".gz", then without a final ".tr", plus
// ".iNSpect.out". Standard input goes to standard output.
std::string DefaultOutput(const std::string& trace);

#pragma once
// File names in the plots folder: from a trace's name, safe to pass to a
// shell or to gnuplot as they are, and never one file for two figures.
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::plots {

// The trace's base name without a final ".tr.gz" or ".tr"; standard input
// for "-".
std::string TraceLabel(std::string_view trace);

// Only [A-Za-z0-9._+-], anything else as '_', not starting with '-' or '.',
// "trace" for nothing, at most 200 bytes.
std::string SafeStem(std::string_view label);

class FileNames {
public:
    // The first of stem, stem-2, stem-3, ... whose files (it followed by
    // each suffix) are all still free, then taken. Names differing only in
    // case are one name, as on a case-insensitive file system.
    std::string Claim(const std::string& stem, const std::vector<std::string>& suffixes);

private:
    std::set<std::string> taken_;
};

}  // namespace kavro::plots

#pragma once
// gnuplot run on scripts as a process of its own, never through a shell.
#include <cstddef>
#include <string>
#include <vector>

namespace kavro::console {

// Where gnuplot is on PATH, or empty when it is not there.
std::string FindGnuplot();

struct GnuplotRun {
    size_t done = 0;      // the scripts that ran through, in order
    bool failed = false;  // on the script after those
    std::string message;  // what gnuplot said of it, one line
};

// Runs `program` once on the scripts, in `dir`, until one fails. Throws
// Failure when it cannot be started.
GnuplotRun RunGnuplot(const std::string& program, const std::string& dir, const std::vector<std::string>& scripts);

}  // namespace kavro::console

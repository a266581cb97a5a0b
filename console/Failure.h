#pragma once
// An error whose message is meant for the user: one line, naming what failed
// and why. Reported once, where the converter reports every error.
#include <stdexcept>
#include <string>

#include "files/FileError.h"

namespace kavro::console {

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using files::SystemText;

// A plain trace that ended before the size it had when it was opened.
extern const char* const kTraceChanged;

}  // namespace kavro::console

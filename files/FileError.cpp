#include "files/FileError.h"

#include <cstring>

namespace kavro::files {

std::string SystemText(int error) {
    char buffer[256];
    // The GNU strerror_r: thread-safe, and it may return a static text instead.
    return strerror_r(error, buffer, sizeof buffer);
}

FileError::FileError(std::string path, int error, std::string reason)
    : std::runtime_error(path + ": " + (reason.empty() ? SystemText(error) : reason)),
      path_(std::move(path)),
      error_(error),
      reason_(reason.empty() ? SystemText(error) : std::move(reason)) {}

}  // namespace kavro::files

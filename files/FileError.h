#pragma once
// A file that could not be opened, read or written: the path as the caller
// named it, the errno, and the reason as the user is to read it.
#include <stdexcept>
#include <string>

namespace kavro::files {

// The system's own text for an errno value.
std::string SystemText(int error);

class FileError : public std::runtime_error {
public:
    // Without `reason`, the system's text for `error`.
    FileError(std::string path, int error, std::string reason = {});

    const std::string& Path() const { return path_; }
    // 0 when the reason is not a system error ("Not a regular file").
    int Error() const { return error_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string path_;
    int error_;
    std::string reason_;
};

}  // namespace kavro::files

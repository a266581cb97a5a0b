#include "files/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/FileError.h"

namespace kavro::files {

namespace {
const char* const kNotRegular = "Not a regular file";
}

InputFile::InputFile(const std::string& path, Accept accept) : path_(path) {
    // For the regular-only rule, non-blocking, so that a FIFO nobody writes
    // opens at once and is then turned down; opening a socket fails with ENXIO.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (accept == kRegularOnly ? O_NONBLOCK : 0);
    fd_ = ::open(path.c_str(), flags);
    if (fd_ < 0) {
        const int error = errno;
        if (accept == kRegularOnly && error == ENXIO) throw FileError(path_, 0, kNotRegular);
        throw FileError(path_, error);
    }
    owned_ = true;
    try {
        Inspect(accept);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

InputFile::InputFile(int fd, std::string name) : path_(std::move(name)), fd_(fd) { Inspect(kAnyKind); }

InputFile::~InputFile() {
    if (owned_) ::close(fd_);
}

void InputFile::Inspect(Accept accept) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileError(path_, errno);
    if (S_ISDIR(st.st_mode)) throw FileError(path_, EISDIR);
    regular_ = S_ISREG(st.st_mode);
    if (!regular_ && accept == kRegularOnly) throw FileError(path_, 0, kNotRegular);
    if (!regular_) return;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    start_ = at_ = at > 0 ? static_cast<uint64_t>(at) : 0;
    end_ = std::max(start_, static_cast<uint64_t>(st.st_size));
}

size_t InputFile::Read(char* into, size_t capacity) {
    if (regular_) capacity = static_cast<size_t>(std::min<uint64_t>(capacity, end_ - at_));
    if (capacity == 0) return 0;
    for (;;) {
        const ssize_t got = ::read(fd_, into, capacity);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError(path_, errno);
        at_ += static_cast<uint64_t>(got);
        shrank_ = got == 0 && regular_;
        return static_cast<size_t>(got);
    }
}

}  // namespace kavro::files

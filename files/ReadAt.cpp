#include "files/ReadAt.h"

#include <unistd.h>

#include <cerrno>

namespace kavro::files {

size_t ReadAt(int fd, char* into, size_t size, uint64_t offset, int& error) {
    error = 0;
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

}  // namespace kavro::files

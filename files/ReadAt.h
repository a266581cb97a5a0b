#pragma once
// One read of a file at an offset, as many system reads as it takes.
#include <cstddef>
#include <cstdint>

namespace kavro::files {

// Reads `size` bytes at `offset`; fewer only where the file ends, or where a
// read fails, whose errno is then `error` (0 otherwise).
size_t ReadAt(int fd, char* into, size_t size, uint64_t offset, int& error);

}  // namespace kavro::files

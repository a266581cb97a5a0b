#pragma once
// Converts a plain trace file on two threads at once. Each reads a piece
// with pread and cuts out the lines a rule may match; whichever finishes the
// piece that is next in order adds it to the table, while its bytes are
// still in that core's cache. Cutting a trace costs about as much as reading
// it, and with the adding on a thread of its own the other two kept waiting.
#include <cstdint>
#include <functional>

namespace kavro {
class TraceConverter;
}

namespace kavro::console {

// Reads `fd` from `start` to `end`, its size when it was opened, into
// `conversion`, which must not be fed otherwise meanwhile; `progress` hears
// how many bytes are in. Throws Failure where a read fails or the file ends
// early.
void ConvertPlainFile(int fd, uint64_t start, uint64_t end, kavro::TraceConverter& conversion,
                      const std::function<void(uint64_t consumed)>& progress);

}  // namespace kavro::console

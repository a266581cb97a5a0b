#include "files/BackgroundRead.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "files/ReadAt.h"

namespace kavro::files {

namespace {
// Small enough that the bytes are still in the cache when they are indexed.
constexpr size_t kPiece = size_t{1} << 20;

// Has the kernel hand out the pages of [p, p + size) in one go: faulting them
// in one by one during the read took a fifth longer. Only advice: where the
// kernel does not know it, the read faults the pages in as before.
void Prefault(char* p, size_t size) {
#if defined(MADV_POPULATE_WRITE)
    const uintptr_t page = 4096;
    const uintptr_t from = reinterpret_cast<uintptr_t>(p) & ~(page - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + size + page - 1) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)p;
    (void)size;
#endif
}
// Below this a second thread costs more than it saves.
constexpr size_t kSplitFrom = size_t{16} << 20;
}  // namespace

BackgroundRead::BackgroundRead(int fd, char* into, size_t capacity)
    : parts_(capacity >= kSplitFrom ? 2 : 1) {
    const size_t half = capacity / 2;
    parts_.front().to = parts_.size() == 2 ? half : capacity;
    if (parts_.size() == 2) parts_.back() = {half, capacity};
    try {
        for (Part& part : parts_) threads_.emplace_back(&BackgroundRead::Run, this, fd, into, std::ref(part));
    } catch (...) {
        for (std::thread& t : threads_) t.join();
        throw;
    }
}

BackgroundRead::~BackgroundRead() {
    for (std::thread& t : threads_) t.join();
}

void BackgroundRead::Run(int fd, char* into, Part& part) {
    size_t at = part.from;
    int error = 0;
    while (at < part.to) {
        const size_t want = std::min(kPiece, part.to - at);
        Prefault(into + at, want);
        const size_t got = ReadAt(fd, into + at, want, at, error);
        at += got;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            part.in = at - part.from;
            grew_.notify_all();
        }
        if (got < want) break;  // an error, or the file shrank meanwhile
    }
    std::lock_guard<std::mutex> lock(mutex_);
    part.error = error;
    part.ended = true;
    grew_.notify_all();
}

size_t BackgroundRead::Prefix(bool& final) const {
    size_t prefix = 0;
    for (const Part& part : parts_) {
        prefix = part.from + part.in;
        const bool whole = part.from + part.in == part.to;
        if (!whole) {
            final = part.ended;
            return prefix;
        }
    }
    final = true;
    return prefix;
}

size_t BackgroundRead::AwaitMore(size_t have) {
    std::unique_lock<std::mutex> lock(mutex_);
    size_t in = have;
    bool final = false;
    grew_.wait(lock, [&] {
        in = Prefix(final);
        return in > have || final;
    });
    return in;
}

int BackgroundRead::Error() {
    std::unique_lock<std::mutex> lock(mutex_);
    grew_.wait(lock, [&] {
        return std::all_of(parts_.begin(), parts_.end(), [](const Part& p) { return p.ended; });
    });
    for (const Part& part : parts_)
        if (part.error) return part.error;
    return 0;
}

}  // namespace kavro::files

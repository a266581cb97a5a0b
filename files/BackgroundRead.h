#pragma once
// Reads a file into a block on threads of their own, so that the lines of
// the first bytes can be indexed while the rest are still being read. Most
// of a read into fresh memory is the kernel handing out and clearing pages,
// which two threads do at nearly twice the speed of one, so a large file is
// read as two halves at once.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace kavro::files {

class BackgroundRead {
public:
    // Starts reading up to `capacity` bytes from `fd` into `into`. Both must
    // outlive this object, which waits for the read to end.
    BackgroundRead(int fd, char* into, size_t capacity);
    ~BackgroundRead();
    BackgroundRead(const BackgroundRead&) = delete;
    BackgroundRead& operator=(const BackgroundRead&) = delete;

    // Blocks until more than `have` bytes from the start are in or the read
    // has ended, and returns how many are in: `have` itself once no more
    // will come.
    size_t AwaitMore(size_t have);
    // Once the read has ended: 0, or the errno of a read that failed.
    int Error();

private:
    struct Part {
        size_t from = 0;
        size_t to = 0;
        size_t in = 0;  // bytes read so far, from `from`
        bool ended = false;
        int error = 0;
    };
    void Run(int fd, char* into, Part& part);
    // The bytes in from the start, and whether more can still come.
    size_t Prefix(bool& final) const;

    std::mutex mutex_;
    std::condition_variable grew_;
    std::vector<Part> parts_;
    std::vector<std::thread> threads_;
};

}  // namespace kavro::files

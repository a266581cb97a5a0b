#pragma once
// Reads a trace on a thread of its own while the caller converts the pieces
// already read: the kernel's copying and any inflating then take none of the
// conversion's time, on a machine with a second core.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace kavro::console {

class TraceSource;

class ReadAhead {
public:
    // `source` must outlive this object. Throws Failure when no thread can
    // be started.
    explicit ReadAhead(TraceSource& source);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next piece of the trace, valid until the next call; empty once the
    // trace has been read to its end. Throws what the read threw, at the
    // point in the trace where it failed.
    std::string_view Next();
    // The source's bytes taken so far, for progress.
    uint64_t Consumed() const { return consumed_.load(std::memory_order_relaxed); }

private:
    void Run();

    struct Piece {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
    };
    TraceSource& source_;
    std::vector<Piece> pieces_;
    std::deque<size_t> full_;  // read, in trace order
    std::deque<size_t> free_;
    int held_ = -1;  // the piece the caller has
    bool ended_ = false;
    bool stop_ = false;
    std::exception_ptr failed_;
    std::atomic<uint64_t> consumed_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace kavro::console

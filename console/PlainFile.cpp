#include "console/PlainFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "console/Failure.h"
#include "files/ReadAt.h"
#include "conversion/TraceConverter.h"

namespace kavro::console {

namespace {

constexpr size_t kPieceSize = size_t{1} << 20;
// Cut pieces in flight: small, as they hold only the lines that may match.
constexpr size_t kSlots = 8;
constexpr int kThreads = 2;
// A slot's error when the file ended before its size at open.
constexpr int kShrank = -1;

struct Slot {
    uint64_t index = 0;
    bool ready = false;
    size_t size = 0;  // bytes read: short for the last piece
    int error = 0;
    kavro::TraceBatch piece;
};

class Run {
public:
    Run(int fd, uint64_t start, uint64_t end, kavro::TraceConverter& conversion,
        const std::function<void(uint64_t)>& progress)
        : fd_(fd), start_(start), end_(end), conversion_(conversion), progress_(progress), slots_(kSlots) {}

    // Whatever one thread meets ends the run for all, and is thrown by Finish.
    void Work() {
        try {
            WorkOn();
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failed_) failed_ = std::current_exception();
            stop_ = true;
            changed_.notify_all();
        }
    }

    void Finish() {
        if (failed_) std::rethrow_exception(failed_);
        conversion_.End();
    }

private:
    void WorkOn() {
        std::unique_ptr<char[]> buffer(new char[kPieceSize]);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stop_ || next_ > last_ || next_ < added_ + kSlots; });
            if (stop_ || next_ > last_) return;
            const uint64_t index = next_++;
            Slot& slot = slots_[index % kSlots];
            lock.unlock();
            const uint64_t from = start_ + index * kPieceSize;
            const size_t want = from < end_ ? static_cast<size_t>(std::min<uint64_t>(kPieceSize, end_ - from)) : 0;
            int error = 0;
            const size_t got = files::ReadAt(fd_, buffer.get(), want, from, error);
            if (got < want && error == 0) error = kShrank;
            // The slot is this thread's until it is marked ready.
            try {
                conversion_.Cut(std::string_view(buffer.get(), got), slot.piece);
            } catch (const std::bad_alloc&) {
                error = ENOMEM;
            }
            lock.lock();
            slot.index = index;
            slot.size = got;
            slot.error = error;
            slot.ready = true;
            if (got < kPieceSize && index < last_) last_ = index;
            AddReady(lock);
            changed_.notify_all();
        }
    }

    // Adds every piece that is next in order and cut, unless another thread
    // is at it; the lock is let go while a piece is added.
    void AddReady(std::unique_lock<std::mutex>& lock) {
        while (!adding_ && !stop_) {
            Slot& slot = slots_[added_ % kSlots];
            if (!slot.ready || slot.index != added_) return;
            if (slot.error) {
                failed_ = slot.error == ENOMEM   ? std::make_exception_ptr(std::bad_alloc())
                          : slot.error == kShrank ? std::make_exception_ptr(Failure(kTraceChanged))
                                                  : std::make_exception_ptr(Failure(SystemText(slot.error)));
                stop_ = true;
                return;
            }
            adding_ = true;
            lock.unlock();
            std::exception_ptr failed;
            try {
                conversion_.Add(slot.piece);
                progress_(start_ + (added_ + 1) * kPieceSize);
            } catch (...) {
                failed = std::current_exception();
            }
            lock.lock();
            adding_ = false;
            slot.ready = false;
            // A short piece is the last: what the file held when it was read.
            const bool last = slot.size < kPieceSize;
            ++added_;
            if (failed || last) {
                failed_ = failed;
                stop_ = true;
            }
        }
    }

    const int fd_;
    const uint64_t start_;
    const uint64_t end_;
    kavro::TraceConverter& conversion_;
    const std::function<void(uint64_t)>& progress_;
    std::vector<Slot> slots_;
    uint64_t next_ = 0;           // the next piece a thread takes
    uint64_t added_ = 0;          // the pieces added to the table
    uint64_t last_ = UINT64_MAX;  // the first piece that came out short
    bool adding_ = false;
    bool stop_ = false;
    std::exception_ptr failed_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace

void ConvertPlainFile(int fd, uint64_t start, uint64_t end, kavro::TraceConverter& conversion,
                      const std::function<void(uint64_t)>& progress) {
    Run run(fd, start, end, conversion, progress);
    std::vector<std::thread> threads;
    try {
        for (int i = 1; i < kThreads; ++i) threads.emplace_back([&] { run.Work(); });
    } catch (const std::system_error&) {
        // No thread to spare: fewer do the same work.
    }
    run.Work();  // this thread is one of them
    for (std::thread& t : threads) t.join();
    run.Finish();
}

}  // namespace kavro::console

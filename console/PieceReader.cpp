#include "PieceReader.h"

#include <unistd.h>

#include <cerrno>
#include <memory>

#include "Failure.h"

namespace {
constexpr size_t kPieceSize = size_t{1} << 20;
constexpr size_t kSlots = 8;  // cut pieces in flight: small, as they hold only matching lines
constexpr int kReaders = 2;
}  // namespace

PieceReader::PieceReader(int fd, uint64_t start) : fd_(fd), start_(start), slots_(kSlots) {
    try {
        for (int i = 0; i < kReaders; ++i) threads_.emplace_back(&PieceReader::Run, this);
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_) t.join();
        throw;
    }
}

PieceReader::~PieceReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void PieceReader::Run() {
    std::unique_ptr<char[]> buffer(new char[kPieceSize]);
    for (;;) {
        uint64_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || next_ > last_ || next_ < taken_ + kSlots; });
            if (stop_ || next_ > last_) return;
            index = next_++;
        }
        size_t got = 0;
        int error = 0;
        const off_t at = static_cast<off_t>(start_ + index * kPieceSize);
        while (got < kPieceSize) {
            const ssize_t n = ::pread(fd_, buffer.get() + got, kPieceSize - got, at + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        Slot& slot = slots_[index % kSlots];
        // The slot is this reader's until it is marked ready.
        try {
            kavro::CutPiece(std::string_view(buffer.get(), got), slot.piece);
        } catch (const std::bad_alloc&) {
            error = ENOMEM;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        slot.index = index;
        slot.size = got;
        slot.error = error;
        slot.ready = true;
        if (got < kPieceSize && index < last_) last_ = index;
        changed_.notify_all();
    }
}

const kavro::TracePiece* PieceReader::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (holding_) {
        slots_[taken_ % kSlots].ready = false;
        ++taken_;
        holding_ = false;
        changed_.notify_all();
    }
    if (ended_) return nullptr;
    Slot& slot = slots_[taken_ % kSlots];
    changed_.wait(lock, [&] { return slot.ready && slot.index == taken_; });
    if (slot.error) {
        ended_ = true;
        throw Failure(SystemText(slot.error));
    }
    // A short piece is the last: what the file held when it was read.
    if (slot.size < kPieceSize) ended_ = true;
    holding_ = true;
    return &slot.piece;
}

uint64_t PieceReader::Consumed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_ * kPieceSize;
}

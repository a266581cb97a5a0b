#include "console/ReadAhead.h"

#include <system_error>

#include "console/Failure.h"
#include "console/TraceSource.h"

namespace kavro::console {

namespace {
// Enough pieces that neither side waits for the other, small enough to
// stay in the cache between the read and the conversion.
constexpr size_t kPieces = 4;
constexpr size_t kPieceSize = size_t{1} << 18;
}  // namespace

ReadAhead::ReadAhead(TraceSource& source) : source_(source), pieces_(kPieces) {
    for (size_t i = 0; i < kPieces; ++i) {
        pieces_[i].bytes.reset(new char[kPieceSize]);
        free_.push_back(i);
    }
    try {
        thread_ = std::thread(&ReadAhead::Run, this);
    } catch (const std::system_error& e) {
        throw Failure("cannot start a thread: " + SystemText(e.code().value()));
    }
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::Run() {
    for (;;) {
        size_t piece;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || !free_.empty(); });
            if (stop_) return;
            piece = free_.front();
            free_.pop_front();
        }
        size_t got = 0;
        std::exception_ptr failed;
        try {
            got = source_.Read(pieces_[piece].bytes.get(), kPieceSize);
        } catch (...) {
            failed = std::current_exception();
        }
        consumed_.store(source_.Consumed(), std::memory_order_relaxed);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (got > 0) {
                pieces_[piece].size = got;
                full_.push_back(piece);
            } else {
                ended_ = true;
                failed_ = failed;
            }
        }
        changed_.notify_all();
        if (got == 0) return;
    }
}

std::string_view ReadAhead::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (held_ >= 0) {
        free_.push_back(static_cast<size_t>(held_));
        held_ = -1;
        changed_.notify_all();
    }
    changed_.wait(lock, [&] { return !full_.empty() || ended_; });
    if (full_.empty()) {
        if (failed_) std::rethrow_exception(failed_);
        return {};
    }
    held_ = static_cast<int>(full_.front());
    full_.pop_front();
    return std::string_view(pieces_[held_].bytes.get(), pieces_[held_].size);
}

}  // namespace kavro::console

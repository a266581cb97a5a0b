#pragma once
// Reads a plain trace file as pieces that two threads read and cut at once,
// while the caller puts them together in order: cutting a trace into lines
// is as costly as reading it, and a thread of its own for each half of that
// work still left one core waiting for the other.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "TracePiece.h"

class PieceReader {
public:
    // Reads `fd` from `start` on with pread; the file must outlive this.
    PieceReader(int fd, uint64_t start);
    ~PieceReader();
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    // The next piece in order, valid until the next call, or nullptr once
    // the file has been read to its end. Throws Failure where a read failed.
    const kavro::TracePiece* Next();
    // The bytes put together so far, for progress.
    uint64_t Consumed() const;

private:
    struct Slot {
        uint64_t index = 0;
        bool ready = false;
        size_t size = 0;  // bytes read; short for the last piece
        int error = 0;
        kavro::TracePiece piece;
    };
    void Run();

    const int fd_;
    const uint64_t start_;
    std::vector<Slot> slots_;
    uint64_t next_ = 0;           // the next piece a reader takes
    uint64_t taken_ = 0;          // the pieces the caller is done with
    uint64_t last_ = UINT64_MAX;  // the first piece that came out short
    bool holding_ = false;        // the caller has piece taken_
    bool ended_ = false;
    bool stop_ = false;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

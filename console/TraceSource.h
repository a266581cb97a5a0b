#pragma once
// A trace's bytes as they stream in: from a file or standard input, plain or
// gzipped (told by the first bytes, whatever the name).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TraceSource {
public:
    // "-" is standard input. Throws Failure when the trace cannot be opened.
    explicit TraceSource(const std::string& path);
    ~TraceSource();
    TraceSource(const TraceSource&) = delete;
    TraceSource& operator=(const TraceSource&) = delete;

    // Up to `capacity` bytes of the trace, or 0 once it has been read to its
    // end. Throws Failure on a read error or damaged gzip data: a stream cut
    // short never passes for a whole one.
    size_t Read(char* buffer, size_t capacity);

    // For progress: the file's size (0 when unknown) and the bytes taken
    // from it so far, compressed bytes for a gzipped trace.
    uint64_t Size() const { return size_; }
    uint64_t Consumed() const { return consumed_; }

    // A regular file that is not gzipped can be read anywhere at once:
    // then its descriptor, and the offset the trace starts at.
    bool PlainFile() const { return regular_ && !gzip_; }
    int Fd() const { return fd_; }
    uint64_t Start() const { return start_; }

private:
    size_t ReadRaw(char* buffer, size_t capacity);
    size_t Inflate(char* buffer, size_t capacity);

    int fd_ = -1;
    bool ownsFd_ = false;
    uint64_t size_ = 0;
    uint64_t consumed_ = 0;
    bool regular_ = false;
    uint64_t start_ = 0;

    struct Gzip;
    std::unique_ptr<Gzip> gzip_;  // set when the trace is gzipped
    std::string head_;            // bytes read to tell the format, not yet handed out
};

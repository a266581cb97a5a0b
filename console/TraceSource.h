#pragma once
// A trace's bytes as they stream in: from a file or standard input, plain or
// gzipped (told by the first bytes, whatever the name).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "files/InputFile.h"

namespace kavro::console {

class TraceSource {
public:
    // "-" is standard input. Throws FileError when the trace cannot be opened.
    explicit TraceSource(const std::string& path);
    ~TraceSource();
    TraceSource(const TraceSource&) = delete;
    TraceSource& operator=(const TraceSource&) = delete;

    // Up to `capacity` bytes of the trace, or 0 once it has been read to its
    // end. Throws FileError on a read error, Failure on damaged gzip data: a
    // stream cut short never passes for a whole one, nor does a plain file
    // that ends before the size it had when it was opened.
    size_t Read(char* buffer, size_t capacity);

    // For progress: the file's size (0 when unknown) and the bytes taken
    // from it so far, compressed bytes for a gzipped trace.
    uint64_t Size() const { return file_.End(); }
    uint64_t Consumed() const { return consumed_; }

    // The trace's first bytes as Read hands them out (or would), as many as
    // tell what a trace that no rule read is.
    const std::string& FirstBytes();

    // A regular file that is not gzipped can be read anywhere at once:
    // then its descriptor, and the offset the trace starts at.
    bool PlainFile() const { return file_.Regular() && !gzip_; }
    int Fd() const { return file_.Fd(); }
    uint64_t Start() const { return file_.Start(); }

private:
    size_t ReadRaw(char* buffer, size_t capacity);
    size_t Inflate(char* buffer, size_t capacity);

    files::InputFile file_;
    uint64_t consumed_ = 0;

    struct Gzip;
    std::unique_ptr<Gzip> gzip_;  // set when the trace is gzipped
    std::string head_;            // bytes read to tell the format, not yet handed out
    std::string first_;           // the first bytes Read handed out
};

}  // namespace kavro::console

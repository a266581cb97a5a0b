#include "console/TraceSource.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "console/Failure.h"
#include "files/ReadAt.h"
#include "conversion/TraceKind.h"

namespace kavro::console {

namespace {

constexpr size_t kInputChunk = 1 << 17;
// As many as it takes to tell what a trace that no rule read is.
constexpr size_t kFirstBytes = kavro::kTraceKindSample;

bool IsGzipMagic(const unsigned char* p, size_t n) { return n >= 2 && p[0] == 0x1f && p[1] == 0x8b; }

}  // namespace

struct TraceSource::Gzip {
    z_stream z{};
    std::unique_ptr<unsigned char[]> in{new unsigned char[kInputChunk]};
    bool ended = false;  // the last member's end was seen and no input follows
    bool inputDone = false;

    // Reads more compressed input once the last has been used up.
    template <class ReadFn>
    void Refill(ReadFn&& read) {
        if (z.avail_in != 0 || inputDone) return;
        const size_t n = read(reinterpret_cast<char*>(in.get()), kInputChunk);
        if (n == 0) inputDone = true;
        z.next_in = in.get();
        z.avail_in = static_cast<uInt>(n);
    }

    Gzip() {
        // 16 + MAX_WBITS: gzip wrapping only.
        if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw Failure("cannot start gzip decoding");
    }
    ~Gzip() { inflateEnd(&z); }
};

TraceSource::TraceSource(const std::string& path)
    : file_(path == "-" ? files::InputFile(STDIN_FILENO, path) : files::InputFile(path, files::InputFile::kAnyKind)) {
    if (file_.Regular()) ::posix_fadvise(file_.Fd(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // Two bytes tell the format; a pipe may hand them over one at a time.
    char probe[2];
    size_t got = 0;
    while (got < 2) {
        const size_t n = ReadRaw(probe + got, 2 - got);
        if (n == 0) break;
        got += n;
    }
    head_.assign(probe, got);
    if (IsGzipMagic(reinterpret_cast<const unsigned char*>(probe), got)) {
        gzip_ = std::make_unique<Gzip>();
        std::memcpy(gzip_->in.get(), probe, got);
        gzip_->z.next_in = gzip_->in.get();
        gzip_->z.avail_in = static_cast<uInt>(got);
        head_.clear();
    }
}

TraceSource::~TraceSource() = default;

size_t TraceSource::ReadRaw(char* buffer, size_t capacity) {
    const size_t got = file_.Read(buffer, capacity);
    if (got == 0 && file_.Shrank()) throw Failure(kTraceChanged);
    consumed_ += got;
    return got;
}

size_t TraceSource::Read(char* buffer, size_t capacity) {
    size_t got = 0;
    if (gzip_) {
        got = Inflate(buffer, capacity);
    } else if (!head_.empty()) {
        got = std::min(capacity, head_.size());
        std::memcpy(buffer, head_.data(), got);
        head_.erase(0, got);
    } else {
        got = ReadRaw(buffer, capacity);
    }
    if (first_.size() < kFirstBytes) first_.append(buffer, std::min(got, kFirstBytes - first_.size()));
    return got;
}

const std::string& TraceSource::FirstBytes() {
    // Pieces read with pread never passed through Read.
    if (first_.empty() && PlainFile()) {
        first_.resize(kFirstBytes);
        int error = 0;  // what little was read tells as much
        first_.resize(files::ReadAt(file_.Fd(), first_.data(), kFirstBytes, file_.Start(), error));
    }
    return first_;
}

size_t TraceSource::Inflate(char* buffer, size_t capacity) {
    Gzip& g = *gzip_;
    z_stream& z = g.z;
    z.next_out = reinterpret_cast<unsigned char*>(buffer);
    z.avail_out = static_cast<uInt>(capacity);
    const auto read = [this](char* into, size_t size) { return ReadRaw(into, size); };
    while (z.avail_out > 0 && !g.ended) {
        g.Refill(read);
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            // Concatenated gzip files are one stream; anything else after a
            // member's end is damage.
            g.Refill(read);
            if (z.avail_in == 0) {
                g.ended = true;
                break;
            }
            if (z.avail_in < 2 ? z.next_in[0] != 0x1f : !IsGzipMagic(z.next_in, z.avail_in))
                throw Failure("trailing garbage after gzip data");
            inflateReset(&z);
            continue;
        }
        if (rc == Z_OK) continue;
        if (rc == Z_BUF_ERROR && g.inputDone && z.avail_in == 0)
            throw Failure("gzip data cut short");
        if (rc == Z_BUF_ERROR) continue;
        throw Failure(std::string("corrupt gzip data") + (z.msg ? std::string(" (") + z.msg + ")" : ""));
    }
    return capacity - z.avail_out;
}

}  // namespace kavro::console

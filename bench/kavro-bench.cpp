// Converts a trace file to an event file through the core's one entry point,
// streaming the input, and prints its throughput.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "TraceConverter.h"

namespace {

int Fail(const char* what, const char* path) {
    std::fprintf(stderr, "kavro-bench: %s %s: %s\n", what, path, std::strerror(errno));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kavro-bench TRACE OUT\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();

    const int in = ::open(argv[1], O_RDONLY);
    if (in < 0) return Fail("cannot open", argv[1]);
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);

    kavro::TraceConverter conversion([](const std::string& notice) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    });

    // Big enough to keep read calls few, small enough to stay in cache.
    constexpr size_t kChunk = 1 << 18;
    std::unique_ptr<char[]> chunk(new char[kChunk]);
    unsigned long long bytes = 0;
    for (;;) {
        const ssize_t got = ::read(in, chunk.get(), kChunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Fail("cannot read", argv[1]);
        }
        if (got == 0) break;
        bytes += static_cast<unsigned long long>(got);
        conversion.AddBytes(std::string_view(chunk.get(), static_cast<size_t>(got)));
    }
    conversion.EndBytes();
    ::close(in);

    const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0) return Fail("cannot create", argv[2]);
    unsigned long long lines = 0;
    bool written = true;
    conversion.WriteEventBytes([&](std::string_view block) {
        for (char c : block) lines += c == '\n';
        for (size_t done = 0; written && done < block.size();) {
            const ssize_t put = ::write(out, block.data() + done, block.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) written = false;
            else done += static_cast<size_t>(put);
        }
    });
    if (!written || ::close(out) != 0) return Fail("cannot write", argv[2]);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("lines %llu bytes %llu seconds %.3f MB/s %.1f\n", lines, bytes, seconds,
                seconds > 0 ? bytes / 1e6 / seconds : 0.0);
    return 0;
}

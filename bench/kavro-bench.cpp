// Converts a trace file to an event file with the same core and the same line
// splitting as the window, streaming the input, and prints its throughput.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "EventWriter.h"
#include "LineSplitter.h"
#include "TraceTable.h"

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

    kavro::TraceTableBuilder builder([](const std::string& notice) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    });
    kavro::LineSplitter splitter;
    auto onLine = [&](std::string_view line) { builder.BuildTraceTable(line); };

    constexpr size_t kChunk = 1 << 20;
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
        splitter.Feed(std::string_view(chunk.get(), static_cast<size_t>(got)), onLine);
    }
    splitter.Finish(onLine);
    ::close(in);

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) return Fail("cannot create", argv[2]);
    std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
    unsigned long long lines = 0;
    kavro::WriteEvents(builder.Table(), [&](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fwrite("\r\n", 1, 2, out);
        ++lines;
    });
    if (std::fclose(out) != 0) return Fail("cannot write", argv[2]);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("lines %llu bytes %llu seconds %.3f MB/s %.1f\n", lines, bytes, seconds,
                seconds > 0 ? bytes / 1e6 / seconds : 0.0);
    return 0;
}

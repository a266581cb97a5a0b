#include "console/Progress.h"

#include <unistd.h>

#include <cstdio>

namespace kavro::console {

namespace {

constexpr uint64_t kLargeTrace = uint64_t{64} << 20;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

void WriteError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

Progress::Progress() : terminal_(::isatty(STDERR_FILENO) == 1) {}

bool Progress::Wanted(uint64_t size) const { return terminal_ && size > kLargeTrace; }

void Progress::Update(const void* who, const std::string& name, uint64_t done, uint64_t size,
                      std::chrono::steady_clock::time_point started) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    if (owner_ == nullptr) owner_ = who;
    if (owner_ != who || now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - started).count();
    char figures[128];
    int n = std::snprintf(figures, sizeof figures, "%3.0f%%", size ? 100.0 * done / size : 0.0);
    // A rate over less than a second of work, such as the first piece's,
    // would promise hours; the time left waits until there is a true one.
    if (seconds >= 1 && n > 0) {
        const double rate = done / seconds;
        const double left = rate > 0 && size > done ? (size - done) / rate : 0;
        std::snprintf(figures + n, sizeof figures - n, "  %.0f MB/s  %.0f s left", rate / 1e6, left);
    }
    WriteError("\r" + name + ": " + figures + "\033[K");
    shown_ = true;
}

void Progress::Done(const void* who) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (owner_ != who) return;
    Clear();
    owner_ = nullptr;
}

void Progress::Print(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    Clear();
    WriteError(line + "\n");
}

void Progress::Clear() {
    if (!shown_) return;
    WriteError("\r\033[K");
    shown_ = false;
    lastDraw_ = {};
}

}  // namespace kavro::console

#pragma once
// The progress line on a terminal: share read, MB/s and time left of a large
// trace, redrawn at most ten times a second and cleared before anything else
// is written to standard error.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace kavro::console {

class Progress {
public:
    // Shown at all only when standard error is a terminal.
    Progress();

    // Whether a trace of this many bytes gets a progress line.
    bool Wanted(uint64_t size) const;

    // Called as a trace is read; cheap when no redraw is due. With several
    // traces at once the line follows the one that reported first.
    void Update(const void* who, const std::string& name, uint64_t done, uint64_t size,
                std::chrono::steady_clock::time_point started);
    void Done(const void* who);

    // Clears the line, writes `line` and a line end to standard error.
    void Print(const std::string& line);

private:
    void Clear();

    bool terminal_;
    std::mutex mutex_;
    const void* owner_ = nullptr;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kavro::console

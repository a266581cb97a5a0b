#pragma once
// Word while a large file loads before the window is shown: a small window
// with the application title and the share loaded, and the busy cursor.
// A small file shows nothing. Both go when this object goes, so a load that
// fails has closed them before its error box opens.
#include <chrono>
#include <cstddef>
#include <memory>

class QProgressBar;
class QWidget;

namespace kavro::app {

class LoadSplash {
public:
    LoadSplash() = default;
    ~LoadSplash();
    LoadSplash(const LoadSplash&) = delete;
    LoadSplash& operator=(const LoadSplash&) = delete;

    // As LinePane::LoadFromFile's progress hook: `in` of `all` bytes loaded.
    void Progress(size_t in, size_t all);

private:
    void Show();

    std::unique_ptr<QWidget> window_;
    QProgressBar* share_ = nullptr;
    int percent_ = -1;
    std::chrono::steady_clock::time_point updatedAt_;
};

}  // namespace kavro::app

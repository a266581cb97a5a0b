#include "EventOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Failure.h"

namespace {

// Temporary files being written, for the signal handler: fixed slots of
// plain characters, since a handler may neither lock nor allocate. A slot is
// free, claimed by a writer filling in its path, or ready.
constexpr size_t kSlots = 256;
constexpr size_t kPathMax = 4096;
enum SlotState : int { kFree, kClaimed, kReady };
std::array<std::atomic<int>, kSlots> slotState{};
std::array<std::array<char, kPathMax>, kSlots> slotPath{};

int Remember(const std::string& path) {
    if (path.size() >= kPathMax) return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slotState[i].compare_exchange_strong(expected, kClaimed)) continue;
        std::memcpy(slotPath[i].data(), path.c_str(), path.size() + 1);
        slotState[i].store(kReady);
        return static_cast<int>(i);
    }
    return -1;  // not cleaned up on a signal, but still on every normal path
}

void Forget(int slot) {
    if (slot >= 0) slotState[slot].store(kFree);
}

void OnSignal(int sig) {
    for (size_t i = 0; i < kSlots; ++i)
        if (slotState[i].load() == kReady) ::unlink(slotPath[i].data());
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, OnSignal);
    // A closed pipe shows up as EPIPE from write, reported like any failure.
    std::signal(SIGPIPE, SIG_IGN);
}

EventOutput::EventOutput(const std::string& path) : path_(path) {
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        return;
    }
    // A replaced file keeps its mode bits; a new one gets the usual ones.
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw Failure(path + ": " + SystemText(EISDIR));
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());

    std::string name = path.substr(FolderOf(path).size());
    temp_ = FolderOf(path) + "." + name + ".XXXXXX";
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        temp_.clear();
        throw Failure(path + ": " + SystemText(error));
    }
    slot_ = Remember(temp_);
    if (::fchmod(fd_, mode) != 0) {
        const int error = errno;
        throw Failure(path + ": " + SystemText(error));
    }
}

EventOutput::~EventOutput() {
    if (temp_.empty()) return;
    ::close(fd_);
    ::unlink(temp_.c_str());
    Forget(slot_);
}

void EventOutput::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) {
            const int error = errno;
            throw Failure((temp_.empty() ? std::string("standard output") : path_) + ": " +
                          SystemText(error));
        }
        bytes.remove_prefix(static_cast<size_t>(put));
    }
}

void EventOutput::Commit() {
    if (temp_.empty()) return;
    const auto fail = [&] {
        const int error = errno;
        throw Failure(path_ + ": " + SystemText(error));
    };
    // A full disk may only show when the data is flushed or the file closed.
    if (::fsync(fd_) != 0) fail();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail();
    if (::rename(temp_.c_str(), path_.c_str()) != 0) fail();
    Forget(slot_);
    temp_.clear();
}

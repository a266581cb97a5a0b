#include "files/TemporaryFile.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <set>

namespace kavro::files {

namespace {

// Wakes the receiving thread so that a commit can go ahead; ignored by
// default, and nothing else here uses it.
constexpr int kWake = SIGURG;

// Signals that end the program are held off on every thread but one, which
// waits for them (the receiver). It takes one only while no output is being
// renamed into place, and removes the temporary files before anyone can
// make another: a commit and a signal are never under way at once.
struct Signals {
    sigset_t taken;  // set before any thread starts
    pthread_t receiver{};
    std::mutex mutex;
    std::condition_variable changed;
    bool listening = false;  // the receiver may take a signal
    int committing = 0;      // threads waiting to rename, or renaming
    std::set<std::string> temporaries;
};

// Never destroyed: the receiver may still wait while the program exits.
Signals& State() {
    static Signals* const state = [] {
        auto* s = new Signals;
        sigemptyset(&s->taken);
        return s;
    }();
    return *state;
}

// Whether `sig`, when it comes, ends the program: the program may have
// chosen to ignore it since (the window ignores SIGPIPE).
bool Ends(int sig) {
    struct sigaction now {};
    return sigismember(&State().taken, sig) == 1 && ::sigaction(sig, nullptr, &now) == 0 &&
           now.sa_handler == SIG_DFL;
}

// With the mutex held, on any thread: removes every temporary file and ends
// the program as `sig` would have.
[[noreturn]] void EndBy(int sig) {
    for (const std::string& path : State().temporaries) ::unlink(path.c_str());
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    ::raise(sig);
    ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    for (;;) ::pause();
}

void* Receive(void*) {
    Signals& s = State();
    sigset_t wanted = s.taken;
    sigaddset(&wanted, kWake);
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
        s.changed.wait(lock, [&] { return s.committing == 0; });
        s.listening = true;
        lock.unlock();
        int sig;
        while ((sig = ::sigwaitinfo(&wanted, nullptr)) < 0) {
        }
        lock.lock();
        s.listening = false;
        s.changed.notify_all();
        if (sig != kWake && Ends(sig)) EndBy(sig);
    }
}

// Whether a signal that ends the program has come; with the receiver not
// listening, none can have been taken yet.
bool SignalWaits() {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return false;
    for (int sig = 1; sig <= SIGRTMAX; ++sig)
        if (sigismember(&pending, sig) == 1 && Ends(sig)) return true;
    return false;
}

// ".NAME.XXXXXX" in the target's folder, NAME cut short where the name or
// the path would be too long, since the target itself may be as long as
// they allow; empty when even an empty NAME would not fit.
std::string TemporaryName(const std::string& target) {
    const size_t slash = target.rfind('/');
    const size_t folder = slash == std::string::npos ? 0 : slash + 1;
    constexpr size_t kAdded = 8;  // "." and ".XXXXXX"
    if (folder + kAdded >= PATH_MAX) return {};
    const size_t keep = std::min({target.size() - folder, size_t{NAME_MAX} - kAdded, PATH_MAX - 1 - folder - kAdded});
    return target.substr(0, folder) + "." + target.substr(folder, keep) + ".XXXXXX";
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    Signals& s = State();
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &before);
    // One ignored or held off at start stays so.
    auto take = [&](int sig) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_DFL && sigismember(&before, sig) != 1)
            sigaddset(&s.taken, sig);
    };
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGPOLL,
                    SIGPROF, SIGVTALRM, SIGXCPU, SIGPWR})
        take(sig);
#ifdef SIGSTKFLT
    take(SIGSTKFLT);
#endif
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) take(sig);
    std::signal(SIGXFSZ, SIG_IGN);
    // Held off here, and so on every thread started from now on.
    sigset_t held = s.taken;
    sigaddset(&held, kWake);
    ::pthread_sigmask(SIG_BLOCK, &held, nullptr);
    if (::pthread_create(&s.receiver, nullptr, Receive, nullptr) != 0) {
        // Without a receiver the signals act as they did, and nothing is removed.
        ::pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
        sigemptyset(&s.taken);
    }
}

void EndOnClosedPipe() {
    if (!Ends(SIGPIPE)) return;
    std::lock_guard<std::mutex> lock(State().mutex);
    EndBy(SIGPIPE);
}

int TemporaryFile::Make(const std::string& target) {
    std::string path = TemporaryName(target);
    if (path.empty()) {
        errno = ENAMETOOLONG;
        return -1;
    }
    Signals& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    try {
        s.temporaries.insert(path);
        path_ = path;
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        s.temporaries.erase(path);
        throw;
    }
    target_ = target;
    return fd;
}

bool TemporaryFile::Replace() {
    Signals& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    ++s.committing;
    if (s.listening) ::pthread_kill(s.receiver, kWake);
    s.changed.wait(lock, [&] { return !s.listening; });
    // Ctrl-C also stops whatever writes standard input, whose end then looks
    // like the trace's: once such a signal has come, the target stays as it was.
    const bool signalled = SignalWaits();
    const bool renamed = !signalled && ::rename(path_.c_str(), target_.c_str()) == 0;
    const int error = errno;
    if (renamed || signalled) {
        s.temporaries.erase(path_);
        if (signalled) ::unlink(path_.c_str());
        path_.clear();
    }
    if (--s.committing == 0) s.changed.notify_all();
    if (signalled) {
        lock.unlock();
        for (;;) ::pause();  // the receiver ends the program
    }
    errno = error;
    return renamed;
}

void TemporaryFile::Remove() noexcept {
    if (path_.empty()) return;
    std::lock_guard<std::mutex> lock(State().mutex);
    ::unlink(path_.c_str());
    State().temporaries.erase(path_);
    path_.clear();
}

}  // namespace kavro::files

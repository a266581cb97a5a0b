#include "OutputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "FileError.h"

namespace files {

// The temporary files being written, for the signal handler, which may
// neither lock nor allocate: a list that only grows, of entries that are
// reused once free. A path longer than PATH_MAX could not have been made.
struct PendingTemporary {
    enum State : int { kFree, kClaimed, kReady };
    std::atomic<int> state{kClaimed};
    PendingTemporary* next = nullptr;
    char path[PATH_MAX];
};

namespace {

std::atomic<PendingTemporary*> pendingList{nullptr};

void OnSignal(int sig) {
    const int saved = errno;
    for (PendingTemporary* p = pendingList.load(); p; p = p->next)
        if (p->state.load() == PendingTemporary::kReady) ::unlink(p->path);
    // SA_RESETHAND has put back the default; it acts once the handler returns.
    ::raise(sig);
    errno = saved;
}

mode_t NewFileMode() {
    // Read once: the umask cannot be read without setting it.
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return 0666 & ~mask;
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    struct sigaction ours {};
    ours.sa_handler = OnSignal;
    sigfillset(&ours.sa_mask);
    ours.sa_flags = SA_RESETHAND;
    auto take = [&](int sig) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) ::sigaction(sig, &ours, nullptr);
    };
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGPOLL,
                    SIGPROF, SIGVTALRM, SIGXCPU, SIGPWR})
        take(sig);
#ifdef SIGSTKFLT
    take(SIGSTKFLT);
#endif
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) take(sig);
    std::signal(SIGXFSZ, SIG_IGN);
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    try {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0) {
            if (errno != ENOENT) Fail(errno);
            MakeTemporary(path);
            if (::fchmod(fd_, NewFileMode()) != 0) Fail(errno);
            return;
        }
        struct stat st = link;
        // A dangling link fails here with ENOENT.
        if (S_ISLNK(link.st_mode) && ::stat(path.c_str(), &st) != 0) Fail(errno);
        if (S_ISDIR(st.st_mode)) Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) {
            OpenInPlace(S_ISSOCK(st.st_mode));
            return;
        }
        // As cp does: refused unless the user may write the file; root may.
        if (::access(path.c_str(), W_OK) != 0) Fail(errno);
        std::string target = path;
        if (S_ISLNK(link.st_mode)) {
            const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
            if (!real) Fail(errno);
            target = real.get();
        }
        MakeTemporary(target);
        // Root keeps the owner too; for anyone else this fails and the file
        // becomes theirs, as before. Ahead of the mode: a new owner clears
        // the set-id bits.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
        }
        if (::fchmod(fd_, st.st_mode & 07777) != 0) Fail(errno);
    } catch (...) {
        Discard();
        throw;
    }
}

OutputFile::OutputFile(int fd, std::string name) : path_(std::move(name)), fd_(fd) {}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Fail(int error) { throw FileError(path_, error); }

void OutputFile::OpenInPlace(bool socket) {
    if (!socket) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) Fail(errno);
        owned_ = true;
        return;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) Fail(ENAMETOOLONG);
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) Fail(errno);
    owned_ = true;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) Fail(errno);
}

void OutputFile::MakeTemporary(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string temp = folder + "." + target.substr(folder.size()) + ".XXXXXX";
    if (temp.size() >= PATH_MAX) Fail(ENAMETOOLONG);
    PendingTemporary* p = nullptr;
    for (PendingTemporary* q = pendingList.load(); q && !p; q = q->next) {
        int free = PendingTemporary::kFree;
        if (q->state.compare_exchange_strong(free, PendingTemporary::kClaimed)) p = q;
    }
    if (!p) {
        p = new PendingTemporary;  // kept for the program's life and reused
        p->next = pendingList.load();
        while (!pendingList.compare_exchange_weak(p->next, p)) {
        }
    }
    pending_ = p;
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
    owned_ = true;
    std::memcpy(p->path, temp.c_str(), temp.size() + 1);
    p->state.store(PendingTemporary::kReady);
    temp_ = std::move(temp);
    target_ = target;
}

void OutputFile::Discard() noexcept {
    if (owned_) ::close(fd_);
    owned_ = false;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    if (pending_) pending_->state.store(PendingTemporary::kFree);
    pending_ = nullptr;
}

void OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) Fail(errno);
        bytes.remove_prefix(static_cast<size_t>(put));
    }
}

void OutputFile::Commit() {
    if (!owned_) return;
    // A full disk may only show when the data is flushed or the file closed.
    if (!temp_.empty() && ::fsync(fd_) != 0) Fail(errno);
    owned_ = false;
    if (::close(fd_) != 0) Fail(errno);
    if (temp_.empty()) return;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
    temp_.clear();
    pending_->state.store(PendingTemporary::kFree);
    pending_ = nullptr;
}

}  // namespace files

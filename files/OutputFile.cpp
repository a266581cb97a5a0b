#include "files/OutputFile.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/FileError.h"

namespace kavro::files {

namespace {

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
        // The owner is kept, ahead of the mode, as a new owner clears the
        // set-id bits. Only root may give a file away: anyone else is
        // refused (EPERM) and the new file is theirs, as one they wrote anew
        // would be.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd_, st.st_uid, st.st_gid) != 0 &&
            errno != EPERM)
            Fail(errno);
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
    fd_ = temp_.Make(target);
    if (fd_ < 0) Fail(errno);
    owned_ = true;
}

void OutputFile::Discard() noexcept {
    if (owned_) ::close(fd_);
    owned_ = false;
    temp_.Remove();
}

void OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) {
            const int error = errno;
            if (error == EPIPE) EndOnClosedPipe();
            Fail(error);
        }
        bytes.remove_prefix(static_cast<size_t>(put));
    }
}

void OutputFile::Commit() {
    if (!owned_) return;
    // A full disk may only show when the data is flushed or the file closed.
    if (temp_.Made() && ::fsync(fd_) != 0) Fail(errno);
    owned_ = false;
    if (::close(fd_) != 0) Fail(errno);
    if (temp_.Made() && !temp_.Replace()) Fail(errno);
}

}  // namespace kavro::files

#include "LinePane.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <new>

#include "KavroError.h"

namespace {

// System error texts end the user's message, so their trailing full stops and
// spaces go (the error box adds its own full stop).
std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

std::string FileMessage(const char* what, const QString& path, const std::string& why) {
    return std::string(what) + " \"" + path.toLocal8Bit().toStdString() + "\". " + Trimmed(why);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string ReadWholeFile(const QString& path) {
    const auto fail = [&] {
        throw KavroError(FileMessage("Cannot open file", path, std::strerror(errno)));
    };
    Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) fail();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) fail();
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        fail();
    }
    std::string bytes;
    try {
        bytes.resize(st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0);
        size_t used = 0;
        for (;;) {
            if (used == bytes.size()) {
                // Probe before growing: reallocating a whole trace just to
                // see end of file would double the peak memory.
                char probe[1 << 12];
                const ssize_t got = ::read(fd.get(), probe, sizeof probe);
                if (got < 0) {
                    if (errno == EINTR) continue;
                    fail();
                }
                if (got == 0) break;
                bytes.append(probe, static_cast<size_t>(got));
                used = bytes.size();
                continue;
            }
            const ssize_t got = ::read(fd.get(), &bytes[used], bytes.size() - used);
            if (got < 0) {
                if (errno == EINTR) continue;
                fail();
            }
            if (got == 0) break;
            used += static_cast<size_t>(got);
        }
        bytes.resize(used);
    } catch (const std::bad_alloc&) {
        throw KavroError("Text exceeds memo capacity");
    }
    return bytes;
}


// Writes all of `bytes`; a short write is retried so the system's reason
// for stopping reaches the error string.
bool WriteAll(QSaveFile& file, const std::string& bytes) {
    const char* data = bytes.data();
    qint64 left = static_cast<qint64>(bytes.size());
    while (left > 0) {
        const qint64 written = file.write(data, left);
        if (written <= 0) return false;
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

void LinePane::LoadFromFile(const QString& path) {
    SetText(ReadWholeFile(path));
}

void LinePane::SaveToFile(const QString& path) const {
    // The temporary file would come out with the usual mode for a new file;
    // a file it replaces keeps its own mode bits, as cp onto it would.
    struct stat replaced {};
    const bool replacing =
        ::stat(QFile::encodeName(path).constData(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    QSaveFile file(path);
    const auto failWith = [&](const std::string& why) {
        file.cancelWriting();
        throw KavroError(FileMessage("Cannot create file", path, why));
    };
    const auto fail = [&] { failWith(file.errorString().toLocal8Bit().toStdString()); };
    // Unbuffered, so that a write the disk refuses is seen here and not lost
    // inside a later flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail();
    if (replacing && ::fchmod(file.handle(), replaced.st_mode & 07777) != 0) failWith(std::strerror(errno));
    std::string buf;
    constexpr size_t kFlushAt = 1 << 20;
    bool ok = true;
    ForEachLine([&](std::string_view line) {
        if (!ok) return;
        buf.append(line).append("\r\n");
        if (buf.size() >= kFlushAt) {
            ok = WriteAll(file, buf);
            buf.clear();
        }
    });
    if (!ok || !WriteAll(file, buf) || !file.commit()) fail();
}

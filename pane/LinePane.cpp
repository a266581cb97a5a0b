#include "LinePane.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "BackgroundRead.h"
#include "LineSplitter.h"
#include "PaneError.h"

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
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// A pipe, a device or a socket could block the start or never end, so only
// a regular file (or a link to one) is read. It is read up to the size it had
// when opened and never beyond: a trace that ns-2 is still writing is taken
// as it stood then.
Fd OpenTrace(const QString& path, size_t& size) {
    static const char* const kNotRegular = "Not a regular file";
    const auto fail = [&](const std::string& why) {
        throw PaneError(FileMessage("Cannot open file", path, why));
    };
    // Non-blocking, so a FIFO that nobody writes opens at once and is then
    // turned down below; opening a socket fails with ENXIO.
    Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) fail(errno == ENXIO ? kNotRegular : std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) fail(std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode)) fail(kNotRegular);
    if (static_cast<std::uintmax_t>(st.st_size) > SIZE_MAX / 2) throw PaneError::MemoCapacity();
    size = static_cast<size_t>(st.st_size);
    return fd;
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

std::function<void()> LinePane::AfterLoadStat;

void LinePane::LoadFromFile(const QString& path) {
    size_t size = 0;
    const Fd fd = OpenTrace(path, size);
    if (LinePane::AfterLoadStat) LinePane::AfterLoadStat();
    ByteBlock bytes;
    try {
        bytes = ByteBlock(size);
    } catch (const std::bad_alloc&) {
        throw PaneError::MemoCapacity();
    }
    // Declared after the block, so that the read has ended before it goes.
    BackgroundRead reader(fd.get(), bytes.data(), size);
    SetText(bytes, [&](size_t have) {
        const size_t in = reader.AwaitMore(have);
        if (in == have && reader.Error() != 0)
            throw PaneError(FileMessage("Cannot open file", path, std::strerror(reader.Error())));
        return in;
    });
}

void LinePane::ForEachLineBatch(const BatchFn& fn) const {
    constexpr size_t kBatch = 1024;
    std::vector<std::string> copies;
    copies.reserve(kBatch);
    std::vector<std::string_view> views;
    auto flush = [&] {
        views.assign(copies.begin(), copies.end());
        fn(views.data(), views.size());
        copies.clear();
    };
    ForEachLine([&](std::string_view line) {
        copies.emplace_back(line);
        if (copies.size() == kBatch) flush();
    });
    if (!copies.empty()) flush();
}

void LinePane::SetText(ByteBlock& bytes, const AwaitFn& awaitMore) {
    size_t have = 0;
    for (size_t more; (more = awaitMore(have)) > have;) have = more;
    SetText(std::string(bytes.data(), have));
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
        throw PaneError(FileMessage("Cannot create file", path, why));
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
        buf.append(line).append(kavro::kLineEnd);
        if (buf.size() >= kFlushAt) {
            ok = WriteAll(file, buf);
            buf.clear();
        }
    });
    if (!ok || !WriteAll(file, buf) || !file.commit()) fail();
}

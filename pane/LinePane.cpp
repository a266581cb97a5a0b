#include "LinePane.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "BackgroundRead.h"
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

}  // namespace

std::function<void()> LinePane::AfterLoadStat;

void LinePane::LoadFromFile(const QString& path, const IndexedFn& onIndexed) {
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
    }, onIndexed);
}

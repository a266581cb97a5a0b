#include "LinePane.h"

#include <QFile>
#include <QString>
#include <cstdint>
#include <new>
#include <vector>

#include "BackgroundRead.h"
#include "FileError.h"
#include "InputFile.h"
#include "LineSplitter.h"
#include "OutputFile.h"
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

// A pipe, a device or a socket could block the start or never end, so only
// a regular file (or a link to one) is read.
files::InputFile OpenTrace(const QString& path) {
    try {
        return files::InputFile(QFile::encodeName(path).toStdString(), files::InputFile::kRegularOnly);
    } catch (const files::FileError& e) {
        throw PaneError(FileMessage("Cannot open file", path, e.Reason()));
    }
}

}  // namespace

void LinePane::LoadFromFile(const QString& path) {
    const files::InputFile file = OpenTrace(path);
    if (file.End() > SIZE_MAX / 2) throw PaneError::MemoCapacity();
    const size_t size = static_cast<size_t>(file.End());
    ByteBlock bytes;
    try {
        bytes = ByteBlock(size);
    } catch (const std::bad_alloc&) {
        throw PaneError::MemoCapacity();
    }
    // Declared after the block, so that the read has ended before it goes.
    files::BackgroundRead reader(file.Fd(), bytes.data(), size);
    SetText(bytes, [&](size_t have) {
        const size_t in = reader.AwaitMore(have);
        if (in == have && reader.Error() != 0)
            throw PaneError(FileMessage("Cannot open file", path, files::SystemText(reader.Error())));
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
    try {
        files::OutputFile file(QFile::encodeName(path).toStdString());
        std::string buf;
        constexpr size_t kFlushAt = 1 << 20;
        ForEachLine([&](std::string_view line) {
            buf.append(line).append(kavro::kLineEnd);
            if (buf.size() >= kFlushAt) {
                file.Write(buf);
                buf.clear();
            }
        });
        file.Write(buf);
        file.Commit();
    } catch (const files::FileError& e) {
        throw PaneError(FileMessage("Cannot create file", path, e.Reason()));
    }
}

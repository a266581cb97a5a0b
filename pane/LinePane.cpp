#include "pane/LinePane.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <new>

#include "files/BackgroundRead.h"
#include "files/FileError.h"
#include "files/InputFile.h"
#include "pane/PaneError.h"

namespace kavro::pane {

namespace {

// A pipe, a device or a socket could block the start or never end, so only
// a regular file (or a link to one) is read.
files::InputFile OpenTrace(const QString& path) {
    try {
        return files::InputFile(QFile::encodeName(path).toStdString(), files::InputFile::kRegularOnly);
    } catch (const files::FileError& e) {
        throw PaneError::File("Cannot open file", path.toLocal8Bit().toStdString(), e.Reason());
    }
}

}  // namespace

void LinePane::LoadFromFile(const QString& path, const IndexedFn& onIndexed, const ProgressFn& onProgress) {
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
    // A watcher gets the bytes in steps of a hundredth at most: a large file
    // is read in two halves at once, and the second half would otherwise
    // come to the indexing in one piece, with no word until its end.
    const size_t step = onProgress ? std::max<size_t>(size / 100, 1) : SIZE_MAX;
    SetText(bytes, [&](size_t have) {
        if (onProgress) onProgress(have, size);
        const size_t in = reader.AwaitMore(have);
        if (in == have && reader.Error() != 0)
            throw PaneError::File("Cannot open file", path.toLocal8Bit().toStdString(),
                                  files::SystemText(reader.Error()));
        return in - have > step ? have + step : in;
    }, onIndexed);
}

void LinePane::TakeText(ByteBlock& bytes) {
    const size_t size = bytes.size();
    SetText(bytes, [size](size_t have) { return std::max(have, size); }, {});
}

}  // namespace kavro::pane

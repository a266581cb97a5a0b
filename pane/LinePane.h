#pragma once
// What the window's conversion command needs of a text pane: a list of
// single-byte lines. Any widget that offers these can serve as Memo1/Memo2.
#include <functional>
#include <string>
#include <string_view>

#include "ByteBlock.h"

class QString;
class QWidget;

class LinePane {
public:
    virtual ~LinePane() = default;

    virtual QWidget* Widget() = 0;

    // Lines, not counting a final empty line: text ending in a line break
    // has as many lines as it has line breaks.
    virtual int Count() const = 0;
    virtual std::string Line(int i) const = 0;
    // Every counted line in order; the view is valid only during the call.
    virtual void ForEachLine(const std::function<void(std::string_view)>& fn) const = 0;

    virtual void Clear() = 0;
    virtual void Append(std::string_view line) = 0;
    // Append for many lines at once; one call for the lot.
    virtual void AppendLines(const std::string_view* lines, size_t count) {
        for (size_t i = 0; i < count; ++i) Append(lines[i]);
    }
    // Room for that many lines of that many bytes about to be appended, so
    // that the text does not grow in steps; only a hint.
    virtual void Reserve(size_t /*lines*/, size_t /*bytes*/) {}
    // Replaces the whole text; CR LF, CR and LF all end a line.
    // Throws PaneError::MemoCapacity() when memory runs out.
    virtual void SetText(std::string bytes) = 0;

    virtual void SetRepaintSuspended(bool suspended) = 0;

    // Every counted line in order, handed over in batches, so that a long
    // text costs one call per batch rather than one per line. Lines that the
    // line filter turns down may be left out.
    using BatchFn = std::function<void(const std::string_view* lines, size_t count)>;
    virtual void ForEachLineBatch(const BatchFn& fn) const;
    // A test of lines by their text alone, setting pass[i] for lines[i]. A
    // pane may note while it loads a file which lines pass it, and later
    // leave the others out.
    using LineFilter = void (*)(const std::string_view* lines, size_t count, bool* pass);
    virtual void SetLineFilter(LineFilter) {}

    // SetText for bytes still being read into `bytes`; see TextModel. The
    // default waits for all of them.
    using AwaitFn = std::function<size_t(size_t have)>;
    virtual void SetText(ByteBlock& bytes, const AwaitFn& awaitMore);

    // Raw bytes in, no character-set conversion. Only a regular file is
    // read, and only as far as it reached when it was opened.
    void LoadFromFile(const QString& path);
    // Each line followed by CR LF, by the rules of files::OutputFile; a
    // failed save leaves the old file as it was.
    void SaveToFile(const QString& path) const;
};

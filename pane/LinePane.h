#pragma once
// What the window's conversion command needs of a text pane: a list of
// single-byte lines. Any widget that offers these can serve as Memo1/Memo2.
#include <functional>
#include <string>
#include <string_view>

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
    // Replaces the whole text; CR LF, CR and LF all end a line.
    // Throws PaneError::MemoCapacity() when memory runs out.
    virtual void SetText(std::string bytes) = 0;

    virtual void SetRepaintSuspended(bool suspended) = 0;

    // Raw bytes in, no character-set conversion. Only a regular file is
    // read, and only as far as it reached when it was opened.
    void LoadFromFile(const QString& path);
    // Run by LoadFromFile between taking the file's size and reading it, so
    // tests can grow the file at that point.
    static std::function<void()> AfterLoadStat;
    // Each line followed by CR LF; a failed save leaves the old file as it was.
    void SaveToFile(const QString& path) const;
};

#pragma once
// What the window's conversion command needs of a text pane: a list of
// single-byte lines. Any widget that offers these can serve as Memo1/Memo2.
#include <functional>
#include <string>
#include <string_view>

#include "pane/ByteBlock.h"

class QString;
class QWidget;

namespace kavro::pane {

class LinePane {
public:
    virtual ~LinePane() = default;

    virtual QWidget* Widget() = 0;

    // Every line in order, handed over in batches, so that a long text costs
    // one call per batch rather than one per line. A final empty line is not
    // one: text ending in a line break has as many lines as line breaks.
    using BatchFn = std::function<void(const std::string_view* lines, size_t count)>;
    virtual void ForEachLineBatch(const BatchFn& fn) const = 0;

    // Replaces the whole text; CR LF, CR and LF all end a line.
    // Throws PaneError::MemoCapacity() when memory runs out.
    virtual void SetText(std::string bytes) = 0;
    // SetText for bytes that are all in the block. They stay where they lie:
    // a view of them taken before lives as long as this text.
    void TakeText(ByteBlock& bytes);
    // SetText for bytes still being read into `bytes`; see TextModel. The
    // lines are handed to `onIndexed` as they are indexed, when given.
    using AwaitFn = std::function<size_t(size_t have)>;
    using IndexedFn = std::function<void(const std::string_view* lines, size_t count)>;
    virtual void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) = 0;

    // Called after every change to the text, whoever made it.
    void OnTextChanged(std::function<void()> handler) { textChanged_ = std::move(handler); }

    // How far a load has come: `in` of `all` bytes are indexed.
    using ProgressFn = std::function<void(size_t in, size_t all)>;

    // Raw bytes in, no character-set conversion. Only a regular file is
    // read, and only as far as it reached when it was opened. `onIndexed`
    // as for SetText. `onProgress`, when given, is called with 0 before any
    // line is indexed, again at least once per hundredth of the file, and
    // last with all that was read; a long load can so show how far it is.
    void LoadFromFile(const QString& path, const IndexedFn& onIndexed = {},
                      const ProgressFn& onProgress = {});

protected:
    void TextChanged() const {
        if (textChanged_) textChanged_();
    }

private:
    std::function<void()> textChanged_;
};

}  // namespace kavro::pane

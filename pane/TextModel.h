#pragma once
// The text behind a pane: the loaded bytes stay untouched and edits live in an
// append-only buffer, with one compact reference per line into either. An edit
// swaps a run of line references, so nothing ever copies the whole text and
// undo keeps only the references it swapped out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pane/ByteBlock.h"

namespace kavro::pane {

struct TextPos {
    size_t line = 0;
    size_t column = 0;  // byte offset within the line

    friend bool operator==(const TextPos& a, const TextPos& b) {
        return a.line == b.line && a.column == b.column;
    }
    friend bool operator!=(const TextPos& a, const TextPos& b) { return !(a == b); }
    friend bool operator<(const TextPos& a, const TextPos& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    }
};

class TextModel {
public:
    TextModel();

    // Replaces everything; CR LF, CR and LF each end a line. Forgets the
    // undo history. The bytes are taken over, not copied.
    void SetText(std::string bytes);
    // The same for a block that may still be filling while this runs:
    // awaitMore(have) blocks until more than `have` bytes are in and returns
    // how many are, or returns `have` once no more will come. The lines are
    // indexed as the bytes arrive, in one pass. Only once all are indexed is
    // the block taken over, without a copy, and the old text replaced; when
    // awaitMore throws, the model and the block are left as they were.
    // onIndexed, when given, sees the lines in batches as they are indexed,
    // while they are still in the cache; the views live as long as this text.
    using AwaitFn = std::function<size_t(size_t have)>;
    using IndexedFn = std::function<void(const std::string_view* lines, size_t count)>;
    void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed = {});

    // Lines as a line list sees them: a final empty line is not counted.
    size_t Count() const;
    // Lines as shown: always at least one; text ending in a line break has an
    // empty last line for the caret.
    size_t DisplayCount() const { return lines_.size(); }
    // Valid until the next change to the model.
    std::string_view Line(size_t i) const { return View(lines_[i]); }

    // Every counted line in order, in batches: fn(const std::string_view*
    // lines, size_t count).
    template <class Fn>
    void ForEachLineBatch(Fn&& fn) const {
        constexpr size_t kBatch = 4096;
        std::string_view batch[kBatch];
        const size_t n = Count();
        for (size_t i = 0; i < n;) {
            const size_t count = std::min(kBatch, n - i);
            for (size_t k = 0; k < count; ++k) batch[k] = View(lines_[i + k]);
            fn(static_cast<const std::string_view*>(batch), count);
            i += count;
        }
    }

    // Bytes between two positions, line breaks written as `lineBreak`.
    std::string TextRange(TextPos from, TextPos to, std::string_view lineBreak = "\n") const;
    std::string Text(std::string_view lineBreak = "\n") const {
        return TextRange({}, End(), lineBreak);
    }

    TextPos End() const { return {lines_.size() - 1, Len(lines_.back())}; }
    TextPos Clamp(TextPos p) const;

    // Replaces the bytes between two positions (in either order) with `text`,
    // whose CR LF, CR and LF each become one line break, and returns the
    // position after the new text. A run of `typing` edits, each starting
    // where the previous one ended, undoes as one step.
    TextPos Replace(TextPos from, TextPos to, std::string_view text, bool typing = false);
    TextPos Insert(TextPos pos, std::string_view text, bool typing = false) {
        return Replace(pos, pos, text, typing);
    }
    TextPos Remove(TextPos from, TextPos to) { return Replace(from, to, {}); }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // Each returns false when there is nothing to do; otherwise `caret`, if
    // given, receives the end of the text that is now in place.
    bool Undo(TextPos* caret = nullptr);
    bool Redo(TextPos* caret = nullptr);
    // The next typing edit starts a new undo step.
    void SealUndo() { typingRun_ = false; }

    // Length of the longest line in bytes, for the horizontal scroll range.
    size_t MaxLineLength() const;

private:
    // 8 bytes per line, which is most of what a long text costs beside its
    // bytes: the buffer, the length and the offset packed in one word. A
    // line too long or too far in for that keeps its offset and length in
    // far_, and its word says where.
    // From the top: the add buffer, far, 24 bits of length, 38 of offset.
    struct LineRef {
        uint64_t bits = 0;  // LineRef{} is an empty line
    };
    struct FarLine {
        uint64_t offset = 0;
        size_t len = 0;
    };
    static constexpr uint64_t kInAdd = uint64_t{1} << 63;
    static constexpr uint64_t kFar = uint64_t{1} << 62;
    static constexpr int kOffsetBits = 38;
    static constexpr uint64_t kOffsetMask = (uint64_t{1} << kOffsetBits) - 1;
    static constexpr uint64_t kLenMask = (uint64_t{1} << 24) - 1;

    static LineRef MakeRef(std::vector<FarLine>& far, bool inAdd, uint64_t offset, size_t len);
    LineRef MakeRef(bool inAdd, uint64_t offset, size_t len) { return MakeRef(far_, inAdd, offset, len); }
    LineRef SubRef(LineRef r, size_t from, size_t len);
    static bool InAdd(LineRef r) { return (r.bits & kInAdd) != 0; }
    uint64_t Offset(LineRef r) const {
        return (r.bits & kFar) ? far_[r.bits & ~(kInAdd | kFar)].offset : r.bits & kOffsetMask;
    }
    size_t Len(LineRef r) const {
        return (r.bits & kFar) ? far_[r.bits & ~(kInAdd | kFar)].len : (r.bits >> kOffsetBits) & kLenMask;
    }

    struct Edit {
        size_t first = 0;  // first line replaced
        std::vector<LineRef> before;
        std::vector<LineRef> after;
        TextPos beforeEnd;  // end of the replaced text
        TextPos afterEnd;   // end of the new text
    };

    std::string_view View(LineRef r) const {
        const char* buf = InAdd(r) ? add_.data() : base_.data();
        return std::string_view(buf + Offset(r), Len(r));
    }
    void Splice(size_t first, size_t count, const std::vector<LineRef>& with);
    // Takes the newest edit off `from`, applies it backwards (undoing) or
    // forwards, and keeps it on `to`.
    bool Replay(std::vector<Edit>& from, std::vector<Edit>& to, bool undoing, TextPos* caret);
    void GrowLines(size_t extra);
    void ResetHistory();

    ByteBlock base_;    // as loaded, never changed
    std::string add_;   // append-only while any line or edit refers to it
    std::vector<FarLine> far_;  // the same
    std::vector<LineRef> lines_;
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    bool typingRun_ = false;
    mutable size_t maxLen_ = 0;
    mutable bool maxLenStale_ = false;
};

}  // namespace kavro::pane

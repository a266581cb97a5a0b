#include "pane/TextModel.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "lines/LineSplitter.h"
#include "pane/PaneError.h"

namespace kavro::pane {

namespace {

// Pieces of inserted text between its line ends, keeping the empty piece
// after a final line end: "a\n" is "a" and "".
std::vector<std::string_view> SplitPieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    const bool hasCR = std::memchr(text.data(), '\r', text.size()) != nullptr;
    size_t pos = 0;
    for (;;) {
        const size_t end = lines::FindLineEnd(text, pos, hasCR);
        pieces.push_back(text.substr(pos, end - pos));
        if (end == text.size()) break;
        pos = lines::SkipLineEnd(text, end);
    }
    return pieces;
}

// Runs a model operation. Memory running out, or a line too long for a
// reference, is the capacity error the user knows.
template <class Fn>
auto WithinCapacity(Fn&& fn) -> decltype(fn()) {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        throw PaneError::MemoCapacity();
    } catch (const std::length_error&) {
        throw PaneError::MemoCapacity();
    }
}

// Cuts a buffer back to where an edit began, unless the edit is kept.
template <class Buffer>
class Mark {
public:
    explicit Mark(Buffer& buffer) : buffer_(buffer), size_(buffer.size()) {}
    ~Mark() {
        if (!kept_) buffer_.resize(size_);
    }
    Mark(const Mark&) = delete;
    Mark& operator=(const Mark&) = delete;
    void Keep() { kept_ = true; }

private:
    Buffer& buffer_;
    size_t size_;
    bool kept_ = false;
};

template <class Vec>
void ReserveOneMore(Vec& v) {
    if (v.size() == v.capacity()) v.reserve(std::max<size_t>(16, v.capacity() * 2));
}

}  // namespace

TextModel::TextModel() : lines_(1) {}

TextModel::LineRef TextModel::MakeRef(std::vector<FarLine>& far, bool inAdd, uint64_t offset, size_t len) {
    const uint64_t buffer = inAdd ? kInAdd : 0;
    if (len <= kLenMask && offset <= kOffsetMask) return {buffer | uint64_t{len} << kOffsetBits | offset};
    if (len > UINT32_MAX || offset >= (uint64_t(1) << 63)) throw std::length_error("line too long");
    far.push_back({offset, len});
    return {buffer | kFar | (far.size() - 1)};
}

TextModel::LineRef TextModel::SubRef(LineRef r, size_t from, size_t len) {
    if (len == 0) return {};
    return MakeRef(InAdd(r), Offset(r) + from, len);
}

void TextModel::SetText(std::string bytes) {
    WithinCapacity([&] {
        ByteBlock block(std::move(bytes));
        const size_t size = block.size();
        SetText(block, [size](size_t have) { return std::max(have, size); });
    });
}

void TextModel::SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) {
    WithinCapacity([&] {
        std::vector<LineRef> lines;
        std::vector<FarLine> far;
        // A guess that reserves address space only: the index's pages are
        // touched as it fills, and a text of shorter lines just grows it.
        lines.reserve(bytes.size() / 32 + 2);
        size_t maxLen = 0;
        const char* data = bytes.data();
        // Lines are gathered in small batches, so that neither the index nor
        // the one who watches it costs a call per line.
        constexpr size_t kBatch = 256;
        std::string_view batch[kBatch];
        LineRef refs[kBatch];
        size_t inBatch = 0;
        auto flush = [&] {
            if (onIndexed && inBatch > 0) onIndexed(batch, inBatch);
            lines.insert(lines.end(), refs, refs + inBatch);
            inBatch = 0;
        };
        auto take = [&](std::string_view line) {
            batch[inBatch] = line;
            refs[inBatch] = MakeRef(far, false, static_cast<uint64_t>(line.data() - data), line.size());
            maxLen = std::max(maxLen, line.size());
            if (++inBatch == kBatch) flush();
        };
        size_t have = 0;
        size_t start = 0;  // where the line being read begins
        bool crAtEnd = false;
        for (size_t more; (more = awaitMore(have)) > have; have = more) {
            // A CR that ended the bytes so far may have its LF here.
            if (crAtEnd && data[start] == '\n') ++start;
            crAtEnd = false;
            start = lines::SplitEndedLines(std::string_view(data, more), start, take, crAtEnd);
        }
        if (start < have) take(std::string_view(data + start, have - start));
        flush();
        // Text ending in a line break shows an empty last line for the caret.
        if (have == 0 || data[have - 1] == '\n' || data[have - 1] == '\r') lines.emplace_back();

        bytes.Shrink(have);
        base_ = std::move(bytes);
        std::string().swap(add_);
        far_.swap(far);
        lines_.swap(lines);
        ResetHistory();
        maxLen_ = maxLen;
        maxLenStale_ = false;
    });
}

size_t TextModel::Count() const {
    return lines_.size() - (Len(lines_.back()) == 0 ? 1 : 0);
}

TextPos TextModel::Clamp(TextPos p) const {
    p.line = std::min(p.line, lines_.size() - 1);
    p.column = std::min(p.column, Len(lines_[p.line]));
    return p;
}

std::string TextModel::TextRange(TextPos from, TextPos to, std::string_view lineBreak) const {
    from = Clamp(from);
    to = Clamp(to);
    if (to < from) std::swap(from, to);
    if (from.line == to.line)
        return std::string(Line(from.line).substr(from.column, to.column - from.column));

    size_t size = Len(lines_[from.line]) - from.column + to.column;
    for (size_t i = from.line + 1; i < to.line; ++i) size += Len(lines_[i]);
    size += (to.line - from.line) * lineBreak.size();
    std::string out;
    out.reserve(size);
    out.append(Line(from.line).substr(from.column)).append(lineBreak);
    for (size_t i = from.line + 1; i < to.line; ++i) out.append(Line(i)).append(lineBreak);
    out.append(Line(to.line).substr(0, to.column));
    return out;
}

TextPos TextModel::Replace(TextPos from, TextPos to, std::string_view text, bool typing) {
    from = Clamp(from);
    to = Clamp(to);
    if (to < from) std::swap(from, to);
    const bool hasBreak = text.find_first_of("\r\n") != std::string_view::npos;
    const bool isTyping = typing && !text.empty() && !hasBreak;
    if (from == to && text.empty()) {
        typingRun_ = false;
        return from;
    }
    const bool merge = isTyping && typingRun_ && from == to && !undo_.empty() &&
                       undo_.back().afterEnd == from && undo_.back().after.size() == 1;

    return WithinCapacity([&] {
        Mark addMark(add_);
        Mark farMark(far_);
        const std::vector<std::string_view> pieces =
            hasBreak ? SplitPieces(text) : std::vector<std::string_view>{text};
        const LineRef prefix = SubRef(lines_[from.line], 0, from.column);
        const LineRef suffix =
            SubRef(lines_[to.line], to.column, Len(lines_[to.line]) - to.column);

        // Reserve up front so views into the add buffer stay valid below.
        const size_t room = text.size() + Len(prefix) + Len(suffix);
        if (add_.capacity() - add_.size() < room)
            add_.reserve(std::max(add_.size() + room, add_.capacity() + add_.capacity() / 2));

        const auto join = [&](const LineRef& head, std::string_view mid,
                              const LineRef& tail) -> LineRef {
            const size_t headLen = Len(head), tailLen = Len(tail);
            if (mid.empty()) {
                if (headLen == 0) return tail;
                if (tailLen == 0) return head;
                if (InAdd(head) == InAdd(tail) && Offset(head) + headLen == Offset(tail))
                    return MakeRef(InAdd(head), Offset(head), headLen + tailLen);
            }
            const size_t len = headLen + mid.size() + tailLen;
            if (len == 0) return {};
            // Typing at the end of the newest line grows it where it lies.
            if (headLen != 0 && InAdd(head) && Offset(head) + headLen == add_.size()) {
                const LineRef ref = MakeRef(true, Offset(head), len);
                add_.append(mid.data(), mid.size()).append(View(tail));
                return ref;
            }
            const LineRef ref = MakeRef(true, add_.size(), len);
            add_.append(View(head)).append(mid.data(), mid.size()).append(View(tail));
            return ref;
        };

        std::vector<LineRef> after;
        after.reserve(pieces.size());
        const LineRef none;
        if (pieces.size() == 1) {
            after.push_back(join(prefix, pieces[0], suffix));
        } else {
            after.push_back(join(prefix, pieces.front(), none));
            for (size_t i = 1; i + 1 < pieces.size(); ++i) after.push_back(join(none, pieces[i], none));
            after.push_back(join(none, pieces.back(), suffix));
        }
        const TextPos afterEnd{from.line + pieces.size() - 1,
                               (pieces.size() == 1 ? from.column : 0) + pieces.back().size()};

        if (merge) {
            undo_.back().after[0] = after[0];
            undo_.back().afterEnd = afterEnd;
            Splice(from.line, 1, after);
        } else {
            Edit edit;
            edit.first = from.line;
            edit.before.assign(lines_.begin() + from.line, lines_.begin() + to.line + 1);
            edit.beforeEnd = to;
            edit.afterEnd = afterEnd;
            if (after.size() > edit.before.size()) GrowLines(after.size() - edit.before.size());
            ReserveOneMore(undo_);
            edit.after = std::move(after);
            // Nothing below allocates.
            Splice(edit.first, edit.before.size(), edit.after);
            undo_.push_back(std::move(edit));
            redo_.clear();
        }
        typingRun_ = isTyping;
        addMark.Keep();
        farMark.Keep();
        return afterEnd;
    });
}

bool TextModel::Undo(TextPos* caret) {
    return Replay(undo_, redo_, true, caret);
}

bool TextModel::Redo(TextPos* caret) {
    return Replay(redo_, undo_, false, caret);
}

bool TextModel::Replay(std::vector<Edit>& from, std::vector<Edit>& to, bool undoing,
                       TextPos* caret) {
    typingRun_ = false;
    if (from.empty()) return false;
    WithinCapacity([&] {
        Edit& edit = from.back();
        const std::vector<LineRef>& gone = undoing ? edit.after : edit.before;
        const std::vector<LineRef>& back = undoing ? edit.before : edit.after;
        if (back.size() > gone.size()) GrowLines(back.size() - gone.size());
        ReserveOneMore(to);
        Splice(edit.first, gone.size(), back);
        if (caret) *caret = undoing ? edit.beforeEnd : edit.afterEnd;
        to.push_back(std::move(edit));
        from.pop_back();
    });
    return true;
}

size_t TextModel::MaxLineLength() const {
    if (maxLenStale_) {
        size_t m = 0;
        for (const LineRef& r : lines_) m = std::max(m, Len(r));
        maxLen_ = m;
        maxLenStale_ = false;
    }
    return maxLen_;
}

// Room for `extra` more lines, growing geometrically so that many edits
// that add lines stay linear overall.
void TextModel::GrowLines(size_t extra) {
    if (lines_.capacity() - lines_.size() >= extra) return;
    lines_.reserve(std::max(lines_.size() + extra, lines_.capacity() + lines_.capacity() / 2));
}

// Swaps lines [first, first + count) for `with`; the caller has made room.
void TextModel::Splice(size_t first, size_t count, const std::vector<LineRef>& with) {
    size_t removedMax = 0;
    for (size_t i = first; i < first + count; ++i) removedMax = std::max(removedMax, Len(lines_[i]));
    size_t addedMax = 0;
    for (const LineRef& r : with) addedMax = std::max(addedMax, Len(r));

    const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(first);
    if (with.size() > count)
        lines_.insert(at + static_cast<std::ptrdiff_t>(count), with.size() - count, LineRef{});
    else if (with.size() < count)
        lines_.erase(at + static_cast<std::ptrdiff_t>(with.size()),
                     at + static_cast<std::ptrdiff_t>(count));
    std::copy(with.begin(), with.end(), lines_.begin() + static_cast<std::ptrdiff_t>(first));

    if (maxLenStale_) return;
    if (addedMax >= maxLen_)
        maxLen_ = addedMax;
    else if (removedMax == maxLen_)
        maxLenStale_ = true;
}

void TextModel::ResetHistory() {
    undo_.clear();
    redo_.clear();
    typingRun_ = false;
}

}  // namespace kavro::pane

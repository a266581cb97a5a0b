#pragma once
// Splits text into lines the way the window counts them: CR LF, a lone CR
// and a lone LF each end a line (LF then CR is two line ends), and a final
// empty line is not counted. Works on whole buffers or on streamed chunks.
#include <cstring>
#include <string>
#include <string_view>

namespace kavro {

// Offset just past the line end that starts at `pos`, given text[pos] is CR or LF.
inline size_t SkipLineEnd(std::string_view text, size_t pos) {
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') return pos + 2;
    return pos + 1;
}

// Position of the first CR or LF at or after `from`, or text.size().
inline size_t FindLineEnd(std::string_view text, size_t from, bool hasCR) {
    const char* base = text.data();
    const size_t n = text.size();
    if (from >= n) return n;
    const void* lf = std::memchr(base + from, '\n', n - from);
    const size_t lfPos = lf ? static_cast<const char*>(lf) - base : n;
    if (!hasCR) return lfPos;
    const void* cr = std::memchr(base + from, '\r', lfPos - from);
    return cr ? static_cast<const char*>(cr) - base : lfPos;
}

// Calls onLine(std::string_view) for every line of a complete text.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
    const bool hasCR = std::memchr(text.data(), '\r', text.size()) != nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = FindLineEnd(text, pos, hasCR);
        onLine(text.substr(pos, end - pos));
        if (end == text.size()) break;
        pos = SkipLineEnd(text, end);
    }
}

// The same split over a stream of chunks; a line may span chunks.
class LineSplitter {
public:
    template <class OnLine>
    void Feed(std::string_view chunk, OnLine&& onLine) {
        size_t pos = 0;
        if (skipLF_ && !chunk.empty()) {
            if (chunk[0] == '\n') pos = 1;
            skipLF_ = false;
        }
        const bool hasCR = std::memchr(chunk.data(), '\r', chunk.size()) != nullptr;
        while (pos < chunk.size()) {
            const size_t end = FindLineEnd(chunk, pos, hasCR);
            if (end == chunk.size()) {
                carry_.append(chunk.data() + pos, end - pos);
                return;
            }
            if (carry_.empty()) {
                onLine(chunk.substr(pos, end - pos));
            } else {
                carry_.append(chunk.data() + pos, end - pos);
                onLine(std::string_view(carry_));
                carry_.clear();
            }
            if (chunk[end] == '\r' && end + 1 == chunk.size()) {
                skipLF_ = true;  // its LF, if any, opens the next chunk
                return;
            }
            pos = SkipLineEnd(chunk, end);
        }
    }

    // Hands over the last line when the text does not end with a line end.
    template <class OnLine>
    void Finish(OnLine&& onLine) {
        if (!carry_.empty()) onLine(std::string_view(carry_));
        carry_.clear();
        skipLF_ = false;
    }

private:
    std::string carry_;
    bool skipLF_ = false;
};

}  // namespace kavro

#pragma once
// Splits text into lines the way the window counts them: CR LF, a lone CR
// and a lone LF each end a line (LF then CR is two line ends), and a final
// empty line is not counted.
#include <cstring>
#include <string_view>

#include "lines/LineEnds.h"

namespace kavro::lines {

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

namespace detail {

// Hands over the line that ends at `end` and moves `start` past its line end.
// False when the text stops right after a CR, whose LF may be yet to come.
template <class OnLine>
__attribute__((always_inline)) inline bool TakeLine(const char* d, size_t n, size_t end, size_t& start,
                                                  OnLine& onLine) {
    onLine(std::string_view(d + start, end - start));
    if (d[end] != '\r') {
        start = end + 1;
        return true;
    }
    if (end + 1 == n) {
        start = n;
        return false;
    }
    start = d[end + 1] == '\n' ? end + 2 : end + 1;
    return true;
}

// Hands over every line ended in the 64-byte block at `block`, whose CR and
// LF positions are the bits of `mask`.
template <class OnLine>
__attribute__((always_inline)) inline void TakeLines(const char* d, size_t n, size_t block,
                                                     uint64_t mask, size_t& start,
                                                     OnLine& onLine, bool& crAtEnd) {
    while (mask) {
        const size_t end = block + scan::LowestBit(mask);
        mask &= mask - 1;
        if (end < start) continue;  // the LF of a CR LF already taken
        if (!TakeLine(d, n, end, start, onLine)) crAtEnd = true;
    }
}

// The two loops differ only in how a block's mask is made; the AVX2 one is
// a separate function so that it alone is compiled for AVX2.
template <class OnLine>
size_t SplitBlocks(const char* d, size_t n, size_t from, OnLine& onLine, bool& crAtEnd) {
    size_t start = from;  // where the current line begins
    for (size_t block = from; block < n; block += 64) {
        const uint64_t mask = block + 64 <= n ? scan::LineEnds64(d + block)
                                              : scan::LineEndsTail(d + block, n - block);
        TakeLines(d, n, block, mask, start, onLine, crAtEnd);
    }
    return start;
}

#if defined(KAVRO_SCAN_AVX2)
template <class OnLine>
__attribute__((target("avx2"))) size_t SplitBlocksAvx2(const char* d, size_t n, size_t from,
                                                       OnLine& onLine, bool& crAtEnd) {
    size_t start = from;
    for (size_t block = from; block < n; block += 64) {
        const uint64_t mask = block + 64 <= n ? scan::LineEnds64Avx2(d + block)
                                              : scan::LineEndsTail(d + block, n - block);
        TakeLines(d, n, block, mask, start, onLine, crAtEnd);
    }
    return start;
}
#endif

}  // namespace detail

// Hands every line of text[from, text.size()) that is ended by a CR or LF to
// onLine and returns where the unended rest begins. A CR in the last byte
// ends its line and sets crAtEnd (left alone otherwise), since its LF may
// still come in the next chunk. One pass of 64-byte masks: per line only a
// bit scan, no call.
template <class OnLine>
size_t SplitEndedLines(std::string_view text, size_t from, OnLine&& onLine, bool& crAtEnd) {
#if defined(KAVRO_SCAN_AVX2)
    if (scan::CpuHasAvx2())
        return detail::SplitBlocksAvx2(text.data(), text.size(), from, onLine, crAtEnd);
#endif
    return detail::SplitBlocks(text.data(), text.size(), from, onLine, crAtEnd);
}

// Calls onLine(std::string_view) for every line of a complete text.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
    bool crAtEnd = false;
    const size_t rest = SplitEndedLines(text, 0, onLine, crAtEnd);
    if (rest < text.size()) onLine(text.substr(rest));
}

}  // namespace kavro::lines

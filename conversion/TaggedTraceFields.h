#pragma once
// Field rules for ns-2's tagged wireless trace format ($ns_ use-taggedtrace):
// "+ 2.769730778 -s 2 -d -1 -p cbr -k AGT -i 0 -N:loc {87.16 200.04 0.00} ...".
// After the time every field is a tag, and values in braces hold spaces, so
// words are never counted past the time; tags are found as in the new format.
#include <string_view>

#include "ByteScan.h"
#include "TraceFields.h"

namespace kavro::tagged {

// The first character is + h r or d, the second a space, and the word after
// the time begins with a dash (ns-2 writes -s there). Old-format lines have
// the node between underscores there ("r 2.0 _3_", "D 2.0 _3_") and
// new-format lines "-t" as their second word, so neither is taken for one.
// `spaces` marks the spaces among the first 32 bytes of a line of at least
// 34, or is 0 to look for them here.
KAVRO_PER_LINE bool IsTaggedLine(std::string_view line, uint32_t spaces) {
    const size_t n = line.size();
    if (n < 4 || line[1] != ' ') return false;
    // The dash first: old-format lines, the most, fail on it at once.
    spaces &= ~3u;  // the time starts at the third byte
    const size_t space = spaces ? scan::LowestBit(spaces) : line.find(' ', 2);
    if (space == std::string_view::npos || space + 1 >= n || line[space + 1] != '-') return false;
    const char k = LowerAscii(line[0]);
    return k == '+' || k == 'h' || k == 'r' || k == 'd';
}

// The event kind as the other formats write it: + is a send, h a forward
// (a hop); r and d are as elsewhere. `first` is lower-cased.
inline char EventKind(char first) {
    return first == '+' ? 's' : first == 'h' ? 'f' : first;
}

}  // namespace kavro::tagged

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
KAVRO_PER_LINE bool IsTaggedLine(std::string_view line) {
    const size_t n = line.size();
    if (n < 4 || line[1] != ' ') return false;
    const char k = LowerAscii(line[0]);
    if (k != '+' && k != 'h' && k != 'r' && k != 'd') return false;
    size_t space = std::string_view::npos;
    if (n >= 35) {
        // One compare finds the end of a time of up to 31 characters.
        const uint32_t spaces = scan::Bytes32(line.data() + 2, ' ');
        if (spaces) space = 2 + scan::LowestBit(spaces);
    }
    if (space == std::string_view::npos) space = line.find(' ', 2);
    return space != std::string_view::npos && space + 1 < n && line[space + 1] == '-';
}

// The event kind as the other formats write it: + is a send, h a forward
// (a hop); r and d are as elsewhere. `first` is lower-cased.
inline char EventKind(char first) {
    return first == '+' ? 's' : first == 'h' ? 'f' : first;
}

}  // namespace kavro::tagged

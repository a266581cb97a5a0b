#include "TracePiece.h"

#include "LineSplitter.h"
#include "TraceLine.h"

namespace kavro {

void CutPiece(std::string_view bytes, TracePiece& piece) {
    const char* d = bytes.data();
    const size_t n = bytes.size();
    const size_t first = FindLineEnd(bytes, 0, true);
    piece.head.assign(d, first);
    piece.ended = first < n;
    piece.lines.clear();
    piece.ends.clear();
    piece.tail.clear();
    if (!piece.ended) return;
    size_t last = n;  // just past the last line end
    while (d[last - 1] != '\n' && d[last - 1] != '\r') --last;
    // Empty lines, such as between a CR and its LF, match nothing, so where
    // the whole lines begin and how their ends pair up does not matter.
    bool crAtEnd = false;
    SplitEndedLines(std::string_view(d, last), first + 1,
                    [&](std::string_view line) KAVRO_PER_LINE_LAMBDA {
                        if (RuleFor(line) == Rule::None) return;
                        piece.lines.append(line);
                        piece.ends.push_back(static_cast<uint32_t>(piece.lines.size()));
                    },
                    crAtEnd);
    piece.tail.assign(d + last, n - last);
}

}  // namespace kavro

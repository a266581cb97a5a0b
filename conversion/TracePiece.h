#pragma once
// A piece of a trace's bytes, cut on its own: the lines of it a rule may
// match, and the unended bytes at either edge, which belong to lines that
// the neighbouring pieces finish. Pieces can so be cut on several threads at
// once and put together in order (TraceConverter::AddPiece); the table sees
// what it would see from the whole stream.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

struct TracePiece {
    std::string head;            // before the first line end; all of it when there is none
    bool ended = false;          // the piece holds a line end
    std::string lines;           // the whole lines a rule may match, back to back
    std::vector<uint32_t> ends;  // where each of those ends in `lines`
    std::string tail;            // after the last line end
};

// Cuts `bytes` into `piece`, reusing its memory.
void CutPiece(std::string_view bytes, TracePiece& piece);

}  // namespace kavro

#pragma once
// What the table rules read from one trace line, in either of ns-2's wireless
// trace formats, and the test that picks out the few lines that matter.
#include <string_view>

#include "NewTraceFields.h"
#include "TraceFields.h"

namespace kavro {

// Raw views into the line; compare and store them lower-cased.
struct TraceLine {
    char kind = '\0';  // lower-cased; '\0' for an empty line
    std::string_view time;
    std::string_view node;
    std::string_view layer;
    std::string_view packetId;
    std::string_view packetType;
};

// Cuts the fields out of a line of either format; each line is judged by
// itself, since new-format files still hold old-format lines.
TraceLine ReadTraceLine(std::string_view line);

enum class Rule { None, Send, Receive, Forward };

// Agent sends and receives and routing forwards; everything else is passed
// over. Inline, and written to end in one rarely taken branch: most lines of
// a trace are MAC traffic and must cost no call.
KAVRO_PER_LINE Rule RuleFor(std::string_view line) {
    std::string_view layer;
    if (newtrace::IsNewFormatLine(line)) {
        layer = newtrace::TagValue(line, "nl");
    } else {
        const size_t at = LayerStart(line);
        if (at + 3 <= line.size()) layer = line.substr(at, 3);  // also settles the empty line
    }
    if (layer.size() != 3) return Rule::None;
    // c | 0x20 maps only A-Z onto a-z among the letters compared here.
    const char kind = static_cast<char>(line[0] | 0x20);
    const char a = static_cast<char>(layer[0] | 0x20);
    const char b = static_cast<char>(layer[1] | 0x20);
    const char c = static_cast<char>(layer[2] | 0x20);
    const bool agt = (a == 'a') & (b == 'g') & (c == 't');
    const bool rtr = (a == 'r') & (b == 't') & (c == 'r');
    if (!((agt & ((kind == 's') | (kind == 'r'))) | (rtr & (kind == 'f')))) return Rule::None;
    return !agt ? Rule::Forward : kind == 's' ? Rule::Send : Rule::Receive;
}

// A line that starts with anything but s, r or f matches no rule, whatever
// follows; a streamed reader need not keep such a line while it is unended.
inline bool KindCanMatch(char first) {
    const char k = static_cast<char>(first | 0x20);
    return k == 's' || k == 'r' || k == 'f';
}

}  // namespace kavro

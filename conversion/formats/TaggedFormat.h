#pragma once
// ns-2's tagged wireless trace format ($ns use-taggedtrace):
// "+ 2.769730778 -s 2 -d -1 -p cbr -k AGT -i 0 -N:loc {87.16 200.04 0.00} ...".
// After the time every field is a tag, and values in braces hold spaces, so
// words are never counted past the time; tags are found as in the new format.
#include <string_view>

#include "conversion/formats/Fields.h"
#include "conversion/formats/LineLook.h"
#include "conversion/formats/Tags.h"
#include "conversion/formats/Text.h"

namespace kavro {

struct TaggedFormat {
    static constexpr std::string_view kName = "tagged";
    static constexpr bool kLooks = true;
    static constexpr bool kFallback = false;
    // The first character is + h r or d, the second a space, and the word
    // after the time begins with a dash (ns-2 writes -s there). Old-format
    // lines have the node between underscores there ("r 2.0 _3_") and
    // new-format lines "-t" as their second word, so neither is taken for one.
    KAVRO_PER_LINE static bool Is(LineLook& look) {
        const std::string_view line = look.line;
        const size_t n = line.size();
        if (n < 4 || line[1] != ' ') return false;
        // The dash first: old-format lines, the most, fail on it at once.
        const uint32_t spaces = look.Spaces() & ~3u;  // the time starts at the third byte
        const size_t space = spaces ? detail::scan::LowestBit(spaces) : line.find(' ', 2);
        if (space == std::string_view::npos || space + 1 >= n || line[space + 1] != '-') return false;
        // A new-format line without its time ("r -t -Ni 2") stays new, so
        // that the order of the tests decides nothing.
        if (space == 4 && line[2] == '-' && (line[3] | 0x20) == 't') return false;
        const char k = LowerAscii(line[0]);
        return k == '+' || k == 'h' || k == 'r' || k == 'd';
    }
    KAVRO_PER_LINE static std::string_view Layer(LineLook& look) { return detail::tags::TagValue(look.line, "k"); }
    // + is a send, h a forward (a hop); r and d are as elsewhere.
    static constexpr char Kind(char first) { return first == '+' ? 's' : first == 'h' ? 'f' : first; }
    static constexpr bool CanStart(char first) {
        return first == '+' || first == 'h' || first == 'r' || first == 'd';
    }

    static TraceLine Read(std::string_view line);
    static FlowLine Flow(std::string_view line);
    static std::string_view Size(std::string_view line);
    static std::string_view Forwards(std::string_view line);
    static DropLine Drop(std::string_view line);
    static EnergyLine Energy(std::string_view line);
};

}  // namespace kavro

#pragma once
// What the table rules read from one trace line, in any of ns-2's wireless
// trace formats, and the one test that picks out the lines that matter.
// Each line is judged by itself, since files of one format still hold lines
// of another.
#include <cstdint>
#include <string_view>

#include "conversion/formats/Fields.h"
#include "conversion/formats/Formats.h"

namespace kavro {

// Send, Receive and Forward feed the table. RoutingSend (a routing-layer
// send) and Drop (a drop at any layer) feed only the study tables. Routing
// is a routing-layer receive: no rule reads it, but like any routing-layer
// send, receive or forward it shows that router tracing was on.
// MacReceive gives the hops of a trace with no routing-layer line.
enum class Rule : uint8_t { None, Send, Receive, Forward, RoutingSend, Drop, Routing, MacReceive };

struct LineRule {
    Rule rule = Rule::None;
    Format format = FormatOf<OldFormat>();
};

// Every line of a trace passes here. Inline, and written to end in one
// rarely taken branch: most lines are MAC traffic and must cost no call.
KAVRO_PER_LINE LineRule RuleFor(std::string_view line) {
    LineLook look(line);
    const Detected found = DetectFormat(look);
    LineRule r;
    r.format = found.format;
    const std::string_view layer = found.layer;
    // c | 0x20 maps only A-Z onto a-z among the letters compared here.
    const bool isDrop = !line.empty() && (line[0] | 0x20) == 'd';
    // The layer's three bytes in one word, lower-cased as c | 0x20 does.
    constexpr auto word = [](char a, char b, char c) {
        return uint32_t{uint8_t(a)} | uint32_t{uint8_t(b)} << 8 | uint32_t{uint8_t(c)} << 16;
    };
    const uint32_t three = layer.size() == 3 ? word(layer[0], layer[1], layer[2]) | 0x202020u : 0;
    const bool agt = three == word('a', 'g', 't');
    const bool rtr = three == word('r', 't', 'r');
    if (!(agt | rtr)) {
        // r is a receive in every format.
        if (isDrop)
            r.rule = Rule::Drop;
        else if (three == word('m', 'a', 'c') && (line[0] | 0x20) == 'r')
            r.rule = Rule::MacReceive;
        return r;
    }
    const char kind = WithFormat(r.format, [&](auto F) { return decltype(F)::Kind(LowerAscii(line[0])); });
    if (kind == 'd')
        r.rule = Rule::Drop;
    else if (agt)
        r.rule = kind == 's' ? Rule::Send : kind == 'r' ? Rule::Receive : Rule::None;
    else
        r.rule = kind == 'f'   ? Rule::Forward
                 : kind == 's' ? Rule::RoutingSend
                 : kind == 'r' ? Rule::Routing
                               : Rule::None;
    return r;
}

// Cuts the fields out of a line of the format RuleFor found.
TraceLine ReadTraceLine(std::string_view line, Format format);

// What the study tables read besides, each from a line of the format
// RuleFor found. Missing fields are empty.

// A send line's flow: source and destination, each address.port.
FlowLine ReadFlow(std::string_view line, Format format);
// A receive line's packet size, as written.
std::string_view ReadSize(std::string_view line, Format format);
// The links an agent line's packet has crossed, as ns-2 counts them on
// every agent line, as written; empty when the line has no count.
std::string_view ReadForwards(std::string_view line, Format format);
DropLine ReadDrop(std::string_view line, Format format);
EnergyLine ReadEnergy(std::string_view line, Format format);

}  // namespace kavro

#pragma once
// What the table rules read from one trace line, in any of ns-2's three
// wireless trace formats, and the one test that picks out the lines that
// matter. Each line is judged by itself, since files of one format still
// hold lines of another.
#include <cstdint>
#include <string_view>

#include "NewTraceFields.h"
#include "TaggedTraceFields.h"
#include "TraceFields.h"

namespace kavro {

enum class Format : uint8_t { Old, New, Tagged };

// Send, Receive and Forward feed the table. RoutingSend (a routing-layer
// send) and Drop (a drop at any layer) feed only the study tables. Routing
// is a routing-layer receive: no rule reads it, but like any routing-layer
// send, receive or forward it shows that router tracing was on.
// MacReceive gives the hops of a trace with no routing-layer line.
enum class Rule : uint8_t { None, Send, Receive, Forward, RoutingSend, Drop, Routing, MacReceive };

struct LineRule {
    Rule rule = Rule::None;
    Format format = Format::Old;
};

// Every line of a trace passes here. Inline, and written to end in one
// rarely taken branch: most lines are MAC traffic and must cost no call.
KAVRO_PER_LINE LineRule RuleFor(std::string_view line) {
    LineRule r;
    std::string_view layer;
    if (newtrace::IsNewFormatLine(line)) {
        r.format = Format::New;
        layer = newtrace::TagValue(line, "nl");
    } else {
        // Old and tagged lines both begin "k TIME ": one look at their first
        // bytes finds the space after the time and the node's underscores.
        uint32_t spaces = 0, underscores = 0;
        if (line.size() >= 34) scan::SpacesAndUnderscores32(line.data(), spaces, underscores);
        if (tagged::IsTaggedLine(line, spaces)) {
            r.format = Format::Tagged;
            layer = newtrace::TagValue(line, "k");
        } else {
            layer = ExtractLayer(line, underscores);  // also settles the empty line
        }
    }
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
    char kind = LowerAscii(line[0]);
    if (r.format == Format::Tagged) kind = tagged::EventKind(kind);
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

// A line whose first byte is none of these matches no rule, whatever
// follows; a streamed reader need not keep such a line while it is unended.
inline bool KindCanMatch(char first) {
    const char k = LowerAscii(first);
    return k == 's' || k == 'r' || k == 'f' || k == '+' || k == 'h' || k == 'd';
}

// Raw views into the line; compare and store them lower-cased.
struct TraceLine {
    std::string_view time;
    std::string_view node;
    std::string_view packetId;
    std::string_view packetType;
};

// Cuts the fields out of a line of the format RuleFor found.
TraceLine ReadTraceLine(std::string_view line, Format format);

// What the study tables read besides, each from a line of the format
// RuleFor found. Missing fields are empty.

// A send line's flow: source and destination, each address.port.
struct FlowLine {
    std::string source;
    std::string destination;
};
FlowLine ReadFlow(std::string_view line, Format format);

// A receive line's packet size, as written.
std::string_view ReadSize(std::string_view line, Format format);

// The links an agent line's packet has crossed, as ns-2 counts them on
// every agent line, as written; empty when the line has no count.
std::string_view ReadForwards(std::string_view line, Format format);

struct DropLine {
    std::string_view time;
    std::string_view node;
    std::string_view layer;
    std::string_view reason;
    std::string_view packetId;
    std::string_view packetType;
};
DropLine ReadDrop(std::string_view line, Format format);

// The energy a line reports for its node; `energy` is empty when it
// reports none (ns-2 writes -1 without an energy model).
struct EnergyLine {
    std::string_view node;
    std::string_view energy;
    std::string_view time;
};
EnergyLine ReadEnergy(std::string_view line, Format format);

}  // namespace kavro

#include "conversion/formats/TaggedFormat.h"

#include "conversion/formats/OldFormat.h"

namespace kavro {

using detail::tags::TagValue;

namespace {

constexpr auto npos = std::string_view::npos;

// "address.port" from two tags; empty when both are missing.
std::string Joined(std::string_view address, std::string_view port) {
    if (address.empty() && port.empty()) return {};
    std::string out(address);
    out += '.';
    out.append(port);
    return out;
}

}  // namespace

// The time is the second word, as in the old format. The first -i and -p
// count; both come again, later, in the IP part.
TraceLine TaggedFormat::Read(std::string_view line) {
    return {ExtractTime(line), TagValue(line, "s"), TagValue(line, "i"), TagValue(line, "p")};
}

FlowLine TaggedFormat::Flow(std::string_view line) {
    return {Joined(TagValue(line, "ip:s"), TagValue(line, "ip:sp")),
            Joined(TagValue(line, "ip:d"), TagValue(line, "ip:dp"))};
}

std::string_view TaggedFormat::Size(std::string_view line) { return TagValue(line, "e"); }

std::string_view TaggedFormat::Forwards(std::string_view line) {
    // The header of the packet's type: "-cbr:f 2"; TCP acknowledgements
    // carry TCP's ("-p ack ... -tcp:f 2").
    for (size_t at = line.find(":f "); at != npos; at = line.find(":f ", at + 1)) {
        const size_t dash = line.rfind(' ', at);
        if (dash == npos || at <= dash + 2 || line[dash + 1] != '-') continue;
        size_t from = at + 3;
        return detail::WordFrom(line, from);
    }
    return {};
}

DropLine TaggedFormat::Drop(std::string_view line) {
    return {ExtractTime(line), TagValue(line, "s"), TagValue(line, "k"), {}, TagValue(line, "i"), TagValue(line, "p")};
}

EnergyLine TaggedFormat::Energy(std::string_view line) {
    const std::string_view energy = TagValue(line, "n:en");
    if (energy.empty() || detail::IsNegative(energy)) return {};
    return {TagValue(line, "s"), energy, ExtractTime(line)};
}

}  // namespace kavro

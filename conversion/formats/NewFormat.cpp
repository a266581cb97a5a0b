#include "conversion/formats/NewFormat.h"

namespace kavro {

using detail::tags::TagValue;

TraceLine NewFormat::Read(std::string_view line) {
    return {TagValue(line, "t"), TagValue(line, "ni"), TagValue(line, "ii"), TagValue(line, "it")};
}

FlowLine NewFormat::Flow(std::string_view line) {
    return {std::string(TagValue(line, "is")), std::string(TagValue(line, "id"))};
}

std::string_view NewFormat::Size(std::string_view line) { return TagValue(line, "il"); }

std::string_view NewFormat::Forwards(std::string_view line) { return TagValue(line, "pf"); }

DropLine NewFormat::Drop(std::string_view line) {
    return {TagValue(line, "t"),  TagValue(line, "ni"), TagValue(line, "nl"),
            TagValue(line, "nw"), TagValue(line, "ii"), TagValue(line, "it")};
}

EnergyLine NewFormat::Energy(std::string_view line) {
    if ((line[0] | 0x20) == 'n') {  // ns-2's energy line: "N -t 0.5 -n 3 -e 99.2"
        const std::string_view energy = TagValue(line, "e");
        if (energy.empty()) return {};
        return {TagValue(line, "n"), energy, TagValue(line, "t")};
    }
    const std::string_view energy = TagValue(line, "ne");
    if (energy.empty() || detail::IsNegative(energy)) return {};
    return {TagValue(line, "ni"), energy, TagValue(line, "t")};
}

}  // namespace kavro

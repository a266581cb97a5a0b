#pragma once
// ns-2's new wireless trace format ($ns use-newtrace), of tagged values:
// "s -t 2.16 -Hs 4 ... -Ni 4 ... -Nl AGT ... -It cbr ... -Ii 0".
#include <string_view>

#include "conversion/formats/Fields.h"
#include "conversion/formats/LineLook.h"
#include "conversion/formats/Tags.h"

namespace kavro {

struct NewFormat {
    static constexpr std::string_view kName = "new";
    static constexpr bool kLooks = false;
    static constexpr bool kFallback = false;
    // Characters 2 to 5 read " -t "; old-format lines have a digit there,
    // so most lines fail at once.
    KAVRO_PER_LINE static bool Is(LineLook& look) {
        const std::string_view line = look.line;
        return line.size() >= 5 && line[1] == ' ' && line[2] == '-' && (line[3] | 0x20) == 't' && line[4] == ' ';
    }
    KAVRO_PER_LINE static std::string_view Layer(LineLook& look) { return detail::tags::TagValue(look.line, "nl"); }
    static constexpr char Kind(char first) { return first; }
    static constexpr bool CanStart(char first) { return first == 's' || first == 'r' || first == 'f' || first == 'd'; }

    static TraceLine Read(std::string_view line);
    static FlowLine Flow(std::string_view line);
    static std::string_view Size(std::string_view line);
    static std::string_view Forwards(std::string_view line);
    static DropLine Drop(std::string_view line);
    static EnergyLine Energy(std::string_view line);
};

}  // namespace kavro

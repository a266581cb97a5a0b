#pragma once
// ns-2's default wireless trace format: positional fields,
// "s 2.16 _4_ AGT  --- 0 cbr 512 [0 0 0 0] ------- [4:1 18:1 32 0] [0] 0 0".
// Every rule reads the line as if it were lower-cased.
#include <cstdint>
#include <string_view>

#include "conversion/ByteScan.h"
#include "conversion/formats/Fields.h"
#include "conversion/formats/LineLook.h"

namespace kavro {

// The Extract names are the rules' own and kept on purpose.
// The time field as written: from the third character to the next space.
std::string_view ExtractTime(std::string_view line);
// Text between the first and the second underscore.
std::string_view ExtractNodeId(std::string_view line);

// Zero-based position at which ExtractLayer reads: two after the second
// underscore, or the second character when there is no second underscore.
// `underscores` marks those among the first 32 bytes, or is 0 to look
// them up here. Inline and mask-based because it runs on every line.
KAVRO_PER_LINE size_t LayerStart(std::string_view line, uint32_t underscores) {
    // In trace lines both underscores stand within the first 32 bytes.
    if (underscores & (underscores - 1)) {
        underscores &= underscores - 1;
        return detail::scan::LowestBit(underscores) + 2;
    }
    const size_t p = line.find('_');
    if (p == std::string_view::npos) return 1;
    const size_t q = line.find('_', p + 1);
    return q == std::string_view::npos ? 1 : q + 2;
}

KAVRO_PER_LINE size_t LayerStart(std::string_view line) {
    return LayerStart(line, line.size() >= 32 ? detail::scan::Bytes32(line.data(), '_') : 0);
}

// Up to three characters two after the second underscore (not lower-cased).
KAVRO_PER_LINE std::string_view ExtractLayer(std::string_view line, uint32_t underscores) {
    const size_t start = LayerStart(line, underscores);
    if (start >= line.size()) return {};
    return line.substr(start, 3);
}

KAVRO_PER_LINE std::string_view ExtractLayer(std::string_view line) {
    return ExtractLayer(line, line.size() >= 32 ? detail::scan::Bytes32(line.data(), '_') : 0);
}

// Text from four characters after the first "---" up to the next space.
std::string_view ExtractPacketId(std::string_view line);
// Text after the space that ends the packet id, up to the next space or the
// end of the line; empty when no space follows the id.
std::string_view ExtractPacketType(std::string_view line);

struct OldFormat {
    static constexpr std::string_view kName = "old";
    // What a line is when no other format claims it; tested last.
    static constexpr bool kLooks = true;
    static constexpr bool kFallback = true;
    KAVRO_PER_LINE static bool Is(LineLook&) { return true; }
    KAVRO_PER_LINE static std::string_view Layer(LineLook& look) { return ExtractLayer(look.line, look.Underscores()); }
    // The event kinds, s r f d, as the rules name them; `first` is lower-cased.
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

#pragma once
// Positional field rules over one old-format trace line
// ("s 2.16 _4_ AGT  --- 0 cbr 512 ..."). Every rule reads the line as
// if it were lower-cased; the raw bytes are passed in and only the bytes a
// rule returns need lower-casing (see AppendLowerAscii), so no rule copies the line.
#include <string>
#include <string_view>

#include "ByteScan.h"

namespace kavro {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends `text` lower-cased (A-Z only) to `out`.
void AppendLowerAscii(std::string_view text, std::string& out);

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
        return scan::LowestBit(underscores) + 2;
    }
    const size_t p = line.find('_');
    if (p == std::string_view::npos) return 1;
    const size_t q = line.find('_', p + 1);
    return q == std::string_view::npos ? 1 : q + 2;
}

KAVRO_PER_LINE size_t LayerStart(std::string_view line) {
    return LayerStart(line, line.size() >= 32 ? scan::Bytes32(line.data(), '_') : 0);
}

// Up to three characters two after the second underscore (not lower-cased).
KAVRO_PER_LINE std::string_view ExtractLayer(std::string_view line, uint32_t underscores) {
    const size_t start = LayerStart(line, underscores);
    if (start >= line.size()) return {};
    return line.substr(start, 3);
}

KAVRO_PER_LINE std::string_view ExtractLayer(std::string_view line) {
    return ExtractLayer(line, line.size() >= 32 ? scan::Bytes32(line.data(), '_') : 0);
}

// Text from four characters after the first "---" up to the next space.
std::string_view ExtractPacketId(std::string_view line);
// Text after the space that ends the packet id, up to the next space or the
// end of the line; empty when no space follows the id.
std::string_view ExtractPacketType(std::string_view line);

// Case-insensitive compare of a raw field against a lower-case text.
inline bool EqualsLower(std::string_view raw, std::string_view lower) {
    if (raw.size() != lower.size()) return false;
    for (size_t i = 0; i < raw.size(); ++i)
        if (LowerAscii(raw[i]) != lower[i]) return false;
    return true;
}

}  // namespace kavro

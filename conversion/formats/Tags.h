#pragma once
// Tagged values, "... -Nl AGT -It cbr ...", as the new and the tagged format
// write them. The raw bytes are read as if lower-cased, and nothing is
// copied.
#include <string_view>

#include "conversion/ByteScan.h"

namespace kavro::detail::tags {

// Zero-based position of the value after the first " -<tag> " in the line,
// or npos; `tag` is lower-case. Inline and mask-based because the layer is
// looked up on nearly every line of a trace.
KAVRO_PER_LINE size_t FindTagValue(std::string_view line, std::string_view tag) {
    const char* p = line.data();
    const size_t n = line.size();
    const size_t len = tag.size();
    // The tag's dash is at j, its letters follow, then a space.
    auto matches = [&](size_t j) {
        if (j + len + 1 >= n || p[j - 1] != ' ' || p[j + len + 1] != ' ') return false;
        for (size_t k = 0; k < len; ++k)
            if ((p[j + 1 + k] | 0x20) != tag[k]) return false;
        return true;
    };
    // Two letters are compared in the block masks; a one-letter tag compares
    // its following space instead (a space is unchanged by | 0x20).
    const char a = tag[0];
    const char b = len > 1 ? tag[1] : ' ';
    size_t j = 1;
    for (; j + 18 <= n; j += 16) {
        for (uint32_t mask = detail::scan::TagStarts16(p + j, a, b); mask; mask &= mask - 1) {
            const size_t at = j + detail::scan::LowestBit(mask);
            if (matches(at)) return at + len + 2;
        }
    }
    for (; j < n; ++j)
        if (p[j] == '-' && matches(j)) return j + len + 2;
    return std::string_view::npos;
}

// The value of a tag: from its first " -<tag> " to the next space or the end
// of the line; empty when the tag is missing.
KAVRO_PER_LINE std::string_view TagValue(std::string_view line, std::string_view tag) {
    const size_t at = FindTagValue(line, tag);
    if (at == std::string_view::npos) return {};
    const std::string_view rest = line.substr(at);
    return rest.substr(0, rest.find(' '));
}

}  // namespace kavro::detail::tags

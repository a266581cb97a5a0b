#pragma once
// One look at a line's first bytes, shared by the formats' tests: the old
// and the tagged format both begin "k TIME ", so the spaces and the
// underscores among the first 32 bytes answer both.
#include <cstdint>
#include <string_view>

#include "conversion/ByteScan.h"

namespace kavro {

class LineLook {
public:
    explicit LineLook(std::string_view line) : line(line) {}

    // Once, before the first format whose test or layer reads the masks
    // (kLooks); when that is is fixed at compile time, so that the formats
    // tested before it pay nothing for it and no flag is kept per line.
    KAVRO_PER_LINE void Look() {
        if (line.size() >= 34) detail::scan::SpacesAndUnderscores32(line.data(), spaces_, underscores_);
    }

    std::string_view line;

    // Masks of the first 32 bytes of a line of at least 34, or 0 for the
    // readers to search themselves.
    uint32_t Spaces() const { return spaces_; }
    uint32_t Underscores() const { return underscores_; }

private:
    uint32_t spaces_ = 0;
    uint32_t underscores_ = 0;
};

}  // namespace kavro

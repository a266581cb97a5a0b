#pragma once
// The width of the time series' bins as the user gives it, and the start of
// a bin written with as many decimals as the width has.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavro::study {

struct BinWidth {
    int64_t ns = 0;
    int decimals = 0;  // as written: "0.50" has two
};

// A positive number of seconds, digits with at most nine decimals after a
// point (".5" and "2." too); nothing for anything else.
std::optional<BinWidth> ParseBinWidth(std::string_view text);

// The start of bin k, k times the width, exactly.
std::string BinStart(uint64_t k, const BinWidth& width);

}  // namespace kavro::study

#pragma once
// A trace's time texts read as numbers: as a double for delays, and exactly,
// in whole nanoseconds, for time bins, where binary floating point would put
// a time on a bin's edge into the bin before (2.3 / 0.1 is 22.999...).
#include <cstdint>
#include <string_view>

namespace kavro {

// The whole text as a finite number of seconds, or false.
bool ReadTime(std::string_view text, double& seconds);

enum class Nanos { Ok, NoTime, Negative, TooLarge };

// A time series may run to this many bins; a trace whose times would need
// more fails, rather than take all memory.
inline constexpr uint64_t kMaxBins = 1000000;

// The whole text, as ReadTime reads it, in nanoseconds: rounded to nine
// decimals, half up, where it has more. NoTime when it is no finite number,
// TooLarge past INT64_MAX nanoseconds (about 292 years).
Nanos ReadNanoseconds(std::string_view text, int64_t& ns);

// The bin of width `binNs` that holds the time, or false for a time that is
// left out of the series (no number, negative). Throws TraceError past
// kMaxBins.
bool BinOf(std::string_view time, int64_t binNs, uint64_t& bin);

}  // namespace kavro

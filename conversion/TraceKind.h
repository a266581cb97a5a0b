#pragma once
// What a trace seems to be when no rule read a line of it, told from its
// first bytes, so that a user who gave the wrong file hears what it was.
#include <string>
#include <string_view>

namespace kavro {

// How many of a trace's first bytes are enough to tell.
inline constexpr size_t kTraceKindSample = size_t{64} << 10;

// The reason to give for a trace of which no line was read: "empty trace",
// "not a trace (binary data)", or what its lines look like.
std::string WhyNoLineWasRead(std::string_view firstBytes);

}  // namespace kavro

#pragma once
// ns-2's wireless trace formats, each one struct in this folder, and the one
// dispatch over them. A format gives its name, its test and layer (Is,
// Layer, and kLooks when they read LineLook's masks), its event kinds
// (Kind, CanStart) and its field readers (Read,
// Flow, Size, Forwards, Drop, Energy); a format that lacks one of them does
// not compile here.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "conversion/formats/NewFormat.h"
#include "conversion/formats/OldFormat.h"
#include "conversion/formats/TaggedFormat.h"

namespace kavro {

// In the order a line is tested against them: the fallback last. Tagged
// first, as its test reads the look that most lines, in the old format,
// need anyway. Instructions with -j 1 (callgrind), tagged first against new
// first: 120.8 M against 122.7 M for 60 MB of old format, 71.6 M against
// 72.2 M for 21 MB of tagged, 149.4 M against 143.1 M for 60 MB of new.
using AllFormats = std::tuple<TaggedFormat, NewFormat, OldFormat>;
inline constexpr size_t kFormats = std::tuple_size_v<AllFormats>;

// A format by its place in AllFormats.
enum class Format : uint8_t {};

template <class F, size_t I = 0>
constexpr Format FormatOf() {
    static_assert(I < kFormats, "not one of AllFormats");
    if constexpr (std::is_same_v<F, std::tuple_element_t<I, AllFormats>>)
        return static_cast<Format>(I);
    else
        return FormatOf<F, I + 1>();
}

// fn(F{}) for the format `f` is.
template <size_t I = 0, class Fn>
KAVRO_PER_LINE decltype(auto) WithFormat(Format f, Fn&& fn) {
    using F = std::tuple_element_t<I, AllFormats>;
    if constexpr (I + 1 == kFormats) {
        return fn(F{});
    } else {
        if (static_cast<size_t>(f) == I) return fn(F{});
        return WithFormat<I + 1>(f, fn);
    }
}

struct Detected {
    Format format;
    std::string_view layer;  // as written, not lower-cased
};

// Which format a line is in, and its layer. Every line of a trace passes
// here, so the tests are inline, and the old format's, which most lines are
// in, needs no test of its own.
template <size_t I = 0, bool kLooked = false>
KAVRO_PER_LINE Detected DetectFormat(LineLook& look) {
    using F = std::tuple_element_t<I, AllFormats>;
    if constexpr (F::kLooks && !kLooked) {
        look.Look();
        return DetectFormat<I, true>(look);
    } else if constexpr (I + 1 == kFormats) {
        static_assert(F::kFallback, "the last format takes every line no other claims");
        return {static_cast<Format>(I), F::Layer(look)};
    } else {
        static_assert(!F::kFallback, "only the last format may take every line");
        if (F::Is(look)) return {static_cast<Format>(I), F::Layer(look)};
        return DetectFormat<I + 1, kLooked>(look);
    }
}

inline std::string_view FormatName(Format f) {
    return WithFormat(f, [](auto F) { return decltype(F)::kName; });
}

// Whether a rule of any format may read a line beginning with `first`.
inline bool KindCanMatch(char first) {
    const char k = LowerAscii(first);
    return std::apply([&](auto... F) { return (decltype(F)::CanStart(k) || ...); }, AllFormats{});
}

}  // namespace kavro

#pragma once
// Byte masks over small blocks for the core's per-line tests: the layer is
// looked up on nearly every line of a trace, so finding underscores and tags
// one byte at a time costs more than the rest of the conversion.
#include <cstdint>

#include "lines/LineEnds.h"

// For the per-line tests: the compiler would otherwise make a call of the
// larger ones, once per line of the trace.
#if defined(__GNUC__)
#define KAVRO_PER_LINE inline __attribute__((always_inline))
#define KAVRO_PER_LINE_LAMBDA __attribute__((always_inline))
#else
#define KAVRO_PER_LINE inline
#define KAVRO_PER_LINE_LAMBDA
#endif

namespace kavro::detail::scan {

using lines::scan::LowestBit;

// Bit i set when p[i] is `c`, for the 32 bytes at p.
inline uint32_t Bytes32(const char* p, char c) {
#if defined(__SSE2__)
    const __m128i u = _mm_set1_epi8(c);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const uint32_t lo = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, u)));
    const uint32_t hi = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, u)));
    return lo | (hi << 16);
#else
    uint32_t mask = 0;
    for (int i = 0; i < 32; ++i)
        if (p[i] == c) mask |= uint32_t{1} << i;
    return mask;
#endif
}

// Bits i set when p[i] is a space, and when it is '_', for the 32 bytes at
// p: the start of a line in either positional format, in one look.
inline void SpacesAndUnderscores32(const char* p, uint32_t& spaces, uint32_t& underscores) {
#if defined(__SSE2__)
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i under = _mm_set1_epi8('_');
    spaces = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, space))) |
             (uint32_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, space)))} << 16);
    underscores = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, under))) |
                  (uint32_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, under)))} << 16);
#else
    spaces = Bytes32(p, ' ');
    underscores = Bytes32(p, '_');
#endif
}

// Bit i set when p[i] is '-', p[i+1] | 0x20 is `a` and p[i+2] | 0x20 is `b`,
// for i < 16; reads the 18 bytes at p. Finds where a new-format tag such
// as "-Nl" may begin with one compare per 16 bytes instead of one per byte.
inline uint32_t TagStarts16(const char* p, char a, char b) {
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi8(0x20);
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i v1 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), low);
    const __m128i v2 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2)), low);
    const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(v0, _mm_set1_epi8('-')),
                                      _mm_and_si128(_mm_cmpeq_epi8(v1, _mm_set1_epi8(a)),
                                                    _mm_cmpeq_epi8(v2, _mm_set1_epi8(b))));
    return static_cast<uint16_t>(_mm_movemask_epi8(hit));
#else
    uint32_t mask = 0;
    for (int i = 0; i < 16; ++i)
        if (p[i] == '-' && (p[i + 1] | 0x20) == a && (p[i + 2] | 0x20) == b) mask |= 1u << i;
    return mask;
#endif
}

}  // namespace kavro::detail::scan

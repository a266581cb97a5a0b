#pragma once
// Masks of the line ends in 64-byte blocks: a trace has millions of lines,
// so finding each line end with a call of its own costs more than the
// conversion itself.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <immintrin.h>
#define KAVRO_SCAN_AVX2 1
#endif

namespace kavro::lines::scan {

inline unsigned LowestBit(uint64_t mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctzll(mask));
#else
    unsigned i = 0;
    while (!(mask & 1)) mask >>= 1, ++i;
    return i;
#endif
}

// Bit i set when p[i] is CR or LF, for i < count (count <= 64).
inline uint64_t LineEndsTail(const char* p, size_t count) {
    uint64_t mask = 0;
    for (size_t i = 0; i < count; ++i)
        if (p[i] == '\n' || p[i] == '\r') mask |= uint64_t{1} << i;
    return mask;
}

// Bit i set when p[i] is CR or LF, for the 64 bytes at p.
inline uint64_t LineEnds64(const char* p) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr));
        mask |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hit))} << (16 * k);
    }
    return mask;
#else
    return LineEndsTail(p, 64);
#endif
}

#if defined(KAVRO_SCAN_AVX2)
// LineEnds64 with two 32-byte compares instead of four 16-byte ones; only
// for callers compiled for AVX2 and run after CpuHasAvx2().
__attribute__((target("avx2"))) inline uint64_t LineEnds64Avx2(const char* p) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    const uint32_t lo = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(a, lf), _mm256_cmpeq_epi8(a, cr))));
    const uint32_t hi = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(b, lf), _mm256_cmpeq_epi8(b, cr))));
    return lo | (uint64_t{hi} << 32);
}

inline bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace kavro::lines::scan

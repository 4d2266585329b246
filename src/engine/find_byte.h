// The first byte of a run equal to c, as memchr finds it, sixteen bytes at a time. The searches call it
// for short runs many times a page; some systems' C library looks at one byte at a time.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

inline const void* FindByte(const void* from, unsigned char c, std::size_t n) {
#if defined(__SSE2__)
    const unsigned char* p = static_cast<const unsigned char*>(from);
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
    for (; n >= 16; n -= 16, p += 16) {
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wanted));
        if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
    for (; n > 0; --n, ++p)
        if (*p == c) return p;
    return nullptr;
#else
    return std::memchr(from, c, n);
#endif
}

// The first place in a run where the ASCII letters `first` and `second` (lower case) follow each
// other, in either case.
inline const void* FindLetterPair(const void* from, unsigned char first, unsigned char second, std::size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(from);
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(static_cast<char>(first));
    const __m128i b = _mm_set1_epi8(static_cast<char>(second));
    const __m128i fold = _mm_set1_epi8(0x20);
    for (; n >= 17; n -= 16, p += 16) {
        const __m128i here = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold);
        const __m128i next = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), fold);
        const int hits = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, a), _mm_cmpeq_epi8(next, b)));
        if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    for (; n >= 2; --n, ++p)
        if ((p[0] | 0x20) == first && (p[1] | 0x20) == second) return p;
    return nullptr;
}

}  // namespace corvane

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

// The first byte of a run that is the ASCII letter `lower` in either case.
inline const void* FindLetter(const void* from, unsigned char lower, std::size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(from);
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(lower));
    const __m128i fold = _mm_set1_epi8(0x20);
    for (; n >= 16; n -= 16, p += 16) {
        const __m128i v = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold);
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted));
        if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    for (; n > 0; --n, ++p)
        if ((*p | 0x20) == lower) return p;
    return nullptr;
}

}  // namespace corvane

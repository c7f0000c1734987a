#pragma once
// Reading a Real that its caller has only just stored.
#include <algorithm>
#include <cstddef>

#include "core/numeric.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace tarvik {

#if defined(__x86_64__)
// The same value as *p. The x87 stores a Real in two parts that an 80-bit
// load cannot be forwarded from: such a load waits until the store has
// left the core, and everything after it waits with it, which costs a
// two-dimensional evaluation more than its formula. Two integer loads, one
// per part, are forwarded; the parts are joined in one 16-byte store that
// the 80-bit load can take. Loading 80 bits is exact, so are the bits.
inline Real LoadJustStoredReal(const Real* p) {
    const RealParts parts = PartsOf(p);
    __m128i joined = _mm_cvtsi64_si128(static_cast<long long>(parts.significand));
    joined = _mm_insert_epi16(joined, parts.signAndExponent, 4);
    alignas(16) unsigned char bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), joined);
    return LoadStoredReal(bytes);
}

// to[i] = from[i] for i < count, for values their caller may only just
// have stored: a library copy reads them in wide loads that cannot be
// forwarded from the two parts of an x87 store either, and waits.
inline void CopyJustStoredReals(const Real* from, Real* to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) PutParts(to + i, PartsOf(from + i));
}

#else
inline Real LoadJustStoredReal(const Real* p) { return *p; }
inline void CopyJustStoredReals(const Real* from, Real* to, std::size_t count) { std::copy(from, from + count, to); }
#endif

} // namespace tarvik

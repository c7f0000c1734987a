#include "core/split_panel.h"

#include <cstdint>
#include <cstring>

namespace tarvik {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Whether a stored 80-bit value splits into two doubles exactly, told from
// its bits alone: the elimination may run inside a fault guard, and an
// arithmetic test or a conversion out of double's range would raise a flag
// the guard would blame on the function. A zero splits into two zeros of
// its sign; a normal value with an exponent at which its high part stays
// finite and its low part (at most eleven bits, 2^-53 of it) stays a normal
// double splits into the nearest double and the rest. Denormals, unnormals,
// infinities and NaNs do not.
bool Splits(const unsigned char* stored) {
    const RealParts parts = PartsOf(stored);
    const int exponent = parts.BiasedExponent();
    if (exponent == 0) return parts.significand == 0;
    if ((parts.significand >> 63) == 0) return false;
    const int unbiased = exponent - 16383;
    return unbiased >= -958 && unbiased <= 1022;
}

// The pair for a value that Splits, checked bit for bit once more: the
// rebuilding addition must also be exact under the unit's precision
// setting, which the bits alone cannot tell.
bool SplitExactly(const unsigned char* stored, double* pair) {
    if (!Splits(stored)) return false;
    const Real x = LoadStoredReal(stored);
    const double high = static_cast<double>(x);
    double low = static_cast<double>(x - Real(high));
    if (x == 0) low = high;  // -0 + +0 would be +0
    pair[0] = high;
    pair[1] = low;
    unsigned char again[kStoredRealBytes];
    StoreStoredReal(again, Rebuilt(pair));
    return std::memcmp(again, stored, kStoredRealBytes) == 0;
}
#else
// Elsewhere a long double is not the 80-bit format the pairs are for.
bool SplitExactly(const unsigned char*, double*) { return false; }
#endif

} // namespace

bool SplitPanel::Load(const ConstMatrixRow* rows, int count, int first, int last) {
    usable_ = false;
    if (count < 1 || last < first) return false;
    first_ = first;
    last_ = last;
    count_ = static_cast<std::size_t>(count);
    const std::size_t groups = static_cast<std::size_t>(last - first) / kGroup + 1;
    pairs_.resize(groups * count_ * kGroup * 2);
    for (int t = 0; t < count; ++t) {
        const ConstMatrixRow row = rows[t];
        for (int j = first; j <= last; ++j)
            if (!SplitExactly(row.Address(j), pairs_.data() + Offset(t, j))) return false;
    }
    usable_ = true;
    return true;
}

void UpdateRowFromSplitPanel(const MatrixRow& row, const Real* f, const SplitPanel& panel, int count, int last) {
    // Four elements at a time, each in a register across the panel's
    // updates: with the multiplier and the rebuilt value that is all the
    // x87 stack holds without spilling.
    static_assert(SplitPanel::kGroup == 4);
    int j = panel.First();
    for (; j + 3 <= last; j += 4) {
        Real v0 = row.Get(j), v1 = row.Get(j + 1), v2 = row.Get(j + 2), v3 = row.Get(j + 3);
        for (int t = 0; t < count; ++t) {
            const Real ft = f[t];
            const double* x = panel.Pair(t, j);
            v0 = v0 - ft * Rebuilt(x);
            v1 = v1 - ft * Rebuilt(x + 2);
            v2 = v2 - ft * Rebuilt(x + 4);
            v3 = v3 - ft * Rebuilt(x + 6);
        }
        row.Set(j, v0);
        row.Set(j + 1, v1);
        row.Set(j + 2, v2);
        row.Set(j + 3, v3);
    }
    for (; j <= last; ++j) {
        Real v = row.Get(j);
        for (int t = 0; t < count; ++t) v = v - f[t] * Rebuilt(panel.Pair(t, j));
        row.Set(j, v);
    }
}

} // namespace tarvik

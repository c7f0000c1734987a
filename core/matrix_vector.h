#pragma once
// Rows first..last of an n x n matrix times a vector: out[i] = sum of
// m[i][j] * v[j] for j = 1..n, each row's sum in that order from zero.
#include "core/numeric.h"

namespace tarvik {

inline void MultiplyRows(const MyArray2& m, int first, int last, const Real* v, int n, Real* out) {
    // Four rows per pass: one load of v[j] serves all four, and the four sums
    // are independent chains, so each result has the bits of one row alone.
    int i = first;
    for (; i + 3 <= last; i += 4) {
        const ConstMatrixRow r0 = m[static_cast<std::size_t>(i)];
        const ConstMatrixRow r1 = m[static_cast<std::size_t>(i + 1)];
        const ConstMatrixRow r2 = m[static_cast<std::size_t>(i + 2)];
        const ConstMatrixRow r3 = m[static_cast<std::size_t>(i + 3)];
        Real a0 = 0, a1 = 0, a2 = 0, a3 = 0;
        for (int j = 1; j <= n; ++j) {
            const Real x = v[j];
            a0 += r0.Get(j) * x;
            a1 += r1.Get(j) * x;
            a2 += r2.Get(j) * x;
            a3 += r3.Get(j) * x;
        }
        out[i] = a0;
        out[i + 1] = a1;
        out[i + 2] = a2;
        out[i + 3] = a3;
    }
    for (; i <= last; ++i) {
        const ConstMatrixRow r = m[static_cast<std::size_t>(i)];
        Real a = 0;
        for (int j = 1; j <= n; ++j) a += r.Get(j) * v[j];
        out[i] = a;
    }
}

} // namespace tarvik

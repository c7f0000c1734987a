#pragma once
// Small vector kernels shared by line searches and methods. They run over
// the components 1..size()-1 and accumulate from the first index upwards.
#include <cmath>

#include "core/numeric.h"

namespace tarvik {

inline Real VecNorm(const MyArray1& v) {
    Real sum = 0;
    for (std::size_t i = 1; i < v.size(); ++i) sum += v[i] * v[i];
    return std::sqrt(sum);
}

// sqrt(sum (a[i] + c*b[i])^2): c = -1 gives the distance of a and b.
inline Real VecNormComb(const MyArray1& a, const MyArray1& b, int c) {
    Real sum = 0;
    const Real cr = c;
    for (std::size_t i = 1; i < a.size(); ++i) {
        const Real t = a[i] + cr * b[i];
        sum += t * t;
    }
    return std::sqrt(sum);
}

inline Real VecDot(const MyArray1& a, const MyArray1& b) {
    Real sum = 0;
    for (std::size_t i = 1; i < a.size(); ++i) sum += a[i] * b[i];
    return sum;
}

// sum a[i] * (b[i] - c[i])
inline Real VecDotDiff(const MyArray1& a, const MyArray1& b, const MyArray1& c) {
    Real sum = 0;
    for (std::size_t i = 1; i < a.size(); ++i) sum += a[i] * (b[i] - c[i]);
    return sum;
}

inline Real MinReal(Real x, Real y) { return y <= x ? y : x; }

} // namespace tarvik

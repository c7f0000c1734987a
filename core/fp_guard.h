#pragma once
// Arithmetic faults (overflow, invalid operation, division by zero) are
// detected from the floating-point status flags rather than by traps, so a
// guarded block is: construct the guard, compute, pin the results, ask.
#include <cfenv>
#include <cmath>

#include "core/numeric.h"

namespace tarvik {

class FpFaultGuard {
public:
    FpFaultGuard() { std::feclearexcept(FE_ALL_EXCEPT); }
    bool Faulted() const { return std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID) != 0; }
};

// Forces a value to be computed before the flags are read: without it the
// compiler may move the arithmetic past the flag test.
template <class T>
inline void PinValue(T& value) { asm volatile("" : "+m"(value)); }

inline bool IsFiniteReal(Real x) { return std::isfinite(x); }

} // namespace tarvik

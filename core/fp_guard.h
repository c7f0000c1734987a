#pragma once
// Arithmetic faults (overflow, invalid operation, division by zero) are
// detected from the floating-point status flags rather than by traps, so a
// guarded block is: construct the guard, compute, pin the results, ask.
#include <cfenv>
#include <cmath>
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

#if defined(__x86_64__) || defined(__i386__)
// Every evaluation is guarded, so the library's fenv calls (which reload the
// whole x87 environment) would dominate cheap functions. Clearing and
// reading the two status words directly is an order of magnitude faster.
// The x87 status word and MXCSR use the same low bits for the flags.
inline constexpr uint32_t kFaultBits = 0x01 /* invalid */ | 0x04 /* zero divide */ | 0x08 /* overflow */;

class FpFaultGuard {
public:
    FpFaultGuard() {
        asm volatile("fnclex" ::: "memory");
        uint32_t csr;
        asm volatile("stmxcsr %0" : "=m"(csr)::"memory");
        csr &= ~0x3Fu;
        asm volatile("ldmxcsr %0" ::"m"(csr) : "memory");
    }
    bool Faulted() const {
        uint16_t status;
        uint32_t csr;
        asm volatile("fnstsw %0" : "=m"(status)::"memory");
        asm volatile("stmxcsr %0" : "=m"(csr)::"memory");
        return ((status | csr) & kFaultBits) != 0;
    }
};
#else
class FpFaultGuard {
public:
    FpFaultGuard() { std::feclearexcept(FE_ALL_EXCEPT); }
    bool Faulted() const { return std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID) != 0; }
};
#endif

// Forces a value to be computed before the flags are read: without it the
// compiler may move the arithmetic past the flag test.
template <class T>
inline void PinValue(T& value) { asm volatile("" : "+m"(value)); }

inline bool IsFiniteReal(Real x) { return std::isfinite(x); }

} // namespace tarvik

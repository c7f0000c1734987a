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
// whole x87 environment) would dominate cheap functions. Even clearing the
// flags directly (fnclex, ldmxcsr) costs tens of cycles, while reading the
// two status words costs a few, and after a clean evaluation no fault flag
// is up: so the flags are read first and cleared only when one is set.
// Only the fault flags matter to Faulted(); inexact, underflow and denormal
// are left as they are. The x87 status word and MXCSR use the same low bits.
inline constexpr uint32_t kFaultBits = 0x01 /* invalid */ | 0x04 /* zero divide */ | 0x08 /* overflow */;

inline uint32_t X87StatusWord() {
    uint16_t status;
    asm volatile("fnstsw %0" : "=a"(status)::"memory");
    return status;
}

inline uint32_t SseStatusWord() {
    uint32_t csr;
    asm volatile("stmxcsr %0" : "=m"(csr)::"memory");
    return csr;
}

class FpFaultGuard {
public:
    FpFaultGuard() {
        if (X87StatusWord() & kFaultBits) asm volatile("fnclex" ::: "memory");
        uint32_t csr = SseStatusWord();
        if (csr & kFaultBits) {
            csr &= ~kFaultBits;
            asm volatile("ldmxcsr %0" ::"m"(csr) : "memory");
        }
    }
    bool Faulted() const { return ((X87StatusWord() | SseStatusWord()) & kFaultBits) != 0; }
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

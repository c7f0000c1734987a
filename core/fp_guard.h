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

inline bool FaultFlagsUp() { return ((X87StatusWord() | SseStatusWord()) & kFaultBits) != 0; }

inline void ClearFaultFlags() {
    if (X87StatusWord() & kFaultBits) asm volatile("fnclex" ::: "memory");
    uint32_t csr = SseStatusWord();
    if (csr & kFaultBits) {
        csr &= ~kFaultBits;
        asm volatile("ldmxcsr %0" ::"m"(csr) : "memory");
    }
}
#else
inline bool FaultFlagsUp() { return std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID) != 0; }
inline void ClearFaultFlags() { std::feclearexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID); }
#endif

class FpFaultGuard {
public:
    FpFaultGuard() { ClearFaultFlags(); }
    bool Faulted() const { return FaultFlagsUp(); }
};

// The same question for a block that can simply be run again: one that
// computes the same values from the same inputs and has no effect but its
// results (an evaluation of J or of its gradient). Each status read costs
// about 5 ns, as much as a whole two-dimensional evaluation, so the flags
// are read only after the block: the flags are sticky, so if no fault flag
// is up then, none was raised inside. Only when one is up, which may be a
// leftover of arithmetic before the block, are they cleared and the block
// run again; its second run raises exactly what its first one did. The
// flags are left clear on every return, so a leftover costs one rerun only.
// block() pins its results (PinValue) so that they are computed before the
// flags are read; what it throws is passed on.
template <class Block>
bool FaultedRunning(Block&& block) {
    block();
    if (!FaultFlagsUp()) return false;
    ClearFaultFlags();
    block();
    const bool faulted = FaultFlagsUp();
    if (faulted) ClearFaultFlags();
    return faulted;
}

// As FaultedRunning, for a block that starts right after one that reported
// no fault (the flags are known to be clear): any flag up is its own.
template <class Block>
bool FaultedRunningAfterClean(Block&& block) {
    block();
    if (!FaultFlagsUp()) return false;
    ClearFaultFlags();
    return true;
}

// Two rerunnable blocks, the second one reading what the first computed,
// asked about with one read of the flags after both: 0 when neither raised
// a fault, 1 when the first did (the second is then of no interest), 2 when
// only the second did. Only when a flag is up are they run again apart to
// tell whose it is (or a leftover's).
template <class First, class Second>
int FirstFaultedRunning(First&& first, Second&& second) {
    first();
    second();
    if (!FaultFlagsUp()) return 0;
    ClearFaultFlags();
    if (FaultedRunningAfterClean(first)) return 1;
    return FaultedRunningAfterClean(second) ? 2 : 0;
}

// Forces a value to be computed before the flags are read: without it the
// compiler may move the arithmetic past the flag test.
template <class T>
inline void PinValue(T& value) { asm volatile("" : "+m"(value)); }

// |x| < infinity, compared quietly (no flag for a quiet NaN), as
// std::isfinite does; but the compiler compares that one with the largest
// finite value, an 80-bit constant, and on this x87 an 80-bit load costs
// several times as much as the 4-byte float that holds infinity.
inline bool IsFiniteReal(Real x) { return __builtin_isless(__builtin_fabsl(x), __builtin_infl()); }

// std::sqrt of x for an x that is not negative. std::sqrt asks first
// whether x < 0, to set errno, which this program never reads; the square
// root itself is the same instruction, so the same bits.
inline Real RootOfNonNegative(Real x) {
#if defined(__x86_64__) || defined(__i386__)
    asm("fsqrt" : "+t"(x));
    return x;
#else
    return std::sqrt(x);
#endif
}

} // namespace tarvik

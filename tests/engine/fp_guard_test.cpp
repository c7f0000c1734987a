// The fault guard reads the flags before it clears them: a fault raised
// before the guard must not be reported, one raised inside always must,
// whichever unit (x87 for long double, SSE for double) raised it.
#include <gtest/gtest.h>

#include <cfenv>
#include <limits>

#include "core/fp_guard.h"

namespace tarvik {
namespace {

volatile long double bigL = std::numeric_limits<long double>::max(), zeroL = 0, oneL = 1;
volatile double bigD = std::numeric_limits<double>::max(), zeroD = 0, oneD = 1;

void Overflow87() { volatile long double v = bigL * bigL; (void)v; }
void Invalid87() { volatile long double v = zeroL / zeroL; (void)v; }
void DivZero87() { volatile long double v = oneL / zeroL; (void)v; }
void OverflowSse() { volatile double v = bigD * bigD; (void)v; }
void InvalidSse() { volatile double v = zeroD / zeroD; (void)v; }
void DivZeroSse() { volatile double v = oneD / zeroD; (void)v; }
void Inexact() { volatile long double v = oneL / 3; volatile double w = oneD / 3; (void)v; (void)w; }

struct FaultCase { const char* name; void (*fault)(); };

const FaultCase kFaults[] = {
    {"x87 overflow", Overflow87}, {"x87 invalid", Invalid87}, {"x87 division by zero", DivZero87},
    {"SSE overflow", OverflowSse}, {"SSE invalid", InvalidSse}, {"SSE division by zero", DivZeroSse},
};

TEST(FpFaultGuard, ReportsAFaultInsideAndForgetsOneBefore) {
    for (const FaultCase& c : kFaults) {
        std::feclearexcept(FE_ALL_EXCEPT);
        {
            FpFaultGuard guard;
            c.fault();
            EXPECT_TRUE(guard.Faulted()) << c.name << " inside";
        }
        // The flag of that fault is still up when the next guard starts.
        FpFaultGuard clean;
        Inexact();
        EXPECT_FALSE(clean.Faulted()) << c.name << " before";
        c.fault();
        EXPECT_TRUE(clean.Faulted()) << c.name << " again, after a clean start";
    }
}

// The rerunnable form reads the flags only after the block: a leftover
// flag must cost a rerun, never a reported fault, and a fault inside must be
// reported whether or not a leftover was up too.
TEST(FaultedRunning, ReportsAFaultInsideAndForgetsOneBefore) {
    for (const FaultCase& c : kFaults) {
        for (const bool leftover : {false, true}) {
            std::feclearexcept(FE_ALL_EXCEPT);
            if (leftover) c.fault();
            int runs = 0;
            EXPECT_FALSE(FaultedRunning([&] { ++runs; Inexact(); })) << c.name << " before";
            EXPECT_EQ(runs, leftover ? 2 : 1) << c.name;
            EXPECT_FALSE(FaultFlagsUp()) << c.name << " left up";
            if (leftover) c.fault();
            EXPECT_TRUE(FaultedRunning(c.fault)) << c.name << " inside";
            EXPECT_FALSE(FaultedRunningAfterClean(Inexact)) << c.name << " after a reported fault";
            EXPECT_TRUE(FaultedRunningAfterClean(c.fault)) << c.name << " after a clean block";
            if (leftover) c.fault();
            EXPECT_EQ(FirstFaultedRunning(Inexact, Inexact), 0) << c.name;
            if (leftover) c.fault();
            EXPECT_EQ(FirstFaultedRunning(c.fault, c.fault), 1) << c.name;
            if (leftover) c.fault();
            EXPECT_EQ(FirstFaultedRunning(Inexact, c.fault), 2) << c.name;
            EXPECT_FALSE(FaultFlagsUp()) << c.name << " left up";
        }
    }
}

TEST(FpFaultGuard, InexactAloneIsNoFault) {
    std::feclearexcept(FE_ALL_EXCEPT);
    FpFaultGuard guard;
    Inexact();
    std::feraiseexcept(FE_UNDERFLOW);
    EXPECT_FALSE(guard.Faulted());
}

} // namespace
} // namespace tarvik

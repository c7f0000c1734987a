// What a new problem can get: the least of the available memory and of
// what the process's own limits and its control group leave.
#include <gtest/gtest.h>

#include <limits>

#include "app/memory_budget.h"
#include "app/method_selection.h"
#include "core/method_catalogue.h"
#include "core/packed_symmetric.h"

namespace tarvik {
namespace {

constexpr uint64_t GB = uint64_t{1} << 30;

TEST(MemoryBudget, TheLeastOfTheKnownFiguresCounts) {
    struct Case { const char* name; MemoryFigures f; uint64_t expected; };
    const Case cases[] = {
        {"nothing known", {}, std::numeric_limits<uint64_t>::max()},
        {"available memory", {.available = 8 * GB}, 8 * GB},
        {"address space left", {.available = 8 * GB, .addressSpaceLimit = 4 * GB, .addressSpaceUsed = GB}, 3 * GB},
        {"data limit left", {.available = 8 * GB, .dataLimit = 2 * GB, .dataUsed = GB / 2}, 3 * GB / 2},
        {"a limit already exceeded", {.dataLimit = 2 * GB, .dataUsed = 3 * GB}, 0},
        {"a container's limit left", {.available = 8 * GB, .groupLimit = 4 * GB, .groupUsed = 3 * GB}, GB},
    };
    for (const Case& c : cases) EXPECT_EQ(ObtainableBytes(c.f), c.expected) << c.name;
}

TEST(MemoryBudget, TheMachineTellsItsAvailableMemory) {
    const MemoryFigures f = ReadMemoryFigures();
    ASSERT_TRUE(f.available.has_value());
    EXPECT_GT(*f.available, 0u);
    // From the same reading: two readings apart differ as the machine works.
    EXPECT_LE(ObtainableBytes(f), *f.available);
}

// The check before allocating counts the matrices a method really holds
// at 10 bytes an element: BFGS at n = 10000 fits in 0.55 GB with its
// triangle, the Newton methods hold one matrix, and a second only to keep
// the matrix from files.
TEST(MemoryBudget, MethodsCountTheMatricesTheyReallyHold) {
    struct Case { const char* name; MethodId method; bool fromFiles; int matrices; int triangles; int band = -1; };
    const Case cases[] = {
        {"BFGS", MethodId::BfgsWolfe, false, 0, 1},           {"L-BFGS, 15 pairs", MethodId::LbfgsWolfe15, false, 0, 0},
        {"classical Newton", MethodId::Newton, false, 1, 0}, {"finite-difference Newton", MethodId::FdNewton, false, 1, 0},
        {"inexact Newton", MethodId::NewtonCg, false, 0, 0},  {"trust region", MethodId::TrustRegion, false, 1, 0},
        {"trust region, matrix from files", MethodId::TrustRegion, true, 2, 0},
        {"classical Newton, tridiagonal Hessian", MethodId::Newton, false, 0, 0, 1},
        {"finite-difference Newton, diagonal Hessian", MethodId::FdNewton, false, 0, 0, 0},
        {"BFGS, tridiagonal Hessian", MethodId::BfgsWolfe, false, 0, 1, 1},
    };
    const int n = 10000;
    const __int128 matrix = MyArray2::Bytes(n), triangle = PackedSymmetric::Bytes(n),
                   vectors = 100 * __int128(n + 1) * sizeof(Real);
    for (const Case& c : cases) {
        const __int128 bytes = MethodAllocationBytes(c.method, n, c.fromFiles, c.band);
        const __int128 held = c.matrices * matrix + c.triangles * triangle;
        EXPECT_GE(bytes, held) << c.name;
        EXPECT_LT(bytes, held + vectors) << c.name;
    }
    EXPECT_LT(MethodAllocationBytes(MethodId::BfgsWolfe, n, false), __int128(550) * 1000 * 1000);
}

} // namespace
} // namespace tarvik

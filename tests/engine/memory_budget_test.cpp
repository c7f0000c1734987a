// What a new problem can get: the least of the available memory and of
// what the process's own limits and its control group leave.
#include <gtest/gtest.h>

#include <limits>

#include "app/memory_budget.h"

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
    EXPECT_LE(ObtainableMemory(), *f.available);
}

} // namespace
} // namespace tarvik

// What a new problem can get: the least of the available memory and of
// what the process's own limits leave.
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
        {"available memory", {8 * GB, std::nullopt, 0, std::nullopt, 0}, 8 * GB},
        {"address space left", {8 * GB, 4 * GB, 1 * GB, std::nullopt, 0}, 3 * GB},
        {"data limit left", {8 * GB, 16 * GB, 1 * GB, 2 * GB, GB / 2}, 3 * GB / 2},
        {"a limit already exceeded", {std::nullopt, std::nullopt, 0, 2 * GB, 3 * GB}, 0},
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

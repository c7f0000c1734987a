// Matrix elements are kept in the 10 bytes of the 80-bit format: every
// value, whatever its kind, must come back with all its bits, without
// touching its neighbours and without raising a flag.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>
#include <limits>

#include "core/fp_guard.h"
#include "core/just_stored_real.h"
#include "core/numeric.h"

namespace tarvik {
namespace {

// An 80-bit value from its sign-and-exponent word and its significand.
Real FromBits(uint16_t signExponent, uint64_t significand) {
    Real v = 0;
    std::memcpy(&v, &significand, 8);
    std::memcpy(reinterpret_cast<unsigned char*>(&v) + 8, &signExponent, 2);
    return v;
}

bool SameBits(Real a, Real b) { return std::memcmp(&a, &b, 10) == 0; }

TEST(StoredMatrix, EveryKindOfValueKeepsEveryBit) {
    struct Case { const char* name; Real value; };
    const Case cases[] = {
        {"+0", 0.0L},
        {"-0", -0.0L},
        {"one third", 1.0L / 3},
        {"largest", std::numeric_limits<Real>::max()},
        {"smallest subnormal", std::numeric_limits<Real>::denorm_min()},
        {"-infinity", -std::numeric_limits<Real>::infinity()},
        {"quiet NaN with a payload", FromBits(0x7FFF, 0xC000000000001234ULL)},
        {"signalling NaN", FromBits(0xFFFF, 0x8000000000000001ULL)},
    };
    for (const Case& c : cases) {
        MyArray2 m(3, 3);
        const Real guard = -1.0L / 7;
        m[1][0] = guard;
        m[1][2] = guard;
        std::feclearexcept(FE_ALL_EXCEPT);
        m[1][1] = c.value;
        const Real back = m[1][1];
        EXPECT_FALSE(FaultFlagsUp()) << c.name;
        EXPECT_TRUE(SameBits(back, c.value)) << c.name;
        EXPECT_TRUE(SameBits(m[1][0], guard) && SameBits(m[1][2], guard)) << c.name << ": a neighbour changed";
        m[1].Swap(1, 2);
        EXPECT_TRUE(SameBits(m[1][2], c.value) && SameBits(m[1][1], guard)) << c.name << " swapped";
        // A point read or copied part by part, as just stored, too.
        const Real point[3] = {guard, c.value, guard};
        Real copy[4] = {1, 1, 1, 1};
        CopyJustStoredReals(point, copy, 3);
        EXPECT_TRUE(SameBits(LoadJustStoredReal(&point[1]), c.value)) << c.name << " read as just stored";
        EXPECT_TRUE(SameBits(copy[1], c.value) && SameBits(copy[0], guard) && SameBits(copy[2], guard))
            << c.name << " copied as just stored";
        EXPECT_TRUE(SameBits(copy[3], 1)) << c.name << ": copied past the end";
        EXPECT_FALSE(FaultFlagsUp()) << c.name;
    }
}

TEST(StoredMatrix, TakesTenBytesAnElementAndStartsAtPlusZero) {
    const MyArray2 m = NewMatrix(4);
    EXPECT_EQ(MyArray2::Bytes(4), __int128(25 * kStoredRealBytes));
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) EXPECT_TRUE(SameBits(m[i][j], 0.0L)) << i << " " << j;
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(kStoredRealBytes, 10u);
#endif
}

} // namespace
} // namespace tarvik

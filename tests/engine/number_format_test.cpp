#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "app/text_input.h"

namespace tarvik {
namespace {

constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();
constexpr Real kInf = std::numeric_limits<Real>::infinity();

TEST(FormatFloatScientific, OrdinaryValues) {
    EXPECT_EQ(FormatFloat("0.00E+00", 24.2L), "2.42E+01");
    EXPECT_EQ(FormatFloat("0.00E+00", -215.6L), "-2.16E+02");
    EXPECT_EQ(FormatFloat("0.00E+00", 1.5e-5L), "1.50E-05");
    EXPECT_EQ(FormatFloat("0.00E+00", 1.0L), "1.00E+00");
    EXPECT_EQ(FormatFloat("0.000E+00", 24.2L), "2.420E+01");
    EXPECT_EQ(FormatFloat("0.000E+00", std::sqrt(215.6L * 215.6L + 88.0L * 88.0L)), "2.329E+02");
    EXPECT_EQ(FormatFloat("0.0000E+00", 15000.0L), "1.5000E+04");
    EXPECT_EQ(FormatFloat("0.0E+00", 0.5L), "5.0E-01");
    EXPECT_EQ(FormatFloat("0.0E+00", 1e-8L), "1.0E-08");
    EXPECT_EQ(FormatFloat("0.0E+00", 1e-5L), "1.0E-05");
    EXPECT_EQ(FormatFloat("#.00E+00", 12345.0L), "1.23E+04");
    EXPECT_EQ(FormatFloat("#.00E+00", 0.5L), "5.00E-01");
}

TEST(FormatFloatScientific, OptionalDecimalsDropTrailingZerosAndPoint) {
    EXPECT_EQ(FormatFloat("0.##E+00", 0.001L), "1E-03");
    EXPECT_EQ(FormatFloat("0.##E+00", 0.0015L), "1.5E-03");
    EXPECT_EQ(FormatFloat("0.##E+00", 1234.5L), "1.23E+03");
    EXPECT_EQ(FormatFloat("0.##E+00", 1.999L), "2E+00");
    EXPECT_EQ(FormatFloat("0.##E+00", -0.00012L), "-1.2E-04");
    EXPECT_EQ(FormatFloat("#.#E+##", 12345.0L), "1.2E+04");
    EXPECT_EQ(FormatFloat("#.#E+##", 1.0L), "1E+00");
    EXPECT_EQ(FormatFloat("#.#E+##", 0.05L), "5E-02");
}

TEST(FormatFloatScientific, RoundingCarriesIntoTheExponent) {
    // 9.995L lies just below 9.995, but its 18-digit form is 9.995000...,
    // which rounds half up.
    EXPECT_EQ(FormatFloat("0.00E+00", 9.995L), "1.00E+01");
    // The double 9.995 is 9.99499999999999922...: no tie at 18 digits.
    EXPECT_EQ(FormatFloat("0.00E+00", static_cast<Real>(9.995)), "9.99E+00");
    EXPECT_EQ(FormatFloat("0.0E+00", 0.995L), "1.0E+00");
    EXPECT_EQ(FormatFloat("0.0E+00", -9.96e-3L), "-1.0E-02");
    EXPECT_EQ(FormatFloat("0.##E+00", 9.999L), "1E+01");
    EXPECT_EQ(FormatFloat("0.000E+00", 999.95L), "1.000E+03");
}

TEST(FormatFloatScientific, ExtremeExponentsUseMoreDigits) {
    EXPECT_EQ(FormatFloat("0.00E+00", 1e-300L), "1.00E-300");
    EXPECT_EQ(FormatFloat("0.00E+00", 1e300L), "1.00E+300");
    EXPECT_EQ(FormatFloat("0.00E+00", 1e4000L), "1.00E+4000");
    EXPECT_EQ(FormatFloat("0.00E+00", -2.5e-4000L), "-2.50E-4000");
    EXPECT_EQ(FormatFloat("0.0000E+00", 1e100L), "1.0000E+100");
}

TEST(FormatFloatScientific, ZeroAndNonFinite) {
    EXPECT_EQ(FormatFloat("0.00E+00", 0.0L), "0.00E+00");
    EXPECT_EQ(FormatFloat("0.##E+00", 0.0L), "0E+00");
    EXPECT_EQ(FormatFloat("#.#E+##", 0.0L), "0E+00");
    EXPECT_EQ(FormatFloat("0.00E+00", kNaN), "NAN");
    EXPECT_EQ(FormatFloat("0.00E+00", kInf), "INF");
    EXPECT_EQ(FormatFloat("0.00E+00", -kInf), "-INF");
    EXPECT_EQ(FormatFloat("0.00", -kInf), "-INF");
}

TEST(FormatFloatFixed, AlwaysWrittenDigits) {
    EXPECT_EQ(FormatFloat("0.00", -1.2L), "-1.20");
    EXPECT_EQ(FormatFloat("0.00", 1.0L), "1.00");
    EXPECT_EQ(FormatFloat("0.00", 0.0L), "0.00");
    EXPECT_EQ(FormatFloat("0.0000", -215.6L), "-215.6000");
    EXPECT_EQ(FormatFloat("0.0000", -88.0L), "-88.0000");
    EXPECT_EQ(FormatFloat("0.0", 0.04L), "0.0");
    EXPECT_EQ(FormatFloat("0.0", 0.05L), "0.1");
    EXPECT_EQ(FormatFloat("00", 0.4L), "00");
    EXPECT_EQ(FormatFloat("00", 123.4L), "123");
    EXPECT_EQ(FormatFloat("0.00", 1e20L), "100000000000000000000.00");
    EXPECT_EQ(FormatFloat("0.00", 1e-300L), "0.00");
}

TEST(FormatFloatFixed, HalfUpRounding) {
    EXPECT_EQ(FormatFloat("0.00", 0.125L), "0.13");
    EXPECT_EQ(FormatFloat("0.00", -0.125L), "-0.13");
    EXPECT_EQ(FormatFloat("0.00", 0.005L), "0.01");
    EXPECT_EQ(FormatFloat("0.00", 0.994999L), "0.99");
    EXPECT_EQ(FormatFloat("00", 2.5L), "03");
    EXPECT_EQ(FormatFloat("00", -2.5L), "-03");
    // 0.0005L is 4.99999999999999999979...e-4; its 18-digit form is an
    // exact tie, and ties round away from zero.
    EXPECT_EQ(FormatFloat("0.###", 0.0005L), "0.001");
    EXPECT_EQ(FormatFloat("0.###", 1.0005L), "1.001");
    EXPECT_EQ(FormatFloat("0.#####", 0.123456L), "0.12346");
}

TEST(FormatFloatFixed, CarriesIntoANewDigit) {
    EXPECT_EQ(FormatFloat("0.00", 9.995L), "10.00");
    EXPECT_EQ(FormatFloat("0.00", static_cast<Real>(9.995)), "9.99");
    EXPECT_EQ(FormatFloat("00", 99.5L), "100");
    EXPECT_EQ(FormatFloat("0.####", 0.99999L), "1");
    EXPECT_EQ(FormatFloat("#.##", 1.999L), "2");
    EXPECT_EQ(FormatFloat("#.##", 0.996L), "1");
    EXPECT_EQ(FormatFloat("0.0000", 999.99996L), "1000.0000");
}

TEST(FormatFloatFixed, OptionalDigits) {
    EXPECT_EQ(FormatFloat("#.##", 0.5L), ".5");
    EXPECT_EQ(FormatFloat("#.##", -0.5L), "-.5");
    EXPECT_EQ(FormatFloat("#.##", 2.2L), "2.2");
    EXPECT_EQ(FormatFloat("#.##", std::sqrt(2.0L)), "1.41");
    EXPECT_EQ(FormatFloat("#.##", 10.0L), "10");
    EXPECT_EQ(FormatFloat("#.##", 0.0L), "0");
    EXPECT_EQ(FormatFloat("#.##", 0.001L), "0");
    EXPECT_EQ(FormatFloat("0.##", std::sqrt(2.0L)), "1.41");
    EXPECT_EQ(FormatFloat("0.##", 2 * std::sqrt(2.0L)), "2.83");
    EXPECT_EQ(FormatFloat("0.##", 3.0L), "3");
    EXPECT_EQ(FormatFloat("0.##", 0.005L), "0.01");
    EXPECT_EQ(FormatFloat("0.###", 1.5L), "1.5");
    EXPECT_EQ(FormatFloat("0.###", 2.0L), "2");
    EXPECT_EQ(FormatFloat("0.###", 1.234L), "1.234");
    EXPECT_EQ(FormatFloat("0.####", 0.1L), "0.1");
    EXPECT_EQ(FormatFloat("0.####", 0.9L), "0.9");
    EXPECT_EQ(FormatFloat("0.#####", 0.0001L), "0.0001");
    EXPECT_EQ(FormatFloat("0.#####", 4.0L), "4");
    EXPECT_EQ(FormatFloat("0.#####", 1e-6L), "0");
}

TEST(FormatFloatFixed, StorageEstimates) {
    EXPECT_EQ(FormatFloat("0.###", 220.0L / 1024 / 1024), "0");
    EXPECT_EQ(FormatFloat("0.###", 30100000.0L / 1024 / 1024), "28.706");
}

TEST(FormatFloatFixed, NegativeValuesKeepTheirSignWhenRoundedToZero) {
    EXPECT_EQ(FormatFloat("0.00", -0.001L), "-0.00");
    EXPECT_EQ(FormatFloat("0.###", -0.0001L), "-0");
    EXPECT_EQ(FormatFloat("0.00", -0.0L), "0.00");
}

TEST(FormatFloatPattern, UnknownPatternsAreRejected) {
    EXPECT_THROW(FormatFloat("abc", 1.0L), std::invalid_argument);
    EXPECT_THROW(FormatFloat("0.00E", 1.0L), std::invalid_argument);
    EXPECT_THROW(FormatFloat("", 1.0L), std::invalid_argument);
    EXPECT_THROW(FormatFloat("0,00", 1.0L), std::invalid_argument);
}

TEST(GroupDigits, BlankBeforeEveryThirdDigit) {
    EXPECT_EQ(GroupDigits("1234567"), "1 234 567");
    EXPECT_EQ(GroupDigits("999"), "999");
    EXPECT_EQ(GroupDigits("1234"), "1 234");
    EXPECT_EQ(GroupDigits("1"), "1");
    EXPECT_EQ(GroupDigits(""), "");
    EXPECT_EQ(GroupDigits("-123"), "-123");
    EXPECT_EQ(GroupDigits("-1234"), "-1 234");
    EXPECT_EQ(FormatGroupedInt(12345), "12 345");
    EXPECT_EQ(FormatGroupedInt(1000000), "1 000 000");
    EXPECT_EQ(FormatGroupedInt(-2147483648LL), "-2 147 483 648");
}

TEST(AccuracyText, FixedUpToOneHundred) {
    EXPECT_EQ(FormatAccuracyText(0.000012345L), " 0.0012%");
    EXPECT_EQ(FormatAccuracyText(0.005L), " 0.5000%");
    EXPECT_EQ(FormatAccuracyText(0.0L), " 0.0000%");
    EXPECT_EQ(FormatAccuracyText(0.5L), "50.0000%");
    EXPECT_EQ(FormatAccuracyText(1.0L), "100.0000%");
    EXPECT_EQ(FormatAccuracyText(100.0L), "10000.0000%");
}

TEST(AccuracyText, ScientificAboveOneHundred) {
    EXPECT_EQ(FormatAccuracyText(150.0L), "1.5000E+04%");
    EXPECT_EQ(FormatAccuracyText(1e4000L), "1.0000E+4002%");
    EXPECT_EQ(FormatAccuracyText(kNaN), "NAN%");
}

TEST(FormatGeneral, ShortestFormUpToFifteenDigits) {
    EXPECT_EQ(FormatGeneral(0.1L), "0.1");
    EXPECT_EQ(FormatGeneral(static_cast<Real>(0.1)), "0.1");
    EXPECT_EQ(FormatGeneral(static_cast<Real>(0.1 + 0.2)), "0.3");
    EXPECT_EQ(FormatGeneral(0.001L), "0.001");
    EXPECT_EQ(FormatGeneral(0.0001L), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00012L), "0.00012");
    EXPECT_EQ(FormatGeneral(2147483647.0L), "2147483647");
    EXPECT_EQ(FormatGeneral(123456789012345.0L), "123456789012345");
    EXPECT_EQ(FormatGeneral(3.0L), "3");
    EXPECT_EQ(FormatGeneral(1.5L), "1.5");
    EXPECT_EQ(FormatGeneral(-1.5L), "-1.5");
    EXPECT_EQ(FormatGeneral(0.0L), "0");
    EXPECT_EQ(FormatGeneral(1.0L / 3), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(2.0L / 3), "0.666666666666667");
    EXPECT_EQ(FormatGeneral(9.9999999999999999L), "10");
    EXPECT_EQ(FormatGeneral(kNaN), "NAN");
    EXPECT_EQ(FormatGeneral(-kInf), "-INF");
}

TEST(FormatGeneral, ExponentFormOutsideTheFixedRange) {
    EXPECT_EQ(FormatGeneral(1e-8L), "1E-8");
    EXPECT_EQ(FormatGeneral(static_cast<Real>(1e-8)), "1E-8");
    EXPECT_EQ(FormatGeneral(1e-5L), "1E-5");
    EXPECT_EQ(FormatGeneral(-2.5e-7L), "-2.5E-7");
    EXPECT_EQ(FormatGeneral(1e15L), "1E15");
    EXPECT_EQ(FormatGeneral(1.5e20L), "1.5E20");
    EXPECT_EQ(FormatGeneral(1e-300L), "1E-300");
    EXPECT_EQ(FormatGeneral(999999999999999.5L), "1E15");
}

// What the tuning dialog shows must read back as the same shown value.
TEST(FormatGeneral, ReadsBackThroughTheParser) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    for (int i = 0; i < 2000; ++i) {
        const Real x = static_cast<Real>(mantissa(random)) * std::pow(10.0L, exponent(random));
        const std::string shown = FormatGeneral(x);
        Real back = 0;
        ASSERT_TRUE(TryParseReal(shown, back)) << shown;
        EXPECT_EQ(FormatGeneral(back), shown);
        EXPECT_LE(std::fabs(back - x), std::fabs(x) * 1e-14L) << shown;
    }
}

} // namespace
} // namespace tarvik

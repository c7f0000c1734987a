// The report's number patterns at their edges: ties and carries, optional
// digits, extreme exponents, signed zeros and non-finite values.
#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/text_input.h"

namespace tarvik {
namespace {

constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();
constexpr Real kInf = std::numeric_limits<Real>::infinity();

struct PatternCase { const char* pattern; Real value; const char* expected; };

TEST(FormatFloat, EdgesOfEveryPattern) {
    const PatternCase cases[] = {
        // 9.995L's 18-digit form is 9.995000..., a tie rounded half up; the
        // double 9.995 is 9.99499999999999922... and rounds down.
        {"0.00E+00", 9.995L, "1.00E+01"}, {"0.00E+00", static_cast<Real>(9.995), "9.99E+00"},
        {"0.0E+00", -9.96e-3L, "-1.0E-02"}, {"0.000E+00", 999.95L, "1.000E+03"}, {"0.##E+00", 9.999L, "1E+01"},
        {"0.##E+00", 0.0015L, "1.5E-03"}, {"0.##E+00", -0.00012L, "-1.2E-04"}, {"#.#E+##", 12345.0L, "1.2E+04"},
        {"#.#E+##", 1.0L, "1E+00"}, {"#.00E+00", 0.5L, "5.00E-01"}, {"0.00E+00", 1e-300L, "1.00E-300"},
        {"0.00E+00", 1e4000L, "1.00E+4000"}, {"0.00E+00", -2.5e-4000L, "-2.50E-4000"}, {"0.00E+00", 0.0L, "0.00E+00"},
        {"0.##E+00", 0.0L, "0E+00"}, {"#.#E+##", 0.0L, "0E+00"}, {"0.00E+00", kNaN, "NAN"},
        {"0.00E+00", -kInf, "-INF"}, {"0.00", -kInf, "-INF"}, {"0.00", 0.125L, "0.13"}, {"0.00", -0.125L, "-0.13"},
        {"0.00", 0.994999L, "0.99"}, {"00", -2.5L, "-03"}, {"00", 123.4L, "123"},
        // 0.0005L is 4.99999999999999999979...e-4; its 18-digit form is an
        // exact tie, and ties round away from zero.
        {"0.###", 0.0005L, "0.001"}, {"0.00", 9.995L, "10.00"}, {"0.00", static_cast<Real>(9.995), "9.99"},
        {"0.####", 0.99999L, "1"}, {"#.##", 0.996L, "1"}, {"0.0000", 999.99996L, "1000.0000"},
        {"0.00", 1e20L, "100000000000000000000.00"}, {"0.00", 1e-300L, "0.00"}, {"#.##", 0.5L, ".5"},
        {"#.##", -0.5L, "-.5"}, {"#.##", 0.0L, "0"}, {"#.##", 0.001L, "0"}, {"0.##", 3.0L, "3"},
        {"0.#####", 0.0001L, "0.0001"}, {"0.###", 220.0L / 1024 / 1024, "0"},
        // Negative values keep their sign when rounded to zero; -0 does not.
        {"0.00", -0.001L, "-0.00"}, {"0.###", -0.0001L, "-0"}, {"0.00", -0.0L, "0.00"},
    };
    for (const PatternCase& c : cases) EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected) << c.pattern << " -> " << c.expected;
    for (const char* bad : {"abc", "0.00E", "", "0,00"}) EXPECT_THROW(FormatFloat(bad, 1.0L), std::invalid_argument) << bad;
}

TEST(FormatFloat, GroupsDigitsAndWritesTheAccuracy) {
    for (const auto& [text, grouped] : std::vector<std::pair<std::string, std::string>>{
             {"1234567", "1 234 567"}, {"999", "999"}, {"1", "1"}, {"", ""}, {"-123", "-123"}, {"-1234", "-1 234"}})
        EXPECT_EQ(GroupDigits(text), grouped);
    EXPECT_EQ(FormatGroupedInt(-2147483648LL), "-2 147 483 648");
    const std::pair<Real, const char*> accuracies[] = {{0.0L, " 0.0000%"}, {1.0L, "100.0000%"}, {100.0L, "10000.0000%"},
        {150.0L, "1.5000E+04%"}, {1e4000L, "1.0000E+4002%"}, {kNaN, "NAN%"}};
    for (const auto& [value, text] : accuracies) EXPECT_EQ(FormatAccuracyText(value), text);
}

TEST(FormatGeneral, ShortestFormUpToFifteenDigitsThenTheExponent) {
    const std::pair<Real, const char*> cases[] = {
        {static_cast<Real>(0.1), "0.1"}, {static_cast<Real>(0.1 + 0.2), "0.3"}, {0.0001L, "0.0001"},
        {123456789012345.0L, "123456789012345"}, {0.0L, "0"}, {2.0L / 3, "0.666666666666667"},
        {9.9999999999999999L, "10"}, {kNaN, "NAN"}, {-kInf, "-INF"}, {1e-5L, "1E-5"},
        {static_cast<Real>(1e-8), "1E-8"}, {-2.5e-7L, "-2.5E-7"}, {1e15L, "1E15"}, {1.5e20L, "1.5E20"},
        {1e-300L, "1E-300"}, {999999999999999.5L, "1E15"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(FormatGeneral(value), expected);
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

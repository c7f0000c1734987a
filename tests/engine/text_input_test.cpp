#include "app/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tarvik {
namespace {

TEST(CommaToDot, ReplacesEveryComma) {
    EXPECT_EQ(CommaToDot("0,0,1"), "0.0.1");
    EXPECT_EQ(CommaToDot(""), "");
}

TEST(TryParseReal, AcceptsOneWholeNumberInExtendedPrecision) {
    const std::pair<const char*, Real> good[] = {
        {"0.1", 0.1L}, {"-3", -3.0L}, {"+2.5", 2.5L}, {".5", 0.5L}, {"5.", 5.0L}, {"  1e-8", 1e-8L},
        {"1E+3", 1000.0L}, {"-.25e1", -2.5L}, {"1e4000", 1e4000L},
        // Underflow becomes zero; just below the largest Real is still one.
        {"1e-5000", 0.0L}, {"123e-4965", 0.0L}, {"0e99999", 0.0L}, {"1.1e4932", 1.1e4932L},
    };
    for (const auto& [text, expected] : good) {
        Real v = 42;
        EXPECT_TRUE(TryParseReal(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    Real v = 0;
    ASSERT_TRUE(TryParseReal("-1e-99999999999999999999", v));
    EXPECT_TRUE(v == 0 && std::signbit(v));
}

TEST(TryParseReal, RejectsAnythingElseAndLeavesTheValue) {
    Real v = 42;
    for (const char* text : {"", " ", "0,001", "0.0.1", "1e", "1e+", "1.5x", "1.5 ", "abc", "-", ".", "e5", "+-1",
                             "inf", "nan", "0x10", "1 000", "--1", "1e5000", "-1e99999999999999999999",
                             "0.000001e4939", "1.2e4932"})
        EXPECT_FALSE(TryParseReal(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 42.0L);
}

TEST(TryParseInt32, AcceptsDecimalIntegersInRangeOnly) {
    const std::pair<const char*, int32_t> good[] = {
        {"  -17", -17}, {"+5", 5}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"000000000000000012", 12},
    };
    for (const auto& [text, expected] : good) {
        int32_t v = 0;
        EXPECT_TRUE(TryParseInt32(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    int32_t v = 42;
    for (const char* text : {"", "  ", "abc", "2.5", "1e3", "99999999999", "2147483648", "-2147483649", "-", "+",
                             "12 ", "1 000", "0x1F"})
        EXPECT_FALSE(TryParseInt32(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 42);
}

} // namespace
} // namespace tarvik

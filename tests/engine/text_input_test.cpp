#include "app/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tarvik {
namespace {

TEST(CommaToDot, ReplacesEveryComma) {
    EXPECT_EQ(CommaToDot("0,001"), "0.001");
    EXPECT_EQ(CommaToDot("0,0,1"), "0.0.1");
    EXPECT_EQ(CommaToDot("1.5"), "1.5");
    EXPECT_EQ(CommaToDot(""), "");
}

TEST(TryParseReal, AcceptsWholeNumbers) {
    Real v = 0;
    ASSERT_TRUE(TryParseReal("0.01", v));
    EXPECT_EQ(v, 0.01L);
    ASSERT_TRUE(TryParseReal("-3", v));
    EXPECT_EQ(v, -3.0L);
    ASSERT_TRUE(TryParseReal("+2.5", v));
    EXPECT_EQ(v, 2.5L);
    ASSERT_TRUE(TryParseReal(".5", v));
    EXPECT_EQ(v, 0.5L);
    ASSERT_TRUE(TryParseReal("5.", v));
    EXPECT_EQ(v, 5.0L);
    ASSERT_TRUE(TryParseReal("  1e-8", v));
    EXPECT_EQ(v, 1e-8L);
    ASSERT_TRUE(TryParseReal("1E+3", v));
    EXPECT_EQ(v, 1000.0L);
    ASSERT_TRUE(TryParseReal("-.25e1", v));
    EXPECT_EQ(v, -2.5L);
    ASSERT_TRUE(TryParseReal(CommaToDot("0,001"), v));
    EXPECT_EQ(v, 0.001L);
}

TEST(TryParseReal, ConvertsInExtendedPrecision) {
    Real v = 0;
    ASSERT_TRUE(TryParseReal("0.1", v));
    EXPECT_EQ(v, 0.1L);
    EXPECT_NE(v, static_cast<Real>(0.1));
    ASSERT_TRUE(TryParseReal("1e4000", v));
    EXPECT_EQ(v, 1e4000L);
}

TEST(TryParseReal, RejectsAnythingButOneNumber) {
    Real v = 42;
    for (const char* text : {"", " ", "0,001", "0.0.1", "1e", "1e+", "1.5x", "1.5 ", "abc", "-", ".", "e5", "+-1",
                             "inf", "nan", "0x10", "1 000", "--1"}) {
        EXPECT_FALSE(TryParseReal(text, v)) << '"' << text << '"';
    }
    EXPECT_FALSE(TryParseReal(CommaToDot("0,0,1"), v));
    EXPECT_EQ(v, 42.0L);   // untouched by failures
}

TEST(TryParseReal, OverflowIsRejectedUnderflowBecomesZero) {
    Real v = 42;
    EXPECT_FALSE(TryParseReal("1e5000", v));
    EXPECT_FALSE(TryParseReal("-1e99999999999999999999", v));
    EXPECT_FALSE(TryParseReal("0.000001e4939", v));
    EXPECT_FALSE(TryParseReal("1.2e4932", v));
    EXPECT_EQ(v, 42.0L);
    ASSERT_TRUE(TryParseReal("1e-5000", v));
    EXPECT_EQ(v, 0.0L);
    ASSERT_TRUE(TryParseReal("-1e-99999999999999999999", v));
    EXPECT_EQ(v, 0.0L);
    EXPECT_TRUE(std::signbit(v));
    ASSERT_TRUE(TryParseReal("123e-4965", v));
    EXPECT_EQ(v, 0.0L);
    ASSERT_TRUE(TryParseReal("1.1e4932", v));   // just below the largest Real
    EXPECT_GT(v, 1e4932L);
    ASSERT_TRUE(TryParseReal("0e99999", v));
    EXPECT_EQ(v, 0.0L);
}

TEST(TryParseInt32, AcceptsDecimalIntegersInRange) {
    int32_t v = 0;
    ASSERT_TRUE(TryParseInt32("10000000", v));
    EXPECT_EQ(v, 10000000);
    ASSERT_TRUE(TryParseInt32("  -17", v));
    EXPECT_EQ(v, -17);
    ASSERT_TRUE(TryParseInt32("+5", v));
    EXPECT_EQ(v, 5);
    ASSERT_TRUE(TryParseInt32("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    ASSERT_TRUE(TryParseInt32("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    ASSERT_TRUE(TryParseInt32("000000000000000012", v));
    EXPECT_EQ(v, 12);
}

TEST(TryParseInt32, RejectsOtherTexts) {
    int32_t v = 42;
    for (const char* text : {"", "  ", "abc", "2.5", "1e3", "99999999999", "2147483648", "-2147483649", "-", "+",
                             "12 ", "1 000", "0x1F"}) {
        EXPECT_FALSE(TryParseInt32(text, v)) << '"' << text << '"';
    }
    EXPECT_EQ(v, 42);
}

} // namespace
} // namespace tarvik

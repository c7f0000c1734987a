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

// One reader, two grammars: what a user types, and a token of a number file,
// which has digits on both sides of a point and no blanks.
TEST(TryParseReal, EachGrammarTakesItsNumbersAtFullPrecision) {
    struct Case {
        const char* text;
        bool typed, fileToken;
        Real value;
    };
    const Case accepted[] = {
        {"0.1", true, true, 0.1L}, {"-3", true, true, -3}, {"+2.5", true, true, 2.5L}, {"+3e2", true, true, 300},
        {"1.5E-3", true, true, 1.5e-3L}, {"7e+1", true, true, 70}, {"000012.50", true, true, 12.5L},
        {"1e4000", true, true, 1e4000L}, {"1.1e4932", true, true, 1.1e4932L},
        // Underflow becomes zero, with its sign.
        {"1e-5000", true, true, 0}, {"123e-4965", true, true, 0}, {"0e99999", true, true, 0},
        {"-1e-99999999999999999999", true, true, -0.0L},
        {".5", true, false, 0.5L}, {"5.", true, false, 5}, {"  1e-8", true, false, 1e-8L}, {"-.25e1", true, false, -2.5L},
        // Blanks after a typed number count as blanks before it do.
        {"1.5 ", true, false, 1.5L}, {"  2e-3  ", true, false, 2e-3L},
    };
    for (const Case& c : accepted) {
        for (const RealGrammar grammar : {RealGrammar::Typed, RealGrammar::FileToken}) {
            Real v = 42;
            const bool expected = grammar == RealGrammar::Typed ? c.typed : c.fileToken;
            EXPECT_EQ(TryParseReal(c.text, v, grammar), expected) << c.text;
            if (expected) EXPECT_TRUE(v == c.value && std::signbit(v) == std::signbit(c.value)) << c.text;
            else EXPECT_EQ(v, 42.0L) << c.text;
        }
    }
    for (const char* text : {"", " ", "0,001", "0.0.1", "1e", "1e+", "1.5x", "1.5 x", "1.5\t", "abc", "-", "+", ".", "e5", "+-1",
                             "--1", "inf", "nan", "0x10", "1 000", "1e5.0", "1e5000", "-123456.7e4930",
                             "-1e99999999999999999999", "0.000001e4939", "1.2e4932", "\xd9\xa1"}) {
        for (const RealGrammar grammar : {RealGrammar::Typed, RealGrammar::FileToken}) {
            Real v = 42;
            EXPECT_FALSE(TryParseReal(text, v, grammar)) << '"' << text << '"';
            EXPECT_EQ(v, 42.0L);
        }
    }
}

TEST(TryParseInt32, AcceptsDecimalIntegersInRangeOnly) {
    const std::pair<const char*, int32_t> good[] = {
        {"  -17", -17}, {"+5", 5}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"000000000000000012", 12}, {"12 ", 12}, {"  2  ", 2},
    };
    for (const auto& [text, expected] : good) {
        int32_t v = 0;
        EXPECT_TRUE(TryParseInt32(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    int32_t v = 42;
    for (const char* text : {"", "  ", "abc", "2.5", "1e3", "99999999999", "2147483648", "-2147483649", "-", "+",
                             "12 x", "1 000", "- 1", "0x1F"})
        EXPECT_FALSE(TryParseInt32(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 42);
}

} // namespace
} // namespace tarvik

#include "app/text_input.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace tarvik {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

// A typed number may carry blanks after it as well as before: a box keeps
// what was typed, and "2 " means what " 2" means.
std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The shape of a validated real literal, enough to tell an overflow from an
// underflow when the conversion reports the value out of range.
struct RealSyntax {
    bool negative = false;
    std::size_t numberStart = 0;   // first digit or point, after the sign
    long long leadingPower = 0;    // decimal power of the first nonzero digit, before the exponent
    bool allZero = true;
    long long exponent = 0;        // saturated, so absurd exponents stay ordered
};

bool ScanReal(std::string_view text, RealGrammar grammar, RealSyntax& syntax) {
    const bool typed = grammar == RealGrammar::Typed;
    std::size_t i = typed ? SkipBlanks(text) : 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        syntax.negative = text[i] == '-';
        ++i;
    }
    syntax.numberStart = i;
    long long integerDigits = 0;
    long long fractionZeros = 0;   // zeros after the point before the first nonzero digit
    bool anyDigit = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        anyDigit = true;
        if (text[i] != '0' || !syntax.allZero) {
            syntax.allZero = false;
            ++integerDigits;
        }
    }
    // A number file's token has digits on both sides of a point.
    if (!typed && !anyDigit) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!typed && (i >= text.size() || !IsDigit(text[i]))) return false;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            anyDigit = true;
            if (syntax.allZero) {
                if (text[i] == '0') {
                    ++fractionZeros;
                } else {
                    syntax.allZero = false;
                }
            }
        }
    }
    if (!anyDigit) return false;
    syntax.leadingPower = integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= text.size() || !IsDigit(text[i])) return false;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            if (syntax.exponent < 1000000000LL) syntax.exponent = syntax.exponent * 10 + (text[i] - '0');
        }
        if (negativeExponent) syntax.exponent = -syntax.exponent;
    }
    return i == text.size();
}

} // namespace

std::string ForTerminal(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

std::string CommaToDot(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ',') c = '.';
    }
    return out;
}

bool TryParseReal(std::string_view text, Real& out, RealGrammar grammar) {
    if (grammar == RealGrammar::Typed) text = WithoutTrailingBlanks(text);
    RealSyntax syntax;
    if (!ScanReal(text, grammar, syntax)) return false;
    // from_chars takes no leading "+" and no blanks; the sign is applied here.
    const char* first = text.data() + syntax.numberStart;
    const char* last = text.data() + text.size();
    Real magnitude = 0;
    const auto result = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (syntax.allZero || syntax.leadingPower + syntax.exponent >= 0) return false;   // overflow
        magnitude = 0;   // too small for Real: the nearest value is zero
    } else if (result.ec != std::errc() || result.ptr != last) {
        return false;
    }
    if (magnitude == std::numeric_limits<Real>::infinity()) return false;
    out = syntax.negative ? -magnitude : magnitude;
    return true;
}

bool TryParseInt32(std::string_view text, int32_t& out) {
    text = WithoutTrailingBlanks(text);
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size()) return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) return false;
    out = static_cast<int32_t>(value);
    return true;
}

} // namespace tarvik

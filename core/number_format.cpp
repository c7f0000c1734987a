#include "core/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tarvik {

namespace {

// |value| as decimal digits: value = d0.d1d2... * 10^exponent. Every number
// starts as its correctly rounded 18-digit form, and all later rounding works
// on those digits, so results do not depend on the binary value beyond them.
struct DecimalDigits {
    std::string digits;
    int exponent = 0;

    bool IsZero() const { return digits.find_first_not_of('0') == std::string::npos; }

    // The digit that stands for 10^power.
    char DigitAt(int power) const {
        const int index = exponent - power;
        if (index < 0 || index >= static_cast<int>(digits.size())) return '0';
        return digits[static_cast<std::size_t>(index)];
    }

    // Keeps the first `keep` digits, rounding half away from zero. keep may be
    // zero or negative: the value then rounds to one unit of the position
    // just above the leading digit, or to zero.
    void RoundTo(int keep) {
        if (keep >= static_cast<int>(digits.size())) return;
        if (keep < 0) {
            digits.clear();
            return;
        }
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        if (keep == 0) {
            if (up) {
                digits = "1";
                ++exponent;
            } else {
                digits.clear();
            }
            return;
        }
        digits.resize(static_cast<std::size_t>(keep));
        if (!up) return;
        for (int i = keep - 1; i >= 0; --i) {
            char& d = digits[static_cast<std::size_t>(i)];
            if (d != '9') {
                ++d;
                return;
            }
            d = '0';
        }
        // 9.99... carried into a new leading digit.
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exponent;
    }
};

DecimalDigits ToDecimal18(Real magnitude) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    DecimalDigits out;
    const std::size_t ePos = text.find('e');
    for (std::size_t i = 0; i < ePos; ++i) {
        if (text[i] >= '0' && text[i] <= '9') out.digits.push_back(text[i]);
    }
    std::from_chars(text.data() + ePos + (text[ePos + 1] == '+' ? 2 : 1), text.data() + text.size(), out.exponent);
    return out;
}

// A picture pattern taken apart.
struct Picture {
    int intPlaces = 0;      // placeholders before the point
    int intMinDigits = 0;   // of them, from the first '0' on: always written
    int decPlaces = 0;      // placeholders after the point
    int decMinDigits = 0;   // of them, up to the last '0': always written
    bool scientific = false;
    bool expAlwaysSign = false;
    int expDigits = 0;
};

Picture ParsePicture(std::string_view pattern) {
    Picture p;
    std::size_t i = 0;
    int firstZero = -1;
    for (; i < pattern.size() && (pattern[i] == '0' || pattern[i] == '#'); ++i) {
        if (pattern[i] == '0' && firstZero < 0) firstZero = p.intPlaces;
        ++p.intPlaces;
    }
    if (firstZero >= 0) p.intMinDigits = p.intPlaces - firstZero;
    if (i < pattern.size() && pattern[i] == '.') {
        for (++i; i < pattern.size() && (pattern[i] == '0' || pattern[i] == '#'); ++i) {
            ++p.decPlaces;
            if (pattern[i] == '0') p.decMinDigits = p.decPlaces;
        }
    }
    if (i < pattern.size() && (pattern[i] == 'E' || pattern[i] == 'e')) {
        ++i;
        if (i >= pattern.size() || (pattern[i] != '+' && pattern[i] != '-')) {
            throw std::invalid_argument("Unsupported number pattern: " + std::string(pattern));
        }
        p.scientific = true;
        p.expAlwaysSign = pattern[i] == '+';
        for (++i; i < pattern.size() && (pattern[i] == '0' || pattern[i] == '#'); ++i) ++p.expDigits;
    }
    if (i != pattern.size() || p.intPlaces + p.decPlaces == 0) {
        throw std::invalid_argument("Unsupported number pattern: " + std::string(pattern));
    }
    return p;
}

// Fraction digits 10^-1 .. 10^-places, without trailing zeros beyond minDigits.
std::string FractionText(const DecimalDigits& d, int places, int minDigits) {
    std::string fraction;
    for (int power = -1; power >= -places; --power) fraction.push_back(d.DigitAt(power));
    std::size_t length = fraction.size();
    while (length > static_cast<std::size_t>(minDigits) && fraction[length - 1] == '0') --length;
    fraction.resize(length);
    return fraction;
}

std::string FormatFixed(const Picture& p, DecimalDigits d) {
    d.RoundTo(d.exponent + 1 + p.decPlaces);
    std::string integer;
    if (!d.IsZero()) {
        for (int power = d.exponent > 0 ? d.exponent : 0; power >= 0; --power) integer.push_back(d.DigitAt(power));
        const std::size_t first = integer.find_first_not_of('0');
        integer.erase(0, first == std::string::npos ? integer.size() : first);
    }
    if (static_cast<int>(integer.size()) < p.intMinDigits) {
        integer.insert(0, static_cast<std::size_t>(p.intMinDigits) - integer.size(), '0');
    }
    const std::string fraction = FractionText(d, p.decPlaces, p.decMinDigits);
    if (fraction.empty()) return integer.empty() ? std::string("0") : integer;
    return integer + "." + fraction;
}

std::string FormatScientific(const Picture& p, DecimalDigits d) {
    // The leading digit of a nonzero value is always significant, so even a
    // "#" before the point writes one digit.
    const int lead = p.intPlaces > 0 ? p.intPlaces : 1;
    int shownExponent = 0;
    if (d.IsZero()) {
        d.digits.clear();
        d.exponent = lead - 1;
    } else {
        d.RoundTo(lead + p.decPlaces);
        shownExponent = d.exponent - (lead - 1);
    }
    // Re-anchor the digits so that the mantissa reads d0..d(lead-1) . rest.
    d.exponent = lead - 1;
    std::string text;
    for (int power = lead - 1; power >= 0; --power) text.push_back(d.DigitAt(power));
    const std::string fraction = FractionText(d, p.decPlaces, p.decMinDigits);
    if (!fraction.empty()) text += "." + fraction;
    text.push_back('E');
    if (shownExponent < 0) {
        text.push_back('-');
    } else if (p.expAlwaysSign) {
        text.push_back('+');
    }
    std::string exponentDigits = std::to_string(std::abs(shownExponent));
    const std::size_t width = static_cast<std::size_t>(p.expDigits < 2 ? 2 : p.expDigits);
    if (exponentDigits.size() < width) exponentDigits.insert(0, width - exponentDigits.size(), '0');
    return text + exponentDigits;
}

// NaN and infinities in the classic spelling; empty for finite values.
std::string NonFiniteText(Real value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return {};
}

} // namespace

std::string FormatFloat(std::string_view pattern, Real value) {
    const Picture picture = ParsePicture(pattern);
    if (std::string special = NonFiniteText(value); !special.empty()) return special;
    const DecimalDigits digits = ToDecimal18(std::fabs(value));
    std::string text = picture.scientific ? FormatScientific(picture, digits) : FormatFixed(picture, digits);
    // A negative value keeps its sign even when it rounds to zero.
    if (value < 0) text.insert(0, 1, '-');
    return text;
}

std::string GroupDigits(std::string_view text) {
    const std::size_t start = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    std::string out(text.substr(0, start));
    const std::string_view digits = text.substr(start);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out.push_back(' ');
        out.push_back(digits[i]);
    }
    return out;
}

std::string FormatGroupedInt(int64_t value) {
    return GroupDigits(std::to_string(value));
}

std::string FormatAccuracyText(Real accuracyValue) {
    const Real percent = 100 * accuracyValue;
    std::string text;
    if (accuracyValue <= 100) {
        text = FormatFloat("0.0000", percent);
        if (text.size() < 7) text.insert(0, 7 - text.size(), ' ');
    } else {
        text = FormatFloat("0.0000E+00", percent);
    }
    text.push_back('%');
    if (text.size() > 60) text.resize(60);
    return text;
}

std::string FormatGeneral(Real value) {
    if (std::string special = NonFiniteText(value); !special.empty()) return special;
    if (value == 0) return "0";
    DecimalDigits d = ToDecimal18(std::fabs(value));
    d.RoundTo(15);
    std::string mantissa = d.digits;
    const std::size_t last = mantissa.find_last_not_of('0');
    mantissa.resize(last + 1);

    std::string text = value < 0 ? "-" : "";
    const int e = d.exponent;
    if (e < -4 || e >= 15) {
        text.push_back(mantissa[0]);
        if (mantissa.size() > 1) text += "." + mantissa.substr(1);
        text += "E" + std::to_string(e);
    } else if (e < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + mantissa;
    } else {
        for (int power = e; power >= 0; --power) text.push_back(d.DigitAt(power));
        if (static_cast<int>(mantissa.size()) > e + 1) text += "." + mantissa.substr(static_cast<std::size_t>(e) + 1);
    }
    return text;
}

} // namespace tarvik

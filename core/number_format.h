#pragma once
// Text forms of numbers used by the report, the tuning dialog and the figure.
// Everything here is locale-independent: the decimal point is always ".".
#include <cstdint>
#include <string>
#include <string_view>

#include "core/numeric.h"

namespace tarvik {

// Formats value with a picture pattern such as "0.00E+00", "0.###" or "#.##".
// '0' is a digit that is always written, '#' one written only when it is
// significant; "E+00" asks for scientific notation with the exponent sign
// always written ("E-00": sign only when negative) and at least two exponent
// digits. Rounding is half away from zero on the value's 18-digit decimal
// form. NaN and infinities give "NAN", "INF" and "-INF".
// Throws std::invalid_argument for a pattern it does not understand.
std::string FormatFloat(std::string_view pattern, Real value);

// Inserts a blank before every third digit from the right, never in front of
// the first digit: "1234567" -> "1 234 567", "-1234" -> "-1 234".
std::string GroupDigits(std::string_view text);

// An integer in decimal, grouped by GroupDigits.
std::string FormatGroupedInt(int64_t value);

// The accuracy value as a percentage: "  0.5000%" style fixed text for values
// up to 100, "0.0000E+00" style above; never longer than 60 characters.
std::string FormatAccuracyText(Real accuracyValue);

// The general real-to-text form with up to 15 significant digits: "0.1",
// "2147483647", "-1.5", and "1E-8" / "1.5E20" outside 1e-5 <= |x| < 1e15.
std::string FormatGeneral(Real value);

} // namespace tarvik

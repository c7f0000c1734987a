#pragma once
// Conversion of numbers that the user types. Locale-independent: "." is the
// only decimal point; callers turn a typed "," into "." with CommaToDot first.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/numeric.h"

namespace tarvik {

// A copy of text in which every "," is replaced by ".".
std::string CommaToDot(std::string_view text);

// True when the whole text is one real number: optional leading blanks, an
// optional sign, digits with an optional point (at least one digit), an
// optional exponent (e or E, optional sign, at least one digit) and nothing
// after it. Values too large for Real are rejected; values below its normal
// range become zero. out is written only on success.
bool TryParseReal(std::string_view text, Real& out);

// True when the whole text is a 32-bit signed integer: optional leading
// blanks, an optional sign and decimal digits only. out is written only on
// success.
bool TryParseInt32(std::string_view text, int32_t& out);

} // namespace tarvik

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

// Some messages break their line with a lone carriage return, which a
// terminal would use to overwrite the line's first part: a copy with every
// carriage return made a line feed.
std::string ForTerminal(std::string text);

// True when the whole text is one real number: optional leading blanks, an
// optional sign, digits with an optional point (at least one digit), an
// optional exponent (e or E, optional sign, at least one digit) and nothing
// after it but blanks. Values too large for Real are rejected; values below its normal
// range become zero. out is written only on success.
// Typed is what a user types (blanks around the number, ".5" and "5."
// allowed); FileToken is a token of a number file, which has no blanks and
// has digits before a point and after it.
enum class RealGrammar { Typed, FileToken };
bool TryParseReal(std::string_view text, Real& out, RealGrammar grammar = RealGrammar::Typed);

// True when the whole text is a 32-bit signed integer: optional blanks
// around an optional sign and decimal digits. out is written only on
// success.
bool TryParseInt32(std::string_view text, int32_t& out);

} // namespace tarvik

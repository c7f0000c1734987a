#pragma once
// A long double in scientific notation with 21 significant digits, exactly as
// std::to_chars(first, last, value, std::chars_format::scientific, 20)
// writes it (the exact value rounded half to even), at a fraction of its
// cost: the trace writes seven of them for every iteration of a run.
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

// Room enough for any value's text.
inline constexpr int ScientificTextRoom = 40;

// Writes the text at `out` (ScientificTextRoom chars available) and returns
// its end. The value is read where it lies: pass a value in memory (a
// row's field) rather than one just computed.
char* WriteScientific21(const Real& value, char* out);

// An integer as std::to_chars writes it, quicker where it lies below 10^8.
// Eight chars must be available at `out` (twenty for any value).
char* WriteInteger(int64_t value, char* out);

} // namespace tarvik

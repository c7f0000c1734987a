#pragma once
// The starting point u° built from the chosen starting-point item.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/numeric.h"

namespace tarvik {

inline constexpr int StartPointItemCount = 30;
inline constexpr int StartPointFromFileItem = 29;

// Item texts exactly as the list shows them.
extern const std::array<std::string_view, StartPointItemCount> StartPointItems;

// u° of n components (length n + 1) for items 0..28. Item 29 reads a file
// and is handled by the caller.
MyArray1 BuildStartPoint(int item, int n);

// Coordinates u1, u2, ... given explicitly ("-1.2,1"): numbers as a number
// file holds them (app/number_file.h), separated by commas, blanks around
// each allowed; at least u1 and u2. Returns the message for anything else,
// which names the option the text came with.
std::optional<std::string> ParseStartCoordinates(const std::string& text, std::vector<Real>& out,
                                                 const std::string& option = "--start-point");

// Puts the given coordinates over the first ones of u° (length n + 1);
// the rest stay those of the item. More coordinates than n is an input
// error: ERealBadError with TooManyStartCoordinatesText.
void ApplyStartCoordinates(MyArray1& u0, const std::vector<Real>& given, int n);
std::string TooManyStartCoordinatesText(std::size_t given, int n);

} // namespace tarvik

#pragma once
// The starting point u° built from the chosen starting-point item.
#include <array>
#include <string_view>

#include "core/numeric.h"

namespace tarvik {

inline constexpr int StartPointItemCount = 30;
inline constexpr int StartPointFromFileItem = 29;

// Item texts exactly as the list shows them.
extern const std::array<std::string_view, StartPointItemCount> StartPointItems;

// u° of n components (length n + 1) for items 0..28. Item 29 reads a file
// and is handled by the caller.
MyArray1 BuildStartPoint(int item, int n);

} // namespace tarvik

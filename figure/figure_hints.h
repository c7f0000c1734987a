#pragma once
// The figure has no drawn legend: the status bar names the element under
// the mouse, recognised by the colour of the pixel there.
#include <cstdint>
#include <string>

#include "core/run_state.h"

namespace tarvik {

// The hint for a pixel colour under the given method. Returns currentHint
// where the hint is to stay as it was (the collinear demo method keeps the
// previous text over colours it does not name).
std::string FigureHintForColour(Colour c, MethodId method, const std::string& currentHint);

} // namespace tarvik

#pragma once
// The batch mode's figure: the window's own drawing code on an image that is
// never shown. A QGuiApplication must exist while one is alive (fonts).
#include <memory>

#include "app/batch_mode.h"

namespace tarvik {

std::unique_ptr<BatchFigure> MakeOffscreenFigure();

} // namespace tarvik

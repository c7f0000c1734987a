#pragma once
// The batch mode's figure: the window's own drawing code on an image that is
// never shown. A QGuiApplication must exist while one is alive (fonts).
#include <memory>

#include "app/batch_mode.h"

namespace tarvik {

// Of the size the options give (the default: the window's at first start).
std::unique_ptr<BatchFigure> MakeOffscreenFigure(const BatchOptions& options);

// The figure the program gives a batch run: painted only when a picture of
// it is saved (otherwise MakeUnpaintedFigure's, which needs no application).
std::unique_ptr<BatchFigure> MakeBatchFigure(const BatchOptions& options);

} // namespace tarvik

#pragma once
// The batch mode's figure when no picture is saved: no image and no
// graphics system, only what the drawing does to the run. The level lines'
// evaluations of J (J failing on the plane refuses the problem) and the
// rule that a point whose pixel cannot be painted ends the run are both
// kept, so the run goes exactly as it goes with a picture.
#include <memory>

#include "app/batch_mode.h"

namespace tarvik {

std::unique_ptr<BatchFigure> MakeUnpaintedFigure(const BatchOptions& options);

// Whether the options save a picture of the figure (--figure, --animate):
// only then must it be painted.
bool PaintsFigure(const BatchOptions& options);

} // namespace tarvik

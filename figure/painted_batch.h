#pragma once
// The batch mode with a figure that is painted (--figure, --animate): the
// graphics system starts when the first figure or plot is made, never on
// a machine that only asks for help or mistypes an option.
#include <QGuiApplication>
#include <functional>
#include <memory>

#include "app/batch_mode.h"

namespace tarvik {

// Makes the application the figure (and the plot) paint under; it keeps
// references to argc and argv for its whole life.
using GraphicsApplicationFactory = std::function<std::unique_ptr<QGuiApplication>(int& argc, char** argv)>;

// argv as the program was given it, "--batch" included. Without a plotter,
// --plot is refused.
int RunPaintedBatch(int argc, char** argv, const GraphicsApplicationFactory& makeApplication,
                    const BatchPlotterFactory& makePlotter = {});

} // namespace tarvik

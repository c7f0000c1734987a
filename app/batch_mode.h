#pragma once
// The headless batch mode ("--batch" on the command line): the same run as
// the window performs, with the report on a stream. Painting is left to the
// caller through BatchFigure, so that everything else needs no graphics.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/compare_run.h"
#include "core/run_state.h"

namespace tarvik {

// The figure of a batch run. A single run always draws it, because a point
// whose pixel cannot be painted ends a run in the window; a comparison draws
// the level lines once and the paths only when it is to be saved (its runs
// check their points against the figure's frame without painting).
class BatchFigure {
public:
    virtual ~BatchFigure() = default;
    // A fresh figure as wide as the window's figure panel at its first
    // start, or of the size the command line gives.
    virtual void Create() = 0;
    virtual void DrawLevelLines(RunState& s) = 0;
    virtual void DrawTrajectoryStep(RunState& s) = 0;
    virtual void Destroy() = 0;
    virtual bool Exists() const = 0;
    // Overlays every row's path on the level lines; the paths are taken.
    virtual void DrawComparePaths(std::vector<CompareRow>& rows) = 0;
    // Throws std::exception with the reason when the file cannot be written.
    virtual void Save(const std::string& path, char exportType) = 0;
    // The descent as an animated GIF over the level lines drawn: one run
    // from its trace, or the compared runs, each taken from its trace as
    // it ends (what the frames need of it: a path as long as its pixels
    // change). Throws std::exception with the reason when the file cannot
    // be written.
    virtual void SaveRunAnimation(const RunTrace& trace, const std::string& path) = 0;
    virtual void AddComparedRun(const std::string& label, const RunTrace& trace) = 0;
    virtual void SaveCompareAnimation(const std::string& path) = 0;
};

// Made once the command line is read (and help was not asked for), for it.
using BatchFigureFactory = std::function<std::unique_ptr<BatchFigure>(const BatchOptions&)>;

// Draws the convergence plot (--plot). Made before the figure, and only
// when a plot is asked for.
class BatchPlotter {
public:
    virtual ~BatchPlotter() = default;
    // type: 'p' PNG, 's' SVG (PlotTypeForPath). Throws std::exception with
    // the reason when the file cannot be written.
    virtual void Save(const ConvergencePlot& plot, const std::string& path, char type) = 0;
};
using BatchPlotterFactory = std::function<std::unique_ptr<BatchPlotter>()>;

bool IsBatchInvocation(int argc, char** argv);

// The file type of a figure file by its extension: 'j' JPEG, 'b' bitmap,
// 'p' PNG, anything else 'g' GIF.
char FigureTypeForPath(const std::string& path);

// args: the command line without the program name and without "--batch".
// Returns the exit status.
// Without a plotter, --plot is refused as a bad command line.
int RunBatchMode(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                 const BatchFigureFactory& makeFigure, const BatchPlotterFactory& makePlotter = {});

} // namespace tarvik

#pragma once
// The command line of the headless batch mode.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/convergence_data.h"
#include "app/figure_frame.h"
#include "core/run_state.h"
#include "core/typed_function.h"

namespace tarvik {

struct BatchOptions {
    int n = 2;
    std::string nText = "2";
    int functionPosition = 0;
    int startItem = 0;
    int methodPosition = 0;
    int accuracyMode = 1;
    std::string epsText = "0.01";
    FailureAnswer failureAnswer = FailureAnswer::Cancel;
    std::vector<std::pair<std::string, std::string>> params;
    std::optional<long long> maxIterations;
    // The quadratic from files and the starting point from a file.
    std::string matrixAFile, vectorBFile, cText = "0", ustarFile, startFile;
    // --start-point: u1, u2, ... over those of the starting item.
    std::vector<Real> startPoint;
    UStarSource ustarOption = UStarSource::Zero;
    bool ustarOptionGiven = false;
    // --formula or --formula-file as given, and --ustar U1,U2,...; read
    // into `typed` when the options are checked.
    std::string formulaText;
    bool formulaGiven = false;
    std::vector<Real> formulaUStar;
    TypedFunction typed;
    // Where to save the final figure, if anywhere ("-": standard output).
    std::string figureFile;
    // --figure-size WxH; none: the window's figure at its first start.
    std::optional<FigureSize> figureSize;
    // Where to save the descent as an animated GIF, if anywhere.
    std::string animateFile;
    // Where to save the convergence plot (PNG or SVG), and what it shows.
    std::string plotFile;
    PlotQuantity plotQuantity = PlotQuantity::J;
    PlotAxis plotAxis = PlotAxis::Iterations;
    // Where to save the run's iterations as CSV, if anywhere ("-": standard output).
    std::string traceFile;
    // The trace with all n coordinates of every point instead of u1, u2.
    bool traceAllCoordinates = false;
    // Method positions of a comparison (empty: one run of `methodPosition`).
    std::vector<int> compareMethods;
    // Bare --csv: the table as CSV on standard output instead of aligned.
    bool csv = false;
    // --csv FILE: the table as CSV to FILE as well ("-": standard output).
    std::string csvFile;
    bool help = false;
    // An output goes to the standard output: the report then goes to
    // standard error, so the output stays alone in a pipe.
    bool OutputToStandardOutput() const {
        return figureFile == "-" || traceFile == "-" || csvFile == "-" || animateFile == "-" || plotFile == "-";
    }
    // The run's trace rows are wanted beyond --trace: for the animation or the plot.
    bool ViewsNeedTrace() const { return !animateFile.empty() || !plotFile.empty(); }
};

// The sizes --figure-size accepts, in pixels, for either side.
inline constexpr int MinFigureSide = 64;
inline constexpr int MaxFigureSide = 4096;

// Where the batch figure centres its plane (app/figure_frame.h).
FigureSize BatchFigureArea(const BatchOptions& options);

// The plot's format by its file name: 'p' PNG ("-" too), 's' SVG, 0 for
// anything else.
char PlotTypeForPath(const std::string& path);

// Parses argv (without the program name and without "--batch"). On error
// returns a message and leaves options partly filled.
std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options);

std::string BatchHelpText();

// The list position of the method a command line names: its name, its exact
// list text, or the position older scripts give.
std::optional<int> MethodPositionFrom(const std::string& text);

// Applies one "--param NAME=VALUE"; returns an error message or nothing.
std::optional<std::string> ApplyParameter(TunableParameters& params, const std::string& name, const std::string& value);

} // namespace tarvik

#pragma once
// The command line of the headless batch mode.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/run_state.h"

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
    UStarSource ustarOption = UStarSource::Zero;
    bool ustarOptionGiven = false;
    // Where to save the final figure, if anywhere ("-": standard output).
    std::string figureFile;
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
        return figureFile == "-" || traceFile == "-" || csvFile == "-";
    }
};

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

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
    // Where to save the final figure, if anywhere.
    std::string figureFile;
    // Where to save the run's iterations as CSV, if anywhere.
    std::string traceFile;
    // The trace with all n coordinates of every point instead of u1, u2.
    bool traceAllCoordinates = false;
    // Method positions of a comparison (empty: one run of `methodPosition`).
    std::vector<int> compareMethods;
    bool csv = false;
    bool help = false;
};

// Parses argv (without the program name and without "--batch"). On error
// returns a message and leaves options partly filled.
std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options);

std::string BatchHelpText();

// Applies one "--param NAME=VALUE"; returns an error message or nothing.
std::optional<std::string> ApplyParameter(TunableParameters& params, const std::string& name, const std::string& value);

} // namespace tarvik

#pragma once
// What a trace or a comparison was run on, written beside its CSV as JSON
// (run.csv -> run.json), so that the CSV itself stays plain rows: the
// program's version, the problem, the starting point with every coordinate,
// the accuracy, every parameter, how failures were met, the quadratic's
// files and a batch command line that repeats the run.
#include <optional>
#include <string>
#include <vector>

#include "core/run_state.h"

namespace tarvik {

struct RunDescription {
    int n = 0;                          // 0: no run was prepared
    std::string functionName;
    int functionPosition = 0;
    std::string methodName;             // one run
    int methodPosition = 0;
    std::vector<int> comparedMethods;   // a comparison: its method positions instead
    int startItem = 0;
    std::string startFile;              // the starting item "from file"
    std::vector<Real> start;            // u°, all n coordinates
    std::vector<Real> startGiven;       // u1, u2, ... given over the item's
    int accuracyMode = 1;               // 1: distance to u*, 2: change of J
    std::string eps;                    // as typed
    TunableParameters params;
    // The quadratic from files.
    bool fromFiles = false;
    std::string matrixAFile, vectorBFile, cText, ustarFile;
    UStarSource ustar = UStarSource::Zero;
    // The typed function: its formula (one line) and u* as given, if given.
    std::string formula;
    std::vector<Real> formulaUStar;
    bool allCoordinates = false;        // the trace holds u1..un
    // How recoverable failures were met: one answer for all (the batch mode,
    // a comparison), or, left empty, the window's question with the answers
    // given in order.
    std::optional<FailureAnswer> failurePolicy;
    std::vector<FailureAnswer> failureAnswers;
    std::optional<long long> maxIterations;
};

// The problem, method, starting point and parameters of a prepared run
// (u° is read from s.U0).
RunDescription DescribeRun(const RunState& s);

// The JSON text (app/text_files.h's rule); numbers keep every bit: u° with
// 21 significant digits, parameters in the shortest text that reads back
// as the same value. Its "command_line" is a batch command line that
// repeats the run: "tarvik --batch --n .. --function .. --start ..
// --method .. (or --compare LIST) --accuracy .. --eps .. [--param K=V]
// --on-failure .. [input files] [--max-iterations K]", every argument
// shell-quoted where needed, --param only for values that differ from those
// the batch mode starts from.
std::string DescriptionJson(const RunDescription& d);

// run.csv -> run.json (a final ".csv" in any letter case is replaced,
// anything else gets ".json" appended).
std::string DescriptionPathFor(const std::string& csvPath);

// Writes the description beside the CSV just written to csvPath, when that
// went to a regular file (nothing for "-", a device or a FIFO). Returns
// nothing, or the message naming the file and the reason.
std::optional<std::string> WriteDescriptionBeside(const std::string& csvPath, const RunDescription& d);

} // namespace tarvik

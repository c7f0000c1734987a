#pragma once
// The run report: the header written after the first step, the lines of the
// iterations on the print schedule, and the final lines of a run. All of it
// goes to the output pane through RunState::AppendLine.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/numeric.h"
#include "core/run_state.h"

namespace tarvik {

// True when iteration k is reported: 1..10, 15, 20, 25, 30, 40, 50, 75 and
// every 25 up to 225, then every 50 below 500, every 100 below 5000, every
// 1000 below 50000 and every 10000 after that.
bool PrintSchedule(int64_t k);

// Problem, method and accuracy description, u*, u°, gradJ(u°) and J°.
void WriteReportHeader(RunState& s);

// The lines of iteration s.IterCount, when it is on the print schedule or is
// the last one (ContinueRun = 0).
void WriteIterationLines(RunState& s);
// "Total evaluating J and gradJ" as an iteration's lines print it.
int64_t ReportedEvaluations(const RunState& s);
// The line that opens iteration k's lines, its counts grouped by thousands.
std::string IterationCountLine(int64_t k, int64_t evaluations);

// Accuracy, operating time and final point. nowMs is the time of day in
// milliseconds (MsOfDay) at the moment of writing.
void WriteFinalLines(RunState& s, int32_t nowMs);

// Components 1..N of v, each preceded by three blanks, at most 50 to a line.
void WriteVectorBlock(RunState& s, const MyArray1& v, std::string_view pattern);

} // namespace tarvik

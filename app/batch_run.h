#pragma once
// One headless run from the command line.
#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/run_driver.h"
#include "core/run_state.h"

namespace tarvik {

inline constexpr int BatchExitNormal = 0;
inline constexpr int BatchExitError = 1;
inline constexpr int BatchExitUsage = 2;
inline constexpr int BatchExitInterrupted = 130;

// Copies the options into the run state as the window would: choices,
// parameters, function identity and, for the quadratic from files, the
// data read and validated. Returns false (after reporting on err) when
// the files are rejected.
bool ApplyBatchOptions(const BatchOptions& options, RunState& s, std::FILE* err);

// Runs Start, answers failures, resumes, and returns the exit status.
int RunBatch(const BatchOptions& options, RunState& s, RunDriver& driver, BatchHost& host);

} // namespace tarvik

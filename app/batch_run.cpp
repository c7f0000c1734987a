#include "app/batch_run.h"

#include <csignal>
#include <exception>
#include <string>

#include "app/quadratic_files.h"
#include "app/recommended_parameters.h"
#include "app/text_input.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/typed_function.h"

namespace tarvik {

namespace {

extern "C" void OnInterrupt(int) { BatchHost::interruptRequested = 1; }

} // namespace

bool ApplyBatchOptions(const BatchOptions& o, RunState& s, std::FILE* err) {
    const FunctionTraits& f = Traits(FunctionAtListPosition(o.functionPosition));
    // The window's values for the chosen function first, then the user's.
    ApplyRecommendedParameters(s.Params, f.id);
    for (const auto& [name, value] : o.params) ApplyParameter(s.Params, name, value);
    if (o.maxIterations) s.Params.MaxIterations = static_cast<int32_t>(*o.maxIterations);
    RunChoices& c = s.Choices;
    c.NText = o.nText;
    c.FunctionPosition = o.functionPosition;
    c.StartItem = o.startItem;
    c.StartCoordinates = o.startPoint;
    c.MethodPosition = o.methodPosition;
    c.ByDistance = o.accuracyMode == 1;
    c.ByChangeOfJ = o.accuracyMode == 2;
    c.EpsText = o.epsText;
    c.StartFile = o.startFile;
    c.UStarOption = o.ustarOption;
    c.UStarFile = o.ustarFile;
    s.FunctionCode = f.id;
    s.FunctionName = std::string(f.name);
    s.N = o.n;
    if (f.typed) {
        s.Typed = o.typed;
        s.FunctionName = FormulaName(o.typed.formula.text);
    }
    if (f.fromFiles) {
        QuadraticFileChoice choice;
        choice.pathA = o.matrixAFile;
        choice.pathB = o.vectorBFile;
        choice.pathUStar = o.ustarFile;
        choice.cText = o.cText;
        choice.option = o.ustarOption;
        choice.n = o.n;
        try {
            LoadQuadraticData(s, choice);
        } catch (const std::exception& e) {
            std::fprintf(err, "%s\n", ForTerminal(e.what()).c_str());
            return false;
        }
    }
    return true;
}

int RunBatch(const BatchOptions& o, RunState& s, RunDriver& driver, BatchHost& host) {
    host.Attach(s, driver);
    driver.SetFailurePolicy(o.failureAnswer);
    BatchHost::interruptRequested = 0;
    auto previous = std::signal(SIGINT, OnInterrupt);

    driver.Start();
    while (driver.ResumePending()) driver.ResumeIfPending();
    host.Flush();
    std::signal(SIGINT, previous);

    // Ctrl-C after the run's last look at it (its last iteration, its
    // final lines) still ends the program as interrupted.
    if (host.Interrupted() || BatchHost::interruptRequested) return BatchExitInterrupted;
    switch (driver.LastEnding()) {
    case RunDriver::Ending::Normal:
    case RunDriver::Ending::IterationLimit:
    case RunDriver::Ending::NoProgress: return BatchExitNormal;
    case RunDriver::Ending::Stopped: return BatchExitInterrupted;
    default: return BatchExitError;
    }
}

} // namespace tarvik

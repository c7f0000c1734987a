#include "app/batch_mode.h"

#include <cctype>
#include <csignal>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/atomic_file.h"
#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/convergence_data.h"
#include "app/run_description.h"
#include "app/run_driver.h"
#include "app/run_trace.h"
#include "app/trace_stream.h"
#include "core/method_catalogue.h"

namespace tarvik {

namespace {

class FigureBatchHost : public BatchHost {
public:
    FigureBatchHost(std::FILE* out, std::FILE* err, BatchFigure& figure, bool wantsMinimumValue)
        : BatchHost(out, err), figure_(figure), wantsMinimumValue_(wantsMinimumValue) {}
    void Bind(RunState& s) { state_ = &s; }
    void CreateFigure() override { figure_.Create(); }
    // Called once u* is set up and before the run frees it.
    void DrawLevelLines() override {
        if (wantsMinimumValue_) minimumValue = KnownMinimumValue(*state_);
        if (figure_.Exists()) figure_.DrawLevelLines(*state_);
    }
    std::optional<Real> minimumValue;
    void DrawTrajectoryStep() override {
        if (figure_.Exists()) figure_.DrawTrajectoryStep(*state_);
    }
    void DestroyFigure() override { figure_.Destroy(); }

private:
    BatchFigure& figure_;
    bool wantsMinimumValue_;
    RunState* state_ = nullptr;
};

// Whether what went to the report's stream got there; false after saying
// why on standard error.
bool ReportWritten(int error, const char* what, std::FILE* err) {
    if (error == 0) return true;
    std::fprintf(err, "tarvik: cannot write %s: %s\n", what, SystemErrorText(error).c_str());
    return false;
}

// Returns false (after saying why) when the figure could not be written.
bool SaveFigure(BatchFigure& figure, const std::string& path, std::FILE* err) {
    if (!figure.Exists()) {
        std::fprintf(err, "tarvik: no figure was drawn, nothing saved to %s\n", path.c_str());
        return true;
    }
    try {
        figure.Save(path, FigureTypeForPath(path));
    } catch (const std::exception& e) {
        std::fprintf(err, "tarvik: %s\n", e.what());
        return false;
    }
    return true;
}

// A view drawn from the runs' traces (the animation, the plot); false
// (after saying why) when it could not be written.
bool SaveView(const std::function<void()>& save, std::FILE* err) {
    try {
        save();
    } catch (const std::exception& e) {
        std::fprintf(err, "tarvik: %s\n", e.what());
        return false;
    }
    return true;
}

bool SaveAnimation(BatchFigure& figure, const std::string& path, const std::function<void()>& save, std::FILE* err) {
    if (!figure.Exists()) {
        std::fprintf(err, "tarvik: no figure was drawn, nothing saved to %s\n", path.c_str());
        return true;
    }
    return SaveView(save, err);
}

// Whose convergence the plot shows: the function and n (the legend names the methods).
// The names of the functions for n = 2 only say so already.
std::string PlotTitle(const RunDescription& d) {
    if (d.functionName.find("n=") != std::string::npos) return d.functionName;
    return d.functionName + ", n = " + std::to_string(d.n);
}

bool SavePlot(BatchPlotter& plotter, const BatchOptions& options, const ConvergencePlotBuilder& builder, std::FILE* err) {
    return SaveView([&] { plotter.Save(builder.Plot(), options.plotFile, PlotTypeForPath(options.plotFile)); }, err);
}

// The JSON description beside a CSV file; false (after saying why) when it
// could not be written.
bool WriteDescription(const std::string& csvPath, const RunDescription& description, std::FILE* err) {
    const std::optional<std::string> error = WriteDescriptionBeside(csvPath, description);
    if (error) std::fprintf(err, "tarvik: %s\n", error->c_str());
    return !error;
}

// Several methods on one problem: a table instead of the report, and every
// path over one set of level lines.
int RunCompareMode(const BatchOptions& options, BatchFigure& figure, BatchPlotter* plotter, std::FILE* out,
                   std::FILE* err) {
    // Drawn also when the figure is not saved: a single run always draws
    // them, and J failing on their plane refuses the problem.
    std::optional<ConvergencePlotBuilder> plot;
    const auto levelLines = [&](RunState& s) {
        if (plotter)
            plot.emplace(options.plotQuantity, options.plotAxis, KnownMinimumValue(s), options.accuracyMode,
                         PlotTitle(DescribeRun(s)));
        figure.Create();
        figure.DrawLevelLines(s);
    };
    // The views take what they need of each run as it ends, so that no run
    // keeps its trace beyond its own end.
    const auto traced = [&](int index, const RunTrace& trace) {
        const std::string method(MethodAtPosition(options.compareMethods[static_cast<std::size_t>(index)]).name);
        if (plot) plot->Add(method, index, trace);
        if (!options.animateFile.empty() && figure.Exists()) figure.AddComparedRun(method, trace);
    };
    std::vector<CompareRow> rows;
    RunDescription description;
    const CompareEnd end = RunComparison(options, options.compareMethods, rows, err, {}, levelLines,
                                         [&description](const RunDescription& d) { description = d; }, traced);
    const bool printed = ReportWritten(WriteStream(out, options.csv ? FormatCompareCsv(rows) : FormatCompareTable(rows)),
                                       "the table", err);
    // A problem that no method could start has no table to keep: an older
    // file stays as it was (the refusal was said already).
    if (end == CompareEnd::ProblemRefused) return BatchExitError;
    if (!options.csvFile.empty()) {
        if (const int error = ReplaceFileContents(options.csvFile, FormatCompareCsv(rows))) {
            std::fprintf(err, "tarvik: cannot write the table %s: %s\n", options.csvFile.c_str(),
                         SystemErrorText(error).c_str());
            return BatchExitError;
        }
        description.comparedMethods = options.compareMethods;
        description.failurePolicy = options.failureAnswer;
        description.maxIterations = options.maxIterations;
        if (description.n > 0 && !WriteDescription(options.csvFile, description, err)) return BatchExitError;
    }

    if (!options.animateFile.empty() &&
        !SaveAnimation(figure, options.animateFile, [&] { figure.SaveCompareAnimation(options.animateFile); }, err))
        return BatchExitError;
    if (plot && !SavePlot(*plotter, options, *plot, err)) return BatchExitError;
    if (!options.figureFile.empty()) {
        if (figure.Exists()) figure.DrawComparePaths(rows);
        if (!SaveFigure(figure, options.figureFile, err)) return BatchExitError;
    }
    if (!printed) return BatchExitError;
    return end == CompareEnd::Interrupted ? BatchExitInterrupted : BatchExitNormal;
}

int RunSingleMode(const BatchOptions& options, BatchFigure& figure, BatchPlotter* plotter, std::FILE* out,
                  std::FILE* err) {
    FigureBatchHost host(out, err, figure, plotter != nullptr);
    RunState state(host);
    host.Bind(state);
    RunDriver driver(state);
    if (!ApplyBatchOptions(options, state, err)) return BatchExitError;
    // The trace file is written as the run goes, where nothing else it
    // writes shares the file.
    std::unique_ptr<TraceFileStream> stream;
    if (!options.traceFile.empty() && TraceMayStream(options.traceFile, out, err)) {
        stream = std::make_unique<TraceFileStream>(options.traceFile, &BatchHost::interruptRequested);
        driver.SetTraceStream(stream.get());
    }
    // The figure is drawn as the run goes; only a trace file written after
    // the run and the views drawn afterwards read the rows back.
    driver.SetTraceKeepsRows((!options.traceFile.empty() && !stream) || options.ViewsNeedTrace());
    if (!options.traceFile.empty()) {
        // Rows beyond the trace's window wait beside the file that will
        // receive them, not in a temporary folder that may be small.
        driver.SetTraceSpill(ReceivingFolder(options.traceFile), [&options, err](const std::string& reason) {
            std::fprintf(err, "tarvik: warning: the trace %s: %s\n", options.traceFile.c_str(), reason.c_str());
        });
    }
    if (options.traceAllCoordinates) {
        // Known at once when the iterations are bounded; otherwise said as
        // soon as the rows kept pass the mark.
        const auto warn = [&options, err](int64_t bytes) {
            std::fprintf(err, "tarvik: warning: the trace %s with all %d coordinates per row %s %.1f GB\n",
                         options.traceFile.c_str(), options.n, options.maxIterations ? "may reach" : "has passed",
                         static_cast<double>(bytes) / 1e9);
        };
        const int64_t bound =
            options.maxIterations ? EstimatedTraceCsvBytes(*options.maxIterations + 2, options.n) : 0;
        if (bound > LargeTraceBytes) warn(bound);
        driver.SetTraceAllCoordinates(true, options.maxIterations ? std::function<void(int64_t)>() : warn);
    }
    const int status = RunBatch(options, state, driver, host);
    // Without a row the stream has opened nothing.
    const int streamed = stream ? stream->Finish() : 0;
    const bool printed = ReportWritten(host.OutputError(), "the report", err);

    // A run that did not start (an input error, too little memory) has no
    // trace: an older file of that name stays as it was, and the error that
    // kept the run from starting has been said.
    if (!options.traceFile.empty() && driver.Summary().startEvaluated) {
        std::string error = streamed != 0 ? SystemErrorText(streamed) : std::string();
        if (streamed != 0 || (!stream && !driver.Trace().WriteCsv(options.traceFile, error))) {
            std::fprintf(err, "tarvik: cannot write the trace %s: %s\n", options.traceFile.c_str(), error.c_str());
            return BatchExitError;
        }
        RunDescription description = driver.Description();
        description.failurePolicy = options.failureAnswer;
        description.maxIterations = options.maxIterations;
        if (description.n > 0 && !WriteDescription(options.traceFile, description, err)) return BatchExitError;
    }
    if (!options.figureFile.empty() && !SaveFigure(figure, options.figureFile, err)) return BatchExitError;
    if (driver.Summary().startEvaluated) {
        if (!options.animateFile.empty() &&
            !SaveAnimation(figure, options.animateFile, [&] { figure.SaveRunAnimation(driver.Trace(), options.animateFile); }, err))
            return BatchExitError;
        if (plotter) {
            const RunDescription& description = driver.Description();
            ConvergencePlotBuilder builder(options.plotQuantity, options.plotAxis, host.minimumValue, options.accuracyMode,
                                           PlotTitle(description));
            builder.Add(description.methodName, -1, driver.Trace());
            if (!SavePlot(*plotter, options, builder, err)) return BatchExitError;
        }
    }
    return printed ? status : BatchExitError;
}

} // namespace

bool IsBatchInvocation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--batch") return true;
    return false;
}

char FigureTypeForPath(const std::string& path) {
    auto endsWith = [&](const char* suffix) {
        const std::string s(suffix);
        if (path.size() < s.size()) return false;
        for (std::size_t i = 0; i < s.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(path[path.size() - s.size() + i])) != s[i]) return false;
        return true;
    };
    if (endsWith(".jpeg") || endsWith(".jpg")) return 'j';
    if (endsWith(".bmp")) return 'b';
    if (endsWith(".png")) return 'p';
    return 'g';
}

int RunBatchMode(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                 const BatchFigureFactory& makeFigure, const BatchPlotterFactory& makePlotter) {
    // A write past the file-size limit (standard error's too) fails with
    // EFBIG, which is reported, instead of ending the program unexplained.
    std::signal(SIGXFSZ, SIG_IGN);
    BatchOptions options;
    if (auto error = ParseBatchOptions(args, options)) {
        std::fprintf(err, "tarvik: %s\n", error->c_str());
        return BatchExitUsage;
    }
    if (options.help) return ReportWritten(WriteStream(out, BatchHelpText()), "the help text", err) ? BatchExitNormal : BatchExitError;
    std::unique_ptr<BatchPlotter> plotter;
    if (!options.plotFile.empty()) {
        if (!makePlotter) {
            std::fprintf(err, "tarvik: --plot: no plotter in this program\n");
            return BatchExitUsage;
        }
        plotter = makePlotter();
    }
    const std::unique_ptr<BatchFigure> figure = makeFigure(options);
    // The standard output then carries that one output alone.
    std::FILE* report = options.OutputToStandardOutput() ? err : out;
    const int status = options.compareMethods.empty() ? RunSingleMode(options, *figure, plotter.get(), report, err)
                                                      : RunCompareMode(options, *figure, plotter.get(), report, err);
    // Whatever the standard output still holds must reach its file too.
    if (report != out && !ReportWritten(WriteStream(out, {}), "to standard output", err)) return BatchExitError;
    return status;
}

} // namespace tarvik

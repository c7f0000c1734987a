// The headless batch mode: the same run as the window performs, with the
// report on standard output. The figure is drawn off screen as well,
// because a point whose pixel cannot be painted ends a run in the window.
#include "ui/batch_main.h"

#include <QGuiApplication>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/compare_run.h"
#include "app/run_driver.h"
#include "figure/compare_overlay.h"
#include "figure/contour_figure.h"
#include "figure/image_export.h"

namespace tarvik {

namespace {

// The figure panel of the window at its first-start width.
constexpr int BatchFigurePanelWidth = 438;

class FigureBatchHost : public BatchHost {
public:
    using BatchHost::BatchHost;
    void Bind(RunState& s) { state_ = &s; }
    void CreateFigure() override { figure_ = std::make_unique<ContourFigure>(BatchFigurePanelWidth); }
    void DrawLevelLines() override {
        if (figure_) figure_->DrawLevelLines(*state_);
    }
    void DrawTrajectoryStep() override {
        if (figure_) figure_->DrawTrajectoryStep(*state_);
    }
    void DestroyFigure() override { figure_.reset(); }
    ContourFigure* Figure() { return figure_.get(); }

private:
    RunState* state_ = nullptr;
    std::unique_ptr<ContourFigure> figure_;
};

char ExportTypeFor(const std::string& path) {
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

// Several methods on one problem: a table instead of the report, and every
// path over one set of level lines.
int RunCompareMode(const BatchOptions& options) {
    std::unique_ptr<ContourFigure> figure;
    std::function<void(RunState&)> levelLines;
    if (!options.figureFile.empty())
        levelLines = [&figure](RunState& s) {
            figure = std::make_unique<ContourFigure>(BatchFigurePanelWidth);
            figure->DrawLevelLines(s);
        };
    std::vector<CompareRow> rows;
    const CompareEnd end = RunComparison(options, options.compareMethods, rows, stderr, {}, levelLines);
    std::fputs((options.csv ? FormatCompareCsv(rows) : FormatCompareTable(rows)).c_str(), stdout);
    std::fflush(stdout);
    if (end == CompareEnd::ProblemRefused) return BatchExitError;

    if (!options.figureFile.empty()) {
        if (!figure) {
            std::fprintf(stderr, "tarvik: no figure was drawn, nothing saved to %s\n", options.figureFile.c_str());
        } else {
            std::vector<ComparePath> paths;
            for (CompareRow& row : rows) paths.push_back({row.method, std::move(row.path)});
            DrawComparePaths(*figure, paths);
            try {
                SaveFigureImage(figure->Image(), options.figureFile, ExportTypeFor(options.figureFile));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tarvik: %s\n", e.what());
                return BatchExitError;
            }
        }
    }
    return end == CompareEnd::Interrupted ? BatchExitInterrupted : BatchExitNormal;
}

} // namespace

bool IsBatchInvocation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--batch") return true;
    return false;
}

int BatchMain(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) != "--batch") args.emplace_back(argv[i]);

    BatchOptions options;
    if (auto error = ParseBatchOptions(args, options)) {
        std::fprintf(stderr, "tarvik: %s\n", error->c_str());
        return BatchExitUsage;
    }
    if (options.help) {
        std::fputs(BatchHelpText().c_str(), stdout);
        return BatchExitNormal;
    }

    // The figure needs fonts but never a screen.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Standard error carries the message boxes; Qt's own chatter stays out.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    if (!options.compareMethods.empty()) return RunCompareMode(options);

    FigureBatchHost host(stdout, stderr);
    RunState state(host);
    host.Bind(state);
    RunDriver driver(state);
    if (!ApplyBatchOptions(options, state, stderr)) return BatchExitError;
    if (options.traceAllCoordinates) {
        // Known at once when the iterations are bounded; otherwise said as
        // soon as the rows kept pass the mark.
        const auto warn = [&options](int64_t bytes) {
            std::fprintf(stderr, "tarvik: warning: the trace %s with all %d coordinates per row %s %.1f GB\n",
                         options.traceFile.c_str(), options.n, options.maxIterations ? "may reach" : "has passed",
                         static_cast<double>(bytes) / 1e9);
        };
        const int64_t bound =
            options.maxIterations ? EstimatedTraceCsvBytes(*options.maxIterations + 2, options.n) : 0;
        if (bound > LargeTraceBytes) warn(bound);
        driver.SetTraceAllCoordinates(true, options.maxIterations ? std::function<void(int64_t)>() : warn);
    }
    const int status = RunBatch(options, state, driver, host);

    if (!options.traceFile.empty()) {
        std::string error;
        if (!driver.Trace().WriteCsv(options.traceFile, error)) {
            std::fprintf(stderr, "tarvik: cannot write the trace %s: %s\n", options.traceFile.c_str(), error.c_str());
            return BatchExitError;
        }
    }

    if (!options.figureFile.empty()) {
        if (!host.Figure()) {
            std::fprintf(stderr, "tarvik: no figure was drawn, nothing saved to %s\n", options.figureFile.c_str());
        } else {
            try {
                SaveFigureImage(host.Figure()->Image(), options.figureFile, ExportTypeFor(options.figureFile));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tarvik: %s\n", e.what());
                return BatchExitError;
            }
        }
    }
    return status;
}

} // namespace tarvik

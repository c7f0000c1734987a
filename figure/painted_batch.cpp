#include "figure/painted_batch.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "figure/offscreen_figure.h"
#include "figure/unpainted_figure.h"

namespace tarvik {

int RunPaintedBatch(int argc, char** argv, const GraphicsApplicationFactory& makeApplication,
                    const BatchPlotterFactory& makePlotter) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) != "--batch") args.emplace_back(argv[i]);

    // The application keeps references to both for its whole life, which
    // outlasts every figure of the run.
    int appArgc = 1;
    char* appArgv[2] = {argv[0], nullptr};
    std::unique_ptr<QGuiApplication> app;
    const auto start = [&] {
        if (app) return;
        // The figure needs fonts but never a screen.
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Standard error carries the message boxes; Qt's own chatter stays out.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        app = makeApplication(appArgc, appArgv);
    };
    BatchPlotterFactory plotter;
    if (makePlotter)
        plotter = [&] {
            start();
            return makePlotter();
        };
    return RunBatchMode(
        args, stdout, stderr,
        [&](const BatchOptions& options) {
            // A run whose picture is not saved (one that only plots) is not painted.
            if (PaintsFigure(options)) start();
            return MakeBatchFigure(options);
        },
        plotter);
}

} // namespace tarvik

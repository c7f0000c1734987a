// The batch mode's entry. The graphics system starts only when a figure is
// wanted, so that "--help" and bad command lines stay quick.
#include "ui/batch_main.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_mode.h"
#include "chart/convergence_chart.h"
#include "figure/offscreen_figure.h"

namespace tarvik {

int BatchMain(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) != "--batch") args.emplace_back(argv[i]);

    // QGuiApplication keeps references to both for its whole life, which
    // outlasts every figure of the run.
    int appArgc = 1;
    char* appArgv[2] = {argv[0], nullptr};
    std::unique_ptr<QGuiApplication> app;
    // Qt Charts draws with widgets: the plot, asked for before the figure,
    // makes the application a QApplication.
    const auto start = [&](bool widgets) {
        if (app) return;
        // The figure needs fonts but never a screen.
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Standard error carries the message boxes; Qt's own chatter stays out.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        if (widgets) app = std::make_unique<QApplication>(appArgc, appArgv);
        else app = std::make_unique<QGuiApplication>(appArgc, appArgv);
    };
    return RunBatchMode(
        args, stdout, stderr,
        [&](const BatchOptions& options) {
            start(false);
            return MakeOffscreenFigure(options);
        },
        [&] {
            start(true);
            return MakeChartPlotter();
        });
}

} // namespace tarvik

// The module the program loads for a batch run that draws the convergence
// plot: Qt Charts draws with widgets, so the application is a QApplication
// (which the painted figure shares).
#include <QApplication>
#include <memory>

#include "chart/convergence_chart.h"
#include "figure/painted_batch.h"

extern "C" __attribute__((visibility("default"))) int TarvikPlotBatchMain(int argc, char** argv) {
    return tarvik::RunPaintedBatch(
        argc, argv,
        [](int& appArgc, char** appArgv) -> std::unique_ptr<QGuiApplication> {
            return std::make_unique<QApplication>(appArgc, appArgv);
        },
        [] { return tarvik::MakeChartPlotter(); });
}

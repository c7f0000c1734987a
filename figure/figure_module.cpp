// The module the program loads for a batch run whose figure is painted and
// that draws no plot: Qt Gui only.
#include <QGuiApplication>
#include <memory>

#include "figure/painted_batch.h"

extern "C" __attribute__((visibility("default"))) int TarvikPaintedBatchMain(int argc, char** argv) {
    return tarvik::RunPaintedBatch(argc, argv, [](int& appArgc, char** appArgv) {
        return std::make_unique<QGuiApplication>(appArgc, appArgv);
    });
}

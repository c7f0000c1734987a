// Time to draw the level lines of every test function at the two usual
// panel sizes (the design width and the width after the first start).
// With a folder argument the pictures are also saved there as PNG files.
#include <QDir>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "core/silent_host.h"
#include "core/function_catalogue.h"
#include "core/host.h"
#include "core/run_state.h"
#include "figure/contour_figure.h"

namespace {

using namespace tarvik;


// The first starting item of the list: u° = (-0.2, -1.4, ...), u* = 1.
void Prepare(RunState& s, FunctionId code, int n) {
    s.FunctionCode = code;
    s.N = n;
    s.U = NewVector(n);
    s.U0 = NewVector(n);
    s.UStar = NewVector(n);
    s.U0[1] = -0.2L;
    s.U0[2] = -1.4L;
    for (int i = 1; i <= n; ++i) s.UStar[i] = 1;
    if (Traits(code).fromFiles) {
        s.Quad.QuadA = NewMatrix(n);
        s.Quad.QuadB = NewVector(n);
        for (int i = 1; i <= n; ++i) s.Quad.QuadA[i][i] = i;
        s.Quad.QuadC = 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Fonts need an application; without a display it runs offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dumpFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!dumpFolder.isEmpty()) QDir().mkpath(dumpFolder);

    const int imageWidths[] = {311, 450};
    std::printf("%-46s %12s %12s\n", "function", "311 px (ms)", "450 px (ms)");
    double total[2] = {0, 0};
    for (const FunctionTraits& entry : FunctionList()) {
        std::printf("%-46s", std::string(entry.name).c_str());
        for (int k = 0; k < 2; ++k) {
            SilentHost host;
            RunState s(host);
            Prepare(s, entry.id, 2);
            ContourFigure figure(imageWidths[k] + 7);
            const auto t0 = std::chrono::steady_clock::now();
            try {
                figure.DrawLevelLines(s);
            } catch (const std::exception& e) {
                std::printf(" error: %s", e.what());
            }
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            total[k] += ms;
            std::printf(" %12.1f", ms);
            if (!dumpFolder.isEmpty())
                figure.Image().save(QStringLiteral("%1/%2_%3.png").arg(dumpFolder).arg(int(entry.id)).arg(imageWidths[k]));
        }
        std::printf("\n");
    }
    std::printf("%-46s %12.1f %12.1f\n", "total", total[0], total[1]);
    return 0;
}

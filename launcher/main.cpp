// Tarvik: teaching program for unconstrained minimization.
//
// The program itself links no graphics library. A batch run that saves no
// picture and draws no plot runs here; the window, a painted figure and the
// plot each load the module that holds them (launcher/program_modules.h).
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_mode.h"
#include "app/batch_options.h"
#include "figure/unpainted_figure.h"
#include "launcher/program_modules.h"

int main(int argc, char* argv[]) {
    using namespace tarvik;
    if (!IsBatchInvocation(argc, argv)) return RunProgramModule("tarvik-window", "TarvikWindowMain", argc, argv);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) != "--batch") args.emplace_back(argv[i]);
    // Help and a mistaken command line are answered here, by the same code.
    BatchOptions options;
    if (!ParseBatchOptions(args, options) && !options.help) {
        if (!options.plotFile.empty()) return RunProgramModule("tarvik-plot", "TarvikPlotBatchMain", argc, argv);
        if (PaintsFigure(options)) return RunProgramModule("tarvik-figure", "TarvikPaintedBatchMain", argc, argv);
    }
    return RunBatchMode(args, stdout, stderr, MakeUnpaintedFigure);
}

#include "ui/panel_choices.h"

#include "core/typed_function.h"

#include "app/configuration.h"
#include "app/start_point.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/run_state.h"

namespace tarvik::ui {

PanelChoices ChoicesFromPanels(const ProblemPanel& problem, const MethodPanel& method, const AccuracyPanel& accuracy,
                               const InputFilesPanel& files) {
    return {problem.Choice(), method.Choice(), accuracy.Choice(), files.Choice()};
}

void CopyToRun(const PanelChoices& chosen, RunState& run) {
    RunChoices& c = run.Choices;
    c.NText = chosen.problem.dimension;
    c.FunctionPosition = ListPosition(chosen.problem.function.value());
    c.StartItem = chosen.problem.startItem;
    c.StartCoordinates.clear();
    // The point was checked when it was picked; a stored one that no longer
    // reads is the item's point.
    if (!chosen.problem.figurePoint.empty() && ParseStartCoordinates(chosen.problem.figurePoint, c.StartCoordinates))
        c.StartCoordinates.clear();
    c.MethodPosition = ListPosition(chosen.method.method.value());
    c.ByDistance = chosen.accuracy.knownMinimum;
    c.ByChangeOfJ = chosen.accuracy.changeOfJ;
    c.EpsText = chosen.accuracy.changeOfJ ? chosen.accuracy.eps2 : chosen.accuracy.eps1;
    c.UStarOption = chosen.files.Option();
    c.UStarFile = chosen.files.pathUStar;
    run.FunctionCode = chosen.problem.function.value();
    run.FunctionName = chosen.problem.functionName;
    // A typed function is named by its formula.
    if (Traits(run.FunctionCode).typed && run.Typed.Given()) run.FunctionName = FormulaName(run.Typed.formula.text);
}

void CopyToConfiguration(const PanelChoices& chosen, Configuration& c) {
    c.Dimension = chosen.problem.dimension;
    c.StartingPoint = chosen.problem.startItem;
    c.FigurePoint = chosen.problem.figurePoint;
    c.FunctionsAll = chosen.problem.fullList;
    c.FunctionsNmore2 = chosen.problem.shortList;
    if (chosen.problem.function) StoreFunction(*chosen.problem.function, c);
    c.PathA = chosen.files.pathA;
    c.PathB = chosen.files.pathB;
    c.C = chosen.files.c;
    c.PathUStar = chosen.files.pathUStar;
    c.UStarFromFile = chosen.files.uStarFromFile;
    c.UStarZero = chosen.files.uStarZero;
    c.UStarUnknown = chosen.files.uStarUnknown;
    c.Accuracy1 = chosen.accuracy.knownMinimum;
    c.Accuracy2 = chosen.accuracy.changeOfJ;
    c.Eps1 = chosen.accuracy.eps1;
    c.Eps2 = chosen.accuracy.eps2;
    c.Group = chosen.method.group;
    c.Gradient = chosen.method.shown[0];
    c.ConjugateGradient = chosen.method.shown[1];
    c.QuasiNewton = chosen.method.shown[2];
    c.Newton = chosen.method.shown[3];
    c.Author = chosen.method.shown[4];
    if (chosen.method.method) StoreMethod(*chosen.method.method, c);
}

PanelChoices ChoicesFromConfiguration(const Configuration& c) {
    PanelChoices chosen;
    chosen.problem.dimension = c.Dimension;
    chosen.problem.startItem = c.StartingPoint;
    chosen.problem.figurePoint = c.FigurePoint;
    chosen.problem.fullList = c.FunctionsAll;
    chosen.problem.shortList = c.FunctionsNmore2;
    chosen.problem.function = StoredFunction(c);
    chosen.files = {c.PathA, c.PathB, c.PathUStar, c.C, c.UStarFromFile, c.UStarZero, c.UStarUnknown};
    chosen.accuracy = {c.Accuracy1, c.Accuracy2, c.Eps1, c.Eps2};
    chosen.method.group = c.Group;
    chosen.method.shown = {c.Gradient, c.ConjugateGradient, c.QuasiNewton, c.Newton, c.Author};
    chosen.method.method = StoredMethod(c);
    return chosen;
}

} // namespace tarvik::ui

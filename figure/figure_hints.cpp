#include "figure/figure_hints.h"

#include "core/method_catalogue.h"
#include "figure/contour_figure.h"
#include "figure/figure_colours.h"

namespace tarvik {

std::string FigureHintForColour(Colour c, MethodId method, const std::string& currentHint) {
    switch (c) {
    case clFigBack: return " Double click on the image to save it in a file";
    case clTrajectory: return " Projection of a descent trajectory";
    case clInitialPoint: return " Initial point";
    case clOptimalPoint: return " Optimal point";
    case clFinalPoint: return " Final point";
    case clOrt: return " Projection of a gradient ort";
    case clAxisU1: return " Axis of u1";
    case clAxisU2: return " Axis of u2";
    default: break;
    }
    if (Traits(method).demoOneStep) {
        // Under the demo the grey is the delta-vicinity, not sub-iterations.
        if (c == clDeltaVicinity) return " Delta-vicinity to start the search of a descent direction";
        return currentHint;
    }
    switch (c) {
    case clSubIter: return " Sub-iterations to compute a descent direction";
    case clSaddle: return " Saddle point";
    case clSteepestStep: return " Step by steepest descent. The curvature condition is not satisfied.";
    case clNoHessianUpdate: return " Step without update of Hessian (Hessean is not positive)";
    case clAngleStep: return " The angle between  gradJ ^ d-min >= 0";
    default: return std::string();
    }
}

std::string ContourFigure::FigureHint(const RunState& s, int x, int y, const std::string& currentHint) const {
    return FigureHintForColour(PixelColour(x, y), s.MethodCode, currentHint);
}

} // namespace tarvik

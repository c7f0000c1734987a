// The trajectory and the canvas at far points, and the hints that name the
// figure's elements by colour.
#include <QGuiApplication>
#include <limits>
#include <string>
#include <utility>

#include "app/figure_frame.h"
#include "core/errors.h"
#include "core/method_catalogue.h"
#include "figure/contour_figure.h"
#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/figure_hints.h"
#include "run_state_fixture.h"

using namespace tarvik;

namespace {

Colour At(const QImage& im, int x, int y) { return FromQRgb(im.pixel(x, y)); }

QImage Blank(int w, int h) {
    QImage im(w, h, QImage::Format_RGB32);
    im.fill(ToQRgb(clFigBack));
    return im;
}

int CountIn(const QImage& im, Colour c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) n += At(im, x, y) == c;
    return n;
}

// A figure with the geometry of a drawn window, 10 pixels per unit around
// (50, 50), on a plain background, and a run that goes on.
struct TrajectoryRun {
    tarvik::testing::RecordingHost host;
    RunState s{host};
    ContourFigure fig{107};

    explicit TrajectoryRun(MethodId method) {
        fig.Image().fill(ToQRgb(clFigBack));
        fig.PlaneScale = 10;
        fig.FigCentreX = 50;
        fig.FigCentreY = 50;
        fig.MarkerRadius = 3;
        fig.CurPixel = fig.PrevPixel = fig.NewPixel = PixelPos{50, 50};
        s.MethodCode = method;
        s.N = 2;
        for (MyArray1* v : {&s.U, &s.U0, &s.GradJ, &s.GradJ0, &s.GradJPrev}) *v = NewVector(2);
        s.RedrawTrajectory = 1;
        s.ContinueRun = 1;
        s.GradNorm = 1;
        s.Step = 1;
    }
    void MoveTo(Real u1, Real u2) {
        s.U[1] = u1;
        s.U[2] = u2;
    }
    const QImage& Im() const { return fig.Image(); }
};

} // namespace

TEST(CanvasLine, FarEndsAreClippedNotWalked) {
    QImage im = Blank(20, 20);
    CanvasState st;
    st.PenColour = clLevelLine;
    FigureCanvas cv(im, st);
    cv.Line(-2000000000, 5, 2000000000, 5);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(At(im, x, 5), clLevelLine);
    cv.Line(-1000000000, -1000000000, 1000000000, 1000000000);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(At(im, x, x), clLevelLine) << x;
    cv.Line(2000000019, -2000000000, -2000000000, 2000000019);   // x + y = 19 all along
    for (int x = 0; x < 20; ++x) EXPECT_EQ(At(im, x, 19 - x), clLevelLine) << x;
}

TEST(TrajectoryStep, WithoutRedrawTheSegmentStartsFromThePreviousPoint) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.RedrawTrajectory = 0;
    run.s.IterCount = 5;
    run.s.GradNormPrev = 1;
    run.s.GradJPrev[2] = 1;
    run.fig.PrevPixel = PixelPos{30, 50};
    run.MoveTo(1, 0);
    run.fig.DrawTrajectoryStep(run.s);
    EXPECT_EQ(At(run.Im(), 40, 50), clTrajectory);
    EXPECT_EQ(CountIn(run.Im(), clOrt, 0, 0, 99, 92), 0);
    EXPECT_EQ(run.fig.PrevPixel, (PixelPos{30, 50}));
    EXPECT_EQ(run.fig.CurPixel, (PixelPos{60, 50}));
}

TEST(CanvasEllipse, BoxesAroundFarPointsAreClippedNotWrapped) {
    const int maxInt = std::numeric_limits<int>::max(), minInt = std::numeric_limits<int>::min();
    const struct {
        PixelPos centre;
        int64_t r;
        PixelBox box;
    } cases[] = {
        {{50, 50}, 3, {47, 47, 53, 53}},
        {{maxInt, minInt}, 4, {maxInt - 4, minInt, maxInt, minInt + 4}},     // a far u° disc
        {{50, 50}, maxInt, {50 - maxInt, 50 - maxInt, maxInt, maxInt}},       // a huge delta vicinity
    };
    for (const auto& c : cases) {
        const PixelBox b = BoxAround(c.centre, c.r);
        EXPECT_EQ(b.left, c.box.left);
        EXPECT_EQ(b.top, c.box.top);
        EXPECT_EQ(b.right, c.box.right);
        EXPECT_EQ(b.bottom, c.box.bottom);
    }
    // A box wider than an int still holds its ellipse: here one around the whole image.
    QImage im = Blank(20, 20);
    CanvasState st;
    st.BrushColour = clFinalPoint;
    FigureCanvas cv(im, st);
    cv.Ellipse(minInt, minInt, maxInt, maxInt);
    EXPECT_EQ(At(im, 10, 10), clFinalPoint);
}

TEST(TrajectoryStep, FarPointIsClippedAndTooFarEndsTheRunPaintedOrNot) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.IterCount = 6;
    run.MoveTo(1e8L, 0);   // pixel 1 000 000 050 still fits
    run.fig.DrawTrajectoryStep(run.s);
    for (int x = 54; x < 100; ++x) EXPECT_EQ(At(run.Im(), x, 50), clTrajectory) << x;

    // A run that paints nothing meets the same end at the same points.
    const std::string tooFar = "Error in painting. Too large the coordinates. (Iteration=7)";
    const Real far = 1e30L;
    const struct {
        MethodId method;
        int32_t subIteration;
        bool subIterationPoints, iterationComplete;
        Real u1, u2, u01, u02;
        bool ends;
    } cases[] = {
        {MethodId::SteepestWolfe, 1, false, true, 0, -far, 0, 0, true},
        {MethodId::SteepestWolfe, 1, false, true, 1e8L, 0, 0, 0, false},
        {MethodId::SteepestWolfe, 1, false, true, 0, 0, far, 0, false},   // u° is not on the segment
        {MethodId::Collinear, 1, false, false, 0, 0, far, 0, true},       // the collinear search starts at its base...
        {MethodId::Collinear, 2, false, false, 0, 0, 0, far, false},
        {MethodId::Collinear, 2, false, true, 0, 0, far, 0, true},        // ... and its iteration ends there
        {MethodId::CollinearDemo, 3, true, false, far, 0, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(Traits(c.method).key) + "/" + std::to_string(c.subIteration));
        TrajectoryRun painted(c.method), unpainted(c.method);
        for (TrajectoryRun* r : {&painted, &unpainted}) {
            r->s.IterCount = 7;
            r->s.SubIterCount = c.subIteration;
            r->s.ShowSubIterPoints = c.subIterationPoints;
            r->s.IterationComplete = c.iterationComplete;
            r->s.SegmentColour = clSubIter;
            r->MoveTo(c.u1, c.u2);
            r->s.U0[1] = c.u01;
            r->s.U0[2] = c.u02;
            r->s.Collinear.ub = r->s.U0;  // a collinear iteration's base point
        }
        const std::string expected = c.ends ? tooFar : "no exception";
        EXPECT_EQ(tarvik::testing::ErrorOf<EBadError>([&] { painted.fig.DrawTrajectoryStep(painted.s); }), expected);
        const PlaneFrame frame{0, painted.fig.PlaneScale, painted.fig.FigCentreX, painted.fig.FigCentreY};
        EXPECT_EQ(tarvik::testing::ErrorOf<EBadError>([&] { CheckTrajectoryStep(unpainted.s, frame); }), expected);
        EXPECT_EQ(painted.s.RedrawTrajectory, c.ends ? 0 : 1);
        EXPECT_EQ(unpainted.s.RedrawTrajectory, painted.s.RedrawTrajectory);
        EXPECT_EQ(unpainted.s.SegmentColour, painted.s.SegmentColour);
        if (c.ends && c.method == MethodId::SteepestWolfe) { EXPECT_EQ(painted.fig.CurPixel, (PixelPos{50, 50})); }
    }
}

TEST(FigureHints, ColoursNameTheirElements) {
    const std::pair<Colour, const char*> hints[] = {
        {clFigBack, " Double click on the image to save it in a file"},
        {clTrajectory, " Projection of a descent trajectory"},
        {clInitialPoint, " Initial point"}, {clOptimalPoint, " Optimal point"}, {clFinalPoint, " Final point"},
        {clOrt, " Projection of a gradient ort"}, {clAxisU1, " Axis of u1"}, {clAxisU2, " Axis of u2"},
        {clSubIter, " Sub-iterations to compute a descent direction"}, {clSaddle, " Saddle point"},
        {clSteepestStep, " Step by steepest descent. The curvature condition is not satisfied."},
        {clNoHessianUpdate, " Step without update of Hessian (Hessean is not positive)"},
        {clAngleStep, " The angle between  gradJ ^ d-min >= 0"},
        {clLevelLine, ""}, {clAxisText, ""}, {clTitle, ""}, {clFinalRim, ""}, {clNoPixel, ""},
    };
    for (const auto& [colour, hint] : hints) EXPECT_EQ(FigureHintForColour(colour, MethodId::Collinear, "previous"), hint) << std::hex << colour;
}

TEST(FigureHints, DemoMethodNamesTheDeltaVicinityAndKeepsOtherwise) {
    const std::string prev = " Axis of u1";
    EXPECT_EQ(FigureHintForColour(clDeltaVicinity, MethodId::CollinearDemo, prev), " Delta-vicinity to start the search of a descent direction");
    EXPECT_EQ(FigureHintForColour(clLevelLine, MethodId::CollinearDemo, prev), prev);
    EXPECT_EQ(FigureHintForColour(clSaddle, MethodId::CollinearDemo, prev), prev);
    EXPECT_EQ(FigureHintForColour(clAngleStep, MethodId::CollinearDemo, prev), prev);
    EXPECT_EQ(FigureHintForColour(clTrajectory, MethodId::CollinearDemo, prev), " Projection of a descent trajectory");
    EXPECT_EQ(FigureHintForColour(clFigBack, MethodId::CollinearDemo, prev), " Double click on the image to save it in a file");
}

TEST(FigureHints, ReadThePixelUnderTheMouse) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.IterCount = 1;
    run.MoveTo(1, 1);
    run.fig.DrawTrajectoryStep(run.s);
    EXPECT_EQ(run.fig.FigureHint(run.s, 55, 45, "x"), " Projection of a descent trajectory");
    EXPECT_EQ(run.fig.FigureHint(run.s, 50, 50, "x"), " Initial point");
    EXPECT_EQ(run.fig.FigureHint(run.s, 5, 5, "x"), " Double click on the image to save it in a file");
    EXPECT_EQ(run.fig.FigureHint(run.s, -1, 5, "x"), "");
    run.s.MethodCode = MethodId::CollinearDemo;
    EXPECT_EQ(run.fig.FigureHint(run.s, 500, 5, "x"), "x");
}

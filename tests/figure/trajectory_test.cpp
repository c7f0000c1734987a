// The trajectory drawn on the figure, the pixel conventions of the canvas
// it relies on, and the hints that name elements by colour.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <limits>
#include <set>

#include "core/errors.h"
#include "figure/contour_figure.h"
#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/figure_hints.h"
#include "recording_host.h"

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

    explicit TrajectoryRun(MethodId methodCode) {
        fig.Image().fill(ToQRgb(clFigBack));
        fig.PlaneScale = 10;
        fig.FigCentreX = 50;
        fig.FigCentreY = 50;
        fig.MarkerRadius = 3;
        fig.CurPixel = fig.PrevPixel = fig.NewPixel = PixelPos{50, 50};
        s.MethodCode = methodCode;
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

// ---- Canvas conventions ----

TEST(CanvasLine, CoversTheStartAndNotTheEnd) {
    QImage im = Blank(20, 20);
    CanvasState st;
    st.PenColour = clLevelLine;
    FigureCanvas cv(im, st);
    cv.Line(2, 2, 6, 2);
    for (int x = 2; x <= 5; ++x) EXPECT_EQ(At(im, x, 2), clLevelLine) << x;
    EXPECT_EQ(At(im, 6, 2), clFigBack);
    EXPECT_EQ(At(im, 1, 2), clFigBack);

    cv.Line(16, 8, 12, 8);   // leftwards
    for (int x = 13; x <= 16; ++x) EXPECT_EQ(At(im, x, 8), clLevelLine) << x;
    EXPECT_EQ(At(im, 12, 8), clFigBack);

    cv.Line(0, 10, 4, 14);   // diagonal
    for (int i = 0; i < 4; ++i) EXPECT_EQ(At(im, i, 10 + i), clLevelLine);
    EXPECT_EQ(At(im, 4, 14), clFigBack);

    cv.Line(9, 9, 9, 9);     // nothing to draw
    EXPECT_EQ(At(im, 9, 9), clFigBack);
}

TEST(CanvasLine, PicksTheNearestPixels) {
    QImage im = Blank(20, 20);
    CanvasState st;
    st.PenColour = clLevelLine;
    FigureCanvas cv(im, st);
    cv.Line(0, 0, 10, 3);
    const int expected[10] = {0, 0, 1, 1, 1, 2, 2, 2, 2, 3};   // round(0.3 x), halves down the line
    for (int x = 0; x < 10; ++x) {
        for (int y = 0; y < 5; ++y) EXPECT_EQ(At(im, x, y) == clLevelLine, y == expected[x]) << x << "," << y;
    }
}

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

TEST(CanvasLine, DottedPenLeavesGapsOrFillsThemWithTheBrush) {
    QImage im = Blank(20, 4);
    CanvasState st;
    st.PenColour = clSubIter;
    st.Style = PenStyle::Dot;
    st.BrushSolid = false;
    FigureCanvas cv(im, st);
    cv.Line(0, 1, 12, 1);
    const bool on[12] = {1, 1, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0};
    for (int x = 0; x < 12; ++x) EXPECT_EQ(At(im, x, 1), on[x] ? clSubIter : clFigBack) << x;

    st.BrushSolid = true;
    st.BrushColour = clFinalPoint;
    cv.Line(0, 2, 12, 2);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(At(im, x, 2), on[x] ? clSubIter : clFinalPoint) << x;
}

TEST(CanvasEllipse, StaysInsideItsBoxWithoutRightAndBottomEdge) {
    QImage im = Blank(30, 30);
    CanvasState st;
    st.PenColour = clFinalRim;
    st.BrushColour = clFinalPoint;
    st.BrushSolid = true;
    FigureCanvas cv(im, st);
    cv.Ellipse(10, 10, 18, 18);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    std::set<Colour> colours;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if (At(im, x, y) != clFigBack) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
                colours.insert(At(im, x, y));
            }
    EXPECT_EQ(minX, 10);
    EXPECT_EQ(maxX, 17);
    EXPECT_EQ(minY, 10);
    EXPECT_EQ(maxY, 17);
    EXPECT_EQ(colours, (std::set<Colour>{clFinalRim, clFinalPoint}));   // no blended edge
    EXPECT_EQ(At(im, 14, 14), clFinalPoint);

    QImage empty = Blank(10, 10);
    FigureCanvas cv2(empty, st);
    cv2.Ellipse(5, 5, 5, 5);   // an empty box draws nothing
    EXPECT_EQ(CountIn(empty, clFinalRim, 0, 0, 9, 9), 0);
}

TEST(CanvasText, HasOnlyTheFontAndBoxColours) {
    QImage im = Blank(120, 30);
    CanvasState st;
    st.Font = FigureFont(QString());
    st.FontColour = clTitle;
    st.BrushColour = clFinalPoint;
    st.BrushSolid = true;
    FigureCanvas cv(im, st);
    const int end = cv.TextOut(3, 4, QStringLiteral("Level 8.5"));
    EXPECT_EQ(end, 3 + cv.TextWidth(QStringLiteral("Level 8.5")));
    const int h = cv.TextHeight(QStringLiteral("0"));
    std::set<Colour> inBox;
    for (int y = 4; y < 4 + h; ++y)
        for (int x = 3; x < end; ++x) inBox.insert(At(im, x, y));
    EXPECT_EQ(inBox, (std::set<Colour>{clTitle, clFinalPoint}));
    EXPECT_EQ(At(im, end, 4), clFigBack);

    st.BrushSolid = false;   // a clear brush writes the glyphs only
    QImage im2 = Blank(120, 30);
    FigureCanvas cv2(im2, st);
    cv2.TextOut(3, 4, QStringLiteral("Level 8.5"));
    EXPECT_EQ(CountIn(im2, clFinalPoint, 0, 0, 119, 29), 0);
    EXPECT_GT(CountIn(im2, clTitle, 0, 0, 119, 29), 15);
}

// ---- Trajectory steps ----

TEST(TrajectoryStep, FirstIterationRedrawsTheStartOverItsOrt) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.IterCount = 1;
    run.s.GradJPrev[1] = 1;
    run.s.GradNormPrev = 1;
    run.MoveTo(1, 1);
    run.fig.DrawTrajectoryStep(run.s);

    const QImage& im = run.Im();
    EXPECT_EQ(run.fig.NewPixel, (PixelPos{60, 40}));
    EXPECT_EQ(run.fig.CurPixel, (PixelPos{60, 40}));
    EXPECT_EQ(run.fig.PrevPixel, (PixelPos{50, 50}));
    EXPECT_EQ(At(im, 55, 45), clTrajectory);
    EXPECT_EQ(At(im, 60, 40), clFigBack);        // the end of a segment waits for its marker
    EXPECT_EQ(At(im, 68, 50), clOrt);            // 18 pixels along the gradient
    EXPECT_EQ(At(im, 56, 50), clOrt);
    EXPECT_EQ(At(im, 69, 50), clFigBack);
    EXPECT_EQ(At(im, 50, 50), clInitialPoint);   // the disc covers the ort's end
    EXPECT_EQ(At(im, 52, 50), clInitialPoint);
    EXPECT_EQ(run.s.SegmentColour, clTrajectory);
}

TEST(TrajectoryStep, SubstituteStepDrawsItsOrtInItsOwnColour) {
    TrajectoryRun run(MethodId::BfgsGolden);
    run.fig.CurPixel = PixelPos{60, 40};
    run.fig.PrevPixel = PixelPos{50, 50};
    run.s.IterCount = 2;
    run.s.GradJPrev[2] = 1;
    run.s.GradNormPrev = 1;
    run.s.SegmentColour = clSteepestStep;
    run.MoveTo(2, 1);
    run.fig.DrawTrajectoryStep(run.s);
    const QImage& im = run.Im();
    EXPECT_EQ(At(im, 60, 22), clSteepestStep);   // ort upwards, step colour
    EXPECT_EQ(At(im, 65, 40), clSteepestStep);   // segment
    EXPECT_EQ(At(im, 60, 40), clSteepestStep);   // marker
    EXPECT_EQ(CountIn(im, clOrt, 0, 0, 99, 92), 0);
    EXPECT_EQ(run.s.SegmentColour, clTrajectory);

    // The next ordinary step uses clOrt again.
    run.s.IterCount = 3;
    run.MoveTo(3, 1);
    run.fig.DrawTrajectoryStep(run.s);
    EXPECT_EQ(At(im, 70, 22), clOrt);
    EXPECT_EQ(At(im, 70, 40), clTrajectory);
}

TEST(TrajectoryStep, ProjectedOrtOfAGradientOutsideThePlaneIsShorter) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.IterCount = 2;
    run.s.GradJPrev[1] = 1;
    run.s.GradNormPrev = 2;   // half of the gradient lies in other coordinates
    run.MoveTo(0, -2);
    run.fig.DrawTrajectoryStep(run.s);
    EXPECT_EQ(At(run.Im(), 59, 50), clOrt);   // 9 pixels instead of 18
    EXPECT_EQ(At(run.Im(), 60, 50), clFigBack);
}

TEST(TrajectoryStep, FinalMarkerWhenTheRunEnds) {
    for (int variant = 0; variant < 3; ++variant) {
        TrajectoryRun run(MethodId::SteepestWolfe);
        run.s.IterCount = 4;
        if (variant == 0) run.s.ContinueRun = 0;
        if (variant == 1) run.s.GradNorm = 0;
        if (variant == 2) run.s.Step = 0;
        run.MoveTo(2, 0);
        run.fig.DrawTrajectoryStep(run.s);
        EXPECT_EQ(At(run.Im(), 70, 50), clFinalPoint) << variant;
        EXPECT_GT(CountIn(run.Im(), clFinalRim, 67, 47, 72, 52), 8) << variant;
    }
    TrajectoryRun going(MethodId::SteepestWolfe);
    going.s.IterCount = 4;
    going.MoveTo(2, 0);
    going.fig.DrawTrajectoryStep(going.s);
    EXPECT_EQ(CountIn(going.Im(), clFinalRim, 0, 0, 99, 92), 0);
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

TEST(TrajectoryStep, FarPointIsClippedAndTooFarEndsTheRun) {
    TrajectoryRun run(MethodId::SteepestWolfe);
    run.s.IterCount = 6;
    run.MoveTo(1e8L, 0);   // pixel 1 000 000 050 still fits
    run.fig.DrawTrajectoryStep(run.s);
    for (int x = 54; x < 100; ++x) EXPECT_EQ(At(run.Im(), x, 50), clTrajectory) << x;

    TrajectoryRun far(MethodId::SteepestWolfe);
    far.s.IterCount = 7;
    far.MoveTo(0, -1e30L);
    try {
        far.fig.DrawTrajectoryStep(far.s);
        FAIL() << "no error";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Error in painting. Too large the coordinates. (Iteration=7)");
    }
    EXPECT_EQ(far.s.RedrawTrajectory, 0);
    EXPECT_EQ(far.fig.CurPixel, (PixelPos{50, 50}));
}

TEST(TrajectoryStep, CollinearStartDrawsADottedDeltaVicinity) {
    TrajectoryRun run(MethodId::CollinearDemo);
    run.s.SubIterCount = 1;
    run.s.IterCount = 0;
    run.s.CollDelta = 2;   // 20 pixels
    run.s.GradNorm0 = 1;
    run.s.GradJ0[2] = -1;
    run.s.IterationComplete = 0;
    run.s.SegmentColour = clSubIter;
    run.MoveTo(1, 0);
    run.fig.DrawTrajectoryStep(run.s);
    const QImage& im = run.Im();
    // The circle through (30, 50) .. (69, 50): dotted, so partly grey.
    const int grey = CountIn(im, clDeltaVicinity, 25, 25, 75, 75);
    EXPECT_GT(grey, 40);
    EXPECT_LT(grey, 130);
    EXPECT_GT(CountIn(im, clOrt, 50, 51, 50, 68), 5);   // dotted ort below u°
    EXPECT_LT(CountIn(im, clOrt, 50, 51, 50, 68), 18);
    EXPECT_EQ(At(im, 55, 50), clFigBack);   // sub-iteration without a segment
    EXPECT_EQ(run.s.SegmentColour, clTrajectory);

    // The completed iteration: a dotted segment from u° and a ring marker.
    run.s.SubIterCount = 2;
    run.s.IterationComplete = 1;
    run.s.IterCount = 1;
    run.s.GradNorm = 0.5L;
    run.s.GradJ[1] = 0.5L;
    run.MoveTo(0, 1.5L);
    run.fig.DrawTrajectoryStep(run.s);
    EXPECT_EQ(At(im, 50, 49), clTrajectory);
    EXPECT_EQ(At(im, 50, 46), clFigBack);   // gap of the dots
    EXPECT_EQ(At(im, 50, 44), clTrajectory);
    EXPECT_EQ(At(im, 50, 35), clFigBack);   // ring: clear inside
    EXPECT_GT(CountIn(im, clTrajectory, 47, 32, 52, 37), 4);
    EXPECT_EQ(At(im, 68, 35), clOrt);       // ort at the new point
    EXPECT_EQ(At(im, 64, 35), clFigBack);
}

// ---- Hints ----

TEST(FigureHints, ColoursNameTheirElements) {
    const std::string prev = "previous";
    EXPECT_EQ(FigureHintForColour(clFigBack, MethodId::SteepestWolfe, prev), " Double click on the image to save it in a file");
    EXPECT_EQ(FigureHintForColour(clTrajectory, MethodId::SteepestWolfe, prev), " Projection of a descent trajectory");
    EXPECT_EQ(FigureHintForColour(clInitialPoint, MethodId::SteepestWolfe, prev), " Initial point");
    EXPECT_EQ(FigureHintForColour(clOptimalPoint, MethodId::SteepestWolfe, prev), " Optimal point");
    EXPECT_EQ(FigureHintForColour(clFinalPoint, MethodId::SteepestWolfe, prev), " Final point");
    EXPECT_EQ(FigureHintForColour(clOrt, MethodId::SteepestWolfe, prev), " Projection of a gradient ort");
    EXPECT_EQ(FigureHintForColour(clAxisU1, MethodId::SteepestWolfe, prev), " Axis of u1");
    EXPECT_EQ(FigureHintForColour(clAxisU2, MethodId::SteepestWolfe, prev), " Axis of u2");
    EXPECT_EQ(FigureHintForColour(clSubIter, MethodId::Collinear, prev), " Sub-iterations to compute a descent direction");
    EXPECT_EQ(FigureHintForColour(clSaddle, MethodId::SteepestWolfe, prev), " Saddle point");
    EXPECT_EQ(FigureHintForColour(clSteepestStep, MethodId::SteepestWolfe, prev),
              " Step by steepest descent. The curvature condition is not satisfied.");
    EXPECT_EQ(FigureHintForColour(clNoHessianUpdate, MethodId::SteepestWolfe, prev),
              " Step without update of Hessian (Hessean is not positive)");
    EXPECT_EQ(FigureHintForColour(clAngleStep, MethodId::Collinear, prev), " The angle between  gradJ ^ d-min >= 0");
    for (Colour c : {clLevelLine, clAxisText, clTitle, clFinalRim, clNoPixel})
        EXPECT_EQ(FigureHintForColour(c, MethodId::SteepestWolfe, prev), "") << std::hex << c;
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


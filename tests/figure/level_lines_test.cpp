// The level-line figure: window size, pixel mappings, the column scan and
// its join rules on hand-made tables, level numbers, and whole drawings
// checked by the colours they leave.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cmath>
#include <limits>
#include <set>

#include "core/errors.h"
#include "core/objective.h"
#include "figure/contour_figure.h"
#include "figure/figure_colours.h"
#include "figure/level_line_scan.h"
#include "recording_host.h"

using namespace tarvik;

namespace {

// Every evaluation sets a status text; a drawing makes a great many.
class QuietHost : public tarvik::testing::RecordingHost {
public:
    void SetStatus(const std::string&) override {}
};

struct FigureRun {
    QuietHost host;
    RunState s{host};

    FigureRun(FunctionId code, int n, Real u01, Real u02) {
        s.FunctionCode = code;
        s.N = n;
        s.U = NewVector(n);
        s.U0 = NewVector(n);
        s.UStar = NewVector(n);
        s.U0[1] = u01;
        s.U0[2] = u02;
    }
};

std::set<Colour> ColoursOf(const QImage& image) {
    std::set<Colour> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(FromQRgb(image.pixel(x, y)));
    return colours;
}

int CountColour(const QImage& image, Colour c) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += FromQRgb(image.pixel(x, y)) == c;
    return count;
}

} // namespace

TEST(PlaneRange, FollowsTheStartingPoint) {
    EXPECT_EQ(PlaneRangeFor(0, 0, FunctionId::Rosenbrock), 3);
    EXPECT_EQ(PlaneRangeFor(2.9L, -4.2L, FunctionId::Rosenbrock), 5);
    EXPECT_EQ(PlaneRangeFor(-7.5L, 1, FunctionId::Rosenbrock), 8);
    EXPECT_EQ(PlaneRangeFor(-0.2L, -1.4L, FunctionId::Rosenbrock), 3);
    EXPECT_EQ(PlaneRangeFor(3, 0, FunctionId::Rosenbrock), 4);
}

TEST(PlaneRange, Himmelblau28DoublesSmallWindowsOnly) {
    EXPECT_EQ(PlaneRangeFor(1, 1, FunctionId::Himmelblau28), 6);
    EXPECT_EQ(PlaneRangeFor(-5, 0, FunctionId::Himmelblau28), 6);
    EXPECT_EQ(PlaneRangeFor(4.5L, 0, FunctionId::Himmelblau28), 10);
    EXPECT_EQ(PlaneRangeFor(1, 1, FunctionId::Saddle), 3);
}

TEST(PlaneRange, HugeStartStaysUsable) {
    const int32_t r = PlaneRangeFor(1e300L, 0, FunctionId::Rosenbrock);
    EXPECT_GT(r, 1000000);
    EXPECT_LE(static_cast<int64_t>(r) * 2, std::numeric_limits<int32_t>::max());
    EXPECT_GT(PlaneRangeFor(std::numeric_limits<Real>::quiet_NaN(), 0, FunctionId::Rosenbrock), 3);
}

TEST(PixelMapping, PointAndOffsetFormsDifferForNegativeFractions) {
    PixelPos p;
    ASSERT_TRUE(PointFormPixel(-0.15L, 0.15L, 10, 100, 100, p));
    EXPECT_EQ(p.x, 99);    // 100 + trunc(-1.5)
    EXPECT_EQ(p.y, 99);    // 100 - trunc(1.5)
    const PixelPos o = OffsetFormPixel(-0.15L, 0.15L, 10, 100, 100);
    EXPECT_EQ(o.x, 98);    // trunc(98.5)
    EXPECT_EQ(o.y, 98);    // trunc(98.5)
    ASSERT_TRUE(PointFormPixel(0.15L, -0.15L, 10, 100, 100, p));
    EXPECT_EQ(p.x, 101);
    EXPECT_EQ(p.y, 101);
    const PixelPos o2 = OffsetFormPixel(0.15L, -0.15L, 10, 100, 100);
    EXPECT_EQ(o2.x, 101);
    EXPECT_EQ(o2.y, 101);
}

TEST(PixelMapping, PointFormRefusesPixelsBeyond32Bits) {
    PixelPos p;
    EXPECT_TRUE(PointFormPixel(2147483000.0L, 0, 1, 0, 0, p));
    EXPECT_EQ(p.x, 2147483000);
    EXPECT_FALSE(PointFormPixel(2147483000.0L, 0, 1, 1000, 0, p));   // the centre pushes it over
    EXPECT_FALSE(PointFormPixel(1e30L, 0, 1, 0, 0, p));
    EXPECT_FALSE(PointFormPixel(0, -1e30L, 1, 0, 0, p));
    EXPECT_FALSE(PointFormPixel(std::numeric_limits<Real>::quiet_NaN(), 0, 1, 0, 0, p));
}

// ---- The column scan on synthetic functions ----

TEST(CrossingScan, OneSignChangePerColumn) {
    CrossingTable t(20);
    ScanCrossings(t, [](int, int r) -> Real { return r - 10.5L; });
    for (int c = 0; c <= 20; ++c) {
        EXPECT_EQ(t.At(1, c), 11);
        for (int j = 2; j <= TrackCount; ++j) EXPECT_EQ(t.At(j, c), 0);
    }
}

TEST(CrossingScan, ExactZeroRepeatsTheRowInTheFollowingTracks) {
    CrossingTable t(20);
    ScanCrossings(t, [](int, int r) -> Real { return r - 10; });
    for (int j = 1; j <= TrackCount; ++j) EXPECT_EQ(t.At(j, 3), 10) << "track " << j;

    // Zero already at the top row: no crossing at all.
    ScanCrossings(t, [](int, int r) -> Real { return r; });
    for (int j = 1; j <= TrackCount; ++j) EXPECT_EQ(t.At(j, 3), 0);
}

TEST(CrossingScan, KeepsOnlyTheSevenTopmostCrossings) {
    CrossingTable t(40);
    // The sign flips every second row: crossings at rows 2, 4, 6, ...
    ScanCrossings(t, [](int, int r) -> Real { return (r % 4 < 2) ? 1.0L : -1.0L; });
    for (int j = 1; j <= TrackCount; ++j) EXPECT_EQ(t.At(j, 7), 2 * j);
}

TEST(CrossingScan, NanCountsAsACrossing) {
    CrossingTable t(20);
    ScanCrossings(t, [](int, int r) -> Real { return r == 5 ? std::numeric_limits<Real>::quiet_NaN() : 1.0L; });
    EXPECT_EQ(t.At(1, 0), 5);
    // The next track starts from NaN, so its first row is a crossing too.
    EXPECT_EQ(t.At(2, 0), 6);
    EXPECT_EQ(t.At(3, 0), 0);
}

TEST(CrossingScan, RowsRunToWidthAndAStartAtWidthKeepsIt) {
    CrossingTable t(20);
    ScanCrossings(t, [](int, int r) -> Real { return r - 25.5L; });
    EXPECT_EQ(t.At(1, 4), 0);
    ScanCrossings(t, [](int, int r) -> Real { return r - 19.5L; });
    EXPECT_EQ(t.At(1, 4), 20);
    for (int j = 2; j <= TrackCount; ++j) EXPECT_EQ(t.At(j, 4), 20);   // nothing left to scan
}

TEST(CrossingScan, ColumnWithoutCrossingCostsOneWalk) {
    CrossingTable t(30);
    int evaluations = 0;
    ScanCrossings(t, [&](int, int) -> Real {
        ++evaluations;
        return 1;
    });
    EXPECT_EQ(evaluations, 31 * 31);   // rows 0..30 of columns 0..30, track 1 only
}

TEST(CrossingScan, ColumnsAreIndependent) {
    CrossingTable t(10);
    ScanCrossings(t, [](int c, int r) -> Real { return r - c - 0.5L; });
    for (int c = 0; c < 10; ++c) EXPECT_EQ(t.At(1, c), c + 1);
    EXPECT_EQ(t.At(1, 10), 0);
}

// ---- Segments and joins on hand-made tables ----

namespace {

void SetTrack(CrossingTable& t, int j, std::initializer_list<int> rows) {
    int c = 0;
    for (int r : rows) t.At(j, c++) = r;
}

} // namespace

TEST(TrackSegments, JoinNeighbouringCrossingsLiftedByLineLift) {
    CrossingTable t(8);
    SetTrack(t, 1, {0, 20, 21, 23, 0, 0, 0, 0, 0});
    const auto segs = TrackSegments(t, 1);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0], (LineSegment{1, 19, 2, 20}));
    EXPECT_EQ(segs[1], (LineSegment{2, 20, 3, 22}));
}

TEST(TrackSegments, NearTheTopOnlyShortStepsAreJoined) {
    CrossingTable t(8);
    SetTrack(t, 1, {0, 3, 10, 0, 12, 19, 0, 0, 0});
    const auto segs = TrackSegments(t, 0);
    // 3 -> 10 starts in the top rows with a step of 7: left out.
    // 12 -> 19: both rows below 8, joined whatever the step.
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0], (LineSegment{4, 12, 5, 19}));
}

TEST(TrackSegments, SegmentEndingOnAnotherTracksRowIsLeftOut) {
    CrossingTable t(8);
    SetTrack(t, 1, {0, 20, 24, 0, 0, 0, 0, 0, 0});
    SetTrack(t, 2, {0, 24, 30, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(TouchesOtherTrack(t, 1, 1));
    EXPECT_FALSE(TouchesOtherTrack(t, 2, 1));
    const auto segs = TrackSegments(t, 0);
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0], (LineSegment{1, 24, 2, 30}));

    // Rows 1 and 2 at the top never count as touching.
    SetTrack(t, 1, {0, 2, 3, 0, 0, 0, 0, 0, 0});
    SetTrack(t, 2, {0, 3, 9, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(TouchesOtherTrack(t, 1, 1));
}

TEST(JoinSegments, ClosedCurveGetsBothEnds) {
    // A small oval: upper half on track 1, lower half on track 2.
    CrossingTable t(10);
    SetTrack(t, 1, {0, 0, 0, 10, 9, 9, 10, 0, 0, 0, 0});
    SetTrack(t, 2, {0, 0, 0, 12, 13, 13, 12, 0, 0, 0, 0});
    const auto joins = JoinSegments(t, 0);
    ASSERT_EQ(joins.size(), 2u);
    EXPECT_EQ(joins[0], (LineSegment{3, 10, 3, 12}));   // left end, found at c = 2
    EXPECT_EQ(joins[1], (LineSegment{6, 10, 6, 12}));   // right end, found at c = 6
    const auto joinsLifted = JoinSegments(t, 2);
    EXPECT_EQ(joinsLifted[0], (LineSegment{3, 8, 3, 10}));
}

TEST(JoinSegments, OpenCurvesAreNotClosed) {
    // Two separate curves crossing every column: nothing starts or ends.
    CrossingTable t(10);
    SetTrack(t, 1, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10});
    SetTrack(t, 2, {30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30});
    EXPECT_TRUE(JoinSegments(t, 0).empty());
}

TEST(JoinSegments, AnotherTrackOnTheJoinRowBlocksIt) {
    CrossingTable t(10);
    SetTrack(t, 1, {0, 0, 0, 10, 9, 9, 10, 0, 0, 0, 0});
    SetTrack(t, 2, {0, 0, 0, 12, 13, 13, 12, 0, 0, 0, 0});
    SetTrack(t, 3, {0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0});   // holds row 12 in column 2
    EXPECT_FALSE(NoOtherTrackAt(t, 1, 3, 2));
    const auto joins = JoinSegments(t, 0);
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_EQ(joins[0], (LineSegment{6, 10, 6, 12}));
    // Track 7 is not consulted.
    CrossingTable u(10);
    SetTrack(u, 1, {0, 0, 0, 10, 9, 9, 10, 0, 0, 0, 0});
    SetTrack(u, 2, {0, 0, 0, 12, 13, 13, 12, 0, 0, 0, 0});
    SetTrack(u, 7, {0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(NoOtherTrackAt(u, 1, 3, 2));
}

// ---- Levels and their numbers ----

TEST(Levels, CubicSpacingAboveQuadC) {
    EXPECT_DOUBLE_EQ(LevelValue(0, 1, 1), 1);
    EXPECT_DOUBLE_EQ(LevelValue(0, 1, 2), 8);
    EXPECT_DOUBLE_EQ(LevelValue(0, 1, 3), 27);
    EXPECT_DOUBLE_EQ(LevelValue(0, 1, 4), 64);
    EXPECT_DOUBLE_EQ(LevelValue(0, 1, 5), 125);
    EXPECT_DOUBLE_EQ(LevelValue(-2, 0.5L, 2), 2);
    EXPECT_DOUBLE_EQ(LevelValue(7, 0, 5), 7);   // J at the reference point equals QuadC
}

TEST(Levels, SpacingFactorByFunction) {
    for (FunctionId code : {FunctionId::AxisEllipsoid, FunctionId::AxisEllipsoidSin, FunctionId::Qf1}) EXPECT_EQ(LevelSpacingFactor(code), 4);
    for (FunctionId code : {FunctionId::Staircase2, FunctionId::Staircase2Sin}) EXPECT_EQ(LevelSpacingFactor(code), 0.3L);
    EXPECT_EQ(LevelSpacingFactor(FunctionId::QuadraticVarnel), 3);
    for (FunctionId code : {FunctionId::Rosenbrock, FunctionId::Himmelblau2, FunctionId::Himmelblau4, FunctionId::Himmelblau28, FunctionId::Saddle, FunctionId::CubicVarnel, FunctionId::Schwefel12, FunctionId::Tridia, FunctionId::Dixon3dq, FunctionId::HilbertA, FunctionId::HilbertB, FunctionId::QuadraticFromFiles, FunctionId::GeneralizedRosenbrock}) EXPECT_EQ(LevelSpacingFactor(code), 2);
    EXPECT_EQ(LevelStepFor(26, 1, FunctionId::Rosenbrock), 25.0L * 2 / 10 / 5);
}

TEST(Levels, NumberPatterns) {
    EXPECT_EQ(LevelNumberText(0.5), "0.50");
    EXPECT_EQ(LevelNumberText(3.456), "3.5");
    EXPECT_EQ(LevelNumberText(12.3), "12");
    EXPECT_EQ(LevelNumberText(1.0), "1.0");
    EXPECT_EQ(LevelNumberText(10.0), "10");
}

TEST(LevelNumberPlacement, ClampsIntoTheImage) {
    CrossingTable t(100);
    LabelMetrics m{20, 12, 60, 12};
    LabelMemory memory;
    PixelPos at;
    EXPECT_FALSE(PlaceLevelNumber(t, 1, 93, m, memory, at));

    t.At(1, 1) = 30;   // column 1 is not searched
    t.At(1, 5) = 40;
    ASSERT_TRUE(PlaceLevelNumber(t, 1, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{2, 40}));

    CrossingTable right(100);
    right.At(1, 95) = 88;
    ASSERT_TRUE(PlaceLevelNumber(right, 1, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{79, 81}));   // 100 - 20 - 1; 93 - 12
}

TEST(LevelNumberPlacement, MovesOffEarlierNumbers) {
    CrossingTable t(100);
    t.At(1, 35) = 40;
    t.At(1, 40) = 44;
    LabelMetrics m{20, 12, 60, 12};
    LabelMemory memory;
    memory.LabelEndX[1] = 30;
    memory.LabelEndY[1] = 40;
    PixelPos at;
    ASSERT_TRUE(PlaceLevelNumber(t, 2, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{30, 44}));   // after number 1, row of column 30 + 10

    // Not for the level itself or later ones, and not when far apart.
    ASSERT_TRUE(PlaceLevelNumber(t, 1, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{25, 40}));
    memory.LabelEndY[1] = 60;
    ASSERT_TRUE(PlaceLevelNumber(t, 2, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{25, 40}));
}

TEST(LevelNumberPlacement, BeyondTheLastColumnTheRowStays) {
    CrossingTable t(100);
    t.At(1, 80) = 40;
    LabelMetrics m{20, 12, 60, 12};
    LabelMemory memory;
    memory.LabelEndX[1] = 95;
    memory.LabelEndY[1] = 45;
    PixelPos at;
    ASSERT_TRUE(PlaceLevelNumber(t, 2, 93, m, memory, at));
    EXPECT_EQ(at, (PixelPos{95, 40}));   // column 105 does not exist
    LabelMemory mem2;
    RememberLevelNumber(mem2, 2, PixelPos{30, 44}, 20);
    RememberLevelNumber(mem2, 5, PixelPos{60, 50}, 20);
    EXPECT_EQ(mem2.LabelEndX[2], 50);
    EXPECT_EQ(mem2.LabelEndY[2], 44);
    EXPECT_EQ(mem2.LabelEndX[5], 0);
}

// ---- The scan with the real function ----

TEST(CrossingScan, AxisParallelEllipsoidIsSymmetric) {
    QuietHost host;
    RunState s(host);
    s.N = 2;
    s.U = NewVector(2);
    const int width = 128;
    const Real range = 4;
    const Real h = 2 * range / width;   // 1/16: grid points are exact
    CrossingTable t(width);
    const Real level = 5.12L;
    ScanCrossings(t, [&](int c, int r) -> Real {
        s.U[1] = c * h - range;
        s.U[2] = range - r * h;
        return EvalJ(s, FunctionId::AxisEllipsoid, s.U) - level;
    });
    int crossed = 0;
    for (int c = 0; c <= width; ++c) {
        EXPECT_EQ(t.At(1, c), t.At(1, width - c)) << c;
        EXPECT_EQ(t.At(2, c), t.At(2, width - c)) << c;
        EXPECT_EQ(t.At(3, c), 0);
        if (t.At(1, c) != 0) {
            ++crossed;
            EXPECT_EQ(t.At(1, c) + t.At(2, c), width + 1) << c;   // symmetric about u2 = 0
        } else {
            EXPECT_EQ(t.At(2, c), 0);
        }
    }
    // u1^2 < 5.12 for |u1| < 2.2627: columns 28..100.
    EXPECT_EQ(crossed, 73);
    EXPECT_EQ(t.At(1, 28), t.At(1, 100));
    EXPECT_EQ(t.At(1, 27), 0);
}

// ---- Whole drawings ----

TEST(DrawLevelLines, TwoDimensionalPictureHasNumbersAndExactColours) {
    FigureRun run(FunctionId::AxisEllipsoid, 2, 2, 1);
    ContourFigure fig(127);
    ASSERT_EQ(fig.Width(), 120);
    ASSERT_EQ(fig.Height(), 113);
    run.s.EvalCount = 17;
    fig.DrawLevelLines(run.s);

    EXPECT_EQ(run.s.N, 2);
    EXPECT_EQ(run.s.EvalCount, 17);
    EXPECT_EQ(run.host.processEventsCalls, 1);
    EXPECT_EQ(fig.PlaneRange, 3);
    EXPECT_EQ(fig.PlaneScale, 20);
    EXPECT_EQ(fig.FigCentreX, 60);
    EXPECT_EQ(fig.FigCentreY, 60);
    EXPECT_EQ(fig.MarkerRadius, 3);
    // J(-1, 0) = 1, factor 4: 1 * 4 / 10 / 5.
    EXPECT_EQ(fig.LevelStep, 1.0L * 4 / 10 / 5);
    EXPECT_EQ(fig.CurPixel, (PixelPos{100, 40}));
    EXPECT_EQ(fig.PrevPixel, fig.CurPixel);
    EXPECT_EQ(fig.NewPixel, fig.CurPixel);

    const QImage& im = fig.Image();
    EXPECT_EQ(FromQRgb(im.pixel(5, 60)), clAxisU1);
    EXPECT_EQ(FromQRgb(im.pixel(60, 100)), clAxisU2);
    EXPECT_EQ(FromQRgb(im.pixel(60, 60)), clOptimalPoint);
    EXPECT_EQ(FromQRgb(im.pixel(100, 40)), clInitialPoint);
    // The tick mark at q = 30 runs from row 61 up to row 59; row 58 is its
    // end point and stays uncovered.
    EXPECT_EQ(FromQRgb(im.pixel(30, 61)), clAxisU1);
    EXPECT_EQ(FromQRgb(im.pixel(30, 59)), clAxisU1);
    EXPECT_EQ(FromQRgb(im.pixel(30, 58)), clFigBack);

    const std::set<Colour> allowed{clFigBack, clAxisU1, clAxisU2, clAxisText, clLevelLine, clOptimalPoint, clInitialPoint};
    const std::set<Colour> found = ColoursOf(im);
    for (Colour c : found) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
    EXPECT_TRUE(found.count(clAxisText));
    EXPECT_GT(CountColour(im, clLevelLine), 200);
    EXPECT_EQ(found.count(clTitle), 0u);
}

TEST(DrawLevelLines, HigherDimensionShowsTheTitleAndRestoresN) {
    FigureRun run(FunctionId::AxisEllipsoid, 3, 2, 1);
    ContourFigure fig(127);
    fig.DrawLevelLines(run.s);
    EXPECT_EQ(run.s.N, 3);
    EXPECT_EQ(run.s.U.size(), 4u);
    const QImage& im = fig.Image();
    int titlePixels = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < im.width(); ++x) titlePixels += FromQRgb(im.pixel(x, y)) == clTitle;
    EXPECT_GT(titlePixels, 20);
    // With the title there are no level numbers: all black pixels are lines.
    FigureRun run2(FunctionId::AxisEllipsoid, 2, 2, 1);
    ContourFigure fig2(127);
    fig2.DrawLevelLines(run2.s);
    EXPECT_GT(CountColour(fig2.Image(), clLevelLine), CountColour(im, clLevelLine));
}

TEST(DrawLevelLines, SaddlesAndMissingOptimalPoint) {
    FigureRun saddle(FunctionId::Saddle, 2, 1, 1);
    saddle.s.UStar.clear();   // no known minimum
    ContourFigure fig(127);
    fig.DrawLevelLines(saddle.s);
    EXPECT_GT(CountColour(fig.Image(), clSaddle), 10);
    EXPECT_EQ(CountColour(fig.Image(), clOptimalPoint), 0);

    FigureRun himmelblau(FunctionId::Himmelblau28, 2, 1, 1);
    ContourFigure fig3(127);
    fig3.DrawLevelLines(himmelblau.s);
    EXPECT_EQ(fig3.PlaneRange, 6);
    EXPECT_EQ(CountColour(fig3.Image(), clOptimalPoint), 0);
    EXPECT_GT(CountColour(fig3.Image(), clSaddle), 40);

    FigureRun rosen(FunctionId::Rosenbrock, 2, -0.2L, -1.4L);
    rosen.s.UStar[1] = 1;
    rosen.s.UStar[2] = 1;
    ContourFigure fig0(127);
    fig0.DrawLevelLines(rosen.s);
    EXPECT_EQ(CountColour(fig0.Image(), clSaddle), 0);
    EXPECT_EQ(FromQRgb(fig0.Image().pixel(60 + 20, 60 - 20)), clOptimalPoint);
}

TEST(DrawLevelLines, QuadraticFromFilesKeepsQuadCAndHonoursUnknownUStar) {
    FigureRun run(FunctionId::QuadraticFromFiles, 2, 1, 0);
    run.s.Quad.QuadA = NewMatrix(2);
    run.s.Quad.QuadA[1][1] = 2;
    run.s.Quad.QuadA[2][2] = 4;
    run.s.Quad.QuadB = NewVector(2);
    run.s.Quad.QuadC = 5;
    run.s.Choices.UStarOption = UStarSource::Unknown;
    ContourFigure fig(127);
    fig.DrawLevelLines(run.s);
    EXPECT_EQ(run.s.Quad.QuadC, 5);
    // J(-1, 0) = 2/2 + 5: LevelStep from J - QuadC.
    EXPECT_EQ(fig.LevelStep, (6.0L - 5) * 2 / 10 / 5);
    EXPECT_EQ(CountColour(fig.Image(), clOptimalPoint), 0);

    run.s.Choices.UStarOption = UStarSource::Zero;
    ContourFigure fig2(127);
    fig2.DrawLevelLines(run.s);
    EXPECT_GT(CountColour(fig2.Image(), clOptimalPoint), 0);

    FigureRun other(FunctionId::AxisEllipsoid, 2, 1, 0);
    other.s.Quad.QuadC = 5;
    ContourFigure fig3(127);
    fig3.DrawLevelLines(other.s);
    EXPECT_EQ(other.s.Quad.QuadC, 0);
}

TEST(DrawLevelLines, EvaluationErrorRestoresNAndCount) {
    FigureRun run(FunctionId::QuadraticFromFiles, 3, 1, 1);
    run.s.Quad.QuadA = NewMatrix(3);
    run.s.Quad.QuadB = NewVector(3);
    run.s.Quad.QuadC = std::numeric_limits<Real>::quiet_NaN();
    run.s.EvalCount = 4;
    ContourFigure fig(127);
    EXPECT_THROW(fig.DrawLevelLines(run.s), EBadError);
    EXPECT_EQ(run.s.N, 3);
    EXPECT_EQ(run.s.EvalCount, 4);
}


// The level-line figure at its edges: huge starts, pixels beyond 32 bits,
// the column scan's special rows, level-number placement at the borders,
// and what a drawing restores.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/errors.h"
#include "core/function_catalogue.h"
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

    FigureRun(FunctionId function, int n, Real u01, Real u02) {
        s.FunctionCode = function;
        s.N = n;
        s.U = s.U0 = s.UStar = NewVector(n);
        s.U0[1] = u01;
        s.U0[2] = u02;
    }
};

int CountColour(const QImage& image, Colour c) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += FromQRgb(image.pixel(x, y)) == c;
    return count;
}

} // namespace

TEST(PlaneRange, HugeStartStaysUsable) {
    const int32_t r = PlaneRangeFor(1e300L, 0, FunctionId::Rosenbrock);
    EXPECT_GT(r, 1000000);
    EXPECT_LE(static_cast<int64_t>(r) * 2, std::numeric_limits<int32_t>::max());
    EXPECT_GT(PlaneRangeFor(std::numeric_limits<Real>::quiet_NaN(), 0, FunctionId::Rosenbrock), 3);
}

// The pixel is trunc(u * scale) from the centre, and a point whose pixel
// does not fit 32 bits has none: checked against the library's trunc.
TEST(PixelMapping, PointFormTruncatesAndRefusesPixelsBeyond32Bits) {
    const Real inf = std::numeric_limits<Real>::infinity(), nan = std::numeric_limits<Real>::quiet_NaN();
    const Real values[] = {0.0L, -0.0L, 0.5L, -0.5L, 0.9999999999L, 1.0L, -1.0L, 1.5L, -1.5L, 123456.789L,
                           -123456.789L, 2147483647.0L, 2147483647.99L, 2147483648.0L, -2147483648.0L,
                           -2147483648.99L, -2147483649.0L, 4294967296.5L, -4294967297.0L, 1e30L, -1e30L,
                           std::numeric_limits<Real>::denorm_min(), -std::numeric_limits<Real>::min(), inf, -inf, nan};
    for (const Real v : values) {
        for (const int centre : {0, 1000, -5}) {
            const Real t = std::trunc(v);
            const bool truncFits = !std::isnan(t) && t >= -2147483648.0L && t <= 2147483647.0L;
            const auto inInt32 = [](int64_t w) {
                return w >= std::numeric_limits<int32_t>::min() && w <= std::numeric_limits<int32_t>::max();
            };
            const int64_t x = truncFits ? centre + static_cast<int64_t>(t) : 0;
            const int64_t y = truncFits ? centre - static_cast<int64_t>(t) : 0;
            PixelPos p{-7, -7};
            EXPECT_EQ(PointFormPixel(v, 0, 1, centre, 0, p), truncFits && inInt32(x)) << static_cast<double>(v);
            if (truncFits && inInt32(x)) {
                EXPECT_EQ(p.x, x) << static_cast<double>(v);
            }
            PixelPos q{-7, -7};
            EXPECT_EQ(PointFormPixel(0, v, 1, 0, centre, q), truncFits && inInt32(y)) << static_cast<double>(v);
            if (truncFits && inInt32(y)) {
                EXPECT_EQ(q.y, y) << static_cast<double>(v);
            }
        }
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

TEST(DrawLevelLines, OnlyTheQuadraticFromFilesHasAConstantAndUStarMayBeUnknown) {
    FigureRun run(FunctionId::QuadraticFromFiles, 2, 1, 0);
    run.s.Quad.QuadA = NewMatrix(2);
    run.s.Quad.QuadA[1][1] = 2;
    run.s.Quad.QuadA[2][2] = 4;
    run.s.Quad.QuadB = NewVector(2);
    run.s.Quad.QuadC = 5;
    run.s.Choices.UStarOption = UStarSource::Unknown;
    ContourFigure fig(127);
    fig.DrawLevelLines(run.s);
    EXPECT_EQ(run.host.processEventsCalls, 1);
    // J(-1, 0) = 2/2 + 5: LevelStep from J - QuadC.
    EXPECT_EQ(fig.LevelStep, (6.0L - 5) * 2 / 10 / 5);
    EXPECT_EQ(CountColour(fig.Image(), clOptimalPoint), 0);

    run.s.Choices.UStarOption = UStarSource::Zero;
    ContourFigure fig2(127);
    fig2.DrawLevelLines(run.s);
    EXPECT_GT(CountColour(fig2.Image(), clOptimalPoint), 0);

    // A constant left from an earlier quadratic changes no pixel of another function.
    FigureRun other(FunctionId::AxisEllipsoid, 2, 1, 0);
    ContourFigure plain(127), withConstant(127);
    plain.DrawLevelLines(other.s);
    other.s.Quad.QuadC = 5;
    withConstant.DrawLevelLines(other.s);
    EXPECT_EQ(plain.Image(), withConstant.Image());
}

TEST(DrawLevelLines, AFailureOnThePlaneNamesTheFunctionAsTheRunDoes) {
    FigureRun run(FunctionId::QuadraticFromFiles, 3, 1, 1);
    run.s.FunctionName = "the quadratic";
    run.s.Quad.QuadA = NewMatrix(3);
    run.s.Quad.QuadB = NewVector(3);
    run.s.Quad.QuadC = std::numeric_limits<Real>::quiet_NaN();
    ContourFigure fig(127);
    std::string message;
    try {
        fig.DrawLevelLines(run.s);
    } catch (const EBadError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Error in evaluation of function: the quadratic");
}

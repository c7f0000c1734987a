// The views of a run beyond its figure: the animation drawn from the trace,
// the compare figure's legend, and figures of a size of their own.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_mode.h"
#include "app/pixel_path.h"
#include "core/function_catalogue.h"
#include "figure/compare_overlay.h"
#include "figure/descent_frames.h"
#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/offscreen_figure.h"
#include "temp_folder.h"

using namespace tarvik;

namespace {

// The batch figure, saved as a bitmap once its level lines are drawn.
struct LevelLinesSaved : BatchFigure {
    LevelLinesSaved(std::unique_ptr<BatchFigure> f, std::string p) : inner(std::move(f)), path(std::move(p)) {}
    std::unique_ptr<BatchFigure> inner;
    std::string path;
    void Create() override { inner->Create(); }
    void DrawLevelLines(RunState& s) override {
        inner->DrawLevelLines(s);
        inner->Save(path, 'b');
    }
    void DrawTrajectoryStep(RunState& s) override { inner->DrawTrajectoryStep(s); }
    void Destroy() override { inner->Destroy(); }
    bool Exists() const override { return inner->Exists(); }
    void DrawComparePaths(std::vector<CompareRow>& rows) override { inner->DrawComparePaths(rows); }
    void Save(const std::string& p, char type) override { inner->Save(p, type); }
    void SaveRunAnimation(const RunTrace& t, const std::string& p) override { inner->SaveRunAnimation(t, p); }
    void AddComparedRun(const std::string& l, const RunTrace& t) override { inner->AddComparedRun(l, t); }
    void SaveCompareAnimation(const std::string& p) override { inner->SaveCompareAnimation(p); }
};

// Every frame as a viewer shows it, the rectangle it holds and its delay.
struct Animation {
    std::vector<QImage> frames;
    std::vector<QRect> stored;
    std::vector<int> delays;
};

Animation ReadAnimation(const std::string& path) {
    Animation a;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << path;
        return a;
    }
    QImage screen(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        for (int k = 0; k < d.Width * d.Height; ++k) {
            const GifColorType& c = map->Colors[gif->SavedImages[i].RasterBits[k]];
            screen.setPixel(d.Left + k % d.Width, d.Top + k / d.Width, qRgb(c.Red, c.Green, c.Blue));
        }
        GraphicsControlBlock gcb;
        DGifSavedExtensionToGCB(gif, i, &gcb);
        a.frames.push_back(screen.copy());
        a.stored.push_back(QRect(d.Left, d.Top, d.Width, d.Height));
        a.delays.push_back(gcb.DelayTime);
    }
    DGifCloseFile(gif, &error);
    return a;
}

QImage Bitmap(const std::string& path) { return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32); }

class DescentAnimation : public tarvik::testing::TempFolderTest {};

} // namespace

// One frame per iteration (the cap thins a long run), the first the figure's
// level lines, the last the finished figure but for the gradient lines at
// the points, which the trace does not hold; each later frame holds only
// what changed, and the last one stays longest.
TEST_F(DescentAnimation, FramesFollowTheTraceFromTheLevelLinesToTheFinishedFigure) {
    struct Case {
        std::vector<std::string> run;
        std::size_t frames;
    };
    const std::vector<Case> cases = {
        {{"--method", "polak-ribiere-wolfe", "--eps", "1e-4"}, 27},       // 26 iterations to its criterion
        {{"--method", "steepest-wolfe", "--max-iterations", "25"}, 26},   // stopped by its limit
        {{"--method", "steepest-golden", "--max-iterations", "700"}, AnimationFrameCap},
        {{"--method", "bfgs-wolfe", "--figure-size", "300x200"}, 23},
        // Compared runs: the frames end once no path moves by a pixel
        // (steepest descent, the longest, takes 108 iterations), on the
        // compare figure itself.
        {{"--compare", "steepest-wolfe,bfgs-wolfe,newton"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.run[1] + " " + c.run.back());
        const std::string levels = (dir_ / "levels.bmp").string(), figure = (dir_ / "figure.bmp").string(),
                          gif = (dir_ / "run.gif").string();
        std::vector<std::string> args = {"--function", "rosenbrock", "--start", "5", "--eps", "0.001",
                                         "--animate", gif, "--figure", figure};
        args.insert(args.end(), c.run.begin(), c.run.end());
        std::FILE* sink = std::tmpfile();
        const int status = RunBatchMode(args, sink, sink, [&](const BatchOptions& o) {
            return std::make_unique<LevelLinesSaved>(MakeOffscreenFigure(o), levels);
        });
        std::fclose(sink);
        ASSERT_EQ(status, 0);
        const Animation a = ReadAnimation(gif);
        const QImage finished = Bitmap(figure);
        if (c.frames == 0) {
            EXPECT_GT(a.frames.size(), 50u);
            EXPECT_LE(a.frames.size(), 109u);
            EXPECT_EQ(a.frames.back(), finished);
            continue;
        }
        ASSERT_EQ(a.frames.size(), c.frames);
        EXPECT_EQ(a.frames.front(), Bitmap(levels));
        ASSERT_EQ(a.frames.back().size(), finished.size());
        int differing = 0;
        for (int y = 0; y < finished.height(); ++y)
            for (int x = 0; x < finished.width(); ++x)
                if (a.frames.back().pixel(x, y) != finished.pixel(x, y)) {
                    ++differing;
                    ASSERT_EQ(FromQRgb(finished.pixel(x, y)), clOrt) << x << "," << y;
                }
        EXPECT_GT(differing, 0) << "the gradient lines are the figure's own";
        for (std::size_t i = 1; i < a.stored.size(); ++i) EXPECT_LT(a.stored[i].width() * a.stored[i].height(), finished.width() * finished.height() / 4);
        EXPECT_GT(a.delays.back(), a.delays.front());
    }
}

TEST(DescentFrames, ThinnedEvenlyKeepingTheFirstAndTheLast) {
    EXPECT_EQ(FrameIterations(3, 300), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(FrameIterations(8, 5), (std::vector<std::size_t>{0, 2, 4, 6, 8}));
    EXPECT_EQ(FrameIterations(1000000, 300)[150], 501672u);   // round(150 * 1000000 / 299)
}

namespace {

// Level lines of a plain plot 400 x 400, 40 pixels per unit around its middle.
struct Plot {
    QImage levels{400, 400, QImage::Format_RGB32};
    PlaneFrame frame{5, 40, 200, 200, 400};
    Plot() { levels.fill(ToQRgb(clFigBack)); }
};

} // namespace

// The legend goes where no path runs: the free corner, or beside the plot
// when none is free (the window's figure, which cannot grow, takes the
// corner the paths cross least). The widest name is written whole.
TEST(CompareLegend, HidesNoPathAndShortensNoName) {
    const std::string widest = "quasi-Newton L-BFGS, memory 15 pairs,Wolfe";
    struct Case {
        std::vector<std::pair<Real, Real>> path;
        bool besideAllowed;
        LegendPlace place;
    };
    // Corner to corner, 40 pixels per unit around the middle of 400 x 400.
    const Real e = 4.9L;
    const std::vector<Case> cases = {
        {{{-e, e}, {0, 0}, {e, e}}, true, LegendPlace::BottomLeft},               // a V through the top corners
        {{{-e, -e}, {0, 0}, {e, -e}}, true, LegendPlace::TopLeft},                // the V upside down
        {{{-e, e}, {e, -e}, {e, e}, {-e, -e}}, true, LegendPlace::Beside},       // every corner crossed
        {{{-e, e}, {e, -e}, {e, e}, {-e, -e}}, false, LegendPlace::TopLeft},
    };
    for (const Case& c : cases) {
        Plot plot;
        const std::vector<ComparePath> paths = {{widest, c.path}, {"Newton", c.path}};
        const CompareLayout layout = LayOutCompareFigure(plot.levels, plot.frame, paths, c.besideAllowed);
        EXPECT_EQ(layout.place, c.place);
        const QImage picture = ComposeCompareFigure(plot.levels, plot.frame, paths, layout);
        EXPECT_EQ(picture.size(), layout.picture);
        EXPECT_EQ(picture.width() > plot.levels.width(), c.place == LegendPlace::Beside);
        // Two methods on one path: the one drawn first, wider, still shows.
        for (int i : {0, 1}) {
            int shown = 0;
            for (int y = 0; y < plot.levels.height(); ++y)
                for (int x = 0; x < plot.levels.width(); ++x) shown += picture.pixel(x, y) == ComparePathColour(i);
            EXPECT_GT(shown, 100) << i;
        }
        if (!c.besideAllowed) continue;
        // No path colour under the box, right of the legend's swatches.
        for (int y = layout.box.top(); y <= layout.box.bottom() && y < plot.levels.height(); ++y)
            for (int x = layout.box.left() + 22; x <= layout.box.right() && x < plot.levels.width(); ++x) {
                ASSERT_NE(picture.pixel(x, y), ComparePathColour(0)) << x << "," << y;
                ASSERT_NE(picture.pixel(x, y), ComparePathColour(1)) << x << "," << y;
            }
        // The widest name as QPainter writes it unshortened, pixel for pixel.
        const QFont font = FigureFont(QString());
        const int line = QFontMetrics(font).height();
        QImage expected(picture.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        QImage actual = expected;
        {
            QPainter painter(&expected);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QRect(layout.box.x() + 24, layout.box.y() + 2, 1000, line), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(widest));
        }
        for (int y = layout.box.y() + 2; y < layout.box.y() + 2 + line; ++y)
            for (int x = layout.box.x() + 24; x < picture.width(); ++x)
                if (FromQRgb(picture.pixel(x, y)) == clLevelLine) actual.setPixel(x, y, qRgb(0, 0, 0));
        EXPECT_EQ(actual, expected);
    }
}

// A compared path keeps only the points its drawing needs: the thinned path
// draws the same pixels as the whole one, with its end disc where the whole
// one has it, for paths that settle on a pixel, leave the plane and come
// back, or end off it. A path that settles keeps a few points.
TEST(ComparePathThinning, DrawsTheSamePixelsAsTheWholePath) {
    const Real off = 1e12L, tiny = 1e-4L;
    std::vector<std::pair<Real, Real>> settles = {{-4, 3}, {-2, 1}, {0.5L, 0.25L}};
    for (int k = 0; k < 5000; ++k) settles.emplace_back(1 + tiny * (k % 3), 1);
    const std::vector<std::vector<std::pair<Real, Real>>> cases = {
        settles,
        {{-4, 3}, {-4, 3}, {-4, 3}, {off, 0}, {off, 1}, {2, 2}, {2, 2}, {-1, -3}, {-1, -3}},
        {{1, 1}, {1, 1}, {3, -3}, {off, off}, {-off, 0}},
        {{0, 0}, {2, 0}, {0, 0}, {2, 0}, {0, 0}, {2, 0}, {2, 0}, {2, 0}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        Plot plot;
        ComparePath whole{"whole", cases[c]}, thinned{"whole", {}};
        PixelPathThinner thinner(plot.frame);
        for (const auto& [u1, u2] : cases[c])
            if (thinner.Needed(u1, u2)) thinned.points.emplace_back(u1, u2);
        for (int count : {1, 3}) {
            const std::vector<ComparePath> wholes(static_cast<std::size_t>(count), whole),
                thinneds(static_cast<std::size_t>(count), thinned);
            const CompareLayout layout = LayOutCompareFigure(plot.levels, plot.frame, wholes, true);
            EXPECT_EQ(LayOutCompareFigure(plot.levels, plot.frame, thinneds, true).box, layout.box);
            EXPECT_EQ(ComposeCompareFigure(plot.levels, plot.frame, thinneds, layout),
                      ComposeCompareFigure(plot.levels, plot.frame, wholes, layout));
        }
        if (c == 0) {
            EXPECT_LE(thinned.points.size(), 10u);
        }
    }
}

// A figure of a given size centres the plane's square in it and draws its
// level lines over the whole picture: those of a function symmetric in u1
// and u2 fall evenly on both sides of its middle.
TEST_F(DescentAnimation, AFigureOfAGivenSizeCentresThePlane) {
    for (const FigureSize size : {FigureSize{600, 300}, FigureSize{300, 601}}) {
        // u° (1, 1, 1): R = 3 over the shorter side, centred.
        const PlaneFrame f = PlaneFrameFor(size, 1, 1, FunctionId::AxisEllipsoid);
        EXPECT_EQ(f.scale, 50);
        EXPECT_EQ(f.centreX, size.width / 2);
        EXPECT_EQ(f.centreY, size.height / 2);
        const std::string figure = (dir_ / "sized.bmp").string();
        std::FILE* sink = std::tmpfile();
        ASSERT_EQ(RunBatchMode({"--n", "3", "--function", "axis-ellipsoid", "--start", "20", "--method", "newton",
                                "--figure-size", std::to_string(size.width) + "x" + std::to_string(size.height),
                                "--figure", figure},
                               sink, sink, MakeOffscreenFigure),
                  0);
        std::fclose(sink);
        const QImage image = Bitmap(figure);
        ASSERT_EQ(image.size(), QSize(size.width, size.height));
        int left = 0, right = 0, top = 0, bottom = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (FromQRgb(image.pixel(x, y)) == clLevelLine) {
                    ++(x < f.centreX ? left : right);
                    ++(y < f.centreY ? top : bottom);
                }
        EXPECT_GT(left, 100);
        EXPECT_NEAR(left, right, left / 20);
        EXPECT_NEAR(top, bottom, top / 20);
    }
}

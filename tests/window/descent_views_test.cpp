// The window's views of a descent: a starting point picked on the figure,
// runs taken one iteration at a time, and the replay of an ended run.
#include <QContextMenuEvent>
#include <QFile>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>

#include "app/configuration.h"
#include "app/figure_point.h"
#include "app/start_point.h"
#include "figure/figure_colours.h"
#include "figure/gif_io.h"
#include "app/replay_track.h"
#include "ui/convergence_view.h"
#include "ui/figure_widget.h"
#include "ui/replay_bar.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::Pick;
using tarvik::testing::PickFunction;
using tarvik::testing::SpinUntil;

struct DescentViewsTest : tarvik::testing::WindowTest {
    void RunToEnd() {
        runButtons->BtnStart->click();
        ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    }
    // A right click on the figure at the pixel of (u1, u2).
    void RightClickAt(Real u1, Real u2) {
        const PlaneFrame f = form->ImageContours->Figure().Frame();
        const QPoint at(f.centreX + static_cast<int>(u1 * f.scale), f.centreY - static_cast<int>(u2 * f.scale));
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, form->ImageContours->mapToGlobal(at));
        QCoreApplication::sendEvent(form->ImageContours, &event);
    }
    Colour PixelAt(Real u1, Real u2) const {
        const PlaneFrame f = form->ImageContours->Figure().Frame();
        return form->ImageContours->Figure().PixelColour(f.centreX + static_cast<int>(u1 * f.scale),
                                                          f.centreY - static_cast<int>(u2 * f.scale));
    }
};

TEST(FigurePointTest, ThePointIsRoundedToAPowerOfTenOfAtLeastTwoPixels) {
    struct Case {
        Real scale;
        int x, y;
        const char* caption;
    } cases[] = {
        {71.5L, 100 - 86, 100 - 72, "-1.2; 1.0"},   // a pixel is 0.014: tenths
        {71.5L, 101, 100, "0.0; 0.0"},              // no "-0.0" beside an axis
        {7.0L, 100 + 70, 100 + 35, "10; -5"},       // a pixel is 0.14: units
        {0.01L, 100 + 30, 100, "3000; 0"},          // a pixel is 100: thousands
    };
    for (const Case& c : cases) {
        const FigurePoint p = FigurePointAt(PlaneFrame{3, c.scale, 100, 100, 400}, c.x, c.y);
        EXPECT_EQ(FigurePointCaption(p), c.caption) << c.scale;
    }
}

// The point picked on an ended run's figure is the next run's u°: the list
// names it, the figure keeps its level lines with u° moved, and the run
// starts there exactly as from the list's item of that point.
TEST_F(DescentViewsTest, StartFromHereMovesTheStartMarkerAndTheNextRunStartsThere) {
    ChooseMethod(MethodId::Newton);
    RunToEnd();
    ASSERT_NE(form->ImageContours, nullptr);
    const MyArray1 item0 = BuildStartPoint(0, 2);
    EXPECT_EQ(PixelAt(item0[1], item0[2]), clInitialPoint);

    log.menuAnswers = {0};
    RightClickAt(-1.2L, 1.0L);
    ASSERT_EQ(log.menus.size(), 1u);
    EXPECT_EQ(log.menus[0], QStringList({"Start from here (-1.2; 1.0)", "Save the figure..."}));
    EXPECT_EQ(problem->CmbU0->currentText(), "figure: -1.2; 1.0");
    EXPECT_TRUE(form->RichEditOut->toPlainText().isEmpty());
    EXPECT_FALSE(runButtons->BtnStart->isHidden());
    ASSERT_NE(form->ImageContours, nullptr);
    EXPECT_EQ(PixelAt(-1.2L, 1.0L), clInitialPoint);
    EXPECT_NE(PixelAt(item0[1], item0[2]), clInitialPoint);
    EXPECT_NE(PixelAt(item0[1], item0[2]), clTrajectory);

    // In the set-up state the kept figure offers the menu again.
    log.menuAnswers = {0};
    RightClickAt(-1.2L, 0.8L);
    EXPECT_EQ(problem->CmbU0->currentText(), "figure: -1.2; 0.8");
    EXPECT_EQ(problem->CmbU0->count(), StartPointItemCount + 1);
    log.menuAnswers = {0};
    RightClickAt(-1.2L, 1.0L);

    RunToEnd();
    const MyArray1 item5 = BuildStartPoint(5, 2);
    const std::vector<Real>& start = form->Driver().Description().start;
    ASSERT_EQ(start.size(), 2u);
    EXPECT_EQ(start[0], item5[1]);
    EXPECT_EQ(start[1], item5[2]);
}

// data.ini keeps the picked point beside the item it was picked over, and
// a file without the key chooses the item as before.
TEST_F(DescentViewsTest, DataIniKeepsTheFigurePointUnderItsOwnKey) {
    Pick(problem->CmbU0, 3);
    problem->ChooseFigurePoint("0.5,-2.5");
    Configuration c = form->CurrentConfiguration();
    EXPECT_EQ(c.StartingPoint, 3);
    EXPECT_EQ(c.FigurePoint, "0.5,-2.5");
    const IniFile ini = WriteConfiguration(c);
    EXPECT_EQ(ini.ReadString("Problem", "Figure point", ""), "0.5,-2.5");

    Open();
    form->ApplyConfiguration(ReadConfiguration(ini, form->CurrentConfiguration()));
    EXPECT_EQ(problem->CmbU0->currentText(), "figure: 0.5; -2.5");
    form->CopyChoicesToState();
    EXPECT_EQ(form->State().Choices.StartItem, 3);
    EXPECT_EQ(form->State().Choices.StartCoordinates, (std::vector<Real>{0.5L, -2.5L}));

    std::string text = ini.Text();
    text.erase(text.find("Figure point="), std::string("Figure point=0.5,-2.5\r\n").size());
    const IniFile old = IniFile::Parse(text);
    Open();
    form->ApplyConfiguration(ReadConfiguration(old, form->CurrentConfiguration()));
    EXPECT_EQ(problem->CmbU0->currentIndex(), 3);
    EXPECT_EQ(problem->CmbU0->count(), StartPointItemCount);
}

// A run taken a few steps at a time, then run on with Start, writes the
// report of the run started with Start, for every method. Himmelblau's
// saddle region makes the Newton methods fail, and "Yes to All" must not
// make the steps after it substitute steps.
TEST_F(DescentViewsTest, ASteppedRunWritesTheReportOfTheRunStartedWithStart) {
    const auto withoutTime = [](QStringList lines) {
        lines.removeIf([](const QString& l) { return l.startsWith("Operating time"); });
        return lines;
    };
    const struct { FunctionId function; int start; int steps; } problems[] = {
        {FunctionId::Rosenbrock, 5, 3},
        {FunctionId::Himmelblau2, 6, 4},
    };
    for (const auto& p : problems) {
        for (const MethodTraits& m : MethodList()) {
            SCOPED_TRACE(std::string(m.key) + " on " + std::string(Traits(p.function).key));
            QStringList reports[2];
            for (int stepped = 0; stepped < 2; ++stepped) {
                PickFunction(problem->CmbFunctionsAll, p.function);
                Pick(problem->CmbU0, p.start);
                ChooseMethod(m.id);
                form->State().Params.MaxIterations = 300;
                log.failureAnswers = {FailureAnswer::YesToAll};
                for (int k = 0; k < p.steps * stepped && !runButtons->BtnStep->isHidden(); ++k) {
                    const int32_t before = form->State().IterCount;
                    runButtons->BtnStep->click();
                    EXPECT_LE(form->State().IterCount - before, 1);
                    if (form->Stepping()) {
                        EXPECT_FALSE(runButtons->BtnStart->isHidden());
                        EXPECT_FALSE(runButtons->BtnStop->isHidden());
                        EXPECT_EQ(runButtons->BtnStart->pos(), runButtons->BtnCompare->pos());
                    }
                }
                if (!runButtons->BtnStart->isHidden()) RunToEnd();
                ASSERT_FALSE(runButtons->BtnClear->isHidden());
                reports[stepped] = withoutTime(PaneLines());
                runButtons->BtnClear->click();
            }
            EXPECT_EQ(reports[1], reports[0]);
        }
    }
}

// The replay reads the run's rows: the status bar shows the row at the
// position, and the figure the path up to it, without a new run.
TEST_F(DescentViewsTest, TheReplayShowsTheRowsOfTheEndedRun) {
    Pick(problem->CmbU0, 5);
    ChooseMethod(MethodId::BfgsWolfe);
    RunToEnd();
    ASSERT_TRUE(SpinUntil([this] { return form->ReplayBar1->isVisibleTo(form.get()); }, 5000));
    std::vector<TraceRow> rows;
    form->Driver().Trace().ForEachRow([&rows](const TraceRow& r) { rows.push_back(r); });
    ASSERT_EQ(form->ReplayBar1->Count(), static_cast<int>(rows.size()));
    const int64_t evaluations = form->State().Problem->Evaluations();

    form->ReplayBar1->BtnFirst->click();
    form->ReplayBar1->BtnNext->click();
    form->ReplayBar1->BtnNext->click();
    EXPECT_TRUE(form->ImageContours->Replaying());
    EXPECT_EQ(form->StatusText(), QStringLiteral(" k=2  J=%1  ||gradJ||=%2  step=%3  accuracy=%4")
                                      .arg(QString::number(static_cast<double>(rows[2].j), 'g', 4),
                                           QString::number(static_cast<double>(rows[2].gradNorm), 'g', 4),
                                           QString::number(static_cast<double>(rows[2].stepLength), 'g', 4),
                                           QString::number(static_cast<double>(rows[2].accuracy), 'g', 4)));
    form->ReplayBar1->BtnLast->click();
    EXPECT_EQ(form->ReplayBar1->Position(), form->ReplayBar1->Count() - 1);
    EXPECT_EQ(form->State().Problem->Evaluations(), evaluations);

    // The second view: the run's convergence, exported as SVG.
    form->TabViews->setCurrentIndex(1);
    EXPECT_TRUE(form->ConvergenceView1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->ImageContours->isVisibleTo(form.get()));
    EXPECT_FALSE(form->ReplayBar1->isVisibleTo(form.get()));
    const ConvergencePlot plot = form->ConvergenceView1->Plot();
    ASSERT_EQ(plot.series.size(), 1u);
    EXPECT_EQ(plot.series[0].points.size(), rows.size());
    EXPECT_EQ(plot.series[0].points[2].second, static_cast<double>(rows[2].j));  // J* = 0
    const QString svg = dir.filePath("plot.svg");
    log.saveAnswers = {svg};
    form->ConvergenceView1->BtnSavePlot->click();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<svg"));
    form->TabViews->setCurrentIndex(0);
    EXPECT_TRUE(form->ImageContours->isVisibleTo(form.get()));

    // The figure's export as "Animated GIF" starts from the level lines with u°.
    const QString gif = dir.filePath("descent.gif");
    log.saveFilterAnswer = 3;
    log.saveAnswers = {gif};
    form->ImageContoursDblClick();
    const QImage first = LoadGifImage(gif.toStdString()).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(first, form->ImageContours->Figure().StartLines().convertToFormat(QImage::Format_RGB32));

    runButtons->BtnClear->click();
    EXPECT_FALSE(form->ReplayBar1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->TabViews->isVisibleTo(form.get()));
}

// A long run is thinned evenly: first and last row kept, never more than the cap.
TEST(ReplayTrackTest, ALongTraceIsThinnedToTheCapKeepingItsEnds) {
    for (const int rows : {1, 10, 11, 1000}) {
        RunTrace trace;
        trace.Start({});
        for (int i = 0; i < rows; ++i) {
            TraceRow r;
            r.iteration = i;
            trace.Add(r);
        }
        const std::vector<ReplayPoint> track = ReplayTrack(trace, 10);
        ASSERT_EQ(track.size(), static_cast<std::size_t>(std::min(rows, 10))) << rows;
        EXPECT_EQ(track.front().iteration, 0);
        EXPECT_EQ(track.back().iteration, rows - 1);
        for (std::size_t i = 1; i < track.size(); ++i) EXPECT_LT(track[i - 1].iteration, track[i].iteration);
    }
}

} // namespace
} // namespace tarvik::ui

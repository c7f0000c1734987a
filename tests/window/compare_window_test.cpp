// Compare mode in the window: the dialog's choices run one after another,
// each as its single run goes; Stop ends the comparison; the table saves as
// CSV and a single run's iterations export as CSV.
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>

#include "app/run_report.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "figure/compare_overlay.h"
#include "ui/compare_controller.h"
#include "ui/figure_widget.h"
#include <QTabBar>

#include "figure/gif_io.h"
#include "ui/convergence_view.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::Pick;
using tarvik::testing::PickFunction;
using tarvik::testing::SpinUntil;

struct CompareWindowTest : tarvik::testing::WindowTest {
    // The user ticks exactly these methods and sets the limit.
    void ChooseInDialog(std::vector<MethodId> methods, int limit) {
        log.compareAnswers.push_back([methods, limit](CompareDialog& d) {
            for (QCheckBox* box : d.MethodBoxes) box->setChecked(false);
            for (MethodId m : methods) d.MethodBoxes[static_cast<std::size_t>(ListPosition(m))]->setChecked(true);
            d.IterationLimit->setValue(limit);
        });
    }

    QString PaneText() const { return form->RichEditOut->toPlainText(); }
};

TEST_F(CompareWindowTest, ACompareFromTheDialogEndsEachMethodAsItsSingleRun) {
    const std::vector<MethodId> methods = {MethodId::SteepestWolfe, MethodId::BfgsWolfe, MethodId::Newton,
                                           MethodId::TrustRegion, MethodId::Collinear};
    ChooseInDialog(methods, 100000);
    ASSERT_FALSE(runButtons->BtnCompare->isHidden());
    // What the window shows while the comparison goes on, each time one
    // more run has ended: the blocks in the pane, and whether the figure
    // holds the newest path's colour.
    std::vector<std::pair<qsizetype, bool>> shown;
    std::function<void()> watch = [&] {
        const std::size_t ended = form->Compare().Rows().size();
        if (ended > shown.size()) {
            const QImage& image = form->ImageContours->Figure().Image();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = image.pixel(x, y) == ComparePathColour(static_cast<int>(ended) - 1);
            shown.emplace_back(PaneText().count(QRegularExpression("^\\d+\\. ", QRegularExpression::MultilineOption)),
                               drawn);
        }
        if (form->Compare().Active()) QTimer::singleShot(0, form.get(), watch);
    };
    QTimer::singleShot(0, form.get(), watch);
    runButtons->BtnCompare->click();

    const std::vector<CompareRow> rows = form->Compare().Rows();
    ASSERT_EQ(rows.size(), methods.size());
    ASSERT_EQ(shown.size(), methods.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].first, static_cast<qsizetype>(i + 1)) << i;
        EXPECT_TRUE(shown[i].second) << i;
    }
    // One block per method, in the order run, as the narrow pane can show it.
    EXPECT_TRUE(PaneText().startsWith("1. Steepest descent with Wolfe steps\n    ended: ")) << PaneText().toStdString();
    EXPECT_TRUE(PaneText().contains("\n5. Collinear gradients\n")) << PaneText().toStdString();
    EXPECT_TRUE(PaneText().endsWith(" Done"));
    EXPECT_NE(form->ImageContours, nullptr);
    EXPECT_FALSE(runButtons->BtnClear->isHidden());
    EXPECT_TRUE(runButtons->BtnExportTrace->isHidden());

    // Save as offers the table as CSV, and stays for the pane as text.
    const QString csv = dir.filePath("compare.csv");
    log.saveAnswers = {csv};
    log.saveFilterAnswer = 0;
    runButtons->BtnSaveAS->click();
    QFile table(csv);
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    EXPECT_TRUE(table.readLine().startsWith("method,ending,iterations,evaluations,hessian_evaluations,"));
    // Its description beside it names the compared methods.
    QFile description(dir.filePath("compare.json"));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    EXPECT_TRUE(description.readAll().contains("\"compared_methods\": [{\"key\": \"steepest-wolfe\", \"name\": \"Steepest descent with Wolfe steps\""));
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());
    log.saveAnswers = {dir.filePath("compare.txt")};
    log.saveFilterAnswer = 1;
    runButtons->BtnSaveAS->click();
    EXPECT_TRUE(QFile::exists(dir.filePath("compare.txt")));
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());

    // The figure is exported as drawn: the program's icon would cover the
    // legend in the corner.
    const QImage figure = form->ImageContours->Figure().Image().copy();
    log.saveAnswers = {dir.filePath("compare.bmp")};
    log.saveFilterAnswer = 2;
    form->ImageContoursDblClick();
    EXPECT_EQ(QImage(dir.filePath("compare.bmp")).convertToFormat(figure.format()), figure);
    EXPECT_EQ(form->ImageContours->Figure().Image(), figure);
    // The animation of every path, and their convergence, one line a method.
    log.saveAnswers = {dir.filePath("compare.gif")};
    log.saveFilterAnswer = 3;
    form->ImageContoursDblClick();
    EXPECT_FALSE(LoadGifImage(dir.filePath("compare.gif").toStdString()).isNull());
    ASSERT_TRUE(SpinUntil([this] { return form->TabViews->isVisibleTo(form.get()); }, 5000));
    EXPECT_EQ(form->ConvergenceView1->Plot().series.size(), methods.size());

    runButtons->BtnClear->click();
    EXPECT_FALSE(runButtons->BtnCompare->isHidden());
    EXPECT_TRUE(runButtons->BtnSaveAS->isHidden());

    for (const CompareRow& row : rows) {
        SCOPED_TRACE(row.method);
        ChooseMethod(MethodAtListPosition(row.methodPosition));
        runButtons->BtnStart->click();
        ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
        const RunState& s = form->State();
        EXPECT_EQ(row.iterations, s.IterCount);
        EXPECT_EQ(row.evaluations, ReportedEvaluations(s));
        EXPECT_EQ(row.hessianEvaluations, s.HessianEvaluations);
        EXPECT_EQ(row.j, s.JCur);
        EXPECT_EQ(row.gradNorm, s.GradNorm);
        EXPECT_EQ(row.accuracy, s.AccuracyValue);

        // The single run's iterations, one row each after the starting point.
        ASSERT_FALSE(runButtons->BtnExportTrace->isHidden());
        const QString trace = dir.filePath("trace.csv");
        log.saveAnswers = {trace};
        runButtons->BtnExportTrace->click();
        QFile file(trace);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().count("\r\n"), 2 + s.IterCount);
        EXPECT_TRUE(QFile::exists(dir.filePath("trace.json")));
        runButtons->BtnClear->click();
    }
    EXPECT_TRUE(log.errors.isEmpty()) << log.errors.join('\n').toStdString();
}

// The window's figure ends the single run at a point it cannot paint; the
// compared run ends there too, with the figure's text as its ending.
TEST_F(CompareWindowTest, AComparedRunEndsWhereTheWindowsFigureEndsItsSingleRun) {
    PickFunction(problem->CmbFunctionsAll, FunctionId::Saddle);
    Pick(problem->CmbU0, 5);
    ChooseInDialog({MethodId::SteepestWolfe}, 100000);
    runButtons->BtnCompare->click();
    ASSERT_EQ(form->Compare().Rows().size(), 1u);
    const CompareRow row = form->Compare().Rows()[0];
    runButtons->BtnClear->click();

    ChooseMethod(MethodId::SteepestWolfe);
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].startsWith("Error in painting. Too large the coordinates.")) << Errors()[0].toStdString();
    EXPECT_EQ(row.ending, Errors()[0].toStdString());
    EXPECT_EQ(row.iterations, form->State().IterCount);
}

TEST_F(CompareWindowTest, StopEndsTheRunAndTheComparison) {
    Pick(problem->CmbN, 10);  // n = 1000
    PickFunction(problem->CmbFunctionsNmore2, FunctionId::GeneralizedRosenbrock);
    accuracy->CmbPrec1->setEditText("1E-12");
    ChooseInDialog({MethodId::SteepestGolden, MethodId::SteepestWolfe, MethodId::PolakRibiereWolfe}, 1000000);
    int polls = 0;
    std::function<void()> stopLater = [&] {
        if (!form->Compare().Active() || ++polls < 20) {
            QTimer::singleShot(1, form.get(), stopLater);
            return;
        }
        runButtons->BtnStop->click();
    };
    QTimer::singleShot(1, form.get(), stopLater);
    runButtons->BtnCompare->click();

    ASSERT_EQ(form->Compare().Rows().size(), 1u);
    EXPECT_EQ(form->Compare().Rows()[0].ending, "stopped");
    EXPECT_FALSE(form->Compare().Active());
    EXPECT_FALSE(form->State().Running);
    EXPECT_TRUE(PaneText().endsWith(" Terminated by user"));
    EXPECT_EQ(form->StatusText(), " Terminated by user");
    EXPECT_TRUE(runButtons->BtnStop->isHidden());
    EXPECT_FALSE(runButtons->BtnClear->isHidden());
}

} // namespace
} // namespace tarvik::ui

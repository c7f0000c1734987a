// Runs driven from the window: the method-failure dialog with the resumption
// from the idle moment, Stop, and the figure's export by double click.
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "ui/figure_widget.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::Pick;
using tarvik::testing::PickFunction;
using tarvik::testing::SpinUntil;

struct WindowRunTest : tarvik::testing::WindowTest {
    // The saddle with the classical Newton method fails at every iteration:
    // its Hessian is indefinite everywhere.
    void ChooseSaddleWithNewton() {
        PickFunction(problem->CmbFunctionsAll, FunctionId::Saddle);
        Pick(problem->CmbU0, 7);
        ChooseMethod(MethodId::Newton);
    }
};

TEST_F(WindowRunTest, FailureDialogAnswersResumeTheRunFromTheIdleMoment) {
    ChooseSaddleWithNewton();
    log.failureAnswers = {FailureAnswer::Yes, FailureAnswer::Yes, FailureAnswer::Cancel};
    runButtons->BtnStart->click();
    // The first failure has unwound the Start handler; the rest happens
    // from the event loop.
    EXPECT_EQ(log.failureTexts.size(), 1);
    ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));

    ASSERT_EQ(log.failureTexts.size(), 3);
    EXPECT_EQ(log.failureTexts[1], "Hessian<0 ! (Iteration=1). Would you like to continue with the steepest descent "
                                   "(\"Golden section\" line search)?");
    EXPECT_TRUE(PaneLines().contains("Hessian<0 ! (Iteration=0)."));
    EXPECT_EQ(form->StatusText(), "Hessian<0 ! (Iteration=2).");
    EXPECT_FALSE(runButtons->BtnClear->isHidden());
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());
    EXPECT_TRUE(runButtons->BtnStop->isHidden());
    EXPECT_TRUE(runButtons->BtnStart->isHidden());
    EXPECT_EQ(form->windowTitle(), "Tarvik 8.1");
}

TEST_F(WindowRunTest, AClickQueuedBehindStopDoesNotClearTheStoppedRun) {
    // A long run, as a user met it: the busy window delivers a second click
    // (here the second half of a double click) after Stop has already put
    // Clear in its place.
    form->show();
    Pick(problem->CmbN, 10);  // n = 1000
    PickFunction(problem->CmbFunctionsNmore2, FunctionId::GeneralizedRosenbrock);
    ChooseMethod(MethodId::SteepestGolden);
    accuracy->CmbPrec1->setEditText("1E-12");
    bool posted = false;
    QElapsedTimer sinceStart;
    // A Stop that has just appeared ignores clicks for a double-click interval.
    const int armed = QApplication::doubleClickInterval() + 200;
    std::function<void()> clickTwiceOnStop = [&] {
        if (form->State().IterCount < 2 || sinceStart.elapsed() < armed) {
            QTimer::singleShot(1, form.get(), clickTwiceOnStop);
            return;
        }
        const QPointF at = runButtons->BtnStop->mapTo(form.get(), QRectF(runButtons->BtnStop->rect()).center());
        const QPointF global = form->mapToGlobal(at);
        const auto post = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            QCoreApplication::postEvent(form->windowHandle(),
                                        new QMouseEvent(type, at, global, Qt::LeftButton, buttons, Qt::NoModifier));
        };
        post(QEvent::MouseButtonPress, Qt::LeftButton);
        post(QEvent::MouseButtonRelease, Qt::NoButton);
        post(QEvent::MouseButtonPress, Qt::LeftButton);
        post(QEvent::MouseButtonDblClick, Qt::LeftButton);
        post(QEvent::MouseButtonRelease, Qt::NoButton);
        posted = true;
    };
    QTimer::singleShot(1, form.get(), clickTwiceOnStop);
    sinceStart.start();
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([&] { return posted && RunSettled(); }));
    QCoreApplication::processEvents();

    EXPECT_TRUE(PaneLines().contains(" Terminated by user"));
    EXPECT_NE(form->ImageContours, nullptr);
    EXPECT_FALSE(runButtons->BtnClear->isHidden());
    EXPECT_TRUE(runButtons->BtnStart->isHidden());
    form->hide();
}

TEST_F(WindowRunTest, TheTitleFollowsTheIterationsAFewTimesASecondAndEndsWithTheCaption) {
    // Constant steps on Rosenbrock take thousands of iterations a second; a
    // window manager redraws the frame at every title. The run is stopped
    // by its own clock once a few title intervals have passed.
    accuracy->CmbPrec1->setEditText("1E-12");
    QStringList titles;
    QObject::connect(form.get(), &QWidget::windowTitleChanged, form.get(), [&](const QString& t) { titles << t; });
    QElapsedTimer run;
    std::function<void()> stopLater = [&] {
        if (run.elapsed() < 3 * QtHost::kTitleIntervalMs || form->State().IterCount < 1000) {
            QTimer::singleShot(0, form.get(), stopLater);
            return;
        }
        form->BtnStopClick();
    };
    QTimer::singleShot(0, form.get(), stopLater);
    run.start();
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    const qint64 elapsedMs = run.elapsed();

    // The number when the run starts, at most one per interval after it,
    // and the caption at the end.
    EXPECT_LE(titles.size(), elapsedMs / QtHost::kTitleIntervalMs + 2) << elapsedMs << " ms";
    ASSERT_GE(titles.size(), 3) << titles.join(' ').toStdString();
    EXPECT_EQ(titles.first(), "0");
    EXPECT_EQ(titles.last(), "Tarvik 8.1");
    // Between them, the iteration the run had reached, growing.
    for (int i = 1; i + 1 < titles.size(); ++i) {
        EXPECT_GT(titles[i].toInt(), titles[i - 1].toInt()) << titles.join(' ').toStdString();
        EXPECT_LE(titles[i].toInt(), form->State().IterCount);
    }
}

TEST(FailureDialogTest, ButtonsReadYesNoCancelYesToAll) {
    WindowDialogs dialogs;
    QStringList captions;
    std::function<void()> answerNo = [&] {
        QMessageBox* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible()) box = b;
        if (box == nullptr) {
            QTimer::singleShot(1, answerNo);
            return;
        }
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
        for (QAbstractButton* b : buttons) captions << b->text().remove('&');
        for (QAbstractButton* b : buttons)
            if (b->text().remove('&') == "No") b->click();
    };
    QTimer::singleShot(0, answerNo);
    EXPECT_EQ(dialogs.FailureChoice(nullptr, "Hessian<0 !"), FailureAnswer::No);
    EXPECT_EQ(captions, (QStringList{"Yes", "No", "Cancel", "Yes to All"}));
}

TEST_F(WindowRunTest, DoubleClickExportsTheFigureInTheChosenFormat) {
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    ASSERT_NE(form->ImageContours, nullptr);
    QImage& image = form->ImageContours->Figure().Image();
    const QImage before = image.copy();

    // Cancel leaves the figure without the icon.
    form->ImageContoursDblClick();
    EXPECT_EQ(log.saveTitles.value(0), "Save image as...");
    EXPECT_EQ(log.saveProposedNames.value(0), "Fig");
    EXPECT_EQ(image, before);

    // The user may switch the dialog's format (-1 keeps it).
    const struct { const char* name; int filter; QByteArray magic; } formats[] = {
        {"Fig.gif", -1, "GIF8"}, {"Fig.jpeg", 1, QByteArray("\xFF\xD8", 2)}, {"Fig.bmp", 2, "BM"}};
    for (const auto& f : formats) {
        log.saveAnswers = {dir.filePath(f.name)};
        log.saveFilterAnswer = f.filter;
        form->ImageContoursDblClick();
        QFile file(dir.filePath(f.name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.name;
        EXPECT_EQ(file.read(f.magic.size()), f.magic) << f.name;
    }
    EXPECT_NE(image, before);

    // A file that cannot be written is reported; the figure stays.
    log.saveAnswers = {dir.filePath("no-such-folder/Fig.bmp")};
    form->ImageContoursDblClick();
    ASSERT_EQ(log.errors.size(), 1);
    EXPECT_NE(form->ImageContours, nullptr);
}

} // namespace
} // namespace tarvik::ui


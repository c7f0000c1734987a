// The "Tuning" dialog behind the "M" and "F" buttons: which rows each method
// and function shows, what OK accepts and stores, and the keys.
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/parameters.h"
#include "ui/tuning_dialog.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::PickFunction;

constexpr const char* kBadParameter = "Incorrect data in parameter!";

struct TuningTest : tarvik::testing::WindowTest {
    void ChooseFunction(FunctionId id) { PickFunction(problem->CmbFunctionsAll, id); }

    // Presses button and lets action work on the dialog it opens; the dialog
    // is closed afterwards if the action left it open. False when no dialog
    // opened.
    bool WithDialog(QToolButton* button, const std::function<void(TSecondForm&)>& action) {
        bool opened = false;
        QTimer::singleShot(0, form.get(), [&] {
            auto* dialog = form->findChild<TSecondForm*>();
            if (dialog == nullptr || !dialog->isVisible()) return;
            opened = true;
            action(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        button->click();
        // A timer left behind by a button that opened nothing must not reach
        // the next case.
        QCoreApplication::processEvents();
        return opened;
    }

    // Types texts into the first rows, presses OK and tells whether the
    // dialog closed.
    static bool TypeAndConfirm(TSecondForm& dialog, const QStringList& texts) {
        for (int row = 1; row <= texts.size(); ++row) dialog.Edit(row)->setText(texts[row - 1]);
        dialog.ButtonSet->click();
        return !dialog.isVisible();
    }

    TunableParameters& Params() { return form->State().Params; }
};

// Rows are visible when they lie inside the client area the height leaves.
int VisibleRows(const TSecondForm& dialog) {
    int rows = 0;
    for (int row = 1; row <= TSecondForm::kMaxRows; ++row)
        if (dialog.Edit(row)->geometry().bottom() < dialog.height()) rows = row;
    return rows;
}

TEST_F(TuningTest, EachTunableMethodShowsItsRowsAndCurrentValues) {
    struct Case {
        MethodId method;
        int height;
        QString label1, value1, label2, value2, value3;
        bool interpolation;
    };
    const Case cases[] = {
        // Every method's rows are followed by the two limits of the run.
        {MethodId::ConstantStep, 145, "   step-size =", "0.3", "", "", "", false},
        {MethodId::SteepestWolfe, 180, " Wolfe  c2 =", "0.1", "Interpolation ", "", "", true},
        // "memory 15 pairs,Wolfe" shares the Wolfe parameters.
        {MethodId::LbfgsWolfe15, 180, " Wolfe  c2 =", "0.1", "Interpolation ", "", "", true},
        {MethodId::NewtonCg, 180, "CG prec. c =", "0.001", "maxSubiter =", "2147483647", "", false},
        {MethodId::TrustRegion, 145, "maxRadius =", "1", "", "", "", false},
        {MethodId::CollinearDemo, 215, "CollGrad  c1 =", "1E-8", "CollGrad  c2 =", "4", "0.5", false},
        {MethodId::Collinear, 215, "CollGrad  c1 =", "1E-8", "CollGrad  c2 =", "4", "1E-5", false},
        // Fletcher-Reeves with golden steps has only the limits.
        {MethodId::FletcherReevesGolden, 110, "max iterations =", "0", "no progress =", "50", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Traits(c.method).key));
        ChooseMethod(c.method);
        ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
            EXPECT_EQ(d.windowTitle(), "Tuning");
            EXPECT_EQ(d.FormHeight(), c.height);
            EXPECT_EQ(VisibleRows(d), (c.height - 40) / 35);
            EXPECT_EQ(d.LabelConst1->text(), c.label1);
            EXPECT_EQ(d.EditConst1->text(), c.value1);
            EXPECT_EQ(d.CmbInterpol->isVisibleTo(&d), c.interpolation);
            EXPECT_EQ(d.EditConst2->isVisibleTo(&d), !c.interpolation);
            if (!c.label2.isEmpty()) { EXPECT_EQ(d.LabelConst2->text(), c.label2); }
            if (!c.value2.isEmpty()) { EXPECT_EQ(d.EditConst2->text(), c.value2); }
            if (!c.value3.isEmpty()) {
                EXPECT_EQ(d.EditConst3->text(), c.value3);
                EXPECT_EQ(d.LabelConst3->text(), QStringLiteral("      \u03B4 ="));
            }
            if (c.interpolation) { EXPECT_EQ(d.CmbInterpol->currentText(), "quadratic"); }
        }));
    }
    EXPECT_TRUE(log.infos.isEmpty());
}

TEST_F(TuningTest, AFunctionWithoutParametersOnlyInforms) {
    EXPECT_FALSE(WithDialog(statusBar->BitBtnFun, [](TSecondForm&) {}));  // Rosenbrock
    EXPECT_EQ(log.infos, (QStringList{"There are not tunable parameters for this function."}));
}

// The limits come after the method's own rows; a negative limit is refused.
TEST_F(TuningTest, TheRunLimitsAreStoredForEveryMethod) {
    ChooseMethod(MethodId::FletcherReevesGolden);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        EXPECT_FALSE(TypeAndConfirm(d, {"-1", "50"}));
        EXPECT_TRUE(TypeAndConfirm(d, {"2000", "0"}));
    }));
    EXPECT_EQ(Params().MaxIterations, 2000);
    EXPECT_EQ(Params().NoProgressIterations, 0);
    EXPECT_EQ(Errors(), (QStringList{kBadParameter}));
    ChooseMethod(MethodId::ConstantStep);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        EXPECT_EQ(d.LabelConst2->text(), "max iterations =");
        EXPECT_EQ(d.EditConst2->text(), "2000");
        EXPECT_TRUE(TypeAndConfirm(d, {"0.3", "0", "7"}));
    }));
    EXPECT_EQ(Params().NoProgressIterations, 7);
}

TEST_F(TuningTest, WolfeC2MustLieStrictlyBetweenZeroAndOne) {
    ChooseMethod(MethodId::SteepestWolfe);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        EXPECT_FALSE(TypeAndConfirm(d, {"1"}));
        // The rejected value is kept until a valid one replaces it.
        EXPECT_EQ(Params().WolfeC2, 1.0L);
        EXPECT_FALSE(TypeAndConfirm(d, {"0"}));
        EXPECT_EQ(Params().WolfeC2, 0.0L);
        d.CmbInterpol->setCurrentIndex(1);
        EXPECT_TRUE(TypeAndConfirm(d, {"0,25"}));
        EXPECT_TRUE(d.EditConst1->text().isEmpty());
    }));
    EXPECT_EQ(Params().WolfeC2, 0.25L);
    EXPECT_EQ(Params().WolfeInterpolation, 1);
    EXPECT_EQ(Errors(), (QStringList{kBadParameter, kBadParameter}));

    // Opened again, the dialog shows what was stored.
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [](TSecondForm& d) {
        EXPECT_EQ(d.EditConst1->text(), "0.25");
        EXPECT_EQ(d.CmbInterpol->currentText(), "cubic");
    }));
}

TEST_F(TuningTest, CollinearParametersAreCheckedInRowOrder) {
    ChooseMethod(MethodId::CollinearDemo);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        // c1 = 0 is allowed, c2 = 0 is not: c1 is stored, the handler stops
        // before the delta row.
        EXPECT_FALSE(TypeAndConfirm(d, {"0", "0", "0,7"}));
        EXPECT_EQ(Params().CollC1, 0.0L);
        EXPECT_EQ(Params().CollC2, 0.0L);
        EXPECT_EQ(Params().CollDeltaDemo, 0.5L);
        EXPECT_FALSE(TypeAndConfirm(d, {"1", "3", "0,7"}));
        EXPECT_EQ(Params().CollC1, 1.0L);
        EXPECT_EQ(Params().CollC2, 0.0L);
        EXPECT_TRUE(TypeAndConfirm(d, {"0", "3", "0,7"}));
    }));
    EXPECT_EQ(Params().CollC2, 3.0L);
    EXPECT_EQ(Params().CollDeltaDemo, 0.7L);
    EXPECT_EQ(Params().CollDeltaFull, 1e-5L);
    EXPECT_EQ(Errors().size(), 2);
}

TEST_F(TuningTest, MaxSubIterTakesOnlyPositiveIntegers) {
    ChooseMethod(MethodId::NewtonCg);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        EXPECT_FALSE(TypeAndConfirm(d, {"0,5", "2.5"}));
        EXPECT_EQ(Params().NewtonCgForcingC, 0.5L);
        EXPECT_EQ(Params().MaxSubIter, 2147483647);
        EXPECT_FALSE(TypeAndConfirm(d, {"0,5", "-3"}));
        EXPECT_EQ(Params().MaxSubIter, -3);
        EXPECT_TRUE(TypeAndConfirm(d, {"0,5", "40"}));
    }));
    EXPECT_EQ(Params().MaxSubIter, 40);
}

TEST_F(TuningTest, ARejectionGoesThroughTheWindowsErrorHandling) {
    form->RichEditOut->setPlainText("old results");
    ChooseMethod(MethodId::ConstantStep);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [&](TSecondForm& d) {
        EXPECT_FALSE(TypeAndConfirm(d, {"abc"}));
        EXPECT_TRUE(d.isVisible());
    }));
    EXPECT_EQ(Errors(), QStringList{kBadParameter});
    EXPECT_TRUE(form->RichEditOut->toPlainText().isEmpty());
    EXPECT_EQ(Params().ConstStepSize, 0.3L);
}

TEST_F(TuningTest, EnterInAnEditConfirmsAndEscapeCancels) {
    ChooseMethod(MethodId::TrustRegion);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [](TSecondForm& d) {
        d.EditConst1->setText("2,5");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.EditConst1, &enter);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(Params().TrustMaxRadius, 2.5L);

    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [](TSecondForm& d) {
        d.EditConst1->setText("7");
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d.EditConst1, &escape);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(Params().TrustMaxRadius, 2.5L);
}

TEST_F(TuningTest, TridiaShowsFourGreekRowsAndAcceptsAnyReal) {
    ChooseFunction(FunctionId::Tridia);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnFun, [&](TSecondForm& d) {
        EXPECT_EQ(d.windowTitle(), "Quadratic: TRIDIA");
        EXPECT_EQ(d.FormHeight(), 180);
        EXPECT_EQ(VisibleRows(d), 4);
        EXPECT_EQ(d.LabelConst1->text(), QStringLiteral("      \u03B1 ="));
        EXPECT_EQ(d.LabelConst4->text(), QStringLiteral("      \u03B3 ="));
        EXPECT_TRUE(d.LabelConst2->font().italic());
        EXPECT_EQ(d.EditConst1->text(), "2");
        // A bad third row stops after the first two are stored.
        EXPECT_FALSE(TypeAndConfirm(d, {"2,5", "-1", "x", "0"}));
        EXPECT_EQ(Params().TridiaAlpha, 2.5L);
        EXPECT_EQ(Params().TridiaBeta, -1.0L);
        EXPECT_EQ(Params().TridiaDelta, 1.0L);
        EXPECT_TRUE(TypeAndConfirm(d, {"2,5", "-1", "0", "0"}));
    }));
    EXPECT_EQ(Params().TridiaDelta, 0.0L);
    EXPECT_EQ(Params().TridiaGamma, 0.0L);
    EXPECT_EQ(Errors(), QStringList{kBadParameter});
}

TEST_F(TuningTest, Himmelblau28TakesTheSaddleValuesWhenTheWindowIsActiveAgain) {
    form->show();
    ChooseFunction(FunctionId::Himmelblau28);
    ChooseMethod(MethodId::Collinear);
    ASSERT_TRUE(WithDialog(statusBar->BitBtnMet, [](TSecondForm& d) { EXPECT_TRUE(TypeAndConfirm(d, {"0,3", "5", "0,2"})); }));
    EXPECT_EQ(Params().CollC2, 5.0L);
    form->activateWindow();
    ASSERT_TRUE(tarvik::testing::SpinUntil([this] { return form->isActiveWindow(); }, 5000));
    EXPECT_EQ(Params().CollC1, 0.1L);
    EXPECT_EQ(Params().CollDeltaFull, 0.05L);
}

TEST_F(TuningTest, TheButtonsDoNothingDuringARun) {
    ChooseMethod(MethodId::ConstantStep);
    form->State().Running = 1;
    EXPECT_FALSE(WithDialog(statusBar->BitBtnMet, [](TSecondForm&) {}));
    EXPECT_FALSE(WithDialog(statusBar->BitBtnFun, [](TSecondForm&) {}));
    form->State().Running = 0;
    EXPECT_TRUE(log.infos.isEmpty());
}

} // namespace
} // namespace tarvik::ui


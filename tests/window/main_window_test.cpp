// The main window: its controls, the function and accuracy rules, a whole run
// from Start to Clear, input errors, Save as and the close question.
#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/configuration.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "figure/figure_canvas.h"
#include "ui/figure_widget.h"
#include "ui/hint_text.h"
#include "ui/input_files_panel.h"
#include "ui/sound_player.h"
#include "ui/status_bar.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::Pick;
using tarvik::testing::PickFunction;
using tarvik::testing::Type;
using tarvik::testing::SpinUntil;

struct MainWindowTest : tarvik::testing::WindowTest {
    QString PaneText() const { return form->RichEditOut->toPlainText(); }
    void RunToEnd() {
        runButtons->BtnStart->click();
        ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    }
};

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndItems) {
    const char* names[] = {"Label1", "CmbN", "CmbU0", "CmbFunctionsAll", "CmbFunctionsNmore2", "ImageJ",
                           "PanelMethods", "CmbMethodsGrad", "CmbMethodsAuthor", "SpeedBtnQuasiN", "GboxMinAccuracy",
                           "RbtnPrec1", "CmbPrec2", "Label10", "GboxInputFiles", "BitBtnInputFileUe", "EditC",
                           "RBtnUeUnknown", "ChkBoxStoreConfig", "RichEditOut", "InitComments", "BtnStart", "BtnStop",
                           "BtnClear", "BtnSaveAS", "BtnExit", "PanelContours", "LabelURL", "lblTelegram",
                           "StatusBar1", "BitBtnSoundYes", "BitBtnSoundNo", "BitBtnAbout", "BitBtnFun", "BitBtnMet",
                           "ProgressBar1"};
    for (const char* name : names) EXPECT_NE(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;

    EXPECT_EQ(form->windowTitle(), "Tarvik 8.1");
    EXPECT_EQ(form->ChkBoxStoreConfig->text(), "Store the configuration befor 'Exit'");
    EXPECT_EQ(accuracy->RbtnPrec1->text(), "  ||u-u*||/||u°-u*|| <");
    EXPECT_EQ(accuracy->RbtnPrec2->text(), "  | J(u') - J(u'') |/J(u°) <");
    EXPECT_EQ(problem->Label8->text(), "u°:");
    EXPECT_EQ(method->SpeedBtnAuthor->text(), "Author's");
    EXPECT_FALSE(statusBar->BitBtnAbout->isEnabled());
    // The lists: their lengths and the items at their edges.
    const struct { QComboBox* list; int count, item; const char* text; } lists[] = {
        {problem->CmbN, 14, 13, "10000"}, {problem->CmbU0, 30, 29, "from file"}, {problem->CmbU0, 30, 11, " 1.0;  -1.0"},
        {accuracy->CmbPrec1, 9, 2, "0.01"}, {accuracy->CmbPrec2, 11, 10, "1E-20"},
    };
    for (const auto& l : lists) {
        EXPECT_EQ(l.list->count(), l.count) << l.list->objectName().toStdString();
        if (l.text) { EXPECT_EQ(l.list->itemText(l.item), l.text) << l.list->objectName().toStdString(); }
    }
    EXPECT_EQ(accuracy->CmbPrec1->currentText(), "0.01");

    // Short hint as tooltip, long hint in status panel 0.
    EXPECT_EQ(problem->CmbN->toolTip(), "Select or type an integer number ");
    form->ShowHintFor(problem->CmbN);
    EXPECT_EQ(form->StatusText(), " Dimension of objective function J(u)");
    form->ShowHintFor(runButtons->BtnStop);
    EXPECT_EQ(form->StatusText(), "Stopping the minimization process");
    EXPECT_EQ(LongHint(HintOf(contours->lblTelegram)), QString::fromUtf8("\xD0\xA1lick to send a message "));
}

TEST_F(MainWindowTest, FirstStartWidensTheWindowAndKeepsTheLayoutRules) {
    EXPECT_EQ(form->FormWidth(), 770);
    EXPECT_FALSE(form->InitComments->isHidden());
    EXPECT_FALSE(form->ChkBoxStoreConfig->isChecked());
    EXPECT_TRUE(method->SpeedBtnGrad->isChecked());
    EXPECT_FALSE(method->CmbMethodsGrad->isHidden());
    // The figure panel fills the right side, the buttons stay right-aligned.
    EXPECT_EQ(form->PanelContours->width(), 770 - 312 - 10 - 10);
    EXPECT_EQ(form->PanelContours->height(), form->PanelContours->width() - 7);
    EXPECT_EQ(form->FormHeight(), 96 + form->PanelContours->height() + 22 + 30);
    const auto left = [this](QWidget* w) { return w->mapTo(form.get(), QPoint()).x(); };
    EXPECT_EQ(left(runButtons->BtnExit), 770 - 63 - 10 - 12);
    EXPECT_EQ(left(runButtons->BtnStart), left(runButtons->BtnExit) - 65 - 10 - 8);
    EXPECT_EQ(form->RichEditOut->y() + form->RichEditOut->height() + 3, form->StatusBar1->y());

    form->SetFormWidth(900);
    EXPECT_EQ(form->PanelContours->width(), 900 - 332);
    EXPECT_EQ(form->FormHeight(), 96 + form->PanelContours->height() + 22 + 30);
    EXPECT_EQ(left(runButtons->BtnExit), 900 - 85);

    // No narrower than the design, where the buttons keep off the choosers.
    form->SetFormWidth(540);
    EXPECT_EQ(form->FormWidth(), 635 + 8);
    EXPECT_EQ(form->FormHeight(), 96 + form->PanelContours->height() + 22 + 30);
    EXPECT_EQ(form->minimumSize(), form->size());
    EXPECT_GT(left(runButtons->BtnExportTrace), problem->CmbU0->x() + problem->CmbU0->width());
}

TEST_F(MainWindowTest, WindowAndFigureUseTheSansSerifWithTheDesignMetrics) {
    // Liberation Sans (fonts-liberation2) has the widths the pixel layout
    // was made for; a wider stand-in cuts captions.
    EXPECT_EQ(QFontInfo(runButtons->BtnStart->font()).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(FigureFont(form->FigureFontName)).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(FigureFont(QString())).family(), "Liberation Sans");
    // At the design width the credit line is whole.
    form->SetFormWidth(635 + TMainForm::kFrameWidth);
    const int needed = QFontMetrics(contours->LabelSoft->font()).horizontalAdvance(contours->LabelSoft->text());
    EXPECT_LE(needed, contours->LabelSoft->width());
}

TEST_F(MainWindowTest, DimensionSwitchesBetweenTheFunctionListsAndANonIntegerIsRefused) {
    Type(problem->CmbN, "3");
    EXPECT_EQ(form->State().N, 3);
    EXPECT_TRUE(problem->CmbFunctionsAll->isHidden());
    EXPECT_FALSE(problem->CmbFunctionsNmore2->isHidden());
    EXPECT_EQ(problem->CmbFunctionsNmore2->currentText(), "Quadratic: Axis Parallel Ellipsoid");
    EXPECT_EQ(form->State().FunctionCode, FunctionId::AxisEllipsoid);
    EXPECT_EQ(form->State().FunctionName, "Quadratic: Axis Parallel Ellipsoid");

    // A larger n keeps the short list and its choice.
    PickFunction(problem->CmbFunctionsNmore2, FunctionId::Staircase2);
    Pick(problem->CmbN, 3);
    EXPECT_EQ(form->State().N, 10);
    EXPECT_EQ(form->Function(), FunctionId::Staircase2);

    // Back to n = 2: the same quadratic in the long list, not Rosenbrock.
    Pick(problem->CmbN, 0);
    EXPECT_FALSE(problem->CmbFunctionsAll->isHidden());
    EXPECT_TRUE(problem->CmbFunctionsNmore2->isHidden());
    EXPECT_EQ(problem->CmbFunctionsAll->currentText(), "Quadratic: Rotated Ellipsoid (Staircase 2)");
    EXPECT_EQ(form->State().FunctionCode, FunctionId::Staircase2);

    // A quadratic chosen at n = 2 survives the switch to the short list.
    PickFunction(problem->CmbFunctionsAll, FunctionId::Dixon3dq);
    Type(problem->CmbN, "5");
    EXPECT_EQ(problem->CmbFunctionsNmore2->currentText(), "Quadratic: DIXON3DQ");

    // A non-integer dimension is reported and keeps n.
    Type(problem->CmbN, "5x");
    EXPECT_EQ(Errors(), QStringList{"'5x' is not a valid integer value"});
    EXPECT_EQ(form->State().N, 5);
    EXPECT_FALSE(problem->CmbFunctionsNmore2->isHidden());
}

TEST_F(MainWindowTest, FunctionsWithoutKnownMinimumForceTheChangeOfJCriterion) {
    PickFunction(problem->CmbFunctionsAll, FunctionId::Himmelblau28);
    EXPECT_FALSE(accuracy->RbtnPrec1->isEnabled());
    EXPECT_TRUE(accuracy->RbtnPrec2->isChecked());
    EXPECT_EQ(form->State().FunctionCode, FunctionId::Himmelblau28);
    // "!" follows the check of RbtnPrec1 as it was before the change.
    EXPECT_TRUE(accuracy->Label10->isHidden());

    PickFunction(problem->CmbFunctionsAll, FunctionId::Rosenbrock);
    EXPECT_TRUE(accuracy->RbtnPrec1->isEnabled());
    EXPECT_TRUE(accuracy->RbtnPrec2->isEnabled());
    EXPECT_TRUE(accuracy->RbtnPrec2->isChecked());
    EXPECT_FALSE(accuracy->Label10->isHidden());

    PickFunction(problem->CmbFunctionsAll, FunctionId::Saddle);
    EXPECT_FALSE(accuracy->RbtnPrec1->isEnabled());
    PickFunction(problem->CmbFunctionsAll, FunctionId::CubicVarnel);
    EXPECT_TRUE(accuracy->RbtnPrec1->isEnabled());
}

TEST_F(MainWindowTest, GroupButtonsShowOneMethodList) {
    method->SpeedBtnNewton->click();
    EXPECT_EQ(form->PanelMethods->Group(), 3);
    EXPECT_FALSE(method->CmbMethodsNewton->isHidden());
    EXPECT_FALSE(method->SpeedBtnGrad->isChecked());
    // The accuracy frame keeps clear of the check box below it.
    EXPECT_EQ(accuracy->geometry(), QRect(5, 124, 300, 77));
    Pick(method->CmbMethodsNewton, method->CmbMethodsNewton->findData(static_cast<int>(MethodId::TrustRegion)));
    EXPECT_EQ(form->Method(), MethodId::TrustRegion);

    method->SpeedBtnAuthor->click();
    method->SpeedBtnAuthor->click();  // pressing the pressed button keeps it down
    EXPECT_TRUE(method->SpeedBtnAuthor->isChecked());
    EXPECT_TRUE(method->CmbMethodsNewton->isHidden());
    EXPECT_EQ(form->Method(), MethodId::CollinearDemo);
}

// The lists hold the catalogue, and each item keeps the entry it shows:
// choosing it chooses that entry, in whichever place the lists give it (the
// long function list has the functions for n = 2 first).
TEST_F(MainWindowTest, EveryListItemChoosesTheEntryItShows) {
    int methodItems = 0;
    for (int g = 0; g < MethodGroupCount; ++g) methodItems += form->MethodList(g)->count();
    EXPECT_EQ(methodItems, MethodCount);
    for (const MethodTraits& m : MethodList()) {
        ChooseMethod(m.id);
        EXPECT_EQ(form->Method(), m.id);
        EXPECT_EQ(form->MethodList(static_cast<int>(m.group))->currentText().toStdString(), m.name);
    }
    EXPECT_EQ(problem->CmbFunctionsAll->count(), FunctionCount);
    int lastTwoDimensional = -1, firstOther = problem->CmbFunctionsAll->count();
    for (int item = 0; item < problem->CmbFunctionsAll->count(); ++item) {
        Pick(problem->CmbFunctionsAll, item);
        const FunctionTraits& f = Traits(form->Function());
        EXPECT_EQ(problem->CmbFunctionsAll->currentText().toStdString(), f.name);
        EXPECT_EQ(form->State().FunctionCode, f.id);
        if (f.twoDimensionalOnly) lastTwoDimensional = item;
        else firstOther = std::min(firstOther, item);
    }
    EXPECT_LT(lastTwoDimensional, firstOther);
    EXPECT_EQ(problem->CmbFunctionsNmore2->count(), problem->CmbFunctionsAll->count() - (lastTwoDimensional + 1));
}

// The typed function's editor: a refused formula says where and leaves the
// formula there was; an accepted one names the function and is kept in data.ini.
TEST_F(MainWindowTest, TheFormulaEditorRefusesAWrongFormulaAndKeepsThePreviousOne) {
    log.formulaAnswers.push_back([](ui::FormulaDialog& d) {
        d.EditFormula->setPlainText("(u1^2-1)^2 + 2*u2^2");
        d.EditUStar->setText("1, 0");
    });
    PickFunction(problem->CmbFunctionsAll, FunctionId::Formula);
    EXPECT_EQ(form->State().Typed.formula.text, "(u1^2-1)^2 + 2*u2^2");
    EXPECT_EQ(form->State().Typed.uStar, (std::vector<Real>{1, 0}));
    EXPECT_EQ(form->State().FunctionName, "(u1^2-1)^2 + 2*u2^2");

    QString message;
    log.formulaAnswers.push_back([&message](ui::FormulaDialog& d) {
        d.EditFormula->setPlainText("u1 + u0*2");
        EXPECT_FALSE(d.TryAccept());
        message = d.LblMessage->text();
        EXPECT_EQ(d.EditFormula->textCursor().position(), 5);
    });
    PickFunction(problem->CmbFunctionsAll, FunctionId::Formula);
    EXPECT_EQ(message, "unknown name 'u0' at column 6");
    EXPECT_EQ(form->State().Typed.formula.text, "(u1^2-1)^2 + 2*u2^2");

    const Configuration stored = form->CurrentConfiguration();
    EXPECT_EQ(stored.Formula, "(u1^2-1)^2 + 2*u2^2");
    EXPECT_EQ(stored.FormulaUStar, "1, 0");
    // A file of an older build has no such keys and writes none back.
    EXPECT_EQ(WriteConfiguration(Configuration{}).Text().find("Typed function"), std::string::npos);
}

// The run, data.ini and a comparison read the panels through one adapter:
// what the panels show is what the run gets, and data.ini gives it back.
TEST_F(MainWindowTest, ThePanelsChoicesReachTheRunAndComeBackFromTheConfiguration) {
    const struct { int dimension; FunctionId function; int start; MethodId method; bool changeOfJ; const char* eps; } cases[] = {
        {0, FunctionId::Staircase2, 3, MethodId::NewtonCg, false, "0.005"},
        {2, FunctionId::Schwefel12, 11, MethodId::FletcherReevesWolfe, true, "1E-10"},
        {0, FunctionId::GeneralizedRosenbrock, 0, MethodId::Collinear, true, "0.3"},
    };
    for (const auto& k : cases) {
        Pick(problem->CmbN, k.dimension);
        PickFunction(k.dimension == 0 ? problem->CmbFunctionsAll : problem->CmbFunctionsNmore2, k.function);
        Pick(problem->CmbU0, k.start);
        ChooseMethod(k.method);
        (k.changeOfJ ? accuracy->RbtnPrec2 : accuracy->RbtnPrec1)->setChecked(true);
        (k.changeOfJ ? accuracy->CmbPrec2 : accuracy->CmbPrec1)->setEditText(k.eps);

        form->CopyChoicesToState();
        const RunChoices& run = form->State().Choices;
        EXPECT_EQ(run.NText, problem->CmbN->itemText(k.dimension).toStdString());
        EXPECT_EQ(run.FunctionPosition, ListPosition(k.function));
        EXPECT_EQ(form->State().FunctionCode, k.function);
        EXPECT_EQ(run.StartItem, k.start);
        EXPECT_EQ(run.MethodPosition, ListPosition(k.method));
        EXPECT_EQ(run.ByChangeOfJ, k.changeOfJ);
        EXPECT_EQ(run.EpsText, k.eps);

        const PanelChoices shown = form->Choices();
        const Configuration stored = form->CurrentConfiguration();
        form->ApplyConfiguration(Configuration{});
        EXPECT_NE(form->Choices(), shown);
        form->ApplyConfiguration(stored);
        EXPECT_EQ(form->Choices(), shown) << Traits(k.function).key;
    }
}

TEST_F(MainWindowTest, ARunGoesFromStartToEndedAndClearReturnsToSetup) {
    method->SpeedBtnQuasiN->click();
    method->SpeedBtnGrad->click();
    const QRect accuracyFrame = accuracy->geometry();
    RunToEnd();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
    // Ended layout.
    EXPECT_FALSE(runButtons->BtnClear->isHidden());
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());
    EXPECT_TRUE(runButtons->BtnStop->isHidden());
    EXPECT_FALSE(problem->CmbN->isEnabled());
    EXPECT_EQ(form->RichEditOut->y(), form->PanelContours->y());
    EXPECT_EQ(form->LabOutComputing->text(), "Descent with constant step-size");
    EXPECT_EQ(form->StatusText(), " Done");

    // The figure exists and names what is under the mouse.
    ASSERT_NE(form->ImageContours, nullptr);
    EXPECT_EQ(form->ImageContours->Figure().Image().width(), form->PanelContours->width() - 7);
    form->ImageContoursMouseMove(2, form->ImageContours->Figure().Image().height() - 2);
    EXPECT_EQ(form->FormHint(), " Double click on the image to save it in a file");

    runButtons->BtnClear->click();
    EXPECT_FALSE(runButtons->BtnStart->isHidden());
    EXPECT_TRUE(runButtons->BtnClear->isHidden());
    EXPECT_FALSE(contours->LabelURL->isHidden());
    EXPECT_TRUE(PaneText().isEmpty());
    EXPECT_EQ(form->ImageContours, nullptr);
    EXPECT_TRUE(form->LabOutComputing->text().isEmpty());
    EXPECT_EQ(form->RichEditOut->y(), form->ChkBoxStoreConfig->y() + form->ChkBoxStoreConfig->height() + 3);
    EXPECT_EQ(accuracy->geometry(), accuracyFrame);
    EXPECT_LT(accuracyFrame.bottom(), form->ChkBoxStoreConfig->y());

    // The next run starts afresh.
    RunToEnd();
    EXPECT_EQ(PaneText().split('\n').last(), " Done");
}

TEST_F(MainWindowTest, SaveAsWritesThePaneOnceAndKeepsTheButtonOnFailure) {
    RunToEnd();
    log.saveAnswers.push_back(QString());  // cancel
    runButtons->BtnSaveAS->click();
    EXPECT_EQ(log.saveTitles.value(0), "Save as...");
    EXPECT_EQ(log.saveProposedNames.value(0), "out1.txt");
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());

    log.saveAnswers.push_back(dir.filePath("missing-folder/out1.txt"));
    runButtons->BtnSaveAS->click();
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_FALSE(runButtons->BtnSaveAS->isHidden());

    const QString path = dir.filePath("out1.txt");
    log.saveAnswers.push_back(path);
    runButtons->BtnSaveAS->click();
    EXPECT_TRUE(runButtons->BtnSaveAS->isHidden());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QStringList lines = PaneText().split('\n');
    EXPECT_EQ(bytes.count("\r\n"), lines.size());
    EXPECT_TRUE(bytes.startsWith(lines[0].toUtf8() + "\r\n"));
    // UTF-8: "u°" is u followed by the two bytes C2 B0.
    EXPECT_TRUE(bytes.contains("u\xC2\xB0"));
}

TEST_F(MainWindowTest, ClosingDuringARunAsksAndYesStopsTheRun) {
    form->show();
    // Constant steps on Rosenbrock with this accuracy run long enough for
    // the window to be closed in the middle.
    accuracy->RbtnPrec2->setChecked(true);
    accuracy->CmbPrec2->setEditText("1E-20");
    bool firstAnswered = false;
    QTimer::singleShot(0, form.get(), [&] {
        log.confirmAnswers.push_back(false);
        form->close();
        firstAnswered = true;
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->State().StopRequested, 0);
        log.confirmAnswers.push_back(true);
        QTimer::singleShot(0, form.get(), [&] { form->close(); });
    });
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([this] { return !form->State().Running || form->State().StopRequested; }));
    EXPECT_TRUE(firstAnswered);
    ASSERT_EQ(log.confirmTexts.size(), 2);
    EXPECT_EQ(log.confirmTexts[0], "Tarvik is working. Would you want to cancel it without saving?");
    EXPECT_EQ(form->State().StopRequested, 1);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, SoundSwitchSilencesSoundsAndLinksStillOpen) {
    form->Sounds().ClearRequested();
    contours->LabelURL->setProperty("tarvikUrl", QStringLiteral("https://example.org/a"));
    // One click on the link opens its address once.
    const QPointF inside(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, inside, contours->LabelURL->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, contours->LabelURL->mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(contours->LabelURL, &press);
    QApplication::sendEvent(contours->LabelURL, &release);
    ASSERT_EQ(log.urls.size(), 1);
    EXPECT_EQ(log.urls[0], QUrl("https://example.org/a"));
    EXPECT_EQ(form->Sounds().Requested(), QStringList{"Done.wav"});

    statusBar->BitBtnSoundYes->click();
    EXPECT_TRUE(statusBar->BitBtnSoundYes->isHidden());
    EXPECT_FALSE(statusBar->BitBtnSoundNo->isHidden());
    EXPECT_FALSE(form->SoundOn());
    form->LinkClicked(QStringLiteral("https://example.org/b"));
    EXPECT_EQ(form->Sounds().Requested().size(), 1);
    ASSERT_EQ(log.urls.size(), 2);
    EXPECT_EQ(log.urls[1], QUrl("https://example.org/b"));

    statusBar->BitBtnSoundNo->click();
    EXPECT_TRUE(form->SoundOn());
}

// What Tab visits from the control with the focus until it comes back to it.
std::string TabChain(QWidget* window) {
    QStringList visited;
    QWidget* first = QApplication::focusWidget();
    for (QWidget* at = first; at != nullptr && visited.size() < 60;) {
        visited << at->objectName();
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (at == first || at == nullptr || at->window() != window) break;
    }
    return visited.join(' ').toStdString();
}

TEST_F(MainWindowTest, TabVisitsEveryControlPanelByPanelInScreenOrder) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    problem->CmbN->setFocus();
    EXPECT_EQ(TabChain(form.get()),
              "CmbN CmbU0 CmbFunctionsAll BtnStep BtnCompare BtnStart BtnExit CmbMethodsGrad SpeedBtnGrad SpeedBtnConjGrad "
              "SpeedBtnQuasiN SpeedBtnNewton SpeedBtnAuthor RbtnPrec1 CmbPrec1 CmbPrec2 ChkBoxStoreConfig RichEditOut "
              "LabelURL lblTelegram BitBtnSoundYes BitBtnFun BitBtnMet");
    // Tab shows the long hint of what it reaches; Space presses a group button.
    EXPECT_EQ(form->StatusText(), " Dimension of objective function J(u)");
    method->SpeedBtnNewton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(method->SpeedBtnNewton, Qt::Key_Space);
    EXPECT_FALSE(method->CmbMethodsNewton->isHidden());

    // A run ended: what it shows, in the same order.
    runButtons->BtnStart->click();
    ASSERT_TRUE(SpinUntil([this] { return RunSettled(); }));
    EXPECT_EQ(TabChain(form.get()), "BtnClear BtnExit RichEditOut BitBtnSoundYes BitBtnFun BitBtnMet BtnExportTrace BtnSaveAS");
    form->hide();
}

// Alt and the underlined letter press a main button wherever the focus is;
// F1 opens the README's section on the window.
TEST_F(MainWindowTest, AcceleratorsPressTheirButtonsAndF1OpensTheHelp) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The buttons only report their clicks here, and all of them show.
    QObject::disconnect(runButtons, nullptr, form.get(), nullptr);
    const struct { QPushButton* button; Qt::Key key; const char* caption; } keys[] = {
        {runButtons->BtnStart, Qt::Key_S, "&Start"},         {runButtons->BtnStop, Qt::Key_T, "S&top"},
        {runButtons->BtnClear, Qt::Key_L, "C&lear"},         {runButtons->BtnCompare, Qt::Key_C, "&Compare"},
        {runButtons->BtnSaveAS, Qt::Key_A, "Save &as..."},   {runButtons->BtnExit, Qt::Key_X, "E&xit"},
        {runButtons->BtnExportTrace, Qt::Key_E, "&Export trace"},
    };
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const auto& k : keys) {
        k.button->show();
        spies.push_back(std::make_unique<QSignalSpy>(k.button, &QPushButton::clicked));
    }
    accuracy->CmbPrec1->setFocus();
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        SCOPED_TRACE(keys[i].caption);
        EXPECT_EQ(keys[i].button->text(), keys[i].caption);
        QTest::keyClick(QApplication::focusWidget(), keys[i].key, Qt::AltModifier);
        // The button shows itself pressed for a moment before it clicks.
        ASSERT_TRUE(SpinUntil([&] { return spies[i]->count() > 0; }, 5000));
        for (std::size_t j = 0; j < std::size(keys); ++j) EXPECT_EQ(spies[j]->count(), i == j ? 1 : 0);
        spies[i]->clear();
    }

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    ASSERT_EQ(log.urls.size(), 1u);
    EXPECT_EQ(log.urls[0].fragment(), "using-the-window");
    QFile readme(log.urls[0].toLocalFile());
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly)) << log.urls[0].toString().toStdString();
    EXPECT_TRUE(readme.readAll().contains("\n## Using the window\n"));
    form->hide();
}

TEST_F(MainWindowTest, HintsFollowTheMouseAndTheFormHint) {
    form->ShowHintFor(runButtons->BtnExit);
    EXPECT_EQ(form->StatusText(), " Exit the application");
    // A status text written directly stays while the hint does not change.
    form->SetStatusText(" Working... 3");
    form->ShowHintFor(runButtons->BtnExit);
    EXPECT_EQ(form->StatusText(), " Working... 3");
    // Controls without a hint show the main window's hint; the output pane
    // clears it.
    form->SetFormHint(" Trajectory");
    form->ShowHintFor(problem->Label1);
    EXPECT_EQ(form->StatusText(), " Trajectory");
    form->ShowHintFor(form->RichEditOut->viewport());
    EXPECT_EQ(form->StatusText(), "");
    EXPECT_EQ(form->FormHint(), "");

    form->ShowHintFor(problem->ImageJ);
    EXPECT_EQ(form->StatusText(), " Objective function");
    PickFunction(problem->CmbFunctionsAll, FunctionId::Tridia);
    form->ShowHintFor(problem->ImageJ);
    EXPECT_EQ(problem->ImageJ->toolTip(), "Click \"F\"-button to change parameters ");
}

TEST_F(MainWindowTest, StartingPointFromFileUsesTheOpenDialog) {
    // Cancel: back to the first item with its hint.
    Pick(problem->CmbU0, 29);
    ASSERT_EQ(log.openTitles.size(), 1);
    EXPECT_EQ(log.openTitles[0], "Open file for u°");
    EXPECT_EQ(problem->CmbU0->currentIndex(), 0);
    EXPECT_EQ(HintOf(problem->CmbU0), "Select two first components | Two first components of a starting point");

    const QString path = dir.filePath("u0.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0.5\n  -0.25 \n");
    file.close();
    log.openAnswers.push_back(path);
    Pick(problem->CmbU0, 29);
    EXPECT_EQ(problem->CmbU0->currentIndex(), 29);
    EXPECT_EQ(HintOf(problem->CmbU0), path);
    EXPECT_EQ(form->State().Choices.StartFile, path.toStdString());
    EXPECT_TRUE(Errors().isEmpty());

    // A file with the wrong count is refused.
    Pick(problem->CmbN, 1);  // n = 3
    log.openAnswers.push_back(path);
    Pick(problem->CmbU0, 29);
    EXPECT_EQ(Errors(), QStringList{"File " + path + " is incorrect!"});
}

} // namespace
} // namespace tarvik::ui


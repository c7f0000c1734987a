// data.ini and the window: a first start, restoring a stored configuration,
// and what Exit and the close button do with the file.
#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "ui/figure_widget.h"
#include "ui/input_files_panel.h"
#include "ui/status_bar.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::SpinUntil;

QRect ScreenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

const char* const kNewtonExample =
    "[General]\nSound=1\nWindow State=wsNormal\nWindow position Top=186\nWindow position Left=180\n"
    "Window Width=770\n[Problem]\nDimension=10\nStarting point=0\nPath for u0=\nFunctions all=0\n"
    "Functions n>2=1\nItemIndex=3\n[Quadratic function from file]\nPath for A=/nowhere/a.txt\n"
    "Path for b=/nowhere/b.txt\nc=0\nPath for u*=/nowhere/ue.txt\nu*=0=1\n[Accuracy]\nItem Accuracy1=0\n"
    "Item Accuracy2=1\nEps1=0.01\nEps2=0.0001\n[Method]\nGroup=3\nGradient=0\nConjugate gradient=0\n"
    "Quasi-Newton=0\nNewton=1\nAuthor=0\nItemIndex=1\n";

struct ConfigurationWindowTest : tarvik::testing::WindowTest {
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }  // each case opens the window itself
    QString IniPath() const { return dir.filePath("data.ini"); }
    void WriteIni(const QByteArray& text) {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray ReadIni() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// Exit writes every key from the controls: a key restored into the wrong
// control comes back changed. An older build's file, which names the
// function and the method by their index alone, gets their keys beside it.
TEST_F(ConfigurationWindowTest, TheNewtonExampleIsRestoredAndExitWritesItBack) {
    WriteIni(kNewtonExample);
    Open();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("; ").toStdString();
    EXPECT_TRUE(problem->CmbFunctionsAll->isHidden());
    EXPECT_FALSE(method->CmbMethodsNewton->isHidden());
    EXPECT_EQ(form->Method(), MethodId::FdNewton);
    EXPECT_EQ(form->Function(), FunctionId::Staircase2);
    EXPECT_FALSE(form->InitComments->isVisibleTo(form.get()));
    form->SoundSwitchClicked(false);
    form->ExitApplication();
    const QByteArray written = ReadIni();
    // The window's own position replaces the stored one; everything else
    // comes back line for line.
    QByteArray expected(kNewtonExample);
    expected.replace("Sound=1", "Sound=0");
    expected.replace("ItemIndex=3\n", "ItemIndex=3\nFunctionKey=staircase-2\n");
    expected.replace("ItemIndex=1\n", "ItemIndex=1\nMethodKey=fd-newton\n");
    expected.replace("\n", "\r\n");
    QList<QByteArray> lines = written.split('\n');
    QList<QByteArray> expectedLines = expected.split('\n');
    ASSERT_EQ(lines.size(), expectedLines.size()) << written.toStdString();
    for (int i = 0; i < lines.size(); ++i) {
        if (expectedLines[i].startsWith("Window position")) continue;
        EXPECT_EQ(lines[i], expectedLines[i]);
    }

    Open();
    EXPECT_FALSE(form->SoundOn());
    EXPECT_EQ(method->CmbMethodsNewton->currentIndex(), 1);
    EXPECT_EQ(problem->CmbFunctionsNmore2->currentIndex(), 3);
}

TEST_F(ConfigurationWindowTest, ExitWithTheBoxClearedRemovesTheFile) {
    WriteIni(kNewtonExample);
    Open();
    form->ChkBoxStoreConfig->setChecked(false);
    form->ExitApplication();
    EXPECT_FALSE(QFile::exists(IniPath()));
    Open();
    EXPECT_TRUE(form->InitComments->isVisibleTo(form.get()));
}

TEST_F(ConfigurationWindowTest, TheCloseButtonLeavesTheFileAsItWas) {
    WriteIni(kNewtonExample);
    Open();
    accuracy->CmbPrec2->setEditText("0.5");
    form->close();
    EXPECT_EQ(ReadIni(), QByteArray(kNewtonExample));

    form->ChkBoxStoreConfig->setChecked(false);
    Open();
    form->ChkBoxStoreConfig->setChecked(false);
    form->close();
    EXPECT_TRUE(QFile::exists(IniPath()));
}

TEST_F(ConfigurationWindowTest, AStoredQuadraticOptionAndAuthorGroupComeBack) {
    WriteIni("[Quadratic function from file]\nu* is unknown=1\n[Method]\nGroup=4\nGradient=0\nAuthor=1\n"
             "ItemIndex=1\n");
    Open();
    EXPECT_TRUE(form->GboxInputFiles->RBtnUeUnknown->isChecked());
    EXPECT_FALSE(form->GboxInputFiles->RBtnUe0->isChecked());
    EXPECT_FALSE(form->GboxInputFiles->BitBtnInputFileUe->isEnabled());
    EXPECT_EQ(form->Method(), MethodId::Collinear);
    EXPECT_TRUE(method->SpeedBtnAuthor->isChecked());
    // Keys that are missing keep the design state.
    EXPECT_EQ(problem->CmbN->currentText(), "2");
    EXPECT_FALSE(problem->CmbFunctionsAll->isHidden());
}

TEST_F(ConfigurationWindowTest, ADimensionThatIsNoIntegerIsReportedAndTwoIsUsed) {
    WriteIni("[Problem]\nDimension=ten\n");
    Open();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains("\"ten\"")) << Errors()[0].toStdString();
    EXPECT_EQ(form->State().N, 2);
    EXPECT_EQ(problem->CmbN->currentText(), "2");
}

TEST_F(ConfigurationWindowTest, AMaximisedWindowIsRestoredMaximisedAndFitsTheScreen) {
    WriteIni("[General]\nWindow State=wsMaximized\nWindow Width=900\n");
    Open();
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_NE(form->FormWidth(), 900);

    // On a 1280 x 1024 screen the square panel of the full width would be
    // taller than the screen: the layout keeps to the window's client area.
    form->show();
    ASSERT_TRUE(SpinUntil([this] { return form->width() > 1200; }, 10000));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(form->isMaximized());
    EXPECT_TRUE(ScreenArea().contains(form->frameGeometry()))
        << form->frameGeometry().height() << " > " << ScreenArea().height();
    EXPECT_EQ(form->StatusBar1->geometry().bottom(), form->height() - 1);
    EXPECT_LT(form->PanelContours->geometry().bottom(), form->StatusBar1->y());
}

TEST_F(ConfigurationWindowTest, AWindowThatFitsTheScreenComesBackExactly) {
    // At the bottom right corner: its client area fits the screen exactly.
    const QByteArray keys = "Window position Top=345\nWindow position Left=388\nWindow Width=900\n";
    WriteIni("[General]\nWindow State=wsNormal\n" + keys);
    Open();
    EXPECT_EQ(form->x(), 388);
    EXPECT_EQ(form->y(), 345);
    EXPECT_EQ(form->FormWidth(), 900);
    form->ExitApplication();
    EXPECT_TRUE(ReadIni().contains(QByteArray(keys).replace("\n", "\r\n"))) << ReadIni().toStdString();
}

// Window keys that do not fit the 1280 x 1024 screen of the tests.
class WindowKeysTest : public ConfigurationWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WindowKeysTest, TheWindowAndTheFigureAreBroughtInsideTheScreen) {
    WriteIni(QByteArray("[General]\nWindow State=wsNormal\n") + GetParam());
    Open();
    const QRect area = ScreenArea();
    const QRect window(form->x(), form->y(), form->FormWidth(), form->FormHeight());
    ASSERT_TRUE(area.contains(window)) << window.x() << "," << window.y() << " " << window.width() << "x"
                                       << window.height();
    EXPECT_GE(form->FormWidth(), 635 + 8);

    form->CreateFigure();
    ASSERT_NE(form->ImageContours, nullptr);
    EXPECT_LE(form->ImageContours->Figure().Width(), area.width());
    EXPECT_LE(form->ImageContours->geometry().bottom(), form->PanelContours->height());
}

INSTANTIATE_TEST_SUITE_P(
    HostileValues, WindowKeysTest,
    ::testing::Values("Window Width=99999999\n[Problem]\nDimension=99999999999999999999\n",
                      "Window position Top=100\nWindow position Left=100\nWindow Width=5000\n",
                      "Window position Top=2147483647\nWindow position Left=2147483647\nWindow Width=100000\n",
                      "Window position Top=-2147483648\nWindow position Left=-2147483648\n"
                      "Window Width=-2147483648\n"));

} // namespace
} // namespace tarvik::ui


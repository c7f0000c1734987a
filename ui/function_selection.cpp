// Choosing the dimension, the objective function and the starting point.
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <algorithm>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <stdexcept>

#include "app/method_selection.h"
#include "app/run_driver.h"
#include "app/start_point.h"
#include "app/text_input.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "core/parameters.h"
#include "figure/gif_io.h"
#include "ui/hint_text.h"
#include "ui/input_files_panel.h"
#include "ui/main_window.h"
#include "ui/media_files.h"
#include "ui/window_dialogs.h"
#include "tools/media_generator.h"
#include "core/typed_function.h"

namespace tarvik::ui {

namespace {

// The integer conversion of the platform library, with its message.
int32_t ToInteger(const QString& text) {
    int32_t value = 0;
    if (!TryParseInt32(text.toStdString(), value))
        throw std::invalid_argument("'" + text.toStdString() + "' is not a valid integer value");
    return value;
}

} // namespace

FunctionId TMainForm::Function() const { return PanelProblem->Function(); }

void TMainForm::DimensionChanged() {
    state_.N = ToInteger(QString::fromStdString(Choices().problem.dimension));
    PanelProblem->ShowListFor(state_.N);
    FunctionChanged();
}

void TMainForm::FunctionsAllChanged() {
    UpdateLabel10();
    FunctionChanged();
}

void TMainForm::FunctionChanged() {
    DropFigurePreview();
    const PanelChoices chosen = Choices();
    state_.Choices.MethodPosition = ListPosition(chosen.method.method.value());
    MethodSelect(state_, 0);
    FreeRunArrays(state_);
    GboxInputFiles->RBtnUeUnknown->setEnabled(!IsCollinear(Traits(state_.MethodCode)));

    const FunctionTraits& entry = Traits(chosen.problem.function.value());
    state_.FunctionCode = entry.id;
    state_.FunctionName = chosen.problem.functionName;
    if (entry.typed) {
        // Picked in a list, the entry opens its editor; otherwise (a new n,
        // the stored choices at start) the formula simply stays.
        if (functionPicked_) {
            TypedFunction typed = state_.Typed;
            if (dialogs_->EditFormula(this, typed)) state_.Typed = std::move(typed);
        }
        ShowTypedFunction();
    } else {
        LoadFunctionPicture(QString::fromUtf8(entry.picture.data(), static_cast<int>(entry.picture.size())));
    }

    if (entry.changeOfJOnly || (entry.typed && !state_.Typed.UStarKnown())) {
        // No single known minimum: only the change of J can stop the run.
        GboxMinAccuracy->RequireChangeOfJ();
    } else if (!entry.fromFiles) {
        GboxMinAccuracy->AllowKnownMinimum(false);
    }

    if (isVisible()) AdviseCollinearParameters();

    if (entry.fromFiles) {
        LoadQuadraticFromFiles();
    } else {
        // Another function chosen from the keyboard while the file panel
        // is open: the panel has nothing left to ask.
        if (!GboxInputFiles->isHidden()) ClosePanel();
        state_.Quad.Release();
    }
}

void TMainForm::AdviseCollinearParameters() {
    if (Traits(state_.FunctionCode).advice == CollinearAdvice::None) return;
    if (!Traits(state_.MethodCode).advisedNearSaddles) return;
    if (state_.Params.CollC1 == CollC1Saddle) return;
    host_.ShowInfo("Recommended parameters for functions with saddle points: c1=" + FormatFloat("#.#E+##", CollC1Saddle) +
                   ", delta=" + FormatFloat("#.#E+##", CollDeltaSaddle));
}

namespace {

// The formula in lines the function's picture can hold, broken after an
// operator or a comma where it can be; what does not fit ends in "...".
QString FormulaPictureText(const std::string& formula) {
    constexpr int kLineLength = 46;
    constexpr int kLines = 3;
    QString rest = QStringLiteral("J(u) = ") + QString::fromStdString(formula);
    QStringList lines;
    while (rest.size() > kLineLength && lines.size() < kLines - 1) {
        int cut = kLineLength;
        for (int i = kLineLength; i > kLineLength / 2; --i)
            if (QStringLiteral("+-*,)").contains(rest[i - 1])) {
                cut = i;
                break;
            }
        lines << rest.left(cut);
        rest = QStringLiteral("   ") + rest.mid(cut).trimmed();
    }
    if (rest.size() > kLineLength) rest = rest.left(kLineLength - 3) + QStringLiteral("...");
    lines << rest;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TMainForm::ShowTypedFunction() {
    const TypedFunction& typed = state_.Typed;
    if (!typed.Given()) {
        PanelProblem->ShowPicture(RenderFunctionPicture(QStringLiteral("J(u) = ?  (no formula typed yet)")));
        return;
    }
    state_.FunctionName = FormulaName(typed.formula.text);
    PanelProblem->ShowPicture(RenderFunctionPicture(FormulaPictureText(state_.FunctionName)));
}

void TMainForm::LoadFunctionPicture(const QString& fileName) {
    QImage picture;
    try {
        picture = LoadGifImage(MediaPath(fileName).toStdString());
    } catch (const std::exception& error) {
        // The picture is only an illustration: the error is shown and the
        // selection goes on.
        PanelProblem->ClearPicture();
        host_.ShowError(error.what());
        return;
    }
    PanelProblem->ShowPicture(picture);
}

void TMainForm::StartPointChanged() {
    PanelProblem->ShowPairHintUnlessFile();
    // The kept level lines mark the figure's point; another item's point
    // may lie anywhere.
    if (Choices().problem.figurePoint.empty()) DropFigurePreview();
}

void TMainForm::StartPointClicked() {
    PanelProblem->ImageU0->hide();
    if (PanelProblem->FileStartChosen()) ChooseU0File();
}

void TMainForm::ChooseU0File() {
    PlayIfSoundOn(QStringLiteral("Done.wav"));
    OpenDialog1.Title = QStringLiteral("Open file for u°");
    OpenDialog1.FileName = QString::fromStdString(state_.Choices.StartFile);
    const QString path = ExecuteOpenDialog();
    if (path.isEmpty()) {
        PanelProblem->ChooseFirstStart();
        return;
    }
    const int32_t n = ToInteger(QString::fromStdString(Choices().problem.dimension));
    ValidateU0File(state_, path.toStdString(), n);
    PanelProblem->ShowStartFileHint(path);
}

QString TMainForm::ExecuteOpenDialog() {
    const QString path = dialogs_->OpenFile(this, OpenDialog1.Title, OpenDialog1.InitialDir, OpenDialog1.FileName);
    if (!path.isEmpty()) OpenDialog1.FileName = path;
    return path;
}

} // namespace tarvik::ui

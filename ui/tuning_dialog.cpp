#include "ui/tuning_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/number_format.h"
#include "app/text_input.h"
#include "core/errors.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

constexpr int kClientWidth = 216;
constexpr int kRowTop[4] = {14, 48, 83, 118};
constexpr int kLabelLeft = 6;
constexpr int kEditLeft = 100;
constexpr int kEditWidth = 64;
constexpr int kEditHeight = 21;

const char* const kBadParameter = "Incorrect data in parameter!";

// The delta of the collinear-gradients methods and the TRIDIA coefficients
// are Greek letters. They are written as such in an ordinary font, which
// every system has, in the size the labels were designed with.
QFont GreekLabelFont(const QFont& base, bool italic) {
    QFont font = base;
    font.setPointSize(11);
    font.setItalic(italic);
    return font;
}

QFont SerifLabelFont(const QFont& base) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif")});
    font.setPointSize(11);
    font.setItalic(true);
    return font;
}

const QString kDeltaLabel = QStringLiteral("      \u03B4 =");
const QString kDeltaHint = QStringLiteral("Initial vicinity to do sub-Iterations");

Real ReadReal(const QLineEdit* edit) {
    Real value = 0;
    if (!TryParseReal(CommaToDot(edit->text().toStdString()), value)) throw ERealBadError(kBadParameter);
    return value;
}

int32_t ReadInteger(const QLineEdit* edit) {
    int32_t value = 0;
    if (!TryParseInt32(CommaToDot(edit->text().toStdString()), value)) throw ERealBadError(kBadParameter);
    return value;
}

// The value is stored before it is checked: a rejected value stays in its
// parameter until a valid one replaces it.
template <typename T>
void StoreChecked(T& parameter, T value, bool accepted) {
    parameter = value;
    if (!accepted) throw ERealBadError(kBadParameter);
}

} // namespace

TSecondForm::TSecondForm(RunState& state, std::function<void(std::exception_ptr)> onError,
                         std::function<void()> onAccepted, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state_(state), onError_(std::move(onError)), onAccepted_(std::move(onAccepted)) {
    setObjectName(QStringLiteral("SecondForm"));
    setWindowTitle(QStringLiteral("Tuning"));
    if (parent != nullptr) setFont(parent->font());

    QLabel** labels[4] = {&LabelConst1, &LabelConst2, &LabelConst3, &LabelConst4};
    QLineEdit** edits[4] = {&EditConst1, &EditConst2, &EditConst3, &EditConst4};
    for (int row = 0; row < 4; ++row) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("LabelConst%1").arg(row + 1));
        label->move(kLabelLeft, kRowTop[row] + 3);
        *labels[row] = label;
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("EditConst%1").arg(row + 1));
        edit->setGeometry(kEditLeft, kRowTop[row], kEditWidth, kEditHeight);
        connect(edit, &QLineEdit::returnPressed, this, [this] { EditConst1KeyPress(Qt::Key_Return); });
        *edits[row] = edit;
    }
    CmbInterpol = new QComboBox(this);
    CmbInterpol->setObjectName(QStringLiteral("CmbInterpol"));
    CmbInterpol->addItems({QStringLiteral("quadratic"), QStringLiteral("cubic")});
    // Nothing lies right of the second row: the list may be wider than the
    // edit box it covers, so that its items can be read.
    CmbInterpol->setGeometry(kEditLeft, kRowTop[1], kClientWidth - kEditLeft - 6, kEditHeight);
    CmbInterpol->hide();

    ButtonSet = new QPushButton(QStringLiteral("OK"), this);
    ButtonSet->setObjectName(QStringLiteral("ButtonSet"));
    ButtonSet->setGeometry(kEditLeft + kEditWidth + 6, kRowTop[0] - 2, kClientWidth - kEditLeft - kEditWidth - 12, 25);
    // Enter belongs to the edit boxes; the button must not take it as well.
    ButtonSet->setAutoDefault(false);
    connect(ButtonSet, &QPushButton::clicked, this, [this] { ButtonSetClick(); });

    SetFormHeight(formHeight_);
}

QLabel* TSecondForm::Label(int row) const {
    QLabel* const labels[4] = {LabelConst1, LabelConst2, LabelConst3, LabelConst4};
    return labels[row - 1];
}

QLineEdit* TSecondForm::Edit(int row) const {
    QLineEdit* const edits[4] = {EditConst1, EditConst2, EditConst3, EditConst4};
    return edits[row - 1];
}

void TSecondForm::SetFormHeight(int height) {
    formHeight_ = height;
    setFixedSize(kClientWidth, height - kFrameHeight);
}

void TSecondForm::SetRow(int row, const QString& label, const QString& hint, Real value) {
    Label(row)->setText(label);
    Label(row)->adjustSize();
    SetHint(Label(row), hint);
    Edit(row)->setText(QString::fromStdString(FormatGeneral(value)));
}

bool TSecondForm::FillForMethod() {
    const TunableParameters& p = state_.Params;
    TuningMethod = 1;
    SetFormHeight(185);
    EditConst2->show();
    CmbInterpol->hide();
    for (int row = 1; row <= 3; ++row) SetHint(Label(row), QString());
    CmbInterpol->setCurrentIndex(p.WolfeInterpolation == 1 ? 1 : 0);

    switch (state_.MethodCode) {
    case 0:
        SetFormHeight(75);
        SetRow(1, QStringLiteral("   step-size ="), QStringLiteral("Step-size parameter"), p.ConstStepSize);
        return true;
    case 2: case 4: case 6: case 8: case 10:
        SetFormHeight(110);
        SetRow(1, QStringLiteral(" Wolfe  c2 ="), QStringLiteral("Wolfe slope coefficient"), p.WolfeC2);
        LabelConst2->setText(QStringLiteral("Interpolation "));
        LabelConst2->adjustSize();
        SetHint(LabelConst2, QStringLiteral("Type of interpolation in Wolfe line search"));
        CmbInterpol->show();
        EditConst2->hide();
        return true;
    case 13:
        SetFormHeight(110);
        SetRow(1, QStringLiteral("CG prec. c ="),
               QStringLiteral("Precision coefficient (0<c<1) in forcing term for a linear Conjugate Gradients"),
               p.NewtonCgForcingC);
        LabelConst2->setText(QStringLiteral("maxSubiter ="));
        LabelConst2->adjustSize();
        SetHint(LabelConst2, QStringLiteral("Maximum subiterations number for a linear Conjugate Gradients"));
        EditConst2->setText(QString::number(p.MaxSubIter));
        return true;
    case 15:
        SetFormHeight(75);
        SetRow(1, QStringLiteral("maxRadius ="), QStringLiteral("Trust-region radius"), p.TrustMaxRadius);
        return true;
    case 16: case 17:
        SetFormHeight(145);
        SetRow(1, QStringLiteral("CollGrad  c1 ="),
               QStringLiteral("Parameter of collinearity accuracy for gradients in sub-Iterations"), p.CollC1);
        SetRow(2, QStringLiteral("CollGrad  c2 ="), QStringLiteral("Parameter for baund maximum sub-iterations"),
               p.CollC2);
        LabelConst3->setFont(GreekLabelFont(font(), false));
        SetRow(3, kDeltaLabel, kDeltaHint, state_.MethodCode == 16 ? p.CollDeltaDemo : p.CollDeltaFull);
        return true;
    default:
        return false;
    }
}

bool TSecondForm::FillForFunction() {
    const TunableParameters& p = state_.Params;
    TuningMethod = 0;
    setWindowTitle(QString::fromStdString(state_.FunctionName));
    switch (state_.FunctionCode) {
    case 13: {
        SetFormHeight(180);
        static const QString letters[4] = {QStringLiteral("      \u03B1 ="), QStringLiteral("      \u03B2 ="),
                                           QStringLiteral("      \u03B4 ="), QStringLiteral("      \u03B3 =")};
        const Real values[4] = {p.TridiaAlpha, p.TridiaBeta, p.TridiaDelta, p.TridiaGamma};
        for (int row = 1; row <= 4; ++row) {
            Label(row)->setFont(GreekLabelFont(font(), true));
            SetRow(row, letters[row - 1], QString(), values[row - 1]);
        }
        return true;
    }
    case 16:
        SetFormHeight(75);
        LabelConst1->setFont(SerifLabelFont(font()));
        SetRow(1, QStringLiteral("        d ="), QString(), p.HilbertD);
        return true;
    default:
        return false;
    }
}

void TSecondForm::StoreMethodParameters() {
    TunableParameters& p = state_.Params;
    switch (state_.MethodCode) {
    case 0: {
        const Real step = ReadReal(EditConst1);
        StoreChecked(p.ConstStepSize, step, step > 0);
        break;
    }
    case 2: case 4: case 6: case 8: case 10: {
        const Real c2 = ReadReal(EditConst1);
        StoreChecked(p.WolfeC2, c2, c2 > 0 && c2 < 1);
        p.WolfeInterpolation = CmbInterpol->currentText() == QStringLiteral("cubic") ? 1 : 0;
        break;
    }
    case 13: {
        const Real c = ReadReal(EditConst1);
        StoreChecked(p.NewtonCgForcingC, c, c > 0 && c < 1);
        const int32_t maxSubIter = ReadInteger(EditConst2);
        StoreChecked(p.MaxSubIter, maxSubIter, maxSubIter > 0);
        break;
    }
    case 15: {
        const Real radius = ReadReal(EditConst1);
        StoreChecked(p.TrustMaxRadius, radius, radius > 0);
        break;
    }
    case 16: case 17: {
        const Real c1 = ReadReal(EditConst1);
        StoreChecked(p.CollC1, c1, c1 >= 0 && c1 < 1);
        const Real c2 = ReadReal(EditConst2);
        StoreChecked(p.CollC2, c2, c2 > 0);
        const Real delta = ReadReal(EditConst3);
        StoreChecked(state_.MethodCode == 16 ? p.CollDeltaDemo : p.CollDeltaFull, delta, delta > 0);
        break;
    }
    default:
        break;
    }
}

void TSecondForm::StoreFunctionParameters() {
    TunableParameters& p = state_.Params;
    switch (state_.FunctionCode) {
    case 13:
        p.TridiaAlpha = ReadReal(EditConst1);
        p.TridiaBeta = ReadReal(EditConst2);
        p.TridiaDelta = ReadReal(EditConst3);
        p.TridiaGamma = ReadReal(EditConst4);
        break;
    case 16:
        p.HilbertD = ReadReal(EditConst1);
        break;
    default:
        break;
    }
}

void TSecondForm::ButtonSetClick() {
    try {
        if (TuningMethod == 1)
            StoreMethodParameters();
        else
            StoreFunctionParameters();
    } catch (...) {
        // The dialog stays open for a correction.
        if (onError_) onError_(std::current_exception());
        return;
    }
    for (int row = 1; row <= 4; ++row) Edit(row)->clear();
    if (onAccepted_) onAccepted_();
    accept();
}

// Enter in any of the four edit boxes confirms the values.
void TSecondForm::EditConst1KeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) ButtonSetClick();
}

// The dialog sees every key before its controls do (KeyPreview): Esc
// anywhere closes it without storing.
bool TSecondForm::FormKeyDown(int key) {
    if (key != Qt::Key_Escape) return false;
    close();
    return true;
}

void TSecondForm::keyPressEvent(QKeyEvent* event) {
    if (FormKeyDown(event->key())) return;
    QDialog::keyPressEvent(event);
}

} // namespace tarvik::ui

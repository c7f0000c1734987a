#include "ui/tuning_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/text_input.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

constexpr int kClientWidth = 216;
constexpr int kRowTop[TSecondForm::kMaxRows] = {14, 48, 83, 118, 153, 188};
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

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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

    QLabel** labels[kMaxRows] = {&LabelConst1, &LabelConst2, &LabelConst3, &LabelConst4, &LabelConst5, &LabelConst6};
    QLineEdit** edits[kMaxRows] = {&EditConst1, &EditConst2, &EditConst3, &EditConst4, &EditConst5, &EditConst6};
    for (int row = 0; row < kMaxRows; ++row) {
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
    QLabel* const labels[kMaxRows] = {LabelConst1, LabelConst2, LabelConst3, LabelConst4, LabelConst5, LabelConst6};
    return labels[row - 1];
}

QLineEdit* TSecondForm::Edit(int row) const {
    QLineEdit* const edits[kMaxRows] = {EditConst1, EditConst2, EditConst3, EditConst4, EditConst5, EditConst6};
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

void TSecondForm::FillRows(std::span<const ParameterRow> rows) {
    const TunableParameters& p = state_.Params;
    // 75 shows one row, each further row 35 more.
    SetFormHeight(40 + 35 * static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ParameterRow& param = rows[i];
        const int row = static_cast<int>(i) + 1;
        switch (param.face) {
        case LabelFace::Plain: break;
        case LabelFace::Greek: Label(row)->setFont(GreekLabelFont(font(), false)); break;
        case LabelFace::GreekItalic: Label(row)->setFont(GreekLabelFont(font(), true)); break;
        case LabelFace::SerifItalic: Label(row)->setFont(SerifLabelFont(font())); break;
        }
        const QString label = Text(param.label);
        const QString hint = param.hint.empty() ? QString() : Text(param.hint);
        switch (param.kind) {
        case ParameterKind::Decimal:
            SetRow(row, label, hint, p.*param.real);
            break;
        case ParameterKind::Integer:
            Label(row)->setText(label);
            Label(row)->adjustSize();
            SetHint(Label(row), hint);
            Edit(row)->setText(QString::number(p.*param.integer));
            break;
        case ParameterKind::Interpolation:
            // The list lies over the edit box of its row.
            Label(row)->setText(label);
            Label(row)->adjustSize();
            SetHint(Label(row), hint);
            CmbInterpol->show();
            Edit(row)->hide();
            break;
        }
    }
}

void TSecondForm::FillForMethod() {
    const TunableParameters& p = state_.Params;
    TuningMethod = 1;
    SetFormHeight(185);
    EditConst2->show();
    CmbInterpol->hide();
    for (int row = 1; row <= 3; ++row) SetHint(Label(row), QString());
    CmbInterpol->setCurrentIndex(p.WolfeInterpolation == 1 ? 1 : 0);

    const auto own = Traits(state_.MethodCode).parameters;
    const auto limits = parameter_rows::RunLimits();
    methodRows_.assign(own.begin(), own.end());
    methodRows_.insert(methodRows_.end(), limits.begin(), limits.end());
    FillRows(methodRows_);
}

bool TSecondForm::FillForFunction() {
    TuningMethod = 0;
    setWindowTitle(QString::fromStdString(state_.FunctionName));
    const auto rows = Traits(state_.FunctionCode).parameters;
    if (rows.empty()) return false;
    FillRows(rows);
    return true;
}

void TSecondForm::StoreRows(std::span<const ParameterRow> rows) {
    TunableParameters& p = state_.Params;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ParameterRow& param = rows[i];
        const int row = static_cast<int>(i) + 1;
        switch (param.kind) {
        case ParameterKind::Decimal: {
            const Real value = ReadReal(Edit(row));
            StoreChecked(p.*param.real, value, InRange(param.valid, value));
            break;
        }
        case ParameterKind::Integer: {
            const int32_t value = ReadInteger(Edit(row));
            StoreChecked(p.*param.integer, value, InRange(param.valid, value));
            break;
        }
        case ParameterKind::Interpolation:
            p.*param.choice = CmbInterpol->currentText() == QStringLiteral("cubic") ? 1 : 0;
            break;
        }
    }
}

void TSecondForm::StoreMethodParameters() { StoreRows(methodRows_); }

void TSecondForm::StoreFunctionParameters() { StoreRows(Traits(state_.FunctionCode).parameters); }

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

#include "ui/compare_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace tarvik::ui {

namespace {

const char* const kGroupTitles[5] = {"Gradient methods", "Conjugate gradient methods", "quasi-Newton methods",
                                     "Newton methods", "Author's methods"};

} // namespace

CompareDialog::CompareDialog(const CompareSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("Compare methods"));
    auto* layout = new QVBoxLayout(this);

    // The groups in two columns keep the dialog smaller than the window.
    auto* groups = new QGridLayout;
    for (int g = 0; g < 5; ++g) {
        auto* box = new QGroupBox(QString::fromLatin1(kGroupTitles[g]), this);
        auto* column = new QVBoxLayout(box);
        for (int position = 0; position < MethodCount; ++position) {
            const MethodTraits& m = MethodAtPosition(position);
            if (static_cast<int>(m.group) != g) continue;
            auto* check = new QCheckBox(QString::fromUtf8(m.name.data(), static_cast<int>(m.name.size())), box);
            check->setObjectName(QStringLiteral("ChkCompare%1").arg(position));
            check->setChecked(std::find(settings.positions.begin(), settings.positions.end(), position) !=
                              settings.positions.end());
            connect(check, &QCheckBox::toggled, this, [this] { UpdateStartButton(); });
            column->addWidget(check);
            MethodBoxes[static_cast<std::size_t>(position)] = check;
        }
        groups->addWidget(box, g < 3 ? g : g - 3, g < 3 ? 0 : 1);
    }
    layout->addLayout(groups);

    auto* limits = new QFormLayout;
    IterationLimit = new QSpinBox(this);
    IterationLimit->setObjectName(QStringLiteral("SpinCompareIterations"));
    IterationLimit->setRange(1, INT_MAX);
    IterationLimit->setValue(std::max(1, settings.maxIterations));
    limits->addRow(QStringLiteral("Iterations at most, per method:"), IterationLimit);
    layout->addLayout(limits);

    auto* failures = new QGroupBox(QStringLiteral("When a method fails (e.g. Hessian<0)"), this);
    auto* failureColumn = new QVBoxLayout(failures);
    CancelFailedRun = new QRadioButton(QStringLiteral("Cancel the run"), failures);
    SubstituteStep = new QRadioButton(QStringLiteral("Take the steepest-descent step (as Yes to All)"), failures);
    failureColumn->addWidget(CancelFailedRun);
    failureColumn->addWidget(SubstituteStep);
    (settings.failureAnswer == FailureAnswer::YesToAll ? SubstituteStep : CancelFailedRun)->setChecked(true);
    layout->addWidget(failures);

    auto* buttons = new QDialogButtonBox(this);
    StartButton = buttons->addButton(QStringLiteral("Start"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    UpdateStartButton();
}

CompareSettings CompareDialog::Settings() const {
    CompareSettings s;
    s.positions.clear();
    // The table lists the methods in the order of the method lists.
    for (const MethodId id : MethodsInGroupOrder())
        if (MethodBoxes[static_cast<std::size_t>(ListPosition(id))]->isChecked()) s.positions.push_back(ListPosition(id));
    s.maxIterations = IterationLimit->value();
    s.failureAnswer = SubstituteStep->isChecked() ? FailureAnswer::YesToAll : FailureAnswer::Cancel;
    return s;
}

void CompareDialog::UpdateStartButton() {
    // A comparison of nothing has nothing to show.
    StartButton->setEnabled(std::any_of(MethodBoxes.begin(), MethodBoxes.end(),
                                        [](const QCheckBox* b) { return b != nullptr && b->isChecked(); }));
}

} // namespace tarvik::ui

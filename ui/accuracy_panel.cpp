#include "ui/accuracy_panel.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>

#include "ui/design_widgets.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

AccuracyPanel::AccuracyPanel(QWidget* parent) : QGroupBox(QStringLiteral("Minimize up to accuracy:"), parent) {
    setObjectName(QStringLiteral("GboxMinAccuracy"));

    RbtnPrec1 = new QRadioButton(QStringLiteral("  ||u-u*||/||u°-u*|| <"), this);
    RbtnPrec1->setObjectName(QStringLiteral("RbtnPrec1"));
    RbtnPrec1->setGeometry(8, 20, 170, 17);
    RbtnPrec1->setChecked(true);
    SetHint(RbtnPrec1, QStringLiteral("| Minimization accuracy for known minimum u*"));
    CmbPrec1 = NewCombo(this, "CmbPrec1", true, 180, 18, 64, 21);
    SetHint(CmbPrec1, QStringLiteral("Select or type the accuracy | Select or type the accuracy for minimization"));

    RbtnPrec2 = new QRadioButton(QStringLiteral("  | J(u') - J(u'') |/J(u°) <"), this);
    RbtnPrec2->setObjectName(QStringLiteral("RbtnPrec2"));
    RbtnPrec2->setGeometry(8, 47, 170, 17);
    SetHint(RbtnPrec2, QStringLiteral("| Minimization accuracy relative to change of the function"));
    CmbPrec2 = NewCombo(this, "CmbPrec2", true, 180, 45, 64, 21);
    SetHint(CmbPrec2, QStringLiteral("Select or type the accuracy | Select or type the accuracy for minimization"));

    Label10 = new QLabel(QStringLiteral("!"), this);
    Label10->setObjectName(QStringLiteral("Label10"));
    QFont bang = Label10->font();
    bang.setBold(true);
    bang.setPixelSize(19);
    Label10->setFont(bang);
    SetTextColour(Label10, QColor(255, 0, 0));
    Label10->move(250, 42);
    Label10->adjustSize();
    Label10->hide();
}

void AccuracyPanel::FillLists() {
    const QStringList accuracies{QStringLiteral("0.1"),    QStringLiteral("0.05"),    QStringLiteral("0.01"),
                                 QStringLiteral("0.005"),  QStringLiteral("0.001"),   QStringLiteral("0.0005"),
                                 QStringLiteral("0.0001"), QStringLiteral("0.00001"), QStringLiteral("0.000001")};
    CmbPrec1->addItems(accuracies);
    CmbPrec2->addItems(accuracies);
    CmbPrec2->addItems({QStringLiteral("1E-10"), QStringLiteral("1E-20")});
    CmbPrec1->setCurrentText(QStringLiteral("0.01"));
    CmbPrec2->setCurrentText(QStringLiteral("0.01"));
}

AccuracyChoice AccuracyPanel::Choice() const {
    return {RbtnPrec1->isChecked(), RbtnPrec2->isChecked(), CmbPrec1->currentText().toStdString(),
            CmbPrec2->currentText().toStdString()};
}

void AccuracyPanel::SetChoice(const AccuracyChoice& choice) {
    SetRadioGroup({{RbtnPrec1, choice.knownMinimum}, {RbtnPrec2, choice.changeOfJ}});
    SetComboText(CmbPrec1, QString::fromStdString(choice.eps1));
    SetComboText(CmbPrec2, QString::fromStdString(choice.eps2));
}

void AccuracyPanel::RequireChangeOfJ() {
    RbtnPrec1->setEnabled(false);
    RbtnPrec2->setEnabled(true);
    RbtnPrec2->setChecked(true);
}

void AccuracyPanel::AllowKnownMinimum(bool choose) {
    RbtnPrec1->setEnabled(true);
    if (choose) RbtnPrec1->setChecked(true);
}

QWidgetList AccuracyPanel::FocusOrder() const { return {RbtnPrec1, CmbPrec1, RbtnPrec2, CmbPrec2}; }

void AccuracyPanel::UpdateLabel10() { Label10->setVisible(!RbtnPrec1->isChecked()); }

} // namespace tarvik::ui

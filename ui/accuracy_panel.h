#pragma once
// The group box "Minimize up to accuracy:": the distance to a known minimum
// or the change of J as the stopping rule, each with its accuracy list, and
// the red "!" that marks a function whose minimum is not the one measured.
#include <QGroupBox>
#include <string>

class QComboBox;
class QLabel;
class QRadioButton;

namespace tarvik::ui {

// What the panel holds, as the run and data.ini take it.
struct AccuracyChoice {
    bool knownMinimum = true;    // RbtnPrec1
    bool changeOfJ = false;      // RbtnPrec2
    std::string eps1, eps2;      // the texts of CmbPrec1 and CmbPrec2

    bool operator==(const AccuracyChoice&) const = default;
};

class AccuracyPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit AccuracyPanel(QWidget* parent);

    QRadioButton* RbtnPrec1 = nullptr;
    QComboBox* CmbPrec1 = nullptr;
    QRadioButton* RbtnPrec2 = nullptr;
    QComboBox* CmbPrec2 = nullptr;
    QLabel* Label10 = nullptr;

    // The accuracy lists and their first-start values.
    void FillLists();
    AccuracyChoice Choice() const;
    // Puts back a stored choice; texts go into the editable lists as typed.
    void SetChoice(const AccuracyChoice& choice);
    // Only the change of J can stop a run (no single known minimum).
    void RequireChangeOfJ();
    // The distance to a known minimum may be chosen again; `choose` also
    // chooses it.
    void AllowKnownMinimum(bool choose);
    // The "!" shows while the change of J is chosen.
    void UpdateLabel10();
    // The controls in the order Tab visits them, row by row.
    QWidgetList FocusOrder() const;
};

} // namespace tarvik::ui

#pragma once
// The raised panel "Method:": five group buttons (gradient, conjugate
// gradient, quasi-Newton, Newton, the author's) and one method list per
// group, of which the chosen group's shows.
#include <QFrame>
#include <array>
#include <optional>

#include "core/catalogue_ids.h"

class QComboBox;
class QLabel;
class QToolButton;

namespace tarvik::ui {

constexpr int kMethodGroupCount = 5;

// What the panel holds, as the run and data.ini take it.
struct MethodChoice {
    int group = 0;                                     // the group last chosen
    std::array<bool, kMethodGroupCount> shown{true};   // which lists show
    // The method of the (last) list that shows; put back, none leaves the
    // lists as they are.
    std::optional<MethodId> method;

    bool operator==(const MethodChoice&) const = default;
};

class MethodPanel : public QFrame {
    Q_OBJECT
public:
    explicit MethodPanel(QWidget* parent);

    QLabel* Label4 = nullptr;
    QComboBox* CmbMethodsGrad = nullptr;
    QComboBox* CmbMethodsConjGrad = nullptr;
    QComboBox* CmbMethodsQuasiN = nullptr;
    QComboBox* CmbMethodsNewton = nullptr;
    QComboBox* CmbMethodsAuthor = nullptr;
    QToolButton* SpeedBtnGrad = nullptr;
    QToolButton* SpeedBtnConjGrad = nullptr;
    QToolButton* SpeedBtnQuasiN = nullptr;
    QToolButton* SpeedBtnNewton = nullptr;
    QToolButton* SpeedBtnAuthor = nullptr;

    // Every method in its group's list (MethodsInGroupOrder()); each item
    // keeps its method's id.
    void FillLists();
    QComboBox* MethodList(int group) const;
    QToolButton* GroupButton(int group) const;
    int Group() const { return group_; }
    // The method of the list that shows (the last one that shows wins).
    MethodId Method() const;
    MethodChoice Choice() const;
    // Puts back a stored choice as it was stored, several lists or none
    // showing included.
    void SetChoice(const MethodChoice& choice);
    // The group's list shows and its button is the pressed one.
    void ShowGroup(int group);
    // Before any choice is read the gradient list shows.
    void ShowFirstGroup();
    // The controls in the order Tab visits them: the list, then the group
    // buttons from left to right.
    QWidgetList FocusOrder() const;

signals:
    // A group button was clicked.
    void groupChosen(int group);
    // The user picked a method in its group's list.
    void methodChanged(tarvik::MethodId method);

private:
    int group_ = 0;
};

} // namespace tarvik::ui

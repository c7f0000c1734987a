#include "ui/method_panel.h"

#include <QComboBox>
#include <QLabel>
#include <QToolButton>

#include "core/method_catalogue.h"
#include "ui/design_widgets.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

const QColor kButtonShadow(160, 160, 160);
const QColor kButtonText(0, 0, 0);
const QColor kInactiveCaptionText(224, 232, 248);

MethodId MethodOfItem(const QComboBox* list, int item) { return static_cast<MethodId>(list->itemData(item).toInt()); }

} // namespace

MethodPanel::MethodPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PanelMethods"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    SetBackground(this, kButtonShadow);
    Label4 = NewLabel(this, "Label4", QStringLiteral("Method:"), 6, 10);

    const char* listNames[kMethodGroupCount] = {"CmbMethodsGrad", "CmbMethodsConjGrad", "CmbMethodsQuasiN",
                                                "CmbMethodsNewton", "CmbMethodsAuthor"};
    QComboBox** lists[kMethodGroupCount] = {&CmbMethodsGrad, &CmbMethodsConjGrad, &CmbMethodsQuasiN,
                                            &CmbMethodsNewton, &CmbMethodsAuthor};
    for (int g = 0; g < kMethodGroupCount; ++g) {
        QComboBox* combo = NewCombo(this, listNames[g], false, 48, 7, 241, 21);
        SetHint(combo, QStringLiteral("Select a minimization method | Select a minimization method"));
        combo->hide();
        *lists[g] = combo;
        connect(combo, qOverload<int>(&QComboBox::activated), this,
                [this, combo](int item) { emit methodChanged(MethodOfItem(combo, item)); });
    }

    const char* buttonNames[kMethodGroupCount] = {"SpeedBtnGrad", "SpeedBtnConjGrad", "SpeedBtnQuasiN",
                                                  "SpeedBtnNewton", "SpeedBtnAuthor"};
    const QString captions[kMethodGroupCount] = {QStringLiteral("Grad"), QStringLiteral("ConjGrad"),
                                                 QStringLiteral("quasi-N"), QStringLiteral("Newton"),
                                                 QStringLiteral("Author's")};
    const QString hints[kMethodGroupCount] = {
        QStringLiteral("Gradient methods | Shows a group of gradient methods"),
        QStringLiteral("Conjugate gradient methods | Shows a group of conjugate gradient methods"),
        QStringLiteral("quasi-Newton methods | Shows a group of quasi-Newton methods"),
        QStringLiteral("Newton methods | Shows a group of Newton methods"),
        QStringLiteral("Author's methods | Shows a group of author's methods ")};
    const int lefts[kMethodGroupCount + 1] = {3, 61, 122, 181, 239, 296};
    QToolButton** buttons[kMethodGroupCount] = {&SpeedBtnGrad, &SpeedBtnConjGrad, &SpeedBtnQuasiN, &SpeedBtnNewton,
                                                &SpeedBtnAuthor};
    for (int g = 0; g < kMethodGroupCount; ++g) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(buttonNames[g]));
        button->setText(captions[g]);
        button->setCheckable(true);
        button->setAutoRaise(true);
        // Tab reaches the buttons; a mouse click leaves the focus where it is.
        button->setFocusPolicy(Qt::TabFocus);
        button->setGeometry(lefts[g], 30, lefts[g + 1] - lefts[g] - 1, 22);
        SetTextColour(button, kInactiveCaptionText);
        SetHint(button, hints[g]);
        *buttons[g] = button;
        connect(button, &QToolButton::clicked, this, [this, g] { emit groupChosen(g); });
    }
}

void MethodPanel::FillLists() {
    for (const MethodId id : MethodsInGroupOrder()) {
        const MethodTraits& m = Traits(id);
        MethodList(static_cast<int>(m.group))
            ->addItem(QString::fromUtf8(m.name.data(), static_cast<int>(m.name.size())), static_cast<int>(m.id));
    }
    for (int g = 0; g < kMethodGroupCount; ++g) MethodList(g)->setCurrentIndex(0);
}

QComboBox* MethodPanel::MethodList(int group) const {
    switch (group) {
    case 0: return CmbMethodsGrad;
    case 1: return CmbMethodsConjGrad;
    case 2: return CmbMethodsQuasiN;
    case 3: return CmbMethodsNewton;
    default: return CmbMethodsAuthor;
    }
}

QToolButton* MethodPanel::GroupButton(int group) const {
    switch (group) {
    case 0: return SpeedBtnGrad;
    case 1: return SpeedBtnConjGrad;
    case 2: return SpeedBtnQuasiN;
    case 3: return SpeedBtnNewton;
    default: return SpeedBtnAuthor;
    }
}

MethodId MethodPanel::Method() const {
    MethodId method = tarvik::MethodList().front().id;
    for (int g = 0; g < kMethodGroupCount; ++g)
        if (MethodList(g)->isVisibleTo(this) && MethodList(g)->currentIndex() >= 0)
            method = MethodOfItem(MethodList(g), MethodList(g)->currentIndex());
    return method;
}

MethodChoice MethodPanel::Choice() const {
    MethodChoice c;
    c.group = group_;
    for (int g = 0; g < kMethodGroupCount; ++g) c.shown[static_cast<size_t>(g)] = !MethodList(g)->isHidden();
    c.method = Method();
    return c;
}

void MethodPanel::SetChoice(const MethodChoice& choice) {
    group_ = choice.group;
    for (int g = 0; g < kMethodGroupCount; ++g) MethodList(g)->setVisible(choice.shown[static_cast<size_t>(g)]);
    for (int g = 0; g < kMethodGroupCount; ++g) {
        if (!choice.shown[static_cast<size_t>(g)]) continue;
        if (choice.method) SetItemIndex(MethodList(g), MethodList(g)->findData(static_cast<int>(*choice.method)));
        GroupButton(g)->setChecked(true);
    }
    SetTextColour(SpeedBtnGrad, kInactiveCaptionText);
    if (choice.group >= 0 && choice.group < kMethodGroupCount) SetTextColour(GroupButton(choice.group), kButtonText);
}

void MethodPanel::ShowGroup(int group) {
    group_ = group;
    MethodList(group)->show();
    for (int g = 0; g < kMethodGroupCount; ++g) {
        SetTextColour(GroupButton(g), g == group ? kButtonText : kInactiveCaptionText);
        GroupButton(g)->setChecked(g == group);
        if (g != group) MethodList(g)->hide();
    }
}

QWidgetList MethodPanel::FocusOrder() const {
    QWidgetList order;
    for (int g = 0; g < kMethodGroupCount; ++g) order << MethodList(g);
    for (int g = 0; g < kMethodGroupCount; ++g) order << GroupButton(g);
    return order;
}

void MethodPanel::ShowFirstGroup() {
    CmbMethodsGrad->show();
    SetTextColour(SpeedBtnGrad, kButtonText);
}

} // namespace tarvik::ui

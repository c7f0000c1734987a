#include "ui/design_widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QString>
#include <QWidget>

namespace tarvik::ui {

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QFont ComicFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("URW Bookman"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QComboBox* NewCombo(QWidget* parent, const char* name, bool editable, int left, int top, int width, int height) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(editable);
    if (editable) {
        // Typed texts are taken as they are: no completion, no new items.
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    combo->setMaxVisibleItems(20);
    combo->setGeometry(left, top, width, height);
    return combo;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int left, int top, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->move(left, top);
    label->adjustSize();
    return label;
}

void SetItemIndex(QComboBox* combo, int index) {
    if (index >= 0 && index < combo->count()) combo->setCurrentIndex(index);
}

void SetComboText(QComboBox* combo, const QString& text) {
    const int found = combo->findText(text, Qt::MatchExactly);
    if (found >= 0) combo->setCurrentIndex(found);
    combo->setEditText(text);
}

void SetRadioGroup(std::initializer_list<std::pair<QRadioButton*, bool>> buttons) {
    bool any = false;
    for (const auto& [button, checked] : buttons) any = any || checked;
    for (const auto& [button, checked] : buttons) {
        button->setAutoExclusive(any);
        button->setChecked(checked);
    }
    for (const auto& [button, checked] : buttons) button->setAutoExclusive(true);
}

} // namespace tarvik::ui

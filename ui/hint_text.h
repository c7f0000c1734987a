#pragma once
// Hints in two parts, "short | long": the short part is the tooltip, the
// long part goes to status-bar panel 0 while the mouse is over the control.
// A hint without "|" is both at once.
#include <QString>

class QWidget;

namespace tarvik::ui {

inline QString ShortHint(const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

inline QString LongHint(const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

// Stores the whole hint on the widget and shows its short part as tooltip.
void SetHint(QWidget* widget, const QString& hint);
// The whole hint stored by SetHint, empty when none.
QString HintOf(const QWidget* widget);

} // namespace tarvik::ui

#include "ui/hint_text.h"

#include <QVariant>
#include <QWidget>

namespace tarvik::ui {

namespace {
constexpr const char* kHintProperty = "tarvikHint";
}

void SetHint(QWidget* widget, const QString& hint) {
    widget->setProperty(kHintProperty, hint);
    widget->setToolTip(ShortHint(hint).trimmed().isEmpty() ? QString() : ShortHint(hint));
}

QString HintOf(const QWidget* widget) { return widget->property(kHintProperty).toString(); }

} // namespace tarvik::ui

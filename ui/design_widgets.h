#pragma once
// Small builders and setters that the window and its panels share, so that
// every panel's controls look and behave as the window's own.
#include <QColor>
#include <initializer_list>
#include <utility>

class QComboBox;
class QFont;
class QLabel;
class QRadioButton;
class QString;
class QWidget;

namespace tarvik::ui {

void SetTextColour(QWidget* widget, const QColor& colour);
// The bold decorative font of the titles and the run's caption.
QFont ComicFont(int pixelSize);
// The widget fills its area with colour.
void SetBackground(QWidget* widget, const QColor& colour);
// A list placed in pixels; an editable one takes typed texts as they are.
QComboBox* NewCombo(QWidget* parent, const char* name, bool editable, int left, int top, int width, int height);
// A label placed at its top left corner, as wide as its text.
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int left, int top, bool bold = false);
// An index the list does not have leaves the list as it is.
void SetItemIndex(QComboBox* combo, int index);
// An item typed into an editable list selects that item, as picking it does.
void SetComboText(QComboBox* combo, const QString& text);
// A radio group of Qt always keeps one button checked; a file may clear all.
void SetRadioGroup(std::initializer_list<std::pair<QRadioButton*, bool>> buttons);

} // namespace tarvik::ui

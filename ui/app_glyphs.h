#pragma once
// The application icon and the glyphs of the small status-bar buttons,
// drawn in code so the program needs no image files of its own.
#include <QIcon>

namespace tarvik::ui {

QIcon MakeApplicationIcon();
QIcon MakeSoundOnGlyph();
QIcon MakeSoundOffGlyph();
QIcon MakeHelpGlyph();

} // namespace tarvik::ui

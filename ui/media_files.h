#pragma once
// The Media folder (sounds and function pictures) is looked up beside the
// executable first, then in the current folder, so the program works both
// when started from its build folder and from elsewhere.
#include <QString>

namespace tarvik::ui {

// Path of Media/<fileName> where it exists; when it exists in neither
// place, the path beside the executable (the one an error message names).
QString MediaPath(const QString& fileName);

} // namespace tarvik::ui

#pragma once
// The Media folder (sounds and function pictures) is looked up beside the
// executable first, then in the current folder, so the program works both
// when started from its build folder and from elsewhere; an installed program
// (bin/tarvik) finds it last in ../share/tarvik/Media from its own folder.
#include <QString>

namespace tarvik::ui {

// Path of Media/<fileName> where it exists; when it exists in none of the
// places, the path beside the executable (the one an error message names).
QString MediaPath(const QString& fileName);

// The same search from the given program and current folders.
QString MediaPathFrom(const QString& programDir, const QString& currentDir, const QString& fileName);

// README.md, the program's help: beside the executable (the build copies it
// there) or installed as share/doc/tarvik/README.md; empty where neither is.
QString HelpPathFrom(const QString& programDir);
QString HelpPath();

} // namespace tarvik::ui

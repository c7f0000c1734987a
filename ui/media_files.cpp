#include "ui/media_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tarvik::ui {

QString MediaPathFrom(const QString& programDir, const QString& currentDir, const QString& fileName) {
    const QString relative = QStringLiteral("Media/") + fileName;
    const QString besideProgram = QDir(programDir).filePath(relative);
    if (QFileInfo::exists(besideProgram)) return besideProgram;
    const QString inCurrent = QDir(currentDir).filePath(relative);
    if (QFileInfo::exists(inCurrent)) return inCurrent;
    const QString installed =
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/tarvik/") + relative));
    if (QFileInfo::exists(installed)) return installed;
    return besideProgram;
}

QString HelpPathFrom(const QString& programDir) {
    for (const QString& relative : {QStringLiteral("README.md"), QStringLiteral("../share/doc/tarvik/README.md")}) {
        const QString path = QDir::cleanPath(QDir(programDir).filePath(relative));
        if (QFileInfo::exists(path)) return path;
    }
    return QString();
}

QString HelpPath() { return HelpPathFrom(QCoreApplication::applicationDirPath()); }

QString MediaPath(const QString& fileName) {
    return MediaPathFrom(QCoreApplication::applicationDirPath(), QDir::currentPath(), fileName);
}

} // namespace tarvik::ui

#include "ui/media_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tarvik::ui {

QString MediaPath(const QString& fileName) {
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Media/") + fileName);
    if (QFileInfo::exists(besideProgram)) return besideProgram;
    const QString inCurrent = QDir::current().filePath(QStringLiteral("Media/") + fileName);
    if (QFileInfo::exists(inCurrent)) return inCurrent;
    return besideProgram;
}

} // namespace tarvik::ui

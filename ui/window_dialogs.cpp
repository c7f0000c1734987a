#include "ui/window_dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace tarvik::ui {

namespace {

const QString kBoxTitle = QStringLiteral("Tarvik");

QString StartPath(const QString& initialDir, const QString& initialPath) {
    if (initialPath.isEmpty()) return initialDir;
    if (QFileInfo(initialPath).isAbsolute() || initialDir.isEmpty()) return initialPath;
    return QDir(initialDir).filePath(initialPath);
}

} // namespace

void WindowDialogs::Info(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kBoxTitle, text, QMessageBox::Ok);
}

void WindowDialogs::Error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, kBoxTitle, text, QMessageBox::Ok);
}

int WindowDialogs::FailureChoice(QWidget* parent, const QString& text) {
    const auto answer = QMessageBox::information(
        parent, kBoxTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll,
        QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    case QMessageBox::YesToAll: return 10;
    default: return 2;
    }
}

bool WindowDialogs::ConfirmYes(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kBoxTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

QString WindowDialogs::OpenFile(QWidget* parent, const QString& title, const QString& initialDir,
                                const QString& initialPath) {
    return QFileDialog::getOpenFileName(parent, title.isEmpty() ? QStringLiteral("Open") : title,
                                        StartPath(initialDir, initialPath));
}

QString WindowDialogs::SaveFile(QWidget* parent, const QString& title, const QString& initialDir,
                                const QString& proposedName, const QStringList& filters, int& filterIndex,
                                const QStringList& defaultSuffixes) {
    QFileDialog dialog(parent, title, StartPath(initialDir, proposedName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (filterIndex >= 0 && filterIndex < filters.size()) dialog.selectNameFilter(filters.at(filterIndex));
        // The default extension follows the type the user picks.
        const auto applySuffix = [&dialog, &filters, &defaultSuffixes](const QString& filter) {
            const int index = static_cast<int>(filters.indexOf(filter));
            if (index >= 0 && index < defaultSuffixes.size()) dialog.setDefaultSuffix(defaultSuffixes.at(index));
        };
        applySuffix(dialog.selectedNameFilter());
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, applySuffix);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    if (!filters.isEmpty()) {
        const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
        if (chosen >= 0) filterIndex = chosen;
    }
    return dialog.selectedFiles().constFirst();
}

void WindowDialogs::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

} // namespace tarvik::ui

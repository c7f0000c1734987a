#include "ui/window_dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "ui/compare_dialog.h"
#include "ui/formula_dialog.h"

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

FailureAnswer WindowDialogs::FailureChoice(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, kBoxTitle, text, QMessageBox::NoButton, parent);
    // Standard buttons are re-sorted by the platform's button layout; buttons
    // of one role keep the order in which they are added.
    QPushButton* yes = box.addButton(QMessageBox::tr("&Yes"), QMessageBox::ActionRole);
    QPushButton* no = box.addButton(QMessageBox::tr("&No"), QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(QMessageBox::tr("Cancel"), QMessageBox::ActionRole);
    QPushButton* yesToAll = box.addButton(QMessageBox::tr("Yes to &All"), QMessageBox::ActionRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    const QAbstractButton* answer = box.clickedButton();
    if (answer == yes) return FailureAnswer::Yes;
    if (answer == no) return FailureAnswer::No;
    if (answer == yesToAll) return FailureAnswer::YesToAll;
    return FailureAnswer::Cancel;
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

bool WindowDialogs::EditFormula(QWidget* parent, TypedFunction& typed) {
    FormulaDialog dialog(typed, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    typed = dialog.Function();
    return true;
}

bool WindowDialogs::ChooseComparison(QWidget* parent, CompareSettings& settings) {
    CompareDialog dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.Settings();
    return true;
}

int WindowDialogs::PopupMenu(QWidget* parent, const QPoint& globalPos, const QStringList& items) {
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("FigureMenu"));
    for (const QString& item : items) menu.addAction(item);
    const QAction* chosen = menu.exec(globalPos);
    return chosen == nullptr ? -1 : static_cast<int>(menu.actions().indexOf(chosen));
}

} // namespace tarvik::ui

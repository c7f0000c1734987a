#pragma once
// Every modal box and file dialog of the main window goes through this
// class, so that tests can answer them without a person at the screen. The
// base class shows the real Qt dialogs.
#include <QString>
#include <QStringList>

#include "core/host.h"
#include "core/typed_function.h"

class QPoint;
class QWidget;
class QUrl;

namespace tarvik::ui {

struct CompareSettings;

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // Information and error boxes with one OK button, titled "Tarvik".
    virtual void Info(QWidget* parent, const QString& text);
    virtual void Error(QWidget* parent, const QString& text);
    // The method-failure box: Yes 6, No 7, Cancel 2, Yes to All 10.
    virtual FailureAnswer FailureChoice(QWidget* parent, const QString& text);
    // The close question (Yes, No, Cancel): true for Yes.
    virtual bool ConfirmYes(QWidget* parent, const QString& text);

    // Open dialog; initialPath may be a file name or a full path. Returns the
    // chosen path, empty on cancel.
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& initialDir,
                             const QString& initialPath);
    // Save dialog that asks before overwriting. filters may be empty; with
    // filters, filterIndex (0-based) is the filter to open on and receives
    // the one chosen. Returns the chosen path, empty on cancel.
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& initialDir,
                             const QString& proposedName, const QStringList& filters, int& filterIndex,
                             const QStringList& defaultSuffixes = {});

    // The compare dialog, opened on settings; true (with settings as chosen)
    // when its Start was pressed.
    virtual bool ChooseComparison(QWidget* parent, CompareSettings& settings);

    // The formula editor, opened on the typed function; true (with it as
    // accepted) when OK took a formula.
    virtual bool EditFormula(QWidget* parent, TypedFunction& typed);
    // A context menu of items at globalPos: the index of the item chosen, -1
    // when the menu was closed without a choice.
    virtual int PopupMenu(QWidget* parent, const QPoint& globalPos, const QStringList& items);

    // Opens an address in the default browser; failures are not reported.
    virtual void OpenUrl(const QUrl& url);
};

} // namespace tarvik::ui

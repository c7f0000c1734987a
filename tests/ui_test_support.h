#pragma once
// Helpers for the window tests: a QApplication on the offscreen platform and
// dialogs that answer from scripts and record what they were asked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "ui/main_window.h"
#include "ui/status_bar.h"
#include "ui/window_dialogs.h"
// The compare dialog is filled in by scripts.
#include "ui/compare_dialog.h"
#include "ui/formula_dialog.h"

namespace tarvik::testing {

class ScriptedDialogs : public ui::WindowDialogs {
public:
    struct Log {
        QStringList infos;
        QStringList errors;
        QStringList failureTexts;
        QStringList confirmTexts;
        QStringList openTitles;
        QStringList openInitialPaths;
        QStringList saveTitles;
        QStringList saveProposedNames;
        std::vector<QUrl> urls;
        std::deque<FailureAnswer> failureAnswers;   // Cancel when empty
        std::deque<bool> confirmAnswers;  // No when empty
        std::deque<QString> openAnswers;  // cancel when empty
        std::deque<QString> saveAnswers;  // cancel when empty
        std::vector<QStringList> menus;   // every context menu's items
        std::deque<int> menuAnswers;      // closed without a choice when empty
        int saveFilterAnswer = -1;        // filter index the user picks, -1 keeps it
        // What the user does in the compare dialog; Cancel when empty.
        std::deque<std::function<void(ui::CompareDialog&)>> compareAnswers;
        // What the user does in the formula editor; Cancel when empty.
        std::deque<std::function<void(ui::FormulaDialog&)>> formulaAnswers;
    };

    explicit ScriptedDialogs(Log& log) : log_(log) {}

    void Info(QWidget*, const QString& text) override { log_.infos << text; }
    void Error(QWidget*, const QString& text) override { log_.errors << text; }
    FailureAnswer FailureChoice(QWidget*, const QString& text) override {
        log_.failureTexts << text;
        if (log_.failureAnswers.empty()) return FailureAnswer::Cancel;
        const FailureAnswer answer = log_.failureAnswers.front();
        log_.failureAnswers.pop_front();
        return answer;
    }
    bool ConfirmYes(QWidget*, const QString& text) override {
        log_.confirmTexts << text;
        if (log_.confirmAnswers.empty()) return false;
        const bool answer = log_.confirmAnswers.front();
        log_.confirmAnswers.pop_front();
        return answer;
    }
    QString OpenFile(QWidget*, const QString& title, const QString&, const QString& initialPath) override {
        log_.openTitles << title;
        log_.openInitialPaths << initialPath;
        if (log_.openAnswers.empty()) return QString();
        const QString answer = log_.openAnswers.front();
        log_.openAnswers.pop_front();
        return answer;
    }
    QString SaveFile(QWidget*, const QString& title, const QString&, const QString& proposedName, const QStringList&,
                     int& filterIndex, const QStringList&) override {
        log_.saveTitles << title;
        log_.saveProposedNames << proposedName;
        if (log_.saveFilterAnswer >= 0) filterIndex = log_.saveFilterAnswer;
        if (log_.saveAnswers.empty()) return QString();
        const QString answer = log_.saveAnswers.front();
        log_.saveAnswers.pop_front();
        return answer;
    }
    void OpenUrl(const QUrl& url) override { log_.urls.push_back(url); }
    // The real editor, typed into by the script; OK as the button does it.
    bool EditFormula(QWidget* parent, TypedFunction& typed) override {
        if (log_.formulaAnswers.empty()) return false;
        ui::FormulaDialog dialog(typed, parent);
        log_.formulaAnswers.front()(dialog);
        log_.formulaAnswers.pop_front();
        if (!dialog.TryAccept()) return false;
        typed = dialog.Function();
        return true;
    }
    int PopupMenu(QWidget*, const QPoint&, const QStringList& items) override {
        log_.menus.push_back(items);
        if (log_.menuAnswers.empty()) return -1;
        const int answer = log_.menuAnswers.front();
        log_.menuAnswers.pop_front();
        return answer;
    }
    // The real dialog, filled in by the script and then started.
    bool ChooseComparison(QWidget* parent, ui::CompareSettings& settings) override {
        if (log_.compareAnswers.empty()) return false;
        ui::CompareDialog dialog(settings, parent);
        log_.compareAnswers.front()(dialog);
        log_.compareAnswers.pop_front();
        if (!dialog.StartButton->isEnabled()) return false;
        settings = dialog.Settings();
        return true;
    }

private:
    Log& log_;
};

// Lets queued events (timers, deferred deletes) run until done() holds, with
// a generous bound so a broken test fails instead of hanging.
inline bool SpinUntil(const std::function<bool()>& done, int maxMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > maxMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// What the user does when picking an item from a list.
inline void Pick(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// What the user does when picking a function from a function list.
inline void PickFunction(QComboBox* list, FunctionId id) { Pick(list, list->findData(static_cast<int>(id))); }

// What the user does when typing into an editable list.
inline void Type(QComboBox* combo, const QString& text) {
    combo->setEditText(text);
    emit combo->lineEdit()->textEdited(text);
}

// A main window started in a fresh folder, its dialogs scripted.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Open();
        log.errors.clear();  // missing function pictures, not the subject here
    }
    void Open() {
        log = ScriptedDialogs::Log{};
        form = std::make_unique<ui::TMainForm>(dir.path(), std::make_unique<ScriptedDialogs>(log));
        problem = form->PanelProblem;
        method = form->PanelMethods;
        accuracy = form->GboxMinAccuracy;
        runButtons = form->PanelRunButtons;
        contours = form->PanelContours;
        statusBar = form->StatusBar1;
    }
    // Error boxes other than those of missing function pictures, which
    // depend on whether the Media folder has been generated.
    QStringList Errors() const {
        QStringList errors;
        for (const QString& e : log.errors)
            if (!e.startsWith("Cannot open")) errors << e;
        return errors;
    }
    // What the user does to choose a method: its group's button, then its item.
    void ChooseMethod(MethodId id) {
        const int group = static_cast<int>(Traits(id).group);
        form->GroupButton(group)->click();
        Pick(form->MethodList(group), form->MethodList(group)->findData(static_cast<int>(id)));
    }
    bool RunSettled() const { return !form->State().Running && !form->Driver().ResumePending(); }
    QStringList PaneLines() const { return form->RichEditOut->toPlainText().split('\n'); }

    QTemporaryDir dir;
    ScriptedDialogs::Log log;
    std::unique_ptr<ui::TMainForm> form;
    // The window's panels, whose controls the tests work.
    ui::ProblemPanel* problem = nullptr;
    ui::MethodPanel* method = nullptr;
    ui::AccuracyPanel* accuracy = nullptr;
    ui::RunButtons* runButtons = nullptr;
    ui::FigurePanel* contours = nullptr;
    ui::StatusBar* statusBar = nullptr;
};

} // namespace tarvik::testing

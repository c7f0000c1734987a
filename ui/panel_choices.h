#pragma once
// The one place where the window's controls become the run's choices and
// data.ini's keys: the panels hand out what they hold, and everything that
// needs the user's choices (a run, a comparison, Exit's data.ini, start-up)
// takes them from here.
#include "ui/accuracy_panel.h"
#include "ui/input_files_panel.h"
#include "ui/method_panel.h"
#include "ui/problem_panel.h"

namespace tarvik {
struct Configuration;
struct RunState;
}

namespace tarvik::ui {

struct PanelChoices {
    ProblemChoice problem;
    MethodChoice method;
    AccuracyChoice accuracy;
    QuadraticFilesChoice files;

    bool operator==(const PanelChoices&) const = default;
};

PanelChoices ChoicesFromPanels(const ProblemPanel& problem, const MethodPanel& method, const AccuracyPanel& accuracy,
                               const InputFilesPanel& files);

// What a fresh run takes: the choices of the run state and the function
// chosen. The starting point's file stays the run's own.
void CopyToRun(const PanelChoices& chosen, RunState& run);

// The keys of data.ini that the panels hold, and back; the window's place,
// the sound and the starting point's file are the window's.
void CopyToConfiguration(const PanelChoices& chosen, Configuration& c);
PanelChoices ChoicesFromConfiguration(const Configuration& c);

} // namespace tarvik::ui

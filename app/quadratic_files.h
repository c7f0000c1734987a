#pragma once
// The number files of "Quadratic from FILE": matrix A, vector b, the known
// minimum u* and a starting point u°, with their validation.
#include <string>

#include "core/run_state.h"

namespace tarvik {

// Default hints of the three panel buttons; a file counts as chosen when
// its hint differs from the default.
inline constexpr const char* DefaultHintFileA = "Select a file for matrix A";
inline constexpr const char* DefaultHintFileB = "Select a file for vector b";
inline constexpr const char* DefaultHintFileUStar = "Select a file for minimum point to check an accuracy";

// What the file panel chose, as the reading needs it.
struct QuadraticFileChoice {
    std::string pathA;
    std::string pathB;
    std::string pathUStar;
    std::string cText = "0";          // the text of EditC
    UStarSource option = UStarSource::Zero;
    int n = 2;                        // the dimension as typed
};

// The " OK" check of the panel. Raises ERealBadError "Not all files for a
// function was selected!" or "Not all selected files exist!"; returns
// normally when the panel may close.
void CheckPanelFiles(const std::string& hintA, const std::string& hintB, const std::string& hintUStar,
                     bool uStarFromFile);

// Re-creates QuadA and QuadB for choice.n and reads A (symmetrised)
// and b, converts C, and checks the u* file when the file option is chosen
// (its values are taken only when a run is prepared). Any file failure
// releases the two arrays and raises ERealBadError: "File <path> is
// incorrect!" (for A followed by CR and "Check the dimension n."), or the
// reader's own message when a file cannot be opened or holds a bad token.
// A C text that is not a number raises ERealBadError "Incorrect data for C!".
void LoadQuadraticData(RunState& s, const QuadraticFileChoice& choice);

// Releases QuadA and QuadB and raises ERealBadError(LastErrorText).
[[noreturn]] void FileDataError(RunState& s);

// N numbers of a validated u* file into UStar.
void ReadUStarFile(RunState& s, const std::string& path);

// N numbers of Choices.StartFile into U0; the file must hold exactly N.
void ReadU0File(RunState& s);

// The check of the u° dialog: path becomes Choices.StartFile and must hold
// exactly n numbers.
void ValidateU0File(RunState& s, const std::string& path, int n);

} // namespace tarvik

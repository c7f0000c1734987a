#pragma once
// The user's choices kept in data.ini from one use of the program to the
// next: every key of the file as a plain value, and how they are read from
// and written to the INI text.
#include <cstdint>
#include <optional>
#include <string>

#include "app/ini_file.h"
#include "core/catalogue_ids.h"

namespace tarvik {

struct Configuration {
    // [General]
    bool Sound = true;
    std::string WindowState;  // "wsMaximized", "wsNormal" (empty reads as normal)
    int32_t Top = 0;
    int32_t Left = 0;
    int32_t Width = 0;
    // [Problem]
    std::string Dimension = "2";
    int32_t StartingPoint = 0;
    // "Figure point": u1,u2 picked on the figure over the item StartingPoint
    // ("-1.2,1.0"); empty when the list's own item is chosen. Older files
    // lack it, and older builds read StartingPoint alone.
    std::string FigurePoint;
    std::string PathU0;
    bool FunctionsAll = true;
    bool FunctionsNmore2 = false;
    int32_t FunctionItem = 0;  // "ItemIndex" of the visible function list, in the lists of old
    std::string FunctionKey;   // "FunctionKey": the function's key; empty when the file has none
    // [Quadratic function from file]
    std::string PathA;
    std::string PathB;
    std::string C = "0";
    std::string PathUStar;
    bool UStarFromFile = false;
    bool UStarZero = true;
    bool UStarUnknown = false;
    // [Typed function]: written only once a formula was typed
    std::string Formula;
    std::string FormulaUStar;  // as typed; empty: unknown
    // [Accuracy]
    bool Accuracy1 = true;
    bool Accuracy2 = false;
    std::string Eps1 = "0.01";
    std::string Eps2 = "0.01";
    // [Method]
    int32_t Group = 0;
    bool Gradient = true;
    bool ConjugateGradient = false;
    bool QuasiNewton = false;
    bool Newton = false;
    bool Author = false;
    int32_t MethodItem = 0;  // "ItemIndex" of the (last) visible method list, in the lists of old
    std::string MethodKey;   // "MethodKey": the method's key; empty when the file has none

    bool Maximized() const { return WindowState == "wsMaximized"; }
};

// StartDir followed by "/data.ini".
std::string ConfigurationPath(const std::string& startDir);

// Every key of ini; a missing key keeps its value from current, which holds
// the state the window has when the file is read. The two groups of radio
// buttons are read one key after the other as the buttons are set: a true
// entry clears the others of its group, a false one clears only itself.
// A group left with no button checked (u*, the accuracy criteria, the
// function lists, the method lists) is read as if its keys were missing.
// The window keys after "Window State" are not read for a maximised window.
Configuration ReadConfiguration(const IniFile& ini, const Configuration& current);

// The INI text of c, every key in its order; the quadratic problem's radio
// keys only when true, the ItemIndex keys only for a visible list.
IniFile WriteConfiguration(const Configuration& c);

// The function and the method the file names: by the key, when it is one
// this program knows of an entry in the list that shows; otherwise by the
// index in that list as it stood before the keys (OldFunctionPositions(),
// OldMethodPositions()); none when neither names an entry there. The short
// function list wins over the long one, the last method list over the others.
std::optional<FunctionId> StoredFunction(const Configuration& c);
std::optional<MethodId> StoredMethod(const Configuration& c);
// Names the chosen entry both ways, so that an older build, which reads
// the index alone, opens the same item; an entry it does not have gets an
// index past its list, which leaves its choice as it was.
void StoreFunction(FunctionId id, Configuration& c);
void StoreMethod(MethodId id, Configuration& c);

// Replaces the file at path with c as a whole. When it cannot be written
// the older file stays as it was and the message names the reason.
std::optional<std::string> StoreConfiguration(const std::string& path, const Configuration& c);
// Deletes the file at path if it exists.
void DeleteConfiguration(const std::string& path);

} // namespace tarvik

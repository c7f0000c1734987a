#include "app/configuration.h"

#include <cstdio>
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "app/atomic_file.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"

namespace tarvik {

namespace {

const char* const kGeneral = "General";
const char* const kProblem = "Problem";
const char* const kQuadratic = "Quadratic function from file";
const char* const kTyped = "Typed function";
const char* const kAccuracy = "Accuracy";
const char* const kMethod = "Method";

// Setting one radio button of a group: checking it unchecks the others,
// unchecking it leaves the others alone.
void SetRadio(bool& target, bool checked, std::initializer_list<bool*> others) {
    target = checked;
    if (checked)
        for (bool* other : others) *other = false;
}

// A group of buttons of which the file checks none leaves the window with no
// choice made (no function list, no criterion): such a group is read as if
// its keys were missing, as an unreadable value is.
void KeepCurrentIfNoneChecked(const Configuration& current, std::initializer_list<bool Configuration::*> group,
                              Configuration& c) {
    for (bool Configuration::*member : group)
        if (c.*member) return;
    for (bool Configuration::*member : group) c.*member = current.*member;
}

// The function list that shows, as it stood before the keys: every
// function, or (the short list) those of any dimension.
std::vector<FunctionId> OldFunctionList(bool shortList) {
    std::vector<FunctionId> list;
    for (FunctionId id : OldFunctionPositions())
        if (!shortList || !Traits(id).twoDimensionalOnly) list.push_back(id);
    return list;
}

// A group's method list as it stood before the keys.
std::vector<MethodId> OldMethodList(MethodGroupId group) {
    std::vector<MethodId> list;
    for (MethodId id : OldMethodPositions())
        if (Traits(id).group == group) list.push_back(id);
    return list;
}

// The group whose list shows last, which the index counts in.
std::optional<MethodGroupId> LastShownGroup(const Configuration& c) {
    const bool shown[MethodGroupCount] = {c.Gradient, c.ConjugateGradient, c.QuasiNewton, c.Newton, c.Author};
    std::optional<MethodGroupId> last;
    for (int g = 0; g < MethodGroupCount; ++g)
        if (shown[g]) last = static_cast<MethodGroupId>(g);
    return last;
}

template <class Id>
std::optional<Id> AtIndex(const std::vector<Id>& list, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(list.size())) return std::nullopt;
    return list[static_cast<std::size_t>(index)];
}

template <class Id>
int32_t IndexOf(const std::vector<Id>& list, Id id) {
    return static_cast<int32_t>(std::find(list.begin(), list.end(), id) - list.begin());
}

} // namespace

std::optional<FunctionId> StoredFunction(const Configuration& c) {
    if (!c.FunctionsAll && !c.FunctionsNmore2) return std::nullopt;
    const bool shortList = c.FunctionsNmore2;
    if (const FunctionTraits* f = FunctionByKey(c.FunctionKey); f != nullptr && !(shortList && f->twoDimensionalOnly))
        return f->id;
    return AtIndex(OldFunctionList(shortList), c.FunctionItem);
}

std::optional<MethodId> StoredMethod(const Configuration& c) {
    const std::optional<MethodGroupId> group = LastShownGroup(c);
    if (!group) return std::nullopt;
    if (const MethodTraits* m = MethodByKey(c.MethodKey); m != nullptr && m->group == *group) return m->id;
    return AtIndex(OldMethodList(*group), c.MethodItem);
}

void StoreFunction(FunctionId id, Configuration& c) {
    c.FunctionKey = std::string(Traits(id).key);
    c.FunctionItem = IndexOf(OldFunctionList(c.FunctionsNmore2), id);
}

void StoreMethod(MethodId id, Configuration& c) {
    c.MethodKey = std::string(Traits(id).key);
    c.MethodItem = IndexOf(OldMethodList(Traits(id).group), id);
}

std::string ConfigurationPath(const std::string& startDir) { return startDir + "/data.ini"; }

Configuration ReadConfiguration(const IniFile& ini, const Configuration& current) {
    Configuration c = current;
    c.Sound = ini.ReadBool(kGeneral, "Sound", c.Sound);
    c.WindowState = ini.ReadString(kGeneral, "Window State", "");
    if (!c.Maximized()) {
        c.Top = ini.ReadInteger(kGeneral, "Window position Top", c.Top);
        c.Left = ini.ReadInteger(kGeneral, "Window position Left", c.Left);
        c.Width = ini.ReadInteger(kGeneral, "Window Width", c.Width);
    }

    c.Dimension = ini.ReadString(kProblem, "Dimension", c.Dimension);
    c.StartingPoint = ini.ReadInteger(kProblem, "Starting point", c.StartingPoint);
    // Only the file that chose a figure's point has it; without it the item is the choice.
    c.FigurePoint = ini.ReadString(kProblem, "Figure point", "");
    c.FunctionsAll = ini.ReadBool(kProblem, "Functions all", c.FunctionsAll);
    c.FunctionsNmore2 = ini.ReadBool(kProblem, "Functions n>2", c.FunctionsNmore2);
    KeepCurrentIfNoneChecked(current, {&Configuration::FunctionsAll, &Configuration::FunctionsNmore2}, c);
    c.FunctionItem = ini.ReadInteger(kProblem, "ItemIndex", c.FunctionItem);
    // A file of an older build names the function by its index alone.
    c.FunctionKey = ini.ReadString(kProblem, "FunctionKey", ini.HasKey(kProblem, "ItemIndex") ? "" : c.FunctionKey);
    c.PathU0 = ini.ReadString(kProblem, "Path for u0", c.PathU0);

    c.PathA = ini.ReadString(kQuadratic, "Path for A", c.PathA);
    c.PathB = ini.ReadString(kQuadratic, "Path for b", c.PathB);
    c.C = ini.ReadString(kQuadratic, "c", c.C);
    c.PathUStar = ini.ReadString(kQuadratic, "Path for u*", c.PathUStar);
    SetRadio(c.UStarFromFile, ini.ReadBool(kQuadratic, "u* from file", c.UStarFromFile),
             {&c.UStarZero, &c.UStarUnknown});
    SetRadio(c.UStarZero, ini.ReadBool(kQuadratic, "u*=0", c.UStarZero), {&c.UStarFromFile, &c.UStarUnknown});
    SetRadio(c.UStarUnknown, ini.ReadBool(kQuadratic, "u* is unknown", c.UStarUnknown),
             {&c.UStarFromFile, &c.UStarZero});
    KeepCurrentIfNoneChecked(
        current, {&Configuration::UStarFromFile, &Configuration::UStarZero, &Configuration::UStarUnknown}, c);

    c.Formula = ini.ReadString(kTyped, "Formula", c.Formula);
    c.FormulaUStar = ini.ReadString(kTyped, "u*", c.FormulaUStar);

    SetRadio(c.Accuracy1, ini.ReadBool(kAccuracy, "Item Accuracy1", c.Accuracy1), {&c.Accuracy2});
    SetRadio(c.Accuracy2, ini.ReadBool(kAccuracy, "Item Accuracy2", c.Accuracy2), {&c.Accuracy1});
    KeepCurrentIfNoneChecked(current, {&Configuration::Accuracy1, &Configuration::Accuracy2}, c);
    c.Eps1 = ini.ReadString(kAccuracy, "Eps1", c.Eps1);
    c.Eps2 = ini.ReadString(kAccuracy, "Eps2", c.Eps2);

    c.Group = ini.ReadInteger(kMethod, "Group", c.Group);
    c.Gradient = ini.ReadBool(kMethod, "Gradient", c.Gradient);
    c.ConjugateGradient = ini.ReadBool(kMethod, "Conjugate gradient", c.ConjugateGradient);
    c.QuasiNewton = ini.ReadBool(kMethod, "Quasi-Newton", c.QuasiNewton);
    c.Newton = ini.ReadBool(kMethod, "Newton", c.Newton);
    c.Author = ini.ReadBool(kMethod, "Author", c.Author);
    KeepCurrentIfNoneChecked(current,
                             {&Configuration::Gradient, &Configuration::ConjugateGradient, &Configuration::QuasiNewton,
                              &Configuration::Newton, &Configuration::Author},
                             c);
    c.MethodItem = ini.ReadInteger(kMethod, "ItemIndex", c.MethodItem);
    c.MethodKey = ini.ReadString(kMethod, "MethodKey", ini.HasKey(kMethod, "ItemIndex") ? "" : c.MethodKey);
    return c;
}

IniFile WriteConfiguration(const Configuration& c) {
    IniFile ini;
    ini.WriteBool(kGeneral, "Sound", c.Sound);
    ini.WriteString(kGeneral, "Window State", c.Maximized() ? "wsMaximized" : "wsNormal");
    ini.WriteInteger(kGeneral, "Window position Top", c.Top);
    ini.WriteInteger(kGeneral, "Window position Left", c.Left);
    ini.WriteInteger(kGeneral, "Window Width", c.Width);

    ini.WriteString(kProblem, "Dimension", c.Dimension);
    ini.WriteInteger(kProblem, "Starting point", c.StartingPoint);
    if (!c.FigurePoint.empty()) ini.WriteString(kProblem, "Figure point", c.FigurePoint);
    ini.WriteString(kProblem, "Path for u0", c.PathU0);
    ini.WriteBool(kProblem, "Functions all", c.FunctionsAll);
    ini.WriteBool(kProblem, "Functions n>2", c.FunctionsNmore2);
    if (c.FunctionsAll || c.FunctionsNmore2) {
        ini.WriteInteger(kProblem, "ItemIndex", c.FunctionItem);
        if (!c.FunctionKey.empty()) ini.WriteString(kProblem, "FunctionKey", c.FunctionKey);
    }

    ini.WriteString(kQuadratic, "Path for A", c.PathA);
    ini.WriteString(kQuadratic, "Path for b", c.PathB);
    ini.WriteString(kQuadratic, "c", c.C);
    ini.WriteString(kQuadratic, "Path for u*", c.PathUStar);
    if (c.UStarFromFile) ini.WriteBool(kQuadratic, "u* from file", true);
    if (c.UStarZero) ini.WriteBool(kQuadratic, "u*=0", true);
    if (c.UStarUnknown) ini.WriteBool(kQuadratic, "u* is unknown", true);
    if (!c.Formula.empty()) {
        ini.WriteString(kTyped, "Formula", c.Formula);
        ini.WriteString(kTyped, "u*", c.FormulaUStar);
    }

    ini.WriteBool(kAccuracy, "Item Accuracy1", c.Accuracy1);
    ini.WriteBool(kAccuracy, "Item Accuracy2", c.Accuracy2);
    ini.WriteString(kAccuracy, "Eps1", c.Eps1);
    ini.WriteString(kAccuracy, "Eps2", c.Eps2);

    ini.WriteInteger(kMethod, "Group", c.Group);
    ini.WriteBool(kMethod, "Gradient", c.Gradient);
    ini.WriteBool(kMethod, "Conjugate gradient", c.ConjugateGradient);
    ini.WriteBool(kMethod, "Quasi-Newton", c.QuasiNewton);
    ini.WriteBool(kMethod, "Newton", c.Newton);
    ini.WriteBool(kMethod, "Author", c.Author);
    if (c.Gradient || c.ConjugateGradient || c.QuasiNewton || c.Newton || c.Author) {
        ini.WriteInteger(kMethod, "ItemIndex", c.MethodItem);
        if (!c.MethodKey.empty()) ini.WriteString(kMethod, "MethodKey", c.MethodKey);
    }
    return ini;
}

std::optional<std::string> StoreConfiguration(const std::string& path, const Configuration& c) {
    int error = 0;
    if (WriteConfiguration(c).Save(path, &error)) return std::nullopt;
    return "Cannot write file " + path + ": " + SystemErrorText(error);
}

void DeleteConfiguration(const std::string& path) { std::remove(path.c_str()); }

} // namespace tarvik

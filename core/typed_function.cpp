#include "core/typed_function.h"

#include <utility>

#include "core/formula_ranges.h"

namespace tarvik {

std::optional<FormulaError> SetFormula(TypedFunction& f, std::string_view text) {
    ParsedFormula parsed;
    if (std::optional<FormulaError> error = ParseFormula(text, parsed)) return error;
    f.formula = std::move(parsed);
    return std::nullopt;
}

std::string FormulaName(std::string_view text) {
    std::string name;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            blank = !name.empty();
            continue;
        }
        if (blank) name += ' ';
        blank = false;
        name += c;
    }
    return name;
}

std::optional<std::string> TypedFunctionRefusal(const TypedFunction& f, int n) {
    if (!f.Given()) return "No formula was typed for the function!";
    if (f.TwoDimensional() && n != 2) return "This function has dimensionality n=2 only!";
    if (std::optional<FormulaError> error = CheckFormulaRanges(f.formula, n)) return "Formula: " + error->message;
    if (f.UStarKnown() && f.uStar.size() != static_cast<std::size_t>(n))
        return "u* has " + std::to_string(f.uStar.size()) + " components, but n=" + std::to_string(n) + "!";
    return std::nullopt;
}

} // namespace tarvik

#pragma once
// The function the user types: the formula, read once, and its optional
// known minimum. A run compiles it for its dimension (core/formula.h).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/formula_parser.h"
#include "core/numeric.h"

namespace tarvik {

struct TypedFunction {
    ParsedFormula formula;   // text empty: nothing typed yet
    std::vector<Real> uStar; // u*_1, u*_2, ... as given; empty: u* unknown
    std::string uStarText;   // u* as typed, for the editor and data.ini

    bool Given() const { return !formula.text.empty(); }
    // A function of (u1, u2) only: n is then 2, as for the built-in n = 2 functions.
    bool TwoDimensional() const { return formula.shape.twoDimensional; }
    bool UStarKnown() const { return !uStar.empty(); }
};

// Takes text as the formula; a refused text leaves the previous formula
// as it was and returns the parser's message.
std::optional<FormulaError> SetFormula(TypedFunction& f, std::string_view text);

// The formula as a one-line name for the report and the failure texts: its
// line breaks and runs of blanks become one blank each.
std::string FormulaName(std::string_view text);

// Why the formula cannot be used at dimension n (none typed, n not 2 for a
// function of (u1, u2), an index outside 1..n, u* of another length), or nothing.
std::optional<std::string> TypedFunctionRefusal(const TypedFunction& f, int n);

} // namespace tarvik

#pragma once
// Reads a typed formula J(u) into its expression graph.
//
//   formula := expr
//   expr    := term {("+" | "-") term}
//   term    := factor {("*" | "/") factor}
//   factor  := ("-" | "+") factor | power          -u1^2 is -(u1^2)
//   power   := primary ["^" factor]                 2^3^2 is 2^(3^2)
//   primary := number | "pi" | "e" | "n" | uK | "u[" index "]" | a sum's index
//            | function "(" expr ")" | "(" expr ")"
//            | "sum(" name "," index "," index "," expr ")"
//   index   := integer arithmetic (+ - * / and parentheses) of whole numbers,
//              n and the indices of the enclosing sums; a division must
//              leave no remainder
//
// Numbers are written as 2, 0.5, 1e-3 or .5; the functions are sin cos tan
// atan exp log sqrt abs sinh cosh tanh. A refused formula gets a message that
// says what is wrong and where ("unknown name 'u0' at column 7"); nothing
// about the text can make the parser crash or run out of stack.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/formula_graph.h"

namespace tarvik {

inline constexpr std::size_t kFormulaMaxCharacters = 10000;

struct FormulaError {
    std::string message;  // complete, place included
    int line = 0;         // where, from 1; 0 when the message is about the whole formula
    int column = 0;
};

// What the formula asks of the dimension.
struct FormulaShape {
    // Names no coordinate beyond u2, neither n nor an index that moves with
    // a sum: the formula is a function of (u1, u2) and n is 2.
    bool twoDimensional = false;
    bool usesDimension = false;   // n appears
    int largestFixedIndex = 0;    // largest k of the coordinates uK and u[k] with a constant k
};

struct ParsedFormula {
    std::string text;
    formula::Graph graph;  // loop 0 runs once; its result is J
    FormulaShape shape;
};

std::optional<FormulaError> ParseFormula(std::string_view text, ParsedFormula& out);

// A message about the place of byte offset `at` of text: what + " at column C"
// (or " at line L, column C" when the text has several lines).
FormulaError FormulaErrorAt(std::string_view text, int32_t at, const std::string& what);

} // namespace tarvik

#pragma once
// J(u) of a typed formula for one dimension n: its value, its gradient
// (reverse-mode differentiation) and its Hessian (forward over reverse),
// all exact to rounding, in the engine's 80-bit arithmetic.
//
// An evaluation is a block the caller may run again (core/fp_guard.h): it
// computes the same values from the same point and its only effect is its
// result. An arithmetic fault (a logarithm of a negative number, a division
// by zero, an overflow) raises the floating-point flags as it does in the
// built-in functions, and the caller reads them as it does there. The
// object keeps work space: one evaluation at a time per object (a copy
// serves another thread). Nothing is allocated by an evaluation.
#include <cstdint>
#include <optional>

#include "core/formula_machine.h"
#include "core/formula_parser.h"
#include "core/formula_ranges.h"
#include "core/numeric.h"

namespace tarvik {

class CompiledFormula {
public:
    // The formula for dimension n. Refused, with its message, when a bound
    // or an index cannot be computed for n or lies outside 1..n, or when
    // the sums have more than maxTerms terms.
    static std::optional<FormulaError> Compile(const ParsedFormula& f, int n, CompiledFormula& out,
                                               int64_t maxTerms = kFormulaMaxTerms);

    int Dimension() const { return n_; }

    // u, v, g and hv are one-based vectors of at least n components.
    Real Value(const MyArray1& u);
    // g := gradJ(u); g may be u itself.
    void Gradient(const MyArray1& u, MyArray1& g);
    // hv := H(u) v, H the Hessian of J at u.
    void HessianTimes(const MyArray1& u, const MyArray1& v, MyArray1& hv);
    // H := the Hessian of J at u over rows and columns 1..n, one product
    // with each unit vector; every entry below the diagonal is copied to
    // its place above it, so that H is exactly symmetric.
    void FillHessian(const MyArray1& u, MyArray2& H);

private:
    int n_ = 0;
    formula::Machine value_;
    formula::Machine gradient_;
    formula::Machine product_;
    MyArray1 point_;   // u, when the gradient is written over it
    MyArray1 unit_;    // a unit vector of the Hessian's columns
    MyArray1 column_;  // one column of the Hessian
};

} // namespace tarvik

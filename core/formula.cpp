#include "core/formula.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/formula_codegen.h"
#include "core/formula_derivatives.h"

namespace tarvik {

namespace {

void Require(const MyArray1& v, int n, const char* what) {
    if (n < 1) throw std::logic_error(std::string(what) + ": the formula is not compiled");
    if (v.size() < static_cast<std::size_t>(n) + 1) throw std::invalid_argument(std::string(what) + ": fewer than n components");
}

// All bytes zero is +0 in the 80-bit format.
void Clear(Real* v, int n) { std::memset(static_cast<void*>(v + 1), 0, static_cast<std::size_t>(n) * sizeof(Real)); }

} // namespace

std::optional<FormulaError> CompiledFormula::Compile(const ParsedFormula& f, int n, CompiledFormula& out,
                                                     int64_t maxTerms) {
    if (f.graph.LoopCount() == 0) return FormulaError{"the formula is empty", 0, 0};
    if (std::optional<FormulaError> error = CheckFormulaRanges(f, n, maxTerms)) return error;
    formula::Graph g = f.graph;
    const int32_t gradient = formula::AddGradient(g, 0);
    const int32_t product = formula::AddHessianProduct(g, gradient);
    CompiledFormula c;
    c.n_ = n;
    using formula::Target;
    c.value_ = formula::Machine(formula::Generate(g, 0, n, Target::Gradient), n);  // J adds into nothing
    c.gradient_ = formula::Machine(formula::Generate(g, gradient, n, Target::Gradient), n);
    c.product_ = formula::Machine(formula::Generate(g, product, n, Target::HessianProduct), n);
    c.unit_ = NewVector(n);
    c.column_ = NewVector(n);
    out = std::move(c);
    return std::nullopt;
}

Real CompiledFormula::Value(const MyArray1& u) {
    Require(u, n_, "Value");
    return value_.Run(u.data(), nullptr, nullptr, nullptr);
}

void CompiledFormula::Gradient(const MyArray1& u, MyArray1& g) {
    Require(u, n_, "Gradient");
    Require(g, n_, "Gradient");
    const Real* at = u.data();
    if (g.data() == u.data()) {
        point_ = u;
        at = point_.data();
    }
    Clear(g.data(), n_);
    gradient_.Run(at, nullptr, g.data(), nullptr);
}

void CompiledFormula::HessianTimes(const MyArray1& u, const MyArray1& v, MyArray1& hv) {
    Require(u, n_, "HessianTimes");
    Require(v, n_, "HessianTimes");
    Require(hv, n_, "HessianTimes");
    Clear(hv.data(), n_);
    product_.Run(u.data(), v.data(), nullptr, hv.data());
}

void CompiledFormula::FillHessian(const MyArray1& u, MyArray2& H) {
    Require(u, n_, "FillHessian");
    const auto n = static_cast<std::size_t>(n_);
    for (std::size_t i = 1; i <= n; ++i) {
        const MatrixRow row = H[i];
        for (std::size_t j = 1; j <= n; ++j) row.Set(j, 0);
    }
    // Column j costs what the terms that read u_j cost (the products leave
    // the other terms out), and only what is not +0 is written.
    for (std::size_t j = 1; j <= n; ++j) {
        unit_[j] = 1;
        Clear(column_.data(), n_);
        product_.Run(u.data(), unit_.data(), nullptr, column_.data(), static_cast<int64_t>(j));
        unit_[j] = 0;
        for (std::size_t i = j; i <= n; ++i) {
            const Real h = column_[i];
            if (h == 0 && !std::signbit(h)) continue;
            H[i].Set(j, h);
            H[j].Set(i, h);
        }
    }
}

} // namespace tarvik

#include "core/formula_ranges.h"

#include <string>
#include <vector>

namespace tarvik {

namespace {

using formula::Graph;
using formula::IndexExpr;
using formula::IndexFault;

class RangeCheck {
public:
    RangeCheck(const ParsedFormula& f, int n, int64_t maxTerms) : f_(f), g_(f.graph), n_(n), maxTerms_(maxTerms) {
        const auto scopes = static_cast<std::size_t>(g_.ScopeCount());
        indexes_.resize(scopes);
        children_.resize(scopes);
        scopeIndex_.assign(scopes, 0);
        for (int32_t s = 1; s < g_.ScopeCount(); ++s) children_[static_cast<std::size_t>(g_.scope(s).parent)].push_back(s);
        std::vector<char> seen(static_cast<std::size_t>(g_.IndexCount()), 0);
        for (formula::NodeId x = 0; x < g_.NodeCount(); ++x) {
            const formula::Node& node = g_.node(x);
            if (node.op != formula::Op::Coordinate || seen[static_cast<std::size_t>(node.ref)]) continue;
            seen[static_cast<std::size_t>(node.ref)] = 1;
            indexes_[static_cast<std::size_t>(node.scope)].push_back(node.ref);
        }
    }

    std::optional<FormulaError> Run() {
        if (!Check(0)) return error_;
        return std::nullopt;
    }

private:
    bool Fail(int32_t at, const std::string& what) {
        error_ = FormulaErrorAt(f_.text, at, what);
        return false;
    }

    bool Evaluate(const IndexExpr& e, int64_t& value) {
        int32_t where = 0;
        switch (formula::EvaluateIndex(e, n_, scopeIndex_.data(), value, where)) {
        case IndexFault::None: return true;
        case IndexFault::DivisionByZero: return Fail(where, "division by zero in an index for n = " + std::to_string(n_));
        case IndexFault::Remainder:
            return Fail(where, "division with a remainder in an index for n = " + std::to_string(n_));
        case IndexFault::Overflow: break;
        }
        return Fail(where, "index arithmetic out of range for n = " + std::to_string(n_));
    }

    bool InRange(const IndexExpr& e) {
        int64_t k = 0;
        if (!Evaluate(e, k)) return false;
        if (k >= 1 && k <= n_) return true;
        return Fail(e.position, "index " + std::to_string(k) + " outside 1.." + std::to_string(n_));
    }

    bool IndexesInRange(int32_t s) {
        for (const int32_t i : indexes_[static_cast<std::size_t>(s)])
            if (!InRange(g_.index(i))) return false;
        return true;
    }

    // Scope s and the sums inside it, the indices of the sums around it set.
    bool Check(int32_t s) {
        const auto& children = children_[static_cast<std::size_t>(s)];
        if (s == 0) {
            if (!IndexesInRange(0)) return false;
            for (const int32_t c : children)
                if (!Check(c)) return false;
            return true;
        }
        int64_t lower = 0, upper = 0;
        if (!Evaluate(g_.index(g_.scope(s).lower), lower) || !Evaluate(g_.index(g_.scope(s).upper), upper)) return false;
        if (lower > upper) return true;
        int64_t count = 0;
        if (__builtin_sub_overflow(upper, lower, &count) || count >= maxTerms_ || (terms_ += count + 1) > maxTerms_)
            return Fail(g_.scope(s).position,
                        "the sums have more than " + std::to_string(maxTerms_) + " terms for n = " + std::to_string(n_));
        int64_t& i = scopeIndex_[static_cast<std::size_t>(s)];
        if (children.empty()) {
            bool affine = true;
            for (const int32_t k : indexes_[static_cast<std::size_t>(s)])
                if (!formula::IsAffineIn(g_.index(k), s)) affine = false;
            if (affine) {
                i = lower;
                if (!IndexesInRange(s)) return false;
                i = upper;
                return IndexesInRange(s);
            }
        }
        for (i = lower;; ++i) {
            if (!IndexesInRange(s)) return false;
            for (const int32_t c : children)
                if (!Check(c)) return false;
            if (i == upper) return true;
        }
    }

    const ParsedFormula& f_;
    const Graph& g_;
    const int64_t n_;
    const int64_t maxTerms_;
    int64_t terms_ = 0;
    std::vector<std::vector<int32_t>> indexes_;   // per scope: the indices of u read there
    std::vector<std::vector<int32_t>> children_;  // per scope: the sums directly inside
    std::vector<int64_t> scopeIndex_;
    std::optional<FormulaError> error_;
};

} // namespace

std::optional<FormulaError> CheckFormulaRanges(const ParsedFormula& f, int n, int64_t maxTerms) {
    if (n < 1) return FormulaError{"the dimension must be at least 1", 0, 0};
    return RangeCheck(f, n, maxTerms).Run();
}

} // namespace tarvik

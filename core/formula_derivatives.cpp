#include "core/formula_derivatives.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tarvik::formula {

namespace {

// value, or -value: signs stay outside the products so that a sum of
// terms becomes additions and subtractions.
struct Term {
    NodeId value = kNoNode;
    bool negative = false;
};

struct Contribution {
    Term term;
    NodeId from = kNoNode;  // the use it comes from: contributions add up in the order of their uses
};

NodeId Mul(Graph& g, NodeId x, NodeId y) { return g.Binary(Op::Multiply, x, y); }
NodeId Num(Graph& g, Real c) { return g.Constant(c); }

// weight times factor for a product's partial derivative. A weight c*z with
// a constant c multiplies the factor first, (c*factor)*z, as a derivative
// is written by hand: d/du1 of 100(u2 - u1^2)^2 is -400*u1*(u2 - u1^2).
NodeId Scaled(Graph& g, NodeId weight, NodeId factor) {
    const Node w = g.node(weight);
    if (w.op == Op::Multiply && g.IsConstant(w.a)) return Mul(g, Mul(g, w.a, factor), w.b);
    return Mul(g, weight, factor);
}

// weight times the partial derivative of node x by its operand (0: a, 1: b);
// nothing when the partial is zero.
std::optional<Term> Partial(Graph& g, NodeId x, int operand, NodeId weight) {
    const Node n = g.node(x);
    const NodeId a = n.a, b = n.b;
    switch (n.op) {
    case Op::Negate: return Term{weight, true};
    case Op::Square: {
        // (w*2)*a, or (2c*a)*z for w = c*z
        const Node w = g.node(weight);
        if (w.op == Op::Multiply && g.IsConstant(w.a)) return Term{Scaled(g, Mul(g, Num(g, 2), weight), a)};
        return Term{Mul(g, Mul(g, weight, Num(g, 2)), a)};
    }
    case Op::Sign: return std::nullopt;
    case Op::Sin: return Term{Mul(g, weight, g.Unary(Op::Cos, a))};
    case Op::Cos: return Term{Mul(g, weight, g.Unary(Op::Sin, a)), true};
    case Op::Tan: return Term{Mul(g, weight, g.Binary(Op::Add, Num(g, 1), g.Unary(Op::Square, x)))};
    case Op::Atan: return Term{g.Binary(Op::Divide, weight, g.Binary(Op::Add, Num(g, 1), g.Unary(Op::Square, a)))};
    case Op::Exp: return Term{Mul(g, weight, x)};
    case Op::Log: return Term{g.Binary(Op::Divide, weight, a)};
    case Op::Sqrt: return Term{g.Binary(Op::Divide, Mul(g, weight, Num(g, 0.5L)), x)};
    case Op::Abs: return Term{Mul(g, weight, g.Unary(Op::Sign, a))};
    case Op::Sinh: return Term{Mul(g, weight, g.Unary(Op::Cosh, a))};
    case Op::Cosh: return Term{Mul(g, weight, g.Unary(Op::Sinh, a))};
    case Op::Tanh: return Term{Mul(g, weight, g.Binary(Op::Subtract, Num(g, 1), g.Unary(Op::Square, x)))};
    case Op::Add: return Term{weight};
    case Op::Subtract: return Term{weight, operand == 1};
    case Op::Multiply: return Term{Scaled(g, weight, operand == 0 ? b : a)};
    case Op::Divide: {
        // d(a/b) = da/b - (db/b)(a/b): one division serves both operands.
        const NodeId share = g.Binary(Op::Divide, weight, b);
        return operand == 0 ? Term{share} : Term{Mul(g, share, x), true};
    }
    case Op::Power:
        if (operand == 0)
            return Term{Mul(g, weight, Mul(g, b, g.Binary(Op::Power, a, g.Binary(Op::Subtract, b, Num(g, 1)))))};
        return Term{Mul(g, weight, Mul(g, g.Unary(Op::Log, a), x))};
    default: return std::nullopt;
    }
}

// The sum of the terms in their order; kNoNode for none.
Term Accumulate(Graph& g, const std::vector<Term>& terms) {
    Term sum;
    for (const Term& t : terms) {
        if (sum.value == kNoNode) {
            sum = t;
        } else if (sum.negative) {
            // -s + t is t - s, -s - t is -(s + t)
            sum = t.negative ? Term{g.Binary(Op::Add, sum.value, t.value), true}
                             : Term{g.Binary(Op::Subtract, t.value, sum.value), false};
        } else {
            sum.value = g.Binary(t.negative ? Op::Subtract : Op::Add, sum.value, t.value);
        }
    }
    return sum;
}

// Nodes reachable from the given ones through operands and loop results,
// in increasing order (operands before their uses).
std::vector<NodeId> Reachable(const Graph& g, std::vector<NodeId> pending) {
    std::vector<char> seen(static_cast<std::size_t>(g.NodeCount()), 0);
    std::vector<NodeId> found;
    while (!pending.empty()) {
        const NodeId x = pending.back();
        pending.pop_back();
        if (x == kNoNode || seen[static_cast<std::size_t>(x)]) continue;
        seen[static_cast<std::size_t>(x)] = 1;
        found.push_back(x);
        const Node& n = g.node(x);
        if (n.a != kNoNode) pending.push_back(n.a);
        if (n.b != kNoNode) pending.push_back(n.b);
        if (n.op == Op::LoopResult) pending.push_back(g.loop(n.ref).results[static_cast<std::size_t>(n.output)]);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Every loop with effects is run by its parent loop, and so on to the top.
void RegisterRunners(Graph& g, int32_t first) {
    for (int32_t l = first; l < g.LoopCount(); ++l) {
        if (g.loop(l).effects.empty()) continue;
        for (int32_t child = l, parent = g.loop(l).parent; parent != -1; child = parent, parent = g.loop(parent).parent) {
            std::vector<int32_t>& runs = g.loop(parent).children;
            if (std::find(runs.begin(), runs.end(), child) != runs.end()) break;
            runs.push_back(child);
        }
    }
}

class Reverse {
public:
    Reverse(Graph& g, int32_t valueLoop) : g_(g), valueLoop_(valueLoop) {}

    int32_t Run() {
        const int32_t first = g_.LoopCount();
        top_ = g_.NewLoop(0, -1);
        adjointLoop_.assign(static_cast<std::size_t>(g_.ScopeCount()), -1);
        adjointLoop_[0] = top_;
        const NodeId j = g_.loop(valueLoop_).results[0];
        const std::vector<NodeId> order = Reachable(g_, {j});
        contributions_.resize(static_cast<std::size_t>(g_.NodeCount()));
        MarkActive(order);
        if (!active_[static_cast<std::size_t>(j)]) return Finish(first);
        contributions_[static_cast<std::size_t>(j)].push_back({Term{g_.Constant(1)}, j});
        for (auto it = order.rbegin(); it != order.rend(); ++it) Visit(*it);
        return Finish(first);
    }

private:
    int32_t Finish(int32_t first) {
        RegisterRunners(g_, first);
        return top_;
    }

    // A node is active when its value depends on u.
    void MarkActive(const std::vector<NodeId>& order) {
        active_.assign(static_cast<std::size_t>(g_.NodeCount()), 0);
        for (const NodeId x : order) {
            const Node& n = g_.node(x);
            bool on = n.op == Op::Coordinate;
            if (n.a != kNoNode && active_[static_cast<std::size_t>(n.a)]) on = true;
            if (n.b != kNoNode && active_[static_cast<std::size_t>(n.b)]) on = true;
            if (n.op == Op::LoopResult)
                on = active_[static_cast<std::size_t>(g_.loop(n.ref).results[static_cast<std::size_t>(n.output)])];
            active_[static_cast<std::size_t>(x)] = on;
        }
    }

    int32_t AdjointLoop(int32_t s) {
        int32_t& l = adjointLoop_[static_cast<std::size_t>(s)];
        if (l == -1) {
            const int32_t parent = AdjointLoop(g_.scope(s).parent);
            l = g_.NewLoop(s, parent);
        }
        return l;
    }

    // Adds term into the adjoint of target. The term arises once per index
    // of scope `from`; summed over the sums between the two it becomes a
    // value of target's scope.
    void Contribute(NodeId target, Term term, int32_t from, NodeId use) {
        if (!active_[static_cast<std::size_t>(target)]) return;
        const int32_t into = g_.node(target).scope;
        while (from != into && from != 0) {
            const int32_t l = AdjointLoop(from);
            std::vector<NodeId>& results = g_.loop(l).results;
            results.push_back(term.value);
            term.value = g_.LoopResult(l, static_cast<int32_t>(results.size()) - 1);
            from = g_.scope(from).parent;
        }
        contributions_[static_cast<std::size_t>(target)].push_back({term, use});
    }

    void Visit(NodeId x) {
        std::vector<Contribution>& list = contributions_[static_cast<std::size_t>(x)];
        if (list.empty()) return;
        std::stable_sort(list.begin(), list.end(),
                         [](const Contribution& p, const Contribution& q) { return p.from < q.from; });
        std::vector<Term> terms;
        for (const Contribution& c : list) terms.push_back(c.term);
        list.clear();
        list.shrink_to_fit();

        const Node n = g_.node(x);
        if (n.op == Op::Coordinate) {
            // Each use adds its share into the gradient by itself, in the
            // order of the uses, as a hand-written gradient adds the terms
            // of a sum one after the other.
            std::vector<Effect>& effects = g_.loop(AdjointLoop(n.scope)).effects;
            for (const Term& t : terms) effects.push_back(Effect{Target::Gradient, n.ref, t.value, t.negative});
            return;
        }
        const Term adjoint = Accumulate(g_, terms);
        if (n.op == Op::LoopResult) {
            const Loop& l = g_.loop(n.ref);
            Contribute(l.results[static_cast<std::size_t>(n.output)], adjoint, l.scope, x);
            return;
        }
        const NodeId weight = adjoint.value;
        for (int operand = 0; operand < 2; ++operand) {
            const NodeId o = operand == 0 ? n.a : n.b;
            if (o == kNoNode || !active_[static_cast<std::size_t>(o)]) continue;
            if (const std::optional<Term> t = Partial(g_, x, operand, weight))
                Contribute(o, Term{t->value, t->negative != adjoint.negative}, n.scope, x);
        }
    }

    Graph& g_;
    int32_t valueLoop_;
    int32_t top_ = -1;
    std::vector<int32_t> adjointLoop_;
    std::vector<std::vector<Contribution>> contributions_;
    std::vector<char> active_;
};

class Tangent {
public:
    Tangent(Graph& g, int32_t gradientLoop) : g_(g), gradientLoop_(gradientLoop) {}

    int32_t Run() {
        const int32_t first = g_.LoopCount();
        // The loops of the gradient: the top one and the loops below it.
        std::vector<int32_t> gradientLoops;
        for (int32_t l = 0; l < first; ++l)
            if (Below(l, gradientLoop_)) gradientLoops.push_back(l);
        tangentLoop_.assign(static_cast<std::size_t>(first), -1);
        top_ = g_.NewLoop(0, -1);

        std::vector<NodeId> roots;
        for (const int32_t l : gradientLoops)
            for (const Effect& e : g_.loop(l).effects) roots.push_back(e.value);
        const std::vector<NodeId> order = Reachable(g_, roots);
        tangent_.assign(static_cast<std::size_t>(g_.NodeCount()), Term{});
        for (const NodeId x : order) Visit(x);
        for (const int32_t l : gradientLoops) {
            const std::vector<Effect> effects = g_.loop(l).effects;
            for (const Effect& e : effects) {
                const Term t = tangent_[static_cast<std::size_t>(e.value)];
                if (t.value == kNoNode) continue;
                g_.loop(TangentLoop(l)).effects.push_back(
                    Effect{Target::HessianProduct, e.index, t.value, t.negative != e.subtract});
            }
        }
        RegisterRunners(g_, first);
        return top_;
    }

private:
    bool Below(int32_t l, int32_t ancestor) const {
        for (; l != -1; l = g_.loop(l).parent)
            if (l == ancestor) return true;
        return false;
    }

    // The loop over the same range that sums the derivatives of loop l's
    // results and adds those of its effects; the loops over scope 0 all
    // have the top one.
    int32_t TangentLoop(int32_t l) {
        if (g_.loop(l).scope == 0) return top_;
        if (tangentLoop_[static_cast<std::size_t>(l)] == -1) {
            const int32_t parent = TangentLoop(g_.loop(l).parent);
            tangentLoop_[static_cast<std::size_t>(l)] = g_.NewLoop(g_.loop(l).scope, parent);
        }
        return tangentLoop_[static_cast<std::size_t>(l)];
    }

    void Visit(NodeId x) {
        const Node n = g_.node(x);
        Term& out = tangent_[static_cast<std::size_t>(x)];
        switch (n.op) {
        case Op::Coordinate: out = Term{g_.Direction(n.ref)}; return;
        case Op::LoopResult: {
            const Term inner = tangent_[static_cast<std::size_t>(g_.loop(n.ref).results[static_cast<std::size_t>(n.output)])];
            if (inner.value == kNoNode) return;
            const int32_t l = TangentLoop(n.ref);
            std::vector<NodeId>& results = g_.loop(l).results;
            results.push_back(inner.value);
            out = Term{g_.LoopResult(l, static_cast<int32_t>(results.size()) - 1), inner.negative};
            return;
        }
        default: break;
        }
        std::vector<Term> terms;
        for (int operand = 0; operand < 2; ++operand) {
            const NodeId o = operand == 0 ? n.a : n.b;
            if (o == kNoNode) continue;
            const Term d = tangent_[static_cast<std::size_t>(o)];
            if (d.value == kNoNode) continue;
            if (const std::optional<Term> t = Partial(g_, x, operand, d.value))
                terms.push_back(Term{t->value, t->negative != d.negative});
        }
        out = Accumulate(g_, terms);
    }

    Graph& g_;
    int32_t gradientLoop_;
    int32_t top_ = -1;
    std::vector<int32_t> tangentLoop_;
    std::vector<Term> tangent_;
};

} // namespace

int32_t AddGradient(Graph& g, int32_t valueLoop) { return Reverse(g, valueLoop).Run(); }

int32_t AddHessianProduct(Graph& g, int32_t gradientLoop) { return Tangent(g, gradientLoop).Run(); }

} // namespace tarvik::formula

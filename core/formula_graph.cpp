#include "core/formula_graph.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/fp_guard.h"

namespace tarvik::formula {

namespace {

// Powers with an integer exponent up to this size are repeated products.
constexpr int kLargestProductPower = 16;

bool IsPowerOfTwo(Real x) {
    int exponent = 0;
    return std::isfinite(x) && x != 0 && std::fabs(std::frexp(x, &exponent)) == 0.5L;
}

template <class T>
void Append(std::string& key, const T& value) {
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

IndexFault EvaluateIndex(const IndexExpr& e, int64_t n, const int64_t* scopeIndex, int64_t& value,
                         int32_t& position) {
    int64_t stack[kMaxNesting + 8];
    int top = 0;
    position = e.position;
    for (const IndexStep& step : e.code) {
        if (step.op == IndexOp::Constant || step.op == IndexOp::Dimension || step.op == IndexOp::Variable) {
            if (top == static_cast<int>(std::size(stack))) return IndexFault::Overflow;
            stack[top++] = step.op == IndexOp::Constant ? step.value
                         : step.op == IndexOp::Dimension ? n
                                                          : scopeIndex[step.value];
            continue;
        }
        if (step.op == IndexOp::Negate) {
            if (__builtin_sub_overflow(int64_t{0}, stack[top - 1], &stack[top - 1])) return IndexFault::Overflow;
            continue;
        }
        const int64_t y = stack[--top];
        int64_t& x = stack[top - 1];
        bool overflow = false;
        switch (step.op) {
        case IndexOp::Add: overflow = __builtin_add_overflow(x, y, &x); break;
        case IndexOp::Subtract: overflow = __builtin_sub_overflow(x, y, &x); break;
        case IndexOp::Multiply: overflow = __builtin_mul_overflow(x, y, &x); break;
        case IndexOp::Divide:
            position = step.position;
            if (y == 0) return IndexFault::DivisionByZero;
            if (y == -1 && x == INT64_MIN) return IndexFault::Overflow;
            if (x % y != 0) return IndexFault::Remainder;
            x /= y;
            position = e.position;
            break;
        default: break;
        }
        if (overflow) return IndexFault::Overflow;
    }
    value = stack[0];
    return IndexFault::None;
}

bool IsAffineIn(const IndexExpr& e, int32_t s) {
    std::vector<int> degree;
    for (const IndexStep& step : e.code) {
        switch (step.op) {
        case IndexOp::Constant:
        case IndexOp::Dimension: degree.push_back(0); break;
        case IndexOp::Variable: degree.push_back(step.value == s ? 1 : 0); break;
        case IndexOp::Negate: break;
        default: {
            const int y = degree.back();
            degree.pop_back();
            int& x = degree.back();
            if (step.op == IndexOp::Multiply) x = std::min(2, x + y);
            else if (step.op == IndexOp::Divide) x = x > 0 || y > 0 ? 2 : 0;
            else x = std::max(x, y);
        }
        }
    }
    return !degree.empty() && degree.back() <= 1;
}

Real ApplyUnary(Op op, Real x) {
    switch (op) {
    case Op::Negate: return -x;
    case Op::Square: return x * x;
    case Op::Sign: return x > 0 ? 1.0L : x < 0 ? -1.0L : x == 0 ? 0.0L : x;
    case Op::Sin: return std::sin(x);
    case Op::Cos: return std::cos(x);
    case Op::Tan: return std::tan(x);
    case Op::Atan: return std::atan(x);
    case Op::Exp: return std::exp(x);
    case Op::Log: return std::log(x);
    case Op::Sqrt: return std::sqrt(x);
    case Op::Abs: return std::fabs(x);
    case Op::Sinh: return std::sinh(x);
    case Op::Cosh: return std::cosh(x);
    case Op::Tanh: return std::tanh(x);
    default: return x;
    }
}

Real ApplyBinary(Op op, Real x, Real y) {
    switch (op) {
    case Op::Add: return x + y;
    case Op::Subtract: return x - y;
    case Op::Multiply: return x * y;
    case Op::Divide: return x / y;
    case Op::Power: return std::pow(x, y);
    default: return x;
    }
}

Graph::Graph() {
    scopes_.push_back(Scope{});
}

bool Graph::Within(int32_t s, int32_t t) const {
    while (s != -1) {
        if (s == t) return true;
        s = scope(s).parent;
    }
    return false;
}

bool Graph::IsConstant(NodeId id, Real value) const {
    return IsConstant(id) && node(id).value == value && std::signbit(node(id).value) == std::signbit(value);
}

NodeId Graph::Make(const Node& n) {
    std::string key;
    key.reserve(32);
    Append(key, n.op);
    Append(key, n.a);
    Append(key, n.b);
    Append(key, n.ref);
    Append(key, n.output);
    if (n.op == Op::Constant) key.append(reinterpret_cast<const char*>(&n.value), 10);  // the 80 bits only
    const auto [it, added] = known_.emplace(std::move(key), NodeCount());
    if (added) nodes_.push_back(n);
    return it->second;
}

NodeId Graph::Constant(Real value) {
    Node n;
    n.op = Op::Constant;
    n.value = value;
    return Make(n);
}

NodeId Graph::Dimension() {
    Node n;
    n.op = Op::Dimension;
    return Make(n);
}

NodeId Graph::SumIndex(int32_t s) {
    Node n;
    n.op = Op::SumIndex;
    n.ref = s;
    n.scope = s;
    return Make(n);
}

NodeId Graph::Coordinate(int32_t i) {
    Node n;
    n.op = Op::Coordinate;
    n.ref = i;
    n.scope = index(i).scope;
    return Make(n);
}

NodeId Graph::Direction(int32_t i) {
    Node n;
    n.op = Op::Direction;
    n.ref = i;
    n.scope = index(i).scope;
    return Make(n);
}

NodeId Graph::LoopResult(int32_t l, int32_t output) {
    Node n;
    n.op = Op::LoopResult;
    n.ref = l;
    n.output = output;
    n.scope = scope(loop(l).scope).parent;
    return Make(n);
}

NodeId Graph::Fold(Op op, NodeId a, NodeId b) {
    // Folded only when the arithmetic is clean: a constant 1/0 stays an
    // operation, so that its fault shows where the formula is evaluated.
    Real value = 0;
    bool clean = false;
    {
        FpFaultGuard guard;
        value = b == kNoNode ? ApplyUnary(op, node(a).value) : ApplyBinary(op, node(a).value, node(b).value);
        PinValue(value);
        clean = !guard.Faulted() && std::isfinite(value);
        ClearFaultFlags();
    }
    return clean ? Constant(value) : kNoNode;
}

NodeId Graph::Unary(Op op, NodeId a) {
    if (IsConstant(a))
        if (const NodeId folded = Fold(op, a, kNoNode); folded != kNoNode) return folded;
    const Node x = node(a);  // a copy: making nodes moves them
    if (x.op == Op::Negate) {
        if (op == Op::Negate) return x.a;
        if (op == Op::Square || op == Op::Abs) return Unary(op, x.a);
    }
    Node n;
    n.op = op;
    n.a = a;
    n.scope = x.scope;
    return Make(n);
}

NodeId Graph::IntegerPower(NodeId a, int k) {
    if (k < 0) return Binary(Op::Divide, Constant(1), IntegerPower(a, -k));
    if (k == 0) return Constant(1);
    if (k == 1) return a;
    if (k == 2) return Unary(Op::Square, a);
    return Binary(Op::Multiply, IntegerPower(a, k - 1), a);
}

NodeId Graph::Binary(Op op, NodeId a, NodeId b) {
    if (IsConstant(a) && IsConstant(b))
        if (const NodeId folded = Fold(op, a, b); folded != kNoNode) return folded;
    const Node x = node(a), y = node(b);  // copies: making nodes moves them
    switch (op) {
    case Op::Add:
        if (y.op == Op::Negate) return Binary(Op::Subtract, a, y.a);    // a + (-y) is a - y
        if (x.op == Op::Negate) return Binary(Op::Subtract, b, x.a);    // (-x) + b is b - x
        break;
    case Op::Subtract:
        if (y.op == Op::Negate) return Binary(Op::Add, a, y.a);
        if (x.op == Op::Negate) return Unary(Op::Negate, Binary(Op::Add, x.a, b));  // -x - b is -(x + b)
        break;
    case Op::Multiply:
        if (IsConstant(a, 1)) return b;
        if (IsConstant(b, 1)) return a;
        if (IsConstant(a, -1)) return Unary(Op::Negate, b);
        if (IsConstant(b, -1)) return Unary(Op::Negate, a);
        if (x.op == Op::Negate) return Unary(Op::Negate, Binary(Op::Multiply, x.a, b));
        if (y.op == Op::Negate) return Unary(Op::Negate, Binary(Op::Multiply, a, y.a));
        if (IsConstant(b) && !IsConstant(a)) return Binary(Op::Multiply, b, a);
        if (IsConstant(a) && y.op == Op::Multiply && IsConstant(y.a)) {
            // c1 * (c2 * z) is (c1 * c2) * z to the bit when one factor is a power of two.
            const Real c1 = x.value, c2 = node(y.a).value;
            if (IsPowerOfTwo(c1) || IsPowerOfTwo(c2))
                if (const NodeId c = Fold(Op::Multiply, a, y.a); c != kNoNode) return Binary(Op::Multiply, c, y.b);
        }
        break;
    case Op::Divide:
        if (IsConstant(b, 1)) return a;
        if (x.op == Op::Negate) return Unary(Op::Negate, Binary(Op::Divide, x.a, b));
        if (y.op == Op::Negate) return Unary(Op::Negate, Binary(Op::Divide, a, y.a));
        break;
    case Op::Power:
        if (IsConstant(b)) {
            const Real k = y.value;
            if (k == std::nearbyint(k) && std::fabs(k) <= kLargestProductPower) return IntegerPower(a, static_cast<int>(k));
        }
        if (IsConstant(a, std::exp(1.0L))) return Unary(Op::Exp, b);
        break;
    default: break;
    }
    // Commutative operations take their operands in one order (constant
    // first, then the older node), so that u1*u2 and u2*u1 are one node.
    if ((op == Op::Add || op == Op::Multiply) && !IsConstant(a) && (IsConstant(b) || b < a)) std::swap(a, b);
    Node n;
    n.op = op;
    n.a = a;
    n.b = b;
    n.scope = Inner(node(a).scope, node(b).scope);
    return Make(n);
}

int32_t Graph::NewScope(int32_t parent, int32_t lower, int32_t upper, int32_t position) {
    Scope s;
    s.parent = parent;
    s.depth = scope(parent).depth + 1;
    s.lower = lower;
    s.upper = upper;
    s.position = position;
    scopes_.push_back(s);
    return ScopeCount() - 1;
}

int32_t Graph::NewLoop(int32_t s, int32_t parent) {
    Loop l;
    l.scope = s;
    l.parent = parent;
    loops_.push_back(std::move(l));
    return LoopCount() - 1;
}

int32_t Graph::Index(std::vector<IndexStep> code, int32_t position) {
    std::string key;
    for (const IndexStep& step : code) {
        Append(key, step.op);
        Append(key, step.value);
    }
    const auto [it, added] = knownIndexes_.emplace(std::move(key), IndexCount());
    if (added) {
        IndexExpr e;
        e.position = position;
        e.constant = true;
        for (const IndexStep& step : code) {
            if (step.op == IndexOp::Variable) {
                e.scope = Inner(e.scope, static_cast<int32_t>(step.value));
                e.constant = false;
            }
            if (step.op == IndexOp::Dimension) e.constant = false;
        }
        e.code = std::move(code);
        indexes_.push_back(std::move(e));
    }
    return it->second;
}

} // namespace tarvik::formula

#pragma once
// The expression graph of a typed formula. Every value is a node that names
// its operands; the same operation on the same operands is made once, so a
// subexpression written twice is computed once. A sum is a loop over a
// scope, the range of its index; a node belongs to the innermost scope whose
// index it depends on, so what does not change from term to term is
// computed once, outside the loop.
//
// The graph is pure data. Its derivatives are more nodes and loops of the
// same graph (core/formula_derivatives.h); core/formula_codegen.h turns a
// loop into instructions for core/formula_machine.h.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/numeric.h"

namespace tarvik::formula {

using NodeId = int32_t;
inline constexpr NodeId kNoNode = -1;

enum class Op : uint8_t {
    // leaves
    Constant,
    Dimension,   // n
    SumIndex,    // the index of a sum, as a number
    Coordinate,  // u[index]
    Direction,   // v[index]: the direction of a Hessian product
    LoopResult,  // one result of a loop, summed over its range
    // one operand
    Negate,
    Square,
    Sign,  // -1, 0 or 1: the derivative of abs
    Sin,
    Cos,
    Tan,
    Atan,
    Exp,
    Log,
    Sqrt,
    Abs,
    Sinh,
    Cosh,
    Tanh,
    // two operands
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
};

inline bool IsUnary(Op op) { return op >= Op::Negate && op <= Op::Tanh; }
inline bool IsBinary(Op op) { return op >= Op::Add; }
inline bool IsLeaf(Op op) { return op <= Op::LoopResult; }

struct Node {
    Op op = Op::Constant;
    int32_t scope = 0;     // innermost scope the value depends on (0: the whole formula)
    NodeId a = kNoNode;    // operands
    NodeId b = kNoNode;
    int32_t ref = -1;      // Coordinate, Direction: the index expression; LoopResult: the loop; SumIndex: the scope
    int32_t output = 0;    // LoopResult: which result of the loop
    Real value = 0;        // Constant
};

// Integer arithmetic of an index or a bound, as postfix code.
enum class IndexOp : uint8_t { Constant, Dimension, Variable, Add, Subtract, Multiply, Divide, Negate };

struct IndexStep {
    IndexOp op = IndexOp::Constant;
    int64_t value = 0;  // Constant: the number; Variable: the scope whose index it is
    int32_t position = 0; // Divide: byte offset of the division in the text, for its messages
};

// Nesting of parentheses, operations and sums that a formula may have: the
// parser refuses deeper formulas, so the index code never needs a deeper stack.
inline constexpr int kMaxNesting = 200;

enum class IndexFault : uint8_t { None, Overflow, DivisionByZero, Remainder };

struct IndexExpr {
    std::vector<IndexStep> code;
    int32_t scope = 0;   // innermost scope whose index it uses (0: none)
    int32_t position = 0;  // byte offset where it was written, for messages about its value
    bool constant = false;
};

// The range of a sum's index.
struct Scope {
    int32_t parent = -1;
    int32_t depth = 0;
    int32_t lower = -1;  // index expressions of the bounds
    int32_t upper = -1;
    int32_t position = 0;  // byte offset of the sum in the text
};

enum class Target : uint8_t { Gradient, HessianProduct };

// target[index] += value (or -= value): one contribution to a result vector.
struct Effect {
    Target target = Target::Gradient;
    int32_t index = -1;
    NodeId value = kNoNode;
    bool subtract = false;
};

// A loop over its scope's range. Each result sums one node over the range
// (a loop over scope 0 runs once: its result is the value itself), each
// effect adds one node into a vector at every index. A loop with effects is
// run by its parent loop whether or not anything reads its results.
struct Loop {
    int32_t scope = 0;
    int32_t parent = -1;  // the loop whose code runs it
    std::vector<NodeId> results;
    std::vector<Effect> effects;
    std::vector<int32_t> children;  // loops with effects that this loop runs
};

class Graph {
public:
    Graph();

    const Node& node(NodeId id) const { return nodes_[static_cast<std::size_t>(id)]; }
    int32_t NodeCount() const { return static_cast<int32_t>(nodes_.size()); }
    const IndexExpr& index(int32_t id) const { return indexes_[static_cast<std::size_t>(id)]; }
    int32_t IndexCount() const { return static_cast<int32_t>(indexes_.size()); }
    const Scope& scope(int32_t id) const { return scopes_[static_cast<std::size_t>(id)]; }
    int32_t ScopeCount() const { return static_cast<int32_t>(scopes_.size()); }
    const Loop& loop(int32_t id) const { return loops_[static_cast<std::size_t>(id)]; }
    Loop& loop(int32_t id) { return loops_[static_cast<std::size_t>(id)]; }
    int32_t LoopCount() const { return static_cast<int32_t>(loops_.size()); }

    // Leaves.
    NodeId Constant(Real value);
    NodeId Dimension();
    NodeId SumIndex(int32_t scope);
    NodeId Coordinate(int32_t index);
    NodeId Direction(int32_t index);
    NodeId LoopResult(int32_t loop, int32_t output);

    // Operations. Each folds what is exact to fold: constant operands whose
    // result is finite and raises no fault, x*1, x/1, --x, a negation moved
    // out of a product or into a subtraction, a power of two merged into a
    // constant factor, and a small integer power as repeated products from
    // the left (x^3 is (x*x)*x). Commutative operands are put in one order,
    // which changes no bit.
    NodeId Unary(Op op, NodeId a);
    NodeId Binary(Op op, NodeId a, NodeId b);

    bool IsConstant(NodeId id, Real value) const;
    bool IsConstant(NodeId id) const { return id != kNoNode && node(id).op == Op::Constant; }

    // The deeper of two scopes on one chain of nested scopes.
    int32_t Inner(int32_t s, int32_t t) const { return scope(s).depth >= scope(t).depth ? s : t; }
    // True when scope s lies inside scope t (or is t).
    bool Within(int32_t s, int32_t t) const;

    int32_t NewScope(int32_t parent, int32_t lower, int32_t upper, int32_t position);
    int32_t NewLoop(int32_t scope, int32_t parent);
    // An index expression from its postfix code (the same code gives the same id).
    int32_t Index(std::vector<IndexStep> code, int32_t position);

private:
    NodeId Make(const Node& n);
    NodeId Fold(Op op, NodeId a, NodeId b);
    NodeId IntegerPower(NodeId a, int k);

    struct KeyHash {
        std::size_t operator()(const std::string& k) const { return std::hash<std::string>()(k); }
    };
    std::vector<Node> nodes_;
    std::vector<IndexExpr> indexes_;
    std::vector<Scope> scopes_;
    std::vector<Loop> loops_;
    std::unordered_map<std::string, NodeId, KeyHash> known_;
    std::unordered_map<std::string, int32_t, KeyHash> knownIndexes_;
};

// The value of an index expression for dimension n and the present indices
// of the sums (scopeIndex[s] for scope s). Integer arithmetic that leaves
// 64 bits, divides by zero or leaves a remainder is a fault; position is
// then where it happened (the division's, or the expression's).
IndexFault EvaluateIndex(const IndexExpr& e, int64_t n, const int64_t* scopeIndex, int64_t& value, int32_t& position);

// True when e, as a function of the index i of scope s, is a + b i with a
// and b fixed while that sum runs (a division of anything that moves with i
// is not): its values over a range lie between those at the ends.
bool IsAffineIn(const IndexExpr& e, int32_t s);

// Values of the functions as the evaluation computes them (the folding of
// constants uses the same).
Real ApplyUnary(Op op, Real x);
Real ApplyBinary(Op op, Real x, Real y);

} // namespace tarvik::formula

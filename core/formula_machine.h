#pragma once
// The interpreter of compiled formulas: an accumulator machine that runs
// each instruction on four consecutive terms of a sum at once.
//
// Every 80-bit store costs several times an operation (an x87 register can
// reach memory only through a ten-byte store), so a value stays in the
// accumulator from one instruction to the next and goes to memory only
// when it is used twice or waits for the other operand of an operation.
// Four terms side by side keep four independent chains of arithmetic in
// the x87 registers, so one dispatch serves four terms and their latencies
// overlap. A sum that holds another sum runs one term at a time; so do the
// last terms of a range that four do not fill. Nothing is allocated while
// a formula is evaluated.
#include <cstdint>
#include <vector>

#include "core/formula_graph.h"
#include "core/numeric.h"

namespace tarvik::formula {

// Where an operand is: a scalar of the pool (constants, values computed
// outside the sum, results of inner sums), a slot of the four-term work
// space, u or v at one of the code's indices, or the sum's index itself.
inline constexpr uint8_t kPool = 0;
inline constexpr uint8_t kSlot = 1;
inline constexpr uint8_t kCoordinate = 2;
inline constexpr uint8_t kDirection = 3;
inline constexpr uint8_t kIndex = 4;
inline constexpr uint8_t kKinds = 5;

// Instruction codes: an operation with an operand takes its kind added to
// its base.
inline constexpr uint8_t kLoad = 0;                          // acc = x
inline constexpr uint8_t kAdd = kLoad + kKinds;              // acc = acc + x
inline constexpr uint8_t kSubtract = kAdd + kKinds;          // acc = acc - x
inline constexpr uint8_t kSubtractFrom = kSubtract + kKinds; // acc = x - acc
inline constexpr uint8_t kMultiply = kSubtractFrom + kKinds;
inline constexpr uint8_t kDivide = kMultiply + kKinds;       // acc = acc / x
inline constexpr uint8_t kDivideInto = kDivide + kKinds;     // acc = x / acc
inline constexpr uint8_t kPower = kDivideInto + kKinds;      // acc = acc ^ x
inline constexpr uint8_t kPowerOf = kPower + kKinds;         // acc = x ^ acc
inline constexpr uint8_t kNegate = kPowerOf + kKinds;
inline constexpr uint8_t kSquare = kNegate + 1;
inline constexpr uint8_t kFunction = kSquare + 1;     // acc = f(acc), f the Op in fn
inline constexpr uint8_t kStoreSlot = kFunction + 1;  // slot x = acc
inline constexpr uint8_t kStorePool = kStoreSlot + 1; // pool x = acc (one term at a time only)
inline constexpr uint8_t kAccumulate = kStorePool + 1; // pool x += each term's acc, in the order of the terms
inline constexpr uint8_t kScatter = kAccumulate + 1;  // (fn: 0 gradient, 1 product; +2 subtract) target[index x] += acc
inline constexpr uint8_t kRunLoop = kScatter + 1;     // run code x (one term at a time only)
inline constexpr uint8_t kEnd = kRunLoop + 1;
// Added to kLoad .. kDivideInto with any kind: the result squared as well,
// one instruction for the frequent (a - b)^2.
inline constexpr uint8_t kThenSquare = 64;

struct Instr {
    uint8_t code = kEnd;
    uint8_t fn = 0;
    int32_t x = 0;
};

// An index a code reads u or v at or adds a result at. In a code that runs
// four terms at a time every index is affine (a + b i in the sum's index
// i, a and b fixed while the loop runs), so the four are b apart and one
// addition per four terms moves them; a sum with any other index runs one
// term at a time and evaluates it for each.
struct Stream {
    int32_t index = -1;
    bool affine = false;
    bool direction = false;  // v is read there
};

struct LoopCode {
    int32_t scope = 0;
    int width = 1;                 // 4: terms four at a time; 1: one at a time
    std::vector<Instr> code;
    std::vector<Stream> streams;
    std::vector<int32_t> results;  // pool scalars that sum the loop's results
    int32_t streamBase = 0;        // first of this code's streams among the machine's positions
    // Everything the loop adds (results and effects) is linear in v, it
    // runs no loop of its own and its streams are affine: when v is a unit
    // vector e_j and the values it reads that depend on v are zero, only
    // the terms that read v[j] add anything.
    bool linearInDirection = false;
    std::vector<int32_t> directionInputs;  // pool scalars it reads that depend on v
};

struct Program {
    std::vector<LoopCode> codes;       // codes[0] runs once: the formula's top
    std::vector<Real> pool;            // constants and n filled in; the rest is work space
    int32_t slotCount = 0;             // four-term slots the codes need ("slots" is a Qt macro)
    int32_t streamCount = 0;           // streams of all codes
    std::vector<IndexExpr> indexes;    // of the graph
    std::vector<Scope> scopes;         // of the graph
};

// Runs one program for dimension n. Arithmetic faults raise the floating-
// point flags as they happen, as in the built-in functions; an index
// outside 1..n (which the ranges were checked against before) would raise
// the invalid flag, a fault like them, and leave its terms out instead of
// reading outside the vectors.
class Machine {
public:
    Machine() = default;
    Machine(Program program, int n);

    // Runs the program: J for the formula's own program, otherwise the
    // effects into g and hv (which the caller clears). u, v, g and hv are
    // one-based vectors of n components. unit > 0 says that v is the unit
    // vector e_unit: the loops then run only the terms that can add
    // anything, which leaves out exact zeros only.
    Real Run(const Real* u, const Real* v, Real* g, Real* hv, int64_t unit = 0);

    const Program& program() const { return program_; }

private:
    // Where a stream is for the present term: its index, and the change of
    // the index from one term to the next.
    struct Position {
        int64_t at = 1;
        int64_t step = 0;
    };

    // Runs the code for `blocks` groups of W terms from term i on, the
    // streams placed at term i; returns the accumulator of the last term.
    template <int W>
    Real Execute(const LoopCode& lc, int64_t i, int64_t blocks);
    void RunLoop(int32_t code);
    bool PrepareStreams(const LoopCode& lc, int64_t lower, int64_t upper);
    bool Place(const LoopCode& lc, int64_t i);
    bool RunTermsReadingUnit(const LoopCode& lc, int64_t lower, int64_t upper);
    void IndexFault();

    Program program_;
    int64_t n_ = 0;
    std::vector<Real> slots_;
    std::vector<Position> positions_;  // per stream
    std::vector<int64_t> first_;       // per stream: an affine index at the loop's lower bound
    std::vector<int64_t> lower_;       // per scope: the lower bound of the running loop
    std::vector<int64_t> scopeIndex_;  // per scope: the present index
    int64_t unit_ = 0;
    const Real* u_ = nullptr;
    const Real* v_ = nullptr;
    Real* g_ = nullptr;
    Real* hv_ = nullptr;
};

} // namespace tarvik::formula

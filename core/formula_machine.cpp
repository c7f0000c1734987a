#include "core/formula_machine.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <utility>

#include "core/fp_guard.h"

namespace tarvik::formula {

Machine::Machine(Program program, int n) : program_(std::move(program)), n_(n) {
    slots_.assign(static_cast<std::size_t>(program_.slotCount) * 4, 0.0L);
    positions_.assign(static_cast<std::size_t>(program_.streamCount), Position{});
    first_.assign(static_cast<std::size_t>(program_.streamCount), 1);
    lower_.assign(program_.scopes.size(), 0);
    scopeIndex_.assign(program_.scopes.size(), 0);
}

void Machine::IndexFault() {
    // Reported as an invalid operation, as an arithmetic fault of the
    // formula would be; the terms that need the index are not computed.
    volatile Real zero = 0;
    Real nan = zero / zero;
    PinValue(nan);
}

bool Machine::PrepareStreams(const LoopCode& lc, int64_t lower, int64_t upper) {
    for (std::size_t s = 0; s < lc.streams.size(); ++s) {
        if (!lc.streams[s].affine) continue;
        const IndexExpr& e = program_.indexes[static_cast<std::size_t>(lc.streams[s].index)];
        const std::size_t row = static_cast<std::size_t>(lc.streamBase) + s;
        int32_t where = 0;
        int64_t first = 0, second = 0, last = 0;
        scopeIndex_[static_cast<std::size_t>(lc.scope)] = lower;
        if (EvaluateIndex(e, n_, scopeIndex_.data(), first, where) != IndexFault::None) return false;
        int64_t step = 0;
        if (upper > lower) {
            scopeIndex_[static_cast<std::size_t>(lc.scope)] = lower + 1;
            if (EvaluateIndex(e, n_, scopeIndex_.data(), second, where) != IndexFault::None) return false;
            if (__builtin_sub_overflow(second, first, &step)) return false;
        }
        if (__builtin_mul_overflow(step, upper - lower, &last) || __builtin_add_overflow(last, first, &last)) return false;
        if (first < 1 || first > n_ || last < 1 || last > n_) return false;
        first_[row] = first;
        positions_[row].step = step;
    }
    return true;
}

bool Machine::Place(const LoopCode& lc, int64_t i) {
    const std::size_t scope = static_cast<std::size_t>(lc.scope);
    scopeIndex_[scope] = i;
    for (std::size_t s = 0; s < lc.streams.size(); ++s) {
        const std::size_t row = static_cast<std::size_t>(lc.streamBase) + s;
        Position& p = positions_[row];
        if (lc.streams[s].affine) {
            p.at = first_[row] + p.step * (i - lower_[scope]);
            continue;
        }
        int32_t where = 0;
        if (EvaluateIndex(program_.indexes[static_cast<std::size_t>(lc.streams[s].index)], n_, scopeIndex_.data(), p.at,
                          where) != IndexFault::None ||
            p.at < 1 || p.at > n_)
            return false;
    }
    return true;
}

void Machine::RunLoop(int32_t c) {
    const LoopCode& lc = program_.codes[static_cast<std::size_t>(c)];
    for (const int32_t r : lc.results) program_.pool[static_cast<std::size_t>(r)] = 0;
    const Scope& scope = program_.scopes[static_cast<std::size_t>(lc.scope)];
    int64_t lower = 0, upper = 0;
    int32_t where = 0;
    if (EvaluateIndex(program_.indexes[static_cast<std::size_t>(scope.lower)], n_, scopeIndex_.data(), lower, where) !=
            IndexFault::None ||
        EvaluateIndex(program_.indexes[static_cast<std::size_t>(scope.upper)], n_, scopeIndex_.data(), upper, where) !=
            IndexFault::None) {
        IndexFault();
        return;
    }
    if (lower > upper) return;
    lower_[static_cast<std::size_t>(lc.scope)] = lower;
    if (!PrepareStreams(lc, lower, upper)) {
        IndexFault();
        return;
    }
    if (unit_ > 0 && lc.linearInDirection && RunTermsReadingUnit(lc, lower, upper)) return;
    int64_t i = lower;
    if (lc.width == 4 && upper - i >= 3) {
        // Every stream is affine here, so placing cannot fail.
        const int64_t blocks = (upper - i + 1) / 4;
        Place(lc, i);
        Execute<4>(lc, i, blocks);
        i += 4 * blocks;
    }
    for (; i <= upper; ++i) {
        if (!Place(lc, i)) {
            IndexFault();
            return;
        }
        Execute<1>(lc, i, 1);
    }
}

bool Machine::RunTermsReadingUnit(const LoopCode& lc, int64_t lower, int64_t upper) {
    for (const int32_t k : lc.directionInputs)
        if (program_.pool[static_cast<std::size_t>(k)] != 0) return false;
    int64_t terms[8];
    int count = 0;
    for (std::size_t s = 0; s < lc.streams.size(); ++s) {
        if (!lc.streams[s].direction) continue;
        const std::size_t row = static_cast<std::size_t>(lc.streamBase) + s;
        const int64_t step = positions_[row].step, offset = unit_ - first_[row];
        if (step == 0) {
            if (offset == 0) return false;  // every term reads v[unit]
            continue;
        }
        if (offset % step != 0) continue;
        const int64_t i = lower + offset / step;
        if (i < lower || i > upper) continue;
        if (count == static_cast<int>(std::size(terms))) return false;
        // kept in increasing order, as the full loop would meet them
        int k = count++;
        for (; k > 0 && terms[k - 1] > i; --k) terms[k] = terms[k - 1];
        terms[k] = i;
    }
    for (int k = 0; k < count; ++k) {
        if (k > 0 && terms[k] == terms[k - 1]) continue;
        Place(lc, terms[k]);
        Execute<1>(lc, terms[k], 1);
    }
    return true;
}

Real Machine::Run(const Real* u, const Real* v, Real* g, Real* hv, int64_t unit) {
    unit_ = unit;
    u_ = u;
    v_ = v;
    g_ = g;
    hv_ = hv;
    const LoopCode& top = program_.codes[0];
    if (!Place(top, 0)) {
        IndexFault();
        return std::numeric_limits<Real>::quiet_NaN();
    }
    return Execute<1>(top, 0, 1);
}

// The statement for each of the W terms, l being the term's place.
#define TARVIK_LANES(BODY)       \
    {                            \
        constexpr int l = 0;     \
        BODY                     \
    }                            \
    if constexpr (W == 4) {      \
        {                        \
            constexpr int l = 1; \
            BODY                 \
        }                        \
        {                        \
            constexpr int l = 2; \
            BODY                 \
        }                        \
        {                        \
            constexpr int l = 3; \
            BODY                 \
        }                        \
    }

// One case per operand kind of an operation E(accumulator, operand); THEN
// is done to each accumulator after it.
#define TARVIK_CASES(CODE, E, THEN)                                            \
    case (CODE) + kPool: {                                                     \
        const Real c = pool[in.x];                                             \
        TARVIK_LANES(acc[l] = E(acc[l], c); THEN)                              \
        continue;                                                              \
    }                                                                          \
    case (CODE) + kSlot: {                                                     \
        const Real* s = slots + 4 * in.x;                                      \
        TARVIK_LANES(acc[l] = E(acc[l], s[l]); THEN)                           \
        continue;                                                              \
    }                                                                          \
    case (CODE) + kCoordinate: {                                               \
        const Position p = positions[in.x];                                    \
        const Real* q = u + p.at;                                              \
        TARVIK_LANES(acc[l] = E(acc[l], q[l * p.step]); THEN)                  \
        continue;                                                              \
    }                                                                          \
    case (CODE) + kDirection: {                                                \
        const Position p = positions[in.x];                                    \
        const Real* q = v + p.at;                                              \
        TARVIK_LANES(acc[l] = E(acc[l], q[l * p.step]); THEN)                  \
        continue;                                                              \
    }                                                                          \
    case (CODE) + kIndex: {                                                    \
        TARVIK_LANES(acc[l] = E(acc[l], static_cast<Real>(i + l)); THEN)       \
        continue;                                                              \
    }

#define TARVIK_SQUARED acc[l] = acc[l] * acc[l];
#define TARVIK_LOAD(a, x) (x)
#define TARVIK_ADD(a, x) ((a) + (x))
#define TARVIK_SUBTRACT(a, x) ((a) - (x))
#define TARVIK_SUBTRACT_FROM(a, x) ((x) - (a))
#define TARVIK_MULTIPLY(a, x) ((a) * (x))
#define TARVIK_DIVIDE(a, x) ((a) / (x))
#define TARVIK_DIVIDE_INTO(a, x) ((x) / (a))
#define TARVIK_POWER(a, x) std::pow((a), (x))
#define TARVIK_POWER_OF(a, x) std::pow((x), (a))

template <int W>
Real Machine::Execute(const LoopCode& lc, int64_t i, int64_t blocks) {
    Real acc[W] = {};
    Real* const pool = program_.pool.data();
    Real* const slots = slots_.data();
    Position* const positions = positions_.data() + lc.streamBase;
    const int streams = static_cast<int>(lc.streams.size());
    const Real* const u = u_;
    const Real* const v = v_;
    const Instr* const start = lc.code.data();
    for (const Instr* ip = start;; ++ip) {
        const Instr in = *ip;
        switch (in.code) {
            TARVIK_CASES(kLoad, TARVIK_LOAD, )
            TARVIK_CASES(kAdd, TARVIK_ADD, )
            TARVIK_CASES(kSubtract, TARVIK_SUBTRACT, )
            TARVIK_CASES(kSubtractFrom, TARVIK_SUBTRACT_FROM, )
            TARVIK_CASES(kMultiply, TARVIK_MULTIPLY, )
            TARVIK_CASES(kDivide, TARVIK_DIVIDE, )
            TARVIK_CASES(kDivideInto, TARVIK_DIVIDE_INTO, )
            TARVIK_CASES(kPower, TARVIK_POWER, )
            TARVIK_CASES(kPowerOf, TARVIK_POWER_OF, )
            TARVIK_CASES(kThenSquare + kLoad, TARVIK_LOAD, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kAdd, TARVIK_ADD, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kSubtract, TARVIK_SUBTRACT, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kSubtractFrom, TARVIK_SUBTRACT_FROM, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kMultiply, TARVIK_MULTIPLY, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kDivide, TARVIK_DIVIDE, TARVIK_SQUARED)
            TARVIK_CASES(kThenSquare + kDivideInto, TARVIK_DIVIDE_INTO, TARVIK_SQUARED)
        case kNegate: TARVIK_LANES(acc[l] = -acc[l];) continue;
        case kSquare: TARVIK_LANES(acc[l] = acc[l] * acc[l];) continue;
        case kFunction: TARVIK_LANES(acc[l] = ApplyUnary(static_cast<Op>(in.fn), acc[l]);) continue;
        case kStoreSlot: {
            Real* s = slots + 4 * in.x;
            TARVIK_LANES(s[l] = acc[l];)
            continue;
        }
        case kStorePool: pool[in.x] = acc[0]; continue;
        case kAccumulate: {
            Real sum = pool[in.x];
            TARVIK_LANES(sum += acc[l];)
            pool[in.x] = sum;
            continue;
        }
        case kScatter: {
            const Position p = positions[in.x];
            Real* target = ((in.fn & 1) ? hv_ : g_) + p.at;
            if (in.fn & 2) {
                TARVIK_LANES(target[l * p.step] -= acc[l];)
            } else {
                TARVIK_LANES(target[l * p.step] += acc[l];)
            }
            continue;
        }
        case kRunLoop:
            if constexpr (W == 1) RunLoop(in.x);
            continue;
        case kEnd:
            if (--blocks == 0) return acc[0];
            // the next four terms
            i += W;
            for (int s = 0; s < streams; ++s) positions[s].at += W * positions[s].step;
            ip = start - 1;
            continue;
        default: __builtin_unreachable();
        }
    }
}

#undef TARVIK_LANES
#undef TARVIK_CASES
#undef TARVIK_SQUARED
#undef TARVIK_LOAD
#undef TARVIK_ADD
#undef TARVIK_SUBTRACT
#undef TARVIK_SUBTRACT_FROM
#undef TARVIK_MULTIPLY
#undef TARVIK_DIVIDE
#undef TARVIK_DIVIDE_INTO
#undef TARVIK_POWER
#undef TARVIK_POWER_OF

template Real Machine::Execute<1>(const LoopCode&, int64_t, int64_t);
template Real Machine::Execute<4>(const LoopCode&, int64_t, int64_t);

} // namespace tarvik::formula

// J(u) of the test functions.
//
// Every formula keeps the operation order in which it is written: x^2 is
// x*x, x^3 is (x*x)*x, products go from left to right, and sums start from 0
// (or from their leading term) and run from the first index upwards. Two
// implementations that follow these rules agree to the last bit, which is
// what the comparison of runs relies on.
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/matrix_vector.h"
#include "core/objective.h"
#include "core/objective_faults.h"
#include "core/row_pool.h"
#include "core/two_dimensional_formulas.h"

namespace tarvik {
namespace {

// The catalogue's pi has ten decimals on purpose: the "u*=sin" minima are
// defined with it, not with the true pi.
constexpr Real TenDecimalPi = 3.1415926535L;

inline Real Sq(Real x) { return x * x; }

// Work space of the partial-sum functions, kept between calls so that an
// evaluation does not allocate.
Real* ValueScratch(int n) {
    thread_local std::vector<Real> scratch;
    if (scratch.size() < static_cast<std::size_t>(n) + 1) scratch.resize(static_cast<std::size_t>(n) + 1);
    return scratch.data();
}

// Raised inside a formula that is not defined for the dimension; the guard
// turns it into the evaluation error like any arithmetic fault.
struct UndefinedForDimension : std::domain_error {
    UndefinedForDimension() : std::domain_error("function not defined for this dimension") {}
};

// The two-dimensional functions are not defined below n = 2.
const Real* TwoDimensionalPoint(int n, const Real* u) {
    if (n < 2) throw UndefinedForDimension();
    return u;
}

Real AxisParallelEllipsoid(int n, const Real* u) {
    Real sum = u[1] * u[1];
    for (int i = 2; i <= n; ++i) sum += Real(i) * (u[i] * u[i]);
    return sum;
}

Real AxisParallelEllipsoidSin(int n, const Real* u) {
    const Real* s = SinShiftTable(n);
    Real sum = Sq(u[1] - s[1]);
    for (int i = 2; i <= n; ++i) sum += Real(i) * Sq(u[i] - s[i]);
    return sum;
}

// sum over i of (v_1 + ... + v_i - shift*i)^2. The function defines each
// partial sum afresh from 0, but a running sum adds the same terms in the
// same order, so it gives the same bits in O(n).
Real PartialSumSquares(int n, const Real* v, bool shiftByIndex) {
    Real sum = 0;
    Real running = 0;
    for (int i = 1; i <= n; ++i) {
        running += v[i];
        Real partial = running;
        if (shiftByIndex) partial = partial - Real(i);
        sum += partial * partial;
    }
    return sum;
}

Real StaircaseSin(int n, const Real* u) {
    const Real* s = SinShiftTable(n);
    Real* d = ValueScratch(n);
    for (int j = 1; j <= n; ++j) d[j] = u[j] - s[j];
    return PartialSumSquares(n, d, true);
}

Real QuadraticVarnel(int n, const Real* u) {
    Real sum = Sq(u[1] + u[n]);
    for (int i = 2; i <= n; ++i) sum += Sq(u[i - 1] - Real(i) * u[i]);
    return sum;
}

Real Qf1(int n, const Real* u) {
    Real sum = 0;
    for (int i = 1; i <= n; ++i) sum += Real(i) * (u[i] * u[i]);
    return sum / 2 - u[n];
}

Real Tridia(const TunableParameters& p, int n, const Real* u) {
    const Real alpha = p.TridiaAlpha, beta = p.TridiaBeta, delta = p.TridiaDelta, gamma = p.TridiaGamma;
    Real sum = gamma * Sq(delta * u[1] - 1);
    for (int i = 2; i <= n; ++i) sum += Real(i) * Sq(alpha * u[i] - beta * u[i - 1]);
    return sum;
}

Real Dixon3dq(int n, const Real* u) {
    Real sum = 0;
    for (int i = 2; i <= n - 1; ++i) sum += Sq(u[i] - u[i + 1]);
    return Sq(u[n] - 1) + Sq(u[1] - 1) + sum;
}

// All n^2 terms go into one sum, in their order: one chain of additions
// that a second core cannot shorten. Handing it the terms (a product and a
// division each) does not pay either: an 80-bit store and load per term
// cost more on this x87 than computing the term, so J stays on one thread
// and only the gradient's rows are shared out.
Real HilbertA(int n, const Real* u) {
    Real sum = 0;
    for (int i = 1; i <= n; ++i) {
        const Real ui = u[i];
        for (int j = 1; j <= n; ++j) sum += ui * u[j] / Real(i + j - 1);
    }
    return sum;
}

Real HilbertB(Real d, int n, const Real* u) {
    // Each row's sum is independent of the others: the rows are shared out,
    // and only the n row sums are added up in order.
    Real* rowSum = ValueScratch(n);
    SplitRowsByWork(1, n, [](int i) { return double(i); }, [&](int first, int last) {
        for (int i = first; i <= last; ++i) {
            const Real ui = u[i];
            Real row = 0;
            for (int j = 1; j <= i - 1; ++j) row += ui * u[j] / Real(i + j - 1);
            row += ui * ui * (1 / Real(4 * i - 2) + d);
            rowSum[i] = row;
        }
    });
    Real sum = 0;
    for (int i = 1; i <= n; ++i) sum += rowSum[i];
    return sum;
}

Real QuadraticFromFiles(const QuadraticData& quad, int n, const MyArray1& uv, MyArray1& auv) {
    // A u over rows and columns 1..n, each row accumulated from column 1 upwards.
    SplitRows(1, n, double(n) * n,
              [&](int first, int last) { MultiplyRows(quad.QuadA, first, last, uv.data(), n, auv.data()); });
    const Real* u = uv.data();
    const Real* au = auv.data();
    const Real* b = quad.QuadB.data();
    Real quadratic = 0;
    for (int i = 1; i <= n; ++i) quadratic += au[i] * u[i];
    Real linear = 0;
    for (int i = 1; i <= n; ++i) linear += b[i] * u[i];
    return quadratic / 2 + linear + quad.QuadC;
}

Real GeneralizedRosenbrock(int n, const Real* u) {
    if (n < 2) return 0;  // the sum over i = 1..n-1 is empty
    Real sum = 100 * Sq(u[2] - u[1] * u[1]) + Sq(u[1] - 1);
    for (int i = 2; i <= n - 1; ++i) sum += 100 * Sq(u[i + 1] - u[i] * u[i]) + Sq(u[i] - 1);
    return sum;
}

Real FunctionValue(FunctionId id, int n, const TunableParameters& p, const QuadraticData* quad, MyArray1& au,
                   CompiledFormula* typed, const MyArray1& uv) {
    const Real* u = uv.data();
    switch (id) {
    case FunctionId::Rosenbrock:
    case FunctionId::Himmelblau2:
    case FunctionId::Himmelblau4:
    case FunctionId::Himmelblau28:
    case FunctionId::Saddle:
    case FunctionId::CubicVarnel: {
        const Real* v = TwoDimensionalPoint(n, u);
        Real value = 0;
        TwoDimensionalValue(id, v[1], v[2], value);
        return value;
    }
    case FunctionId::AxisEllipsoid: return AxisParallelEllipsoid(n, u);
    case FunctionId::Schwefel12: return PartialSumSquares(n, u, false);
    case FunctionId::Staircase2: return PartialSumSquares(n, u, true);
    case FunctionId::Staircase2Sin: return StaircaseSin(n, u);
    case FunctionId::QuadraticVarnel: return QuadraticVarnel(n, u);
    case FunctionId::AxisEllipsoidSin: return AxisParallelEllipsoidSin(n, u);
    case FunctionId::Qf1: return Qf1(n, u);
    case FunctionId::Tridia: return Tridia(p, n, u);
    case FunctionId::Dixon3dq: return Dixon3dq(n, u);
    case FunctionId::HilbertA: return HilbertA(n, u);
    case FunctionId::HilbertB: return HilbertB(p.HilbertD, n, u);
    case FunctionId::QuadraticFromFiles: return QuadraticFromFiles(*quad, n, uv, au);
    case FunctionId::GeneralizedRosenbrock: return GeneralizedRosenbrock(n, u);
    case FunctionId::Formula: return typed->Value(uv);
    }
    throw std::logic_error("FunctionValue: not a function of the catalogue");
}

} // namespace

Real SinShift(int j, int n) {
    const Real angle = ((TenDecimalPi * 2) * Real(j - 1)) / Real(n - 1);
    return std::sin(angle) / 2;
}

const Real* SinShiftTable(int n) {
    // The level lines evaluate at n = 2 while the run uses its own n, so two
    // tables are kept, the older one replaced first.
    struct Table {
        int n = -1;
        std::vector<Real> s;
    };
    thread_local Table tables[2];
    thread_local int older = 0;
    thread_local std::vector<Real> uncached;

    const std::size_t length = static_cast<std::size_t>(n < 0 ? 0 : n) + 1;
    if (n < 2) {
        uncached.assign(length, 0.0L);
        for (int j = 1; j <= n; ++j) uncached[static_cast<std::size_t>(j)] = SinShift(j, n);
        return uncached.data();
    }
    for (const Table& t : tables)
        if (t.n == n) return t.s.data();
    Table& t = tables[older];
    older = 1 - older;
    t.n = -1;  // stays invalid if the allocation fails
    t.s.assign(length, 0.0L);
    for (int j = 1; j <= n; ++j) t.s[static_cast<std::size_t>(j)] = SinShift(j, n);
    t.n = n;
    return t.s.data();
}

Objective::Objective(const FunctionTraits& function, int n, const TunableParameters& parameters,
                     const QuadraticData* quadratic, const TypedFunction* typed)
    : function_(&function),
      id_(function.id),
      fromFiles_(function.fromFiles),
      faultsShowInResult_(function.faultsShowInResult),
      planar_(function.twoDimensionalOnly && function.faultsShowInResult && !function.typed && n == 2),
      n_(n),
      parameters_(parameters),
      quadratic_(quadratic),
      hessian_(function.hessian),
      name_(function.name) {
    if (fromFiles_ && n_ >= 1) au_.assign(static_cast<std::size_t>(n_) + 1, 0.0L);
    if (function.typed) {
        if (typed == nullptr || !typed->Given()) throw std::invalid_argument("Objective: no formula was typed");
        CompiledFormula compiled;
        if (const std::optional<FormulaError> error = CompiledFormula::Compile(typed->formula, n, compiled))
            throw std::invalid_argument("Objective: " + error->message);
        formula_ = std::move(compiled);
        if (typed->TwoDimensional()) hessian_ = HessianShape::TwoByTwo;
        name_ = FormulaName(typed->formula.text);
    }
}

void Objective::RequirePoint(const MyArray1& u, const char* what) const {
    const std::size_t length = static_cast<std::size_t>(n_) + 1;
    if (n_ < 1 || u.size() < length)
        throw std::invalid_argument(std::string(what) + ": the point has fewer than n components");
    if (fromFiles_) {
        const QuadraticData* q = quadratic_;
        if (q == nullptr || q->QuadA.rows() < length || q->QuadA.cols() < length || q->QuadB.size() < length)
            throw std::invalid_argument(std::string(what) + ": the quadratic from files is not loaded for this n");
    }
}

[[gnu::noinline]] Real Objective::GeneralValue(const MyArray1& u) {
    RequirePoint(u, "Objective::Value");
    if (n_ >= 1000) Tell(kEvaluatingFunction);
    // Counted before the formula runs: a failed evaluation is still one.
    ++evaluations_;

    Real value = 0;
    bool faulted = false;
    try {
        if (faultsShowInResult_) {
            // A status read costs as much as the whole formula here.
            value = FunctionValue(id_, n_, parameters_, quadratic_, au_, formula_ ? &*formula_ : nullptr, u);
            faulted = !IsFiniteReal(value);
        } else {
            faulted = FaultedRunning([&] {
                value = FunctionValue(id_, n_, parameters_, quadratic_, au_, formula_ ? &*formula_ : nullptr, u);
                PinValue(value);
            }) || !IsFiniteReal(value);
        }
    } catch (const std::exception&) {
        faulted = true;
    }
    if (faulted) ThrowFunctionFault(name_);

    Tell(kWorkingStatus);
    return value;
}

} // namespace tarvik

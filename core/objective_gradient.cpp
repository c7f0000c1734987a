// gradJ(u) of the test functions, analytically.
//
// The same arithmetic rules as for J hold here: left-to-right products,
// x^2 as x*x, sums from 0 and from the first index upwards.
#include <cmath>
#include <cstdint>
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

Real* GradientScratch(int n) {
    thread_local std::vector<Real> scratch;
    if (scratch.size() < static_cast<std::size_t>(n) + 1) scratch.resize(static_cast<std::size_t>(n) + 1);
    return scratch.data();
}

struct UndefinedForDimension : std::domain_error {
    UndefinedForDimension() : std::domain_error("gradient not defined for this dimension") {}
};

// The two-dimensional functions are not defined below n = 2.
void RequireTwoDimensions(int n) {
    if (n < 2) throw UndefinedForDimension();
}

// tail[k] = w[k+1] + ... + w[n] for k = 1..n, every sum started at 0 and
// accumulated from j = k+1 upwards. Four sums share one pass over the
// common part of their ranges; each keeps its own accumulator, so the
// order of its additions is unchanged.
void UpwardTailSums(int n, const Real* w, Real* tail, int first, int last) {
    int k = first;
    for (; k + 3 <= last; k += 4) {
        Real a0 = 0, a1 = 0, a2 = 0, a3 = 0;
        a0 += w[k + 1];
        a0 += w[k + 2];
        a1 += w[k + 2];
        a0 += w[k + 3];
        a1 += w[k + 3];
        a2 += w[k + 3];
        for (int j = k + 4; j <= n; ++j) {
            const Real x = w[j];
            a0 += x;
            a1 += x;
            a2 += x;
            a3 += x;
        }
        tail[k] = a0;
        tail[k + 1] = a1;
        tail[k + 2] = a2;
        tail[k + 3] = a3;
    }
    for (; k <= last; ++k) {
        Real a = 0;
        for (int j = k + 1; j <= n; ++j) a += w[j];
        tail[k] = a;
    }
}

// The tail sums are independent of one another, so they are shared out over
// the cores, each still added up in its own upward order.
void UpwardTailSums(int n, const Real* w, Real* tail) {
    SplitRowsByWork(1, n, [n](int k) { return double(n - k + 1); },
                    [&](int first, int last) { UpwardTailSums(n, w, tail, first, last); });
}

// Schwefel 1.2 and both Staircase 2: with v the point (or u - s for the sine one),
// g_k = 2(n-k+1)·(v_1+...+v_k) + 2·sum_{j>k} (n-j+1)·v_j [- 2·sum_{j=k..n} j].
void PartialSumGradient(int n, const Real* v, bool shiftByIndex, Real* g) {
    Real* w = GradientScratch(n);
    for (int j = 1; j <= n; ++j) w[j] = Real(n - j + 1) * v[j];
    UpwardTailSums(n, w, g);
    Real partial = 0;
    for (int k = 1; k <= n; ++k) {
        partial += v[k];
        const Real value = Real(2 * (n - k + 1)) * partial + 2 * g[k];
        if (shiftByIndex) {
            // k + (k+1) + ... + n, exact in 64-bit integers
            const int64_t indexSum = (static_cast<int64_t>(n) + k) * (static_cast<int64_t>(n) - k + 1) / 2;
            g[k] = value - Real(2 * indexSum);
        } else {
            g[k] = value;
        }
    }
}

void StaircaseSinGradient(int n, const Real* u, Real* g) {
    const Real* s = SinShiftTable(n);
    // u - s needs a buffer of its own: the weighted terms take the scratch
    // and the tail sums are built in g.
    thread_local std::vector<Real> shifted;
    if (shifted.size() < static_cast<std::size_t>(n) + 1) shifted.resize(static_cast<std::size_t>(n) + 1);
    for (int j = 1; j <= n; ++j) shifted[static_cast<std::size_t>(j)] = u[j] - s[j];
    PartialSumGradient(n, shifted.data(), true, g);
}

void QuadraticVarnelGradient(int n, const Real* u, Real* g) {
    if (n == 1) {
        // J = (u1 + u1)^2: both ends of the first term are u1.
        const Real t = 2 * (u[1] + u[n]);
        g[1] = t + t;
        return;
    }
    g[1] = 2 * (u[1] + u[n]) + 2 * (u[1] - 2 * u[2]);
    for (int i = 2; i <= n - 1; ++i)
        g[i] = Real(-2 * i) * (u[i - 1] - Real(i) * u[i]) + 2 * (u[i] - Real(i + 1) * u[i + 1]);
    g[n] = Real(-2 * n) * (u[n - 1] - Real(n) * u[n]) + 2 * (u[1] + u[n]);
}

void TridiaGradient(const TunableParameters& p, int n, const Real* u, Real* g) {
    const Real alpha = p.TridiaAlpha, beta = p.TridiaBeta, delta = p.TridiaDelta, gamma = p.TridiaGamma;
    if (n == 1) {
        // Only the leading term gamma(delta u1 - 1)^2 exists.
        g[1] = 2 * gamma * delta * (delta * u[1] - 1);
        return;
    }
    g[1] = 2 * gamma * delta * (delta * u[1] - 1) - 4 * beta * (alpha * u[2] - beta * u[1]);
    for (int i = 2; i <= n - 1; ++i)
        g[i] = 2 * alpha * Real(i) * (alpha * u[i] - beta * u[i - 1])
             - 2 * beta * Real(i + 1) * (alpha * u[i + 1] - beta * u[i]);
    g[n] = 2 * alpha * Real(n) * (alpha * u[n] - beta * u[n - 1]);
}

void Dixon3dqGradient(int n, const Real* u, Real* g) {
    for (int i = 1; i <= n; ++i) g[i] = 0;
    g[1] += 2 * (u[1] - 1);
    g[n] += 2 * (u[n] - 1);
    for (int i = 2; i <= n - 1; ++i) {
        const Real t = 2 * (u[i] - u[i + 1]);
        g[i] += t;
        g[i + 1] -= t;
    }
}

void HilbertAGradient(int n, const Real* u, Real* g) {
    SplitRows(1, n, double(n) * n, [&](int first, int last) {
        for (int i = first; i <= last; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += u[j] / Real(i + j - 1);
            g[i] = 2 * sum;
        }
    });
}

// One accumulator over j = 1..n in order: the diagonal term takes its place
// at j = i, between the off-diagonal terms.
void HilbertBGradient(Real d, int n, const Real* u, Real* g) {
    SplitRows(1, n, double(n) * n, [&](int first, int last) {
        for (int i = first; i <= last; ++i) {
            Real sum = 0;
            for (int j = 1; j <= i - 1; ++j) sum += u[j] / Real(i + j - 1);
            sum += 2 * u[i] * (1 / Real(4 * i - 2) + d);
            for (int j = i + 1; j <= n; ++j) sum += u[j] / Real(i + j - 1);
            g[i] = sum;
        }
    });
}

void QuadraticFromFilesGradient(const QuadraticData& quad, int n, const MyArray1& u, MyArray1& auv, Real* g) {
    SplitRows(1, n, double(n) * n,
              [&](int first, int last) { MultiplyRows(quad.QuadA, first, last, u.data(), n, auv.data()); });
    const Real* au = auv.data();
    const Real* b = quad.QuadB.data();
    for (int i = 1; i <= n; ++i) g[i] = au[i] + b[i];
}

void GeneralizedRosenbrockGradient(int n, const Real* u, Real* g) {
    if (n == 1) {
        g[1] = 0;  // J is the empty sum
        return;
    }
    g[1] = 2 * (u[1] - 1) - 400 * u[1] * (u[2] - u[1] * u[1]);
    for (int i = 2; i <= n - 1; ++i)
        g[i] = 200 * (u[i] - u[i - 1] * u[i - 1]) - 400 * u[i] * (u[i + 1] - u[i] * u[i]) + 2 * (u[i] - 1);
    g[n] = 200 * (u[n] - u[n - 1] * u[n - 1]);
}

void GradientOf(FunctionId id, int n, const TunableParameters& p, const QuadraticData* quad, MyArray1& au,
                CompiledFormula* typed, const MyArray1& uv, MyArray1& gv) {
    const Real* u = uv.data();
    Real* g = gv.data();
    switch (id) {
    case FunctionId::Rosenbrock:
    case FunctionId::Himmelblau2:
    case FunctionId::Himmelblau4:
    case FunctionId::Himmelblau28:
    case FunctionId::Saddle:
    case FunctionId::CubicVarnel:
        RequireTwoDimensions(n);
        // Read before either is written: g may be u itself.
        TwoDimensionalGradient(id, u[1], u[2], g[1], g[2]);
        return;
    case FunctionId::AxisEllipsoid:
        for (int i = 1; i <= n; ++i) g[i] = Real(2 * i) * u[i];
        return;
    case FunctionId::Schwefel12: PartialSumGradient(n, u, false, g); return;
    case FunctionId::Staircase2: PartialSumGradient(n, u, true, g); return;
    case FunctionId::Staircase2Sin: StaircaseSinGradient(n, u, g); return;
    case FunctionId::QuadraticVarnel: QuadraticVarnelGradient(n, u, g); return;
    case FunctionId::AxisEllipsoidSin: {
        const Real* sh = SinShiftTable(n);
        for (int i = 1; i <= n; ++i) g[i] = Real(2 * i) * (u[i] - sh[i]);
        return;
    }
    case FunctionId::Qf1:
        for (int i = 1; i <= n - 1; ++i) g[i] = Real(i) * u[i];
        g[n] = Real(n) * u[n] - 1;
        return;
    case FunctionId::Tridia: TridiaGradient(p, n, u, g); return;
    case FunctionId::Dixon3dq: Dixon3dqGradient(n, u, g); return;
    case FunctionId::HilbertA: HilbertAGradient(n, u, g); return;
    case FunctionId::HilbertB: HilbertBGradient(p.HilbertD, n, u, g); return;
    case FunctionId::QuadraticFromFiles: QuadraticFromFilesGradient(*quad, n, uv, au, g); return;
    case FunctionId::GeneralizedRosenbrock: GeneralizedRosenbrockGradient(n, u, g); return;
    case FunctionId::Formula: typed->Gradient(uv, gv); return;
    }
    throw std::logic_error("GradientOf: not a function of the catalogue");
}

} // namespace

[[gnu::noinline]] void Objective::GeneralGradient(const MyArray1& u, MyArray1& g, Real& gnorm) {
    const int n = n_;
    RequirePoint(u, "Objective::Gradient");
    if (g.size() < static_cast<std::size_t>(n) + 1)
        throw std::invalid_argument("Objective::Gradient: the gradient has fewer than n components");

    if (n >= 1000) Tell(kEvaluatingGradient);
    ++evaluations_;

    // The norm runs over the whole vector handed in, not only over 1..n.
    Real norm = 0;
    const auto gradient = [&] { GradientOf(id_, n, parameters_, quadratic_, au_, formula_ ? &*formula_ : nullptr, u, g); };
    const auto normOfG = [&] {
        Real sum = 0;
        for (std::size_t i = 1; i < g.size(); ++i) sum += g[i] * g[i];
        norm = std::sqrt(sum);
        PinValue(norm);
    };
    int which = 0;  // 1: the gradient raised a fault, 2: only its norm did
    try {
        if (faultsShowInResult_) {
            // A fault leaves a component, and so the norm, not finite: the
            // test below tells whose it is without reading the status.
            gradient();
            Real sum = 0;
            for (std::size_t i = 1; i < g.size(); ++i) sum += g[i] * g[i];
            norm = std::sqrt(sum);
        } else if (g.data() == u.data()) {
            // Writing the gradient over its own point: not a block that can run twice.
            FpFaultGuard guard;
            gradient();
            if (guard.Faulted()) {
                which = 1;
            } else {
                FpFaultGuard normGuard;
                normOfG();
                if (normGuard.Faulted()) which = 2;
            }
        } else {
            which = FirstFaultedRunning(gradient, normOfG);
        }
    } catch (const std::exception&) {
        which = 1;
    }
    if (which == 1) ThrowGradientFault(name_);
    if (which == 2 || !IsFiniteReal(norm)) ThrowNormFault(g, n, name_);

    gnorm = norm;
    if (gnorm == 0 && events_ != nullptr) events_->ZeroGradient();
    Tell(kWorkingStatus);
}

} // namespace tarvik

#include "core/golden_section.h"

#include <cmath>

#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// Computed at start-up rather than written as a literal, so that it is the
// correctly rounded extended value of the expression itself.
const Real kGoldenFraction = (3.0L - sqrtl(5.0L)) / 2.0L;

constexpr int kMaxBracketRounds = 1000;
constexpr int kMaxReductionRounds = 100;

// to[i] = from[i] - t * d[i]
void MoveAgainst(MyArray1& to, const MyArray1& from, Real t, const MyArray1& d, int n) {
    for (int i = 1; i <= n; ++i) to[i] = from[i] - t * d[i];
}

} // namespace

StepResult GoldenSectionSearch(Objective& objective, const GoldenOptions& options, const MyArray1& gradient,
                               const MyArray1& d, MyArray1& u, Real j) {
    const int n = objective.Dimension();

    // A non-positive slope (or NaN) means -d does not descend: no J is spent.
    const Real slope = VecDot(gradient, d);
    if (!(slope > 0)) return {0, StepEnd::NotDescent};

    Real t = options.firstMove / VecNorm(d);
    // Where a, b, x1 and x2 lie along -d, as multiples of d: the search moves
    // points, these follow them, so the step chosen can be told without
    // touching the points' arithmetic.
    Real ta = 0, tb = 0, t1 = 0, t2 = t;
    MyArray1 a(u.begin(), u.end());
    MyArray1 b = NewVector(n);
    MyArray1 x1 = NewVector(n);
    MyArray1 x2 = NewVector(n);
    Real fA = j;
    Real fB = 0;
    Real f1 = 0;

    MoveAgainst(x2, a, t, d, n);
    Real f2 = objective.Value(x2);
    int counter = 0;
    // At most 1100 evaluations, but of a function whose evaluation costs
    // order n*n they take minutes for large n: pump by work done, which
    // for small n means never.
    StopCadence cadence = objective.Cadence(kStopPointWork / n);

    if (fA > f2) {
        // Walk outwards from the last trial point, so the distances from u
        // grow as t0, t0 + 1.2 t0, ...
        for (;;) {
            cadence.Step();
            ++counter;
            t = 1.2L * t;
            MoveAgainst(b, x2, t, d, n);
            tb = t2 + t;
            fB = objective.Value(b);
            if (f2 <= fB) break;
            a.swap(x2);  // A := X2, and X2's old storage is reused for B
            fA = f2;
            ta = t2;
            x2.swap(b);  // X2 := B
            f2 = fB;
            t2 = tb;
            if (counter >= kMaxBracketRounds) return {0, StepEnd::NoBracket};
        }
    } else {
        b.swap(x2);  // B := X2; both inner points are recomputed below
        fB = f2;
        tb = t2;
    }

    const Real g = kGoldenFraction;
    const bool relativeDistance = options.relativeDistance;
    bool recompute1 = true;
    bool recompute2 = true;
    counter = 0;
    for (;;) {
        cadence.Step();
        ++counter;
        if (recompute1) {
            for (int i = 1; i <= n; ++i) x1[i] = a[i] + g * (b[i] - a[i]);
            t1 = ta + g * (tb - ta);
            f1 = objective.Value(x1);
            recompute1 = false;
        }
        if (recompute2) {
            for (int i = 1; i <= n; ++i) x2[i] = b[i] - g * (b[i] - a[i]);
            t2 = tb - g * (tb - ta);
            f2 = objective.Value(x2);
            recompute2 = false;
        }
        if (!(f2 < f1)) {
            // Ties and unordered values keep the end nearer to u.
            b.swap(x2);   // B := X2
            fB = f2;
            tb = t2;
            x2.swap(x1);  // X2 := X1; x1 is recomputed next round
            f2 = f1;
            t2 = t1;
            recompute1 = true;
        } else {
            a.swap(x1);   // A := X1
            fA = f1;
            ta = t1;
            x1.swap(x2);  // X1 := X2; x2 is recomputed next round
            f1 = f2;
            t1 = t2;
            recompute2 = true;
        }
        // Mode 2 divides by J(u°) itself; J0 = 0 yields inf or NaN, which
        // never passes the test, so the reduction then runs its 100 rounds.
        const Real value = relativeDistance ? VecNormComb(a, b, -1) / options.dist0 : fabsl(fA - fB) / options.j0;
        if (options.eps > value || counter >= kMaxReductionRounds) break;
    }

    for (int i = 1; i <= n; ++i) u[i] = (a[i] + b[i]) * 0.5L;
    return {(ta + tb) * 0.5L, StepEnd::Moved};
}

} // namespace tarvik

#include "core/wolfe_search.h"

#include <cmath>

#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/objective.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

constexpr int kMaxZoomRounds = 10;

// One end of the interval along the ray: the step, J there and the slope.
struct RayPoint {
    Real alpha;
    Real phi;
    Real dphi;
};

Real InterpolateQuadratic(const RayPoint& lo, const RayPoint& hi) {
    Real alphaJ = hi.alpha;
    const Real width = hi.alpha - lo.alpha;
    const Real dd = width * width;
    if (dd != 0) {
        // A = 0 gives an infinite or undefined minimiser, which the
        // safeguard replaces by the midpoint.
        const Real a = (hi.phi - lo.phi - lo.dphi * width) / dd;
        alphaJ = lo.alpha - (lo.dphi / 2) / a;
    }
    return alphaJ;
}

Real InterpolateCubic(const RayPoint& lo, const RayPoint& hi) {
    Real alphaJ = hi.alpha;
    Real delta = hi.alpha - lo.alpha;
    if (delta != 0) {
        FpFaultGuard guard;
        // Pinned inputs keep the guarded arithmetic after the flags are cleared.
        Real phiLo = lo.phi, phiHi = hi.phi, dphiLo = lo.dphi, dphiHi = hi.dphi;
        PinValue(phiLo);
        PinValue(phiHi);
        PinValue(dphiLo);
        PinValue(dphiHi);
        PinValue(delta);
        Real d1 = 3 * (phiLo - phiHi) / delta + dphiLo + dphiHi;
        Real d2 = sqrtl(d1 * d1 - dphiLo * dphiHi);
        const Real den1 = 2 * d2 + dphiHi - dphiLo;
        Real r1 = den1 != 0 ? delta * (d1 + d2 - dphiLo) / den1 : 0;
        const Real den2 = -2 * d2 + dphiHi - dphiLo;
        Real r2 = den2 != 0 ? delta * (d1 - d2 - dphiLo) / den2 : 0;
        PinValue(d1);
        PinValue(d2);
        PinValue(r1);
        PinValue(r2);
        if (guard.Faulted())
            throw EBadError("Error in Wolfe line search for cubic interpolation! You may try a quadratic interpolation.");
        if (r1 > 0 && r2 > 0)
            alphaJ = lo.alpha + MinReal(r1, r2);
        else if (r1 > 0)
            alphaJ = lo.alpha + r1;
        else if (r2 > 0)
            alphaJ = lo.alpha + r2;
    }
    return alphaJ;
}

Real InterpolatedStep(WolfeInterpolation interpolation, const RayPoint& lo, const RayPoint& hi) {
    Real alphaJ = hi.alpha;
    switch (interpolation) {
    case WolfeInterpolation::Quadratic: alphaJ = InterpolateQuadratic(lo, hi); break;
    case WolfeInterpolation::Cubic: alphaJ = InterpolateCubic(lo, hi); break;
    case WolfeInterpolation::Midpoint: break;  // the safeguard below halves
    }
    if (!(lo.alpha < alphaJ && alphaJ < hi.alpha)) alphaJ = (lo.alpha + hi.alpha) * 0.5L;
    return alphaJ;
}

// Everything one search shares between its steps.
struct WolfeContext {
    Objective& objective;
    WolfeInterpolation interpolation;
    const MyArray1& d;
    const MyArray1& u;
    int n;
    Real phi0;
    Real dphi0;
    Real c1;
    Real c2;
    MyArray1 x;        // trial point
    MyArray1 gx;       // gradient at x
    Real gxNorm = 0;

    void PlaceTrial(Real alpha) {
        for (int i = 1; i <= n; ++i) x[i] = u[i] - alpha * d[i];
    }
    Real SlopeAtTrial() {
        gxNorm = objective.Gradient(x, gx);
        return -VecDot(gx, d);
    }
    bool SufficientDecrease(Real alpha, Real phi) const { return !(phi > phi0 + c1 * alpha * dphi0); }
    bool FlatEnough(Real dphi) const { return fabsl(dphi) <= -c2 * dphi0; }
};

// Shrinks [lo, hi] until a trial meets both conditions, or for at most ten
// rounds; leaves the accepted trial in ctx.x / ctx.gx and returns it.
RayPoint Zoom(WolfeContext& ctx, RayPoint lo, RayPoint hi) {
    RayPoint trial = hi;
    for (int round = 1; round <= kMaxZoomRounds; ++round) {
        trial.alpha = InterpolatedStep(ctx.interpolation, lo, hi);
        ctx.PlaceTrial(trial.alpha);
        trial.phi = ctx.objective.Value(ctx.x);
        trial.dphi = ctx.SlopeAtTrial();
        if (!ctx.SufficientDecrease(trial.alpha, trial.phi) || trial.phi >= lo.phi) {
            hi = trial;
        } else if (ctx.FlatEnough(trial.dphi)) {
            break;
        } else if (trial.dphi >= 0) {
            // The low end keeps the negative slope; the ends never swap.
            hi = trial;
        } else {
            lo = trial;
        }
    }
    return trial;
}

} // namespace

StepResult WolfeSearch(Objective& objective, const WolfeOptions& options, const MyArray1& dIn, MyArray1& u, MyArray1& g,
                       Real& j, Real& gNorm, MyArray1& gPrev) {
    // The steepest-descent callers pass the gradient both as the direction
    // and as the gradient that the finish overwrites; the direction must
    // stay the one of the entry.
    MyArray1 dCopy;
    const MyArray1* dp = &dIn;
    if (&dIn == &g || &dIn == &u) {
        dCopy = dIn;
        dp = &dCopy;
    }
    const MyArray1& d = *dp;
    const int n = objective.Dimension();
    const Real h = options.alphaMax;

    RayPoint lo{0, j, -VecDot(g, d)};
    const Real phi0 = lo.phi;
    const Real dphi0 = lo.dphi;

    if (!options.descentCheckWaived && !(dphi0 < 0)) return {0, StepEnd::NotDescent};

    Real alpha = 0;
    switch (options.firstTrial) {
    case WolfeFirstTrial::FromLastDecrease: alpha = MinReal(1, 1.01L * 2 * (phi0 - options.previousJ) / dphi0); break;
    case WolfeFirstTrial::FifthOfMax: alpha = 0.2L * h; break;
    case WolfeFirstTrial::UnitOrMax: alpha = MinReal(1, h); break;
    }

    if (alpha == 0) return {0, StepEnd::ZeroStep};

    WolfeContext ctx{objective, options.interpolation, d, u, n, phi0, dphi0, options.c1, options.c2,
                     NewVector(n), NewVector(n)};

    RayPoint cur{alpha, 0, 0};
    ctx.PlaceTrial(cur.alpha);
    cur.phi = objective.Value(ctx.x);
    // Extrapolation has no bound of its own: a step that creeps towards
    // alpha_max by less than its last bit would repeat the same pass.
    StopCadence cadence = objective.UnboundedLoopCadence();
    for (;;) {
        cadence.Step();
        cur.dphi = ctx.SlopeAtTrial();
        if (!ctx.SufficientDecrease(cur.alpha, cur.phi) || cur.phi >= lo.phi) {
            cur = Zoom(ctx, lo, cur);
            break;
        }
        if (ctx.FlatEnough(cur.dphi)) break;
        if (cur.dphi >= 0) {
            cur = Zoom(ctx, lo, cur);
            break;
        }
        lo = cur;
        if (cur.alpha >= h) break;

        // Extrapolate: first alpha_max itself, then points ever closer to
        // the current step, until one decreases J enough. The slope there
        // is taken at the top of the loop.
        Real delta = (h - cur.alpha) / 0.3L;
        Real trialAlpha;
        do {
            delta = 0.3L * delta;
            trialAlpha = cur.alpha + delta;
            ctx.PlaceTrial(trialAlpha);
            cur.phi = objective.Value(ctx.x);
        } while (!(cur.phi <= phi0 + ctx.c1 * trialAlpha * dphi0));
        cur.alpha = cur.alpha + delta;
    }

    j = cur.phi;
    gNorm = ctx.gxNorm;
    gPrev.assign(g.begin(), g.end());
    g.assign(ctx.gx.begin(), ctx.gx.end());
    u.assign(ctx.x.begin(), ctx.x.end());
    return {cur.alpha, StepEnd::Moved};
}

} // namespace tarvik

#pragma once
// The collinear-gradients methods ("Collinear gradients, demo 1 step" and
// "Collinear gradients"). Around the base point u_b of an iteration,
// sub-iterations look for a point v whose gradient is collinear with g_b;
// for a quadratic, v - u_b is then a Newton direction found without a
// Hessian. The final step goes along v - u_b to where the directional
// derivative, interpolated linearly between u_b and v, vanishes.
#include <cstdint>
#include <functional>
#include <string>

#include "core/numeric.h"

namespace tarvik {

class Objective;

// What the sub-iterations carry from one to the next.
struct CollinearState {
    // The base point u_b of the iteration, its gradient g_b and J there: the
    // run's point when the search began (u° before the run's first search).
    MyArray1 ub, gb;
    Real gbNorm = 0;
    Real jBase = 0;
    Real divGradNorm = 0;      // ||w||, how far from collinear the gradients are
    Real divGradNormPrev = 0;
    Real sign = 1;             // sigma of w
    Real beta = 0;             // Fletcher-Reeves factor on ||w||
    Real step = 0;             // exact step of the sub-iteration
    Real gradNormSaved = 0;
    uint8_t subIterDone = 0;
};

struct CollinearOptions {
    Real delta;                // distance of the first trial point from u_b
    Real minDist;              // a trial point this close to u_b ends the search
    Real threshold;            // so does ||w|| below this
    Real c1;                   // and a relative change of ||w|| of at most c1
    int32_t maxSubIterations;
};

// The vectors the sub-iterations read and work in, components 1..n.
struct CollinearVectors {
    const MyArray1& ub;        // base point
    const MyArray1& gb;        // its gradient
    Real gbNorm;
    MyArray1& p;               // search direction on ||w||
    MyArray1& w;
    MyArray1& wPrev;
    MyArray1& uSaved;          // the trial point while its curvature is probed
    MyArray1& gSaved;
    MyArray1& gPrev;           // the trial gradient a sub-iteration starts from
    Real& gPrevNorm;
};

// w := sigma * gv / normGv - gb / gbNorm over 1..n, and its norm into
// state.divGradNorm, sigma = state.sign = Sign(gb . gv), 1 when that sign
// is 0. Clears state.subIterDone, or sets it (and leaves w) when gv is 0.
void DivGVector(int n, const MyArray1& gb, Real gbNorm, const MyArray1& gv, Real normGv, MyArray1& w,
                CollinearState& state);

// Places the trial point u at the corner of the delta-cube around u_b on
// the side of the signs of g_b, evaluates g = gradJ(u) and gNorm (one
// evaluation) and the first w.
void SubIterationStart(Objective& objective, const CollinearOptions& options, const CollinearVectors& v,
                       CollinearState& state, MyArray1& g, Real& gNorm, MyArray1& u);

// One conjugate-gradient sub-iteration on ||w|| with a forward-difference
// curvature and an exact step; u is the trial point, g and gNorm its
// gradient, q a work vector of n + 1 components, subIterations the count
// of this sub-iteration (advanced when it moves). Sets state.subIterDone
// when the sub-iterations are over; line receives the report's line for
// each lengthened differentiation step. Raises EBadError "Terminated by
// user" after Stop.
void SubIteration(Objective& objective, const CollinearOptions& options, const CollinearVectors& v,
                  CollinearState& state, int64_t& subIterations, const std::function<void(const std::string&)>& line,
                  MyArray1& g, Real& gNorm, MyArray1& u, MyArray1& q);

// The final steps from ub (gradient gb) along u - ub over 1..n, where u is
// the point the sub-iterations reached and g its gradient. step := tau.
// When tau cannot be formed (g_b . (v - u_b) = 0, or the linear model has no
// zero) step := 0 and u stays where the sub-iterations left it.
void CollinearDemoStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, Real& step);
// As the demo step, with d = tau (v - u_b) and dNorm = ||d||; an uphill d
// is reversed, and then the step returns true.
bool CollinearStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, MyArray1& d,
                   Real& dNorm, Real& step);

} // namespace tarvik

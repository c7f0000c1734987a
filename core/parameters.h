#pragma once
// Tunable method and function parameters. They live for the whole program,
// start at these defaults at every start and are never stored.
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

struct TunableParameters {
    // Methods
    Real ConstStepSize = 0.3L;          // "   step-size ="
    Real WolfeC2 = 0.1L;                // " Wolfe  c2 ="
    uint8_t WolfeInterpolation = 0;     // 0 quadratic, 1 cubic
    Real NewtonCgForcingC = 0.001L;     // "CG prec. c ="
    int32_t MaxSubIter = 2147483647;    // "maxSubiter ="
    Real TrustMaxRadius = 1.0L;         // "maxRadius ="
    Real CollC1 = 1e-8L;                // "CollGrad  c1 ="
    Real CollC2 = 4.0L;                 // "CollGrad  c2 ="
    Real CollDeltaDemo = 0.5L;          // delta of "Collinear gradients, demo 1 step"
    Real CollDeltaFull = 1e-5L;         // delta of "Collinear gradients"

    // Limits of a run, for every method: 0 means no limit.
    int32_t MaxIterations = 0;          // "max iterations ="
    int32_t NoProgressIterations = 50;  // "no progress ="

    // Functions
    Real TridiaAlpha = 2.0L;
    Real TridiaBeta = 1.0L;
    Real TridiaDelta = 1.0L;
    Real TridiaGamma = 1.0L;
    Real HilbertD = 0.001L;
};

// Fixed values kept beside the tunables.
inline constexpr Real WolfeC1 = 1e-4L;
inline constexpr Real CollC1Saddle = 0.1L;
inline constexpr Real CollDeltaSaddle = 0.05L;

} // namespace tarvik

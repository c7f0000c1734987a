#pragma once
// J and gradJ of the functions of (u1, u2), shared by the general
// evaluation and the objective's own path for them at n = 2, so that both
// give the same bits. The operation order is the one of every formula: x^2
// is x*x, x^3 is (x*x)*x, products and sums go from left to right.
#include "core/function_catalogue.h"
#include "core/numeric.h"

namespace tarvik {

// J at (u1, u2) into value; false for a function that is not one of them.
inline bool TwoDimensionalValue(FunctionId id, Real u1, Real u2, Real& value) {
    const auto sq = [](Real x) { return x * x; };
    switch (id) {
    case FunctionId::Rosenbrock: value = 100 * sq(u2 - u1 * u1) + sq(1 - u1); return true;
    case FunctionId::Himmelblau2: value = sq(u2 - u1 * u1) + sq(1 - u1); return true;
    case FunctionId::Himmelblau4: value = 100 * sq(u2 - u1 * u1 * u1) + sq(1 - u1); return true;
    case FunctionId::Himmelblau28: value = sq(u1 * u1 + u2 - 11) + sq(u2 * u2 + u1 - 7); return true;
    case FunctionId::Saddle: value = 5 * (u1 * u1) - u2 * u2 + 1; return true;
    case FunctionId::CubicVarnel:
        value = 2 * (u1 * u1 * u1) + 4 * (u1 * u1) + u2 * u2 * u2 + 2 * (u2 * u2);
        return true;
    default: return false;
    }
}

// gradJ at (u1, u2) into g1, g2; false for a function that is not one of them.
inline bool TwoDimensionalGradient(FunctionId id, Real u1, Real u2, Real& g1, Real& g2) {
    switch (id) {
    case FunctionId::Rosenbrock: {
        const Real d = u2 - u1 * u1;
        g1 = -400 * u1 * d - 2 * (1 - u1);
        g2 = 200 * d;
        return true;
    }
    case FunctionId::Himmelblau2: {
        const Real d = u2 - u1 * u1;
        g1 = -4 * u1 * d - 2 * (1 - u1);
        g2 = 2 * d;
        return true;
    }
    case FunctionId::Himmelblau4: {
        const Real d = u2 - u1 * u1 * u1;
        g1 = -600 * (u1 * u1) * d - 2 * (1 - u1);
        g2 = 200 * d;
        return true;
    }
    case FunctionId::Himmelblau28: {
        const Real a = u1 * u1 + u2 - 11;
        const Real b = u2 * u2 + u1 - 7;
        g1 = 4 * u1 * a + 2 * b;
        g2 = 2 * a + 4 * u2 * b;
        return true;
    }
    case FunctionId::Saddle:
        g1 = 10 * u1;
        g2 = -2 * u2;
        return true;
    case FunctionId::CubicVarnel:
        g1 = 6 * (u1 * u1) + 8 * u1;
        g2 = 3 * (u2 * u2) + 4 * u2;
        return true;
    default: return false;
    }
}

} // namespace tarvik

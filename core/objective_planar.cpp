// J and gradJ of the built-in functions of (u1, u2) at n = 2, which take a
// few nanoseconds: they skip the general evaluation (point checks, the
// dispatch through the catalogue, the flag reads), and everything else an
// evaluation does is done here as lightly as it can be, with the same
// counts, texts, failures and bits.
#include <cstddef>

#include "core/fp_guard.h"
#include "core/just_stored_real.h"
#include "core/objective.h"
#include "core/objective_faults.h"
#include "core/two_dimensional_formulas.h"

namespace tarvik {

// Counted as any other evaluation: these formulas throw nothing that could
// skip the count. A fault of theirs leaves J infinite or not a number.
inline void Objective::AcceptPlanarValue(Real value) {
    ++evaluations_;
    if (!IsFiniteReal(value)) ThrowFunctionFault(name_);
}

// gj = (g1, g2) into g, its norm into gnorm. The components are read before
// either is written (g may be the point itself), and the norm runs over the
// whole vector handed in, from 0 upwards. A fault leaves a component, and
// so the norm, not finite.
inline void Objective::AcceptPlanarGradient(Real g1, Real g2, MyArray1& g, Real& gnorm) {
    ++evaluations_;
    g[1] = g1;
    g[2] = g2;
    Real sum = 0;
    sum += g1 * g1;
    sum += g2 * g2;
    for (std::size_t i = 3; i < g.size(); ++i) sum += g[i] * g[i];
    // A sum of squares is +0, positive or NaN, and its root is finite, or
    // 0, exactly when it is: so both are asked of the sum, one comparison
    // each, and the root needs no look at a negative argument.
    if (!__builtin_isless(sum, __builtin_infl())) ThrowNormFault(g, n_, name_);
    gnorm = RootOfNonNegative(sum);
    if (sum == 0 && events_ != nullptr) events_->ZeroGradient();
    Tell(kWorkingStatus);
}

// The point was stored by the caller moments ago: see LoadJustStoredReal.
Real Objective::Value(const MyArray1& u) {
    if (planar_ && u.size() >= 3) {
        Real value = 0;
        if (TwoDimensionalValue(id_, LoadJustStoredReal(&u[1]), LoadJustStoredReal(&u[2]), value)) {
            AcceptPlanarValue(value);
            if (events_ == nullptr || !events_->ShowsStatus()) return value;
            // No x87 register survives a call: J is kept in memory meanwhile,
            // and read back as the store it just was.
            Real kept = value;
            PinValue(kept);
            events_->Status(kWorkingStatus);
            return LoadJustStoredReal(&kept);
        }
    }
    return GeneralValue(u);
}

void Objective::Gradient(const MyArray1& u, MyArray1& g, Real& gnorm) {
    if (planar_ && u.size() >= 3 && g.size() >= 3) {
        Real g1 = 0, g2 = 0;
        if (TwoDimensionalGradient(id_, LoadJustStoredReal(&u[1]), LoadJustStoredReal(&u[2]), g1, g2)) {
            AcceptPlanarGradient(g1, g2, g, gnorm);
            return;
        }
    }
    GeneralGradient(u, g, gnorm);
}

// Reading the point is most of what two calls cost beyond their formulas,
// so one read serves both.
void Objective::ValueAndGradient(const MyArray1& u, Real& value, MyArray1& g, Real& gnorm) {
    if (planar_ && u.size() >= 3 && g.size() >= 3) {
        const Real u1 = LoadJustStoredReal(&u[1]), u2 = LoadJustStoredReal(&u[2]);
        Real j = 0;
        if (TwoDimensionalValue(id_, u1, u2, j)) {
            AcceptPlanarValue(j);
            value = j;
            Tell(kWorkingStatus);
            Real g1 = 0, g2 = 0;
            TwoDimensionalGradient(id_, u1, u2, g1, g2);
            AcceptPlanarGradient(g1, g2, g, gnorm);
            return;
        }
    }
    value = Value(u);
    Gradient(u, g, gnorm);
}

} // namespace tarvik

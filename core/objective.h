#pragma once
// The only evaluators of J and of its gradient. Each call counts one
// evaluation in EvalCount, also when it fails.
#include <cstdint>
#include <functional>

#include "core/progress.h"
#include "core/run_state.h"

namespace tarvik {

// s_j = sin(2*pi*(j-1)/(n-1))/2 with the ten-decimal pi of the catalogue.
Real SinShift(int j, int n);

// s_1..s_n for dimension n (index 0 unused). The table is kept between
// calls, so the sines are computed once per dimension; for n < 2 it is
// recomputed every time, so that the division by n - 1 = 0 is met again.
// The pointer is valid until the next call with another dimension.
const Real* SinShiftTable(int n);

// QuadAu := QuadA * u over rows and columns 1..n, each row accumulated from
// column 1 upwards.
void MultiplyQuadA(QuadraticData& quad, int n, const MyArray1& u);

// J(u) of the given function. Raises EBadError
// "Error in evaluation of function: " + FunctionName on an arithmetic fault.
Real EvalJ(RunState& s, FunctionId functionCode, const MyArray1& u);

// gradJ(u) into g (length N + 1) and its Euclidean norm into gnorm; clears
// ContinueRun when the norm is exactly 0. Raises EBadError
// "Error in evaluation of gradient: " + FunctionName, or ERealBadError
// "Error in evaluation of gradient norm for function: " + FunctionName.
void EvalGrad(RunState& s, FunctionId functionCode, const MyArray1& u, MyArray1& g, Real& gnorm);

// J and gradJ of one function as a line search or a direction rule sees
// them: every call goes through EvalJ / EvalGrad, so it counts, guards and
// reports its status exactly as they do, and Stop is honoured through the
// run's own cancellation points. The driver builds it; a kernel never sees
// the run state behind it.
// J of the run's present function as a plain function object, for code that
// only needs its values (the figure's level lines): it counts and guards as
// EvalJ does, with the run's N at the time of each call.
inline std::function<Real(const MyArray1&)> JOf(RunState& s) {
    const FunctionId function = s.FunctionCode;
    return [&s, function](const MyArray1& u) { return EvalJ(s, function, u); };
}

class Objective {
public:
    Objective(RunState& s, FunctionId function) : s_(s), function_(function) {}

    int Dimension() const { return s_.N; }
    Real Value(const MyArray1& u) { return EvalJ(s_, function_, u); }
    // gradJ(u) into g; returns its norm. On a failure the norm is not set.
    Real Gradient(const MyArray1& u, MyArray1& g) {
        Real norm = 0;
        EvalGrad(s_, function_, u, g, norm);
        return norm;
    }
    // gradJ(u) into g and its norm into norm, which a failure leaves as it was.
    void Gradient(const MyArray1& u, MyArray1& g, Real& norm) { EvalGrad(s_, function_, u, g, norm); }
    int32_t Evaluations() const { return s_.EvalCount; }

    // Cancellation every `period` steps of a loop, or by work for a loop
    // without a bound of its own.
    StopCadence Cadence(int period) const { return StopCadence(s_, period); }
    StopCadence UnboundedLoopCadence() const { return StopCadence::ForUnboundedLoop(s_); }

private:
    RunState& s_;
    FunctionId function_;
};

} // namespace tarvik

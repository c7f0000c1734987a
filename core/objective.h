#pragma once
// J, gradJ and the Hessian of one test function at one dimension: the only
// evaluators of the program. An objective counts its evaluations, turns an
// arithmetic fault into the failure text that names the function, and
// knows nothing of a run: what it has to tell goes to the ObjectiveEvents
// it is given, so a test or the figure can evaluate with no run at all.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/formula.h"
#include "core/function_catalogue.h"
#include "core/hessian.h"
#include "core/numeric.h"
#include "core/parameters.h"
#include "core/quadratic_data.h"
#include "core/typed_function.h"

namespace tarvik {

struct FunctionTraits;

// s_j = sin(2*pi*(j-1)/(n-1))/2 with the ten-decimal pi of the catalogue.
Real SinShift(int j, int n);

// s_1..s_n for dimension n (index 0 unused). The table is kept between
// calls, so the sines are computed once per dimension; for n < 2 it is
// recomputed every time, so that the division by n - 1 = 0 is met again.
// The pointer is valid until the next call with another dimension.
const Real* SinShiftTable(int n);

// What an objective tells whoever evaluates through it. A run shows the
// texts in its status bar, lets the window handle its events at the stop
// points and ends when a gradient vanishes.
class ObjectiveEvents {
public:
    // For n >= 1000, what is being evaluated; after every evaluation that
    // succeeds, " Working...".
    virtual void Status(const std::string& text) = 0;
    // A point where a long loop may be cancelled: raises EBadError
    // "Terminated by user" when Stop has been pressed.
    virtual void StopPoint() = 0;
    // A gradient has just been evaluated with a norm of exactly 0.
    virtual void ZeroGradient() = 0;
    // Whether the texts of Status are shown anywhere. Where they are not
    // (the batch mode), an evaluation does not tell them: a call costs a
    // two-dimensional evaluation as much as its formula.
    bool ShowsStatus() const { return showsStatus_; }

protected:
    explicit ObjectiveEvents(bool showsStatus = true) : showsStatus_(showsStatus) {}
    ~ObjectiveEvents() = default;

private:
    bool showsStatus_;
};

// About this many component operations pass between two stop points of a
// loop whose steps cost order n each: a few milliseconds, wherever n lies.
inline constexpr int kStopPointWork = 1 << 16;

// A stop point every `period` steps of a loop.
class StopCadence {
public:
    StopCadence(ObjectiveEvents* events, int period) : events_(events), period_(period < 1 ? 1 : period) {}
    // For a loop whose length has no bound: about kStopPointWork operations
    // between stop points, and never more than n steps (a Gauss row's worth).
    static StopCadence ForUnboundedLoop(ObjectiveEvents* events, int n) {
        if (n < 1) n = 1;
        const int byWork = kStopPointWork / n;
        return StopCadence(events, byWork < n ? byWork : n);
    }
    void Step() {
        if (++steps_ < period_) return;
        steps_ = 0;
        if (events_ != nullptr) events_->StopPoint();
    }

private:
    ObjectiveEvents* events_;
    int period_;
    int steps_ = 0;
};

class Objective {
public:
    // The function of the entry at dimension n, with the function
    // parameters of `parameters` (copied). The quadratic from files reads
    // `quadratic` at every evaluation, so it must outlive the objective;
    // the other functions ignore it. A typed function compiles `typed`'s
    // formula for n here (std::invalid_argument when it does not fit n,
    // which a run refuses before: TypedFunctionRefusal); the others
    // ignore it.
    Objective(const FunctionTraits& function, int n, const TunableParameters& parameters,
              const QuadraticData* quadratic = nullptr, const TypedFunction* typed = nullptr);

    const FunctionTraits& Function() const { return *function_; }
    int Dimension() const { return n_; }
    // The name the failure texts give: the entry's list text unless set.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // Where the status texts, the stop points and a zero gradient go; none
    // by default.
    void SetEvents(ObjectiveEvents* events) { events_ = events; }

    // Evaluations of J and of gradJ so far; each counts when it starts, so
    // a failed one counts too.
    int64_t Evaluations() const { return evaluations_; }

    // J(u), reading components 1..n of u. Raises EBadError
    // "Error in evaluation of function: " + Name() on an arithmetic fault.
    Real Value(const MyArray1& u);
    // gradJ(u) into g; returns its Euclidean norm.
    Real Gradient(const MyArray1& u, MyArray1& g) {
        Real norm = 0;
        Gradient(u, g, norm);
        return norm;
    }
    // gradJ(u) into g and its norm into norm, which a failure leaves as it
    // was. The norm runs over the whole of g, not only over 1..n. Raises
    // EBadError "Error in evaluation of gradient: " + Name(), or
    // ERealBadError "Error in evaluation of gradient norm for function: " +
    // Name() when only the norm overflows.
    void Gradient(const MyArray1& u, MyArray1& g, Real& norm);

    // J(u) into value, then gradJ(u) into g and its norm into gnorm: what
    // Value and then Gradient do, with their counts, texts and failures,
    // value set before gradJ is evaluated. A function of (u1, u2) at n = 2
    // reads its point once for both.
    void ValueAndGradient(const MyArray1& u, Real& value, MyArray1& g, Real& gnorm);

    // The Hessian at u, as the entry's Hessian shape says: the 2x2 one, or
    // the n x n matrix into H (rows and columns 1..n). Neither counts nor
    // guards: the Newton step does, with texts of its own. A function
    // without that formula raises std::logic_error.
    Hessian2 TwoByTwoHessian(const MyArray1& u) const;
    void FillHessian(const MyArray1& u, MyArray2& H) const;
    // The same for a function whose Hessian is banded, as a band of the
    // entry's half-width (H is shaped for it first).
    void FillHessian(const MyArray1& u, BandMatrix& H) const;
    // The entry's Hessian shape, except that a typed function of (u1, u2)
    // has the 2x2 one, as the built-in two-dimensional functions have.
    HessianShape Hessian() const { return hessian_; }

    // Stop points every `period` steps of a loop, or by work for a loop
    // without a bound of its own.
    StopCadence Cadence(int period) const { return StopCadence(events_, period); }
    StopCadence UnboundedLoopCadence() const { return StopCadence::ForUnboundedLoop(events_, n_); }

private:
    // Value and Gradient of every function but those of (u1, u2) at n = 2,
    // kept apart so that those two keep a call as light as their formulas.
    Real GeneralValue(const MyArray1& u);
    void GeneralGradient(const MyArray1& u, MyArray1& g, Real& gnorm);
    // What Value and Gradient do with the results of those two's formulas.
    void AcceptPlanarValue(Real value);
    void AcceptPlanarGradient(Real g1, Real g2, MyArray1& g, Real& gnorm);
    void RequirePoint(const MyArray1& u, const char* what) const;
    void Tell(const std::string& text) const {
        if (events_ != nullptr && events_->ShowsStatus()) events_->Status(text);
    }

    const FunctionTraits* function_;
    FunctionId id_;
    bool fromFiles_;
    bool faultsShowInResult_;
    // A built-in function of (u1, u2) at n = 2: its J and gradJ take a few
    // nanoseconds, so they skip the general dispatch and its checks.
    bool planar_;
    int n_;
    TunableParameters parameters_;
    const QuadraticData* quadratic_;
    HessianShape hessian_;
    // The typed formula compiled for n; its work space makes it mutable
    // (one evaluation at a time), and copies of the objective share none.
    mutable std::optional<CompiledFormula> formula_;
    // A u of the quadratic from files, kept between evaluations.
    MyArray1 au_;
    std::string name_;
    ObjectiveEvents* events_ = nullptr;
    int64_t evaluations_ = 0;
};

} // namespace tarvik

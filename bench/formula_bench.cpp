// A typed formula against the built-in function it spells out: the
// generalized Rosenbrock function at n = 10000, J + gradJ each evaluated
// as the run evaluates them (under the fault guard, the gradient with its
// norm), and its Hessian at n = 2000. Figures are medians of the thread's
// CPU time over repeated rounds, so that other work on the machine counts
// little; the ratio is typed over built-in.
#include <cmath>
#include <cstdio>
#include <string>

#include "bench/bench_clock.h"
#include "core/formula.h"
#include "core/fp_guard.h"
#include "core/hessian.h"
#include "core/objective.h"
#include "core/function_catalogue.h"

namespace {

using namespace tarvik;
using namespace tarvik::bench;

constexpr const char* kTypedRosenbrock = "sum(i, 1, n-1, 100*(u[i+1]-u[i]^2)^2 + (1-u[i])^2)";

// The built-in function as the run evaluates it, through its objective.
struct BuiltIn {
    Objective objective;
    explicit BuiltIn(int n) : objective(Traits(FunctionId::GeneralizedRosenbrock), n, TunableParameters{}) {}
    Real Value(const MyArray1& u) { return objective.Value(u); }
    Real Gradient(const MyArray1& u, MyArray1& g) { return objective.Gradient(u, g); }
    void Hessian(const MyArray1& u, MyArray2& H) { objective.FillHessian(u, H); }
};

// The typed one, guarded the same way.
struct Typed {
    CompiledFormula f;
    explicit Typed(int n) {
        ParsedFormula parsed;
        if (ParseFormula(kTypedRosenbrock, parsed) || CompiledFormula::Compile(parsed, n, f)) std::abort();
    }
    Real Value(const MyArray1& u) {
        Real value = 0;
        const bool faulted = FaultedRunning([&] {
            value = f.Value(u);
            PinValue(value);
        });
        return faulted ? NAN : value;
    }
    Real Gradient(const MyArray1& u, MyArray1& g) {
        Real norm = 0;
        const int which = FirstFaultedRunning([&] { f.Gradient(u, g); },
                                              [&] {
                                                  Real sum = 0;
                                                  for (std::size_t i = 1; i < g.size(); ++i) sum += g[i] * g[i];
                                                  norm = std::sqrt(sum);
                                                  PinValue(norm);
                                              });
        return which ? NAN : norm;
    }
    void Hessian(const MyArray1& u, MyArray2& H) { f.FillHessian(u, H); }
};

MyArray1 Point(int n) {
    MyArray1 u = NewVector(n);
    for (int i = 1; i <= n; ++i) u[static_cast<std::size_t>(i)] = std::sin(0.37L * i) + 0.5L;
    return u;
}

// Median over rounds of the mean time of `calls` calls.
template <class F>
double PerCall(int rounds, int calls, F&& body) {
    return MedianSeconds(rounds, [&] {
               for (int c = 0; c < calls; ++c) body();
           }) /
           calls;
}

volatile Real sink;

void Line(const char* what, double typed, double builtIn) {
    std::printf("%-34s typed %10.1f us   built-in %10.1f us   ratio %5.2f\n", what, typed * 1e6, builtIn * 1e6,
                typed / builtIn);
    std::fflush(stdout);
}

} // namespace

int main() {
    const int n = 10000;
    {
        const double start = ThreadSeconds();
        Typed once(n);
        std::printf("parse and compile, n = %d: %.1f us\n", n, (ThreadSeconds() - start) * 1e6);
    }
    BuiltIn builtIn(n);
    Typed typed(n);
    const MyArray1 u = Point(n);
    MyArray1 g = NewVector(n);
    const int rounds = 21, calls = 50;

    std::printf("Generalized Rosenbrock, n = %d: %s\n", n, kTypedRosenbrock);
    const double tj = PerCall(rounds, calls, [&] { sink = typed.Value(u); });
    const double bj = PerCall(rounds, calls, [&] { sink = builtIn.Value(u); });
    Line("J", tj, bj);
    const double tg = PerCall(rounds, calls, [&] { sink = typed.Gradient(u, g); });
    const double bg = PerCall(rounds, calls, [&] { sink = builtIn.Gradient(u, g); });
    Line("gradJ with its norm", tg, bg);
    const double tb = PerCall(rounds, calls, [&] {
        sink = typed.Value(u);
        sink = typed.Gradient(u, g);
    });
    const double bb = PerCall(rounds, calls, [&] {
        sink = builtIn.Value(u);
        sink = builtIn.Gradient(u, g);
    });
    Line("J + gradJ", tb, bb);

    const int hn = 2000;
    BuiltIn builtInH(hn);
    Typed typedH(hn);
    const MyArray1 uh = Point(hn);
    MyArray2 H = NewMatrix(hn);
    const double th = PerCall(5, 1, [&] { typedH.Hessian(uh, H); });
    const double bh = PerCall(5, 1, [&] { builtInH.Hessian(uh, H); });
    std::printf("Hessian, n = %d:", hn);
    Line("", th, bh);
    return 0;
}

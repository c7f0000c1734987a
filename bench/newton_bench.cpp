// Time of one step of the Newton methods: classical and finite-difference
// Newton on "Generalized Rosenbrock (n>=2)" and on the Schwefel quadratic at
// n = 100, 300, 1000, and inexact Newton-CG on Generalized Rosenbrock at
// n = 1000 and 10000. Each step starts from the same point.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "app/direction_rules.h"
#include "core/function_catalogue.h"
#include "core/host.h"
#include "core/newton_methods.h"
#include "core/newton_step.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "core/silent_host.h"

namespace {

using namespace tarvik;


enum class Method { Classical, FiniteDifference, InexactCg };

const char* MethodName(Method m) {
    switch (m) {
    case Method::Classical: return "classical Newton";
    case Method::FiniteDifference: return "finite-difference Newton";
    default: return "inexact Newton-CG";
    }
}

// A point near the minimum, where the Hessian of Generalized Rosenbrock is
// positive definite, and the same point for the quadratic.
void Prepare(RunState& s, FunctionId code, int n, Method m) {
    s.N = n;
    s.FunctionCode = code;
    s.FunctionName = code == FunctionId::GeneralizedRosenbrock ? "Generalized Rosenbrock (n>=2)" : "Quadratic: Rotated Ellipsoid (Schwefel 1.2)";
    s.StopRequested = 0;
    s.U = NewVector(n);
    s.U0 = NewVector(n);
    s.GradJ = NewVector(n);
    s.GradJ0 = NewVector(n);
    s.Dir = NewVector(n);
    if (m != Method::InexactCg) s.HMatrix = NewMatrix(n);
    for (int i = 1; i <= n; ++i) s.U[i] = 1 + 0.01L * ((i % 7) - 3);
    BuildRunObjective(s);
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
}

struct Timing {
    double secondsPerStep = 0;
    int evaluationsPerStep = 0;
    int subIterations = 0;
    std::string failure;
};

Timing TimeSteps(FunctionId code, int n, Method m) {
    SilentHost host;
    RunState s(host);
    Timing t;
    try {
        Prepare(s, code, n, m);
        const MyArray1 base = s.U;
        const MyArray1 baseGrad = s.GradJ;
        const Real baseNorm = s.GradNorm;
        // Enough repetitions for a stable figure without making n = 1000 slow.
        const int repeats = n >= 1000 ? 1 : (n >= 300 ? 2 : 10);
        const int64_t evaluationsBefore = s.Problem->Evaluations();
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < repeats; ++r) {
            s.U = base;
            s.GradJ = baseGrad;
            s.GradNorm = baseNorm;
            switch (m) {
            case Method::Classical: RunNewtonStep(s, s.Dir); break;
            case Method::FiniteDifference: RunFdNewtonStep(s); break;
            case Method::InexactCg: RunInexactNewtonStep(s); break;
            }
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        t.secondsPerStep = elapsed.count() / repeats;
        t.evaluationsPerStep = static_cast<int>((s.Problem->Evaluations() - evaluationsBefore) / repeats);
        t.subIterations = s.SubIterCount;
    } catch (const std::exception& e) {
        t.failure = e.what();
    }
    return t;
}

} // namespace

int main() {
    struct Case {
        Method method;
        FunctionId function;
        int n;
    };
    constexpr FunctionId rosenbrock = FunctionId::GeneralizedRosenbrock, schwefel = FunctionId::Schwefel12;
    const Case cases[] = {
        {Method::Classical, rosenbrock, 100},        {Method::Classical, rosenbrock, 300},
        {Method::Classical, rosenbrock, 1000},       {Method::Classical, schwefel, 100},
        {Method::Classical, schwefel, 300},          {Method::Classical, schwefel, 1000},
        {Method::FiniteDifference, rosenbrock, 100}, {Method::FiniteDifference, rosenbrock, 300},
        {Method::FiniteDifference, rosenbrock, 1000}, {Method::FiniteDifference, schwefel, 100},
        {Method::FiniteDifference, schwefel, 300},   {Method::FiniteDifference, schwefel, 1000},
        {Method::InexactCg, rosenbrock, 1000},       {Method::InexactCg, rosenbrock, 10000},
    };
    std::printf("%-26s %-22s %6s %14s %12s %8s\n", "method", "function", "n", "ms per step", "evaluations", "sub-it.");
    for (const Case& c : cases) {
        const Timing t = TimeSteps(c.function, c.n, c.method);
        const std::string key(Traits(c.function).key);
        if (!t.failure.empty()) {
            std::printf("%-26s %-22s %6d   failed: %s\n", MethodName(c.method), key.c_str(), c.n, t.failure.c_str());
            continue;
        }
        std::printf("%-26s %-22s %6d %14.3f %12d %8d\n", MethodName(c.method), key.c_str(), c.n, t.secondsPerStep * 1e3,
                    t.evaluationsPerStep, c.method == Method::InexactCg ? t.subIterations : 0);
        std::fflush(stdout);
    }
    return 0;
}

// Time of one iteration (direction + line search) of the gradient,
// conjugate-gradient and quasi-Newton methods on "Generalized Rosenbrock
// (n>=2)", from a state a few iterations into a run.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "app/direction_rules.h"
#include "app/step_rules.h"
#include "core/function_catalogue.h"
#include "core/host.h"
#include "core/method_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "core/silent_host.h"
#include "core/vector_kernels.h"

namespace {

using namespace tarvik;


constexpr FunctionId kGeneralizedRosenbrock = FunctionId::GeneralizedRosenbrock;

struct MethodCase {
    const char* name;
    MethodId methodCode;
    int lbfgsMemory;
};

// The start and known minimum a run of Generalized Rosenbrock would have.
void PrepareState(RunState& s, const MethodCase& m, int n) {
    s.N = n;
    s.FunctionCode = kGeneralizedRosenbrock;
    s.FunctionName = "Generalized Rosenbrock (n>=2)";
    s.MethodCode = m.methodCode;
    s.LbfgsMemory = static_cast<uint8_t>(m.lbfgsMemory);
    s.U0 = NewVector(n);
    s.UStar = NewVector(n);
    for (int i = 1; i <= n; ++i) {
        s.U0[i] = (i % 2 == 1) ? -1.2L : 1.0L;
        s.UStar[i] = 1;
    }
    s.U = s.U0;
    s.UPrev = s.U0;
    s.GradJ = NewVector(n);
    s.Dir = NewVector(n);
    if (Traits(m.methodCode).hessianMatrix) s.HMatrix = NewMatrix(n);
    if (m.lbfgsMemory > 0) {
        s.LbfgsS = MyArray2(m.lbfgsMemory + 1, n + 1);
        s.LbfgsY = MyArray2(m.lbfgsMemory + 1, n + 1);
    }
    s.Dist0 = VecNormComb(s.UStar, s.U0, -1);
    s.Eps = 0.01L;
    s.Choices.ByDistance = true;
    s.MaxStep = sqrtl(Real(n));
    s.IterCount = 0;
    s.StopRequested = 0;
    BuildRunObjective(s);
    s.JCur = s.Problem->Value(s.U);
    s.J0 = s.JCur;
    s.JPrev = s.JCur;
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    s.GradJ0 = s.GradJ;
    s.GradJPrev = s.GradJ;
    s.GradNorm0 = s.GradNorm;
    s.GradNormPrev = s.GradNorm;
}

void DirectionAndLineSearch(RunState& s, const MethodCase& m) {
    const Real goldenH = sqrtl(Real(s.N)) / 5;
    s.SkipReevaluation = 0;
    switch (m.methodCode) {
    case MethodId::SteepestGolden: RunGoldenSearch(s, s.GradJ, goldenH); break;
    case MethodId::SteepestWolfe: RunWolfeSearch(s, s.GradJ, s.MaxStep / s.GradNorm); break;
    case MethodId::FletcherReevesGolden:
    case MethodId::PolakRibiereGolden:
        RunConjugateDirection(s);
        RunGoldenSearch(s, s.Dir, goldenH);
        break;
    case MethodId::FletcherReevesWolfe:
    case MethodId::PolakRibiereWolfe:
        RunConjugateDirection(s);
        RunWolfeSearch(s, s.Dir, s.MaxStep / s.DirNorm);
        break;
    case MethodId::BfgsGolden:
    case MethodId::BfgsWolfe:
        RunBfgsDirection(s);
        s.UPrev = s.U;
        if (m.methodCode == MethodId::BfgsGolden) RunGoldenSearch(s, s.Dir, goldenH);
        else RunWolfeSearch(s, s.Dir, s.MaxStep / s.DirNorm);
        break;
    default:
        RunLbfgsDirection(s);
        s.UPrev = s.U;
        if (m.methodCode == MethodId::LbfgsGolden) RunGoldenSearch(s, s.Dir, goldenH);
        else RunWolfeSearch(s, s.Dir, s.MaxStep / s.DirNorm);
        break;
    }
}

// The bookkeeping that closes an iteration (not timed).
void CloseIteration(RunState& s) {
    ++s.IterCount;
    if (!s.SkipReevaluation) {
        s.JPrev = s.JCur;
        s.GradJPrev = s.GradJ;
        s.GradNormPrev = s.GradNorm;
        s.JCur = s.Problem->Value(s.U);
        s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    }
}

void Measure(const MethodCase& m, int n, int warmup, int timed) {
    SilentHost host;
    RunState s(host);
    PrepareState(s, m, n);
    double seconds = 0;
    int evaluations = 0;
    int done = 0;
    std::string note;
    try {
        for (int it = 0; it < warmup + timed; ++it) {
            const int64_t evalBefore = s.Problem->Evaluations();
            const auto start = std::chrono::steady_clock::now();
            DirectionAndLineSearch(s, m);
            const auto stop = std::chrono::steady_clock::now();
            if (it >= warmup) {
                seconds += std::chrono::duration<double>(stop - start).count();
                evaluations += static_cast<int>(s.Problem->Evaluations() - evalBefore);
                ++done;
            }
            CloseIteration(s);
            if (s.Step == 0 || s.ContinueRun == 0) {
                note = "run ended";
                break;
            }
        }
    } catch (const std::exception& e) {
        note = e.what();
    }
    if (done == 0) {
        std::printf("%-52s %6d %6s %12s %10s  %s\n", m.name, n, "-", "-", "-", note.c_str());
        return;
    }
    std::printf("%-52s %6d %6d %12.3f %10.1f  %s\n", m.name, n, done, 1000.0 * seconds / done,
                double(evaluations) / done, note.c_str());
}

} // namespace

int main() {
    const MethodCase cases[] = {
        {"Steepest descent with golden steps", MethodId::SteepestGolden, 0},
        {"Steepest descent with Wolfe steps", MethodId::SteepestWolfe, 0},
        {"Fletcher-Reeves with golden steps", MethodId::FletcherReevesGolden, 0},
        {"Fletcher-Reeves with Wolfe steps", MethodId::FletcherReevesWolfe, 0},
        {"Polak-Ribiere with golden steps", MethodId::PolakRibiereGolden, 0},
        {"Polak-Ribiere with Wolfe steps", MethodId::PolakRibiereWolfe, 0},
        {"quasi-Newton BFGS with golden steps", MethodId::BfgsGolden, 0},
        {"quasi-Newton BFGS with Wolfe steps", MethodId::BfgsWolfe, 0},
        {"quasi-Newton L-BFGS, memory 5 pairs, golden steps", MethodId::LbfgsGolden, 5},
        {"quasi-Newton L-BFGS, memory 5 pairs, Wolfe", MethodId::LbfgsWolfe, 5},
        {"quasi-Newton L-BFGS, memory 15 pairs,Wolfe", MethodId::LbfgsWolfe15, 15},
    };
    std::printf("One iteration (direction + line search) on Generalized Rosenbrock (n>=2)\n");
    std::printf("after 3 untimed iterations; mean over the timed ones.\n\n");
    std::printf("%-52s %6s %6s %12s %10s\n", "method", "n", "iters", "ms/iter", "evals/iter");
    for (const MethodCase& m : cases) Measure(m, 1000, 3, 10);
    for (const MethodCase& m : cases)
        if (m.methodCode == MethodId::BfgsGolden || m.methodCode == MethodId::BfgsWolfe) Measure(m, 3000, 3, 3);
    return 0;
}

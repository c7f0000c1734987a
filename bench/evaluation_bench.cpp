// Time of one J evaluation plus one gradient evaluation for every test
// function: n = 10000 for the O(n) functions, n = 1000 for the O(n^2) ones.
// Medians of five rounds of the thread's CPU time, so that other work on
// the machine does not count.
#include <cstdio>
#include <random>
#include <string>

#include "bench/bench_clock.h"
#include "core/silent_host.h"
#include "core/function_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"

namespace {

using namespace tarvik;
using namespace tarvik::bench;

// The functions whose J or gradient costs O(n^2): measured at n = 1000.
bool IsQuadraticCost(FunctionId f) {
    for (FunctionId dense : {FunctionId::Schwefel12, FunctionId::Staircase2, FunctionId::Staircase2Sin, FunctionId::HilbertA,
                             FunctionId::HilbertB, FunctionId::QuadraticFromFiles})
        if (f == dense) return true;
    return false;
}

} // namespace

int main() {
    SilentHost host;
    RunState s(host);
    std::mt19937 random(1);
    std::uniform_real_distribution<double> coordinate(-1, 1);

    std::printf("%-46s %6s %8s %14s %14s %14s\n", "function", "n", "reps", "J [us]", "gradJ [us]", "J+gradJ [us]");
    for (const FunctionTraits& f : FunctionList()) {
        const int n = f.twoDimensionalOnly ? 2 : IsQuadraticCost(f.id) ? 1000 : 10000;
        s.N = n;
        s.FunctionCode = f.id;
        s.FunctionName = std::string(f.name);
        MyArray1 u = NewVector(n), g = NewVector(n);
        for (int i = 1; i <= n; ++i) u[static_cast<std::size_t>(i)] = coordinate(random);
        if (f.fromFiles) {
            s.Quad.QuadA = NewMatrix(n);
            for (int i = 1; i <= n; ++i)
                for (int j = i; j <= n; ++j) s.Quad.QuadA[i][j] = s.Quad.QuadA[j][i] = coordinate(random);
            s.Quad.QuadB = NewVector(n);
        }
        // As a run evaluates: through the run's objective, whose texts go
        // to the (silent) host.
        BuildRunObjective(s);
        Objective& objective = *s.Problem;

        // One untimed call first (it builds the sine tables and the work
        // space), then enough repetitions for about a twentieth of a second
        // per round.
        Real sink = 0, gnorm = 0;
        sink += objective.Value(u);
        objective.Gradient(u, g, gnorm);
        const double probeStart = ThreadSeconds();
        sink += objective.Value(u);
        objective.Gradient(u, g, gnorm);
        const double probe = ThreadSeconds() - probeStart;
        const int reps = probe > 0.05 ? 1 : static_cast<int>(0.05 / (probe > 1e-7 ? probe : 1e-7)) + 1;

        const double jUs = MedianSeconds(5, [&] { for (int r = 0; r < reps; ++r) sink += objective.Value(u); }) * 1e6 / reps;
        const double gUs = MedianSeconds(5, [&] { for (int r = 0; r < reps; ++r) objective.Gradient(u, g, gnorm); }) * 1e6 / reps;
        std::printf("%-46s %6d %8d %14.4f %14.4f %14.4f\n", std::string(f.name).c_str(), n, reps, jUs, gUs, jUs + gUs);
        if (f.fromFiles) s.Quad.Release();
        if (sink != sink) std::printf("(J was not a number)\n");
    }
    return 0;
}

// Time of one J evaluation plus one gradient evaluation for every test
// function: n = 10000 for the O(n) functions, n = 1000 for the O(n^2) ones.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "core/silent_host.h"
#include "core/function_catalogue.h"
#include "core/objective.h"

namespace {

using namespace tarvik;


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
            s.Quad.QuadAu = NewVector(n);
        }

        // One untimed call first (it builds the sine tables and the work
        // space), then enough repetitions for about a fifth of a second.
        using Clock = std::chrono::steady_clock;
        Real sink = 0, gnorm = 0;
        sink += EvalJ(s, f.id, u);
        EvalGrad(s, f.id, u, g, gnorm);
        const auto probeStart = Clock::now();
        sink += EvalJ(s, f.id, u);
        EvalGrad(s, f.id, u, g, gnorm);
        const double probe = std::chrono::duration<double>(Clock::now() - probeStart).count();
        const int reps = probe > 0.2 ? 1 : static_cast<int>(0.2 / (probe > 1e-7 ? probe : 1e-7)) + 1;

        const auto t0 = Clock::now();
        for (int r = 0; r < reps; ++r) sink += EvalJ(s, f.id, u);
        const auto t1 = Clock::now();
        for (int r = 0; r < reps; ++r) EvalGrad(s, f.id, u, g, gnorm);
        const auto t2 = Clock::now();

        const double jUs = std::chrono::duration<double, std::micro>(t1 - t0).count() / reps;
        const double gUs = std::chrono::duration<double, std::micro>(t2 - t1).count() / reps;
        std::printf("%-46s %6d %8d %14.2f %14.2f %14.2f\n", std::string(f.name).c_str(), n, reps, jUs, gUs, jUs + gUs);
        if (f.fromFiles) s.Quad.Release();
        if (sink != sink) std::printf("(J was not a number)\n");
    }
    return 0;
}

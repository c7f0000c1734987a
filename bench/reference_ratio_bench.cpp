// Each figure beside its reference measured in the same run, as a ratio:
// J + gradJ of a two-dimensional function against the plain formula (the
// cost of the fault guard), J of Schwefel 1.2 against the literal double
// sum, Gauss elimination against a plain one-sweep-per-pivot elimination in
// long double and in double, against LAPACK's dgesv and, in CPU time, against
// GSL's LU decomposition and solve (each where the build found it), a BFGS direction against the literal
// three-product update (at n = 10000 against one plain pass of H times a
// vector), and with --large a Newton step at n = 10000 against forming its
// Hessian alone. Single-threaded figures are medians of the thread's
// CPU time, so that other work on the machine does not count; the split
// eliminations, BFGS directions and Newton steps are medians of wall-clock time, which
// only mean something on an otherwise idle machine.
//
// The two-dimensional functions each beside their plain formula, and a
// whole teaching run as a process (build/tarvik) beside the program
// answering --batch --help.
//
// usage: reference_ratio_bench [--large | --gauss | --bfgs | --cores | --newton | --functions | --startup]
//   --gauss  only the dense elimination at n = 1000 and its references
//   --bfgs   only the BFGS direction at n = 10000 and its reference
//   --cores  only the work split over the cores at n = 10000: the O(n^2)
//            evaluations beside their plain single-threaded loops, and BFGS
//   --newton only the banded Newton and trust-region steps at n = 10000
//   --functions  only the two-dimensional functions
//   --startup    only the teaching run as a process
//   --trace      only the trace: its text alone, and a long run with and without it
#include <algorithm>
#include <cfenv>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/direction_rules.h"
#include "app/trace_csv.h"
#include "bench/bench_clock.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/gauss.h"
#include "core/hessian.h"
#include "core/method_catalogue.h"
#include "core/newton_methods.h"
#include "core/newton_step.h"
#include "core/objective.h"
#include "core/progress.h"
#include "core/quasi_newton.h"
#include "core/row_pool.h"
#include "core/silent_host.h"

#ifdef TARVIK_BENCH_GSL
#include <gsl/gsl_linalg.h>
#endif
#ifdef TARVIK_BENCH_LAPACK
extern "C" void dgesv_(const int* n, const int* nrhs, double* a, const int* lda, int* ipiv, double* b,
                       const int* ldb, int* info);
#endif

namespace {

using namespace tarvik;

using namespace tarvik::bench;

void Line(const char* what, double seconds, const char* reference, double referenceSeconds) {
    std::printf("%-44s %14.4f us   %-34s %14.4f us   ratio %6.2f\n", what, seconds * 1e6, reference,
                referenceSeconds * 1e6, seconds / referenceSeconds);
    std::fflush(stdout);
}

volatile Real sink;

template <class T>
void PlainGauss(std::vector<T>& a, std::vector<T>& b, int n) {
    for (int k = 0; k < n; ++k) {
        int q = k;
        for (int j = k; j < n; ++j)
            if (std::fabs(a[k * n + j]) > std::fabs(a[k * n + q])) q = j;
        for (int i = 0; i < n; ++i) std::swap(a[i * n + k], a[i * n + q]);
        const T pivot = a[k * n + k];
        for (int j = k; j < n; ++j) a[k * n + j] /= pivot;
        b[k] /= pivot;
        for (int i = k + 1; i < n; ++i) {
            const T f = a[i * n + k];
            for (int j = k; j < n; ++j) a[i * n + j] -= f * a[k * n + j];
            b[i] -= b[k] * f;
        }
    }
    for (int i = n - 2; i >= 0; --i) {
        T sum = 0;
        for (int j = i + 1; j < n; ++j) sum += a[i * n + j] * b[j];
        b[i] -= sum;
    }
}

// J + gradJ of one two-dimensional function through the run's objective
// against its formula written out plainly: J, gradJ stored in a vector as
// the objective stores it, and the norm. Through the objective as two
// calls, which read the point from its vector once each, and as the one
// call a run's iteration makes, which reads it once.
template <class Plain>
void TwoDimensional(FunctionId function, const char* name, Plain&& plain) {
    SilentHost host;
    RunState s(host);
    s.N = 2;
    s.FunctionCode = function;
    BuildRunObjective(s);
    s.U = NewVector(2);
    s.GradJ = NewVector(2);
    s.U[2] = 1;
    const int calls = 200000;
    // Where a method keeps its norm: zeroing a local before each call
    // would time an 80-bit store the plain loop does not make.
    Real norm = 0;
    const double twoCalls = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            s.U[1] = -1.2L + c * 1e-9L;
            sink = s.Problem->Value(s.U);
            s.Problem->Gradient(s.U, s.GradJ, norm);
        }
    }) / calls;
    Real value = 0;
    const double oneCall = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            s.U[1] = -1.2L + c * 1e-9L;
            s.Problem->ValueAndGradient(s.U, value, s.GradJ, norm);
        }
    }) / calls;
    MyArray1 g = NewVector(2);
    const double reference = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            s.U[1] = -1.2L + c * 1e-9L;
            plain(s.U[1], s.U[2], g.data());
        }
    }) / calls;
    char what[64];
    std::snprintf(what, sizeof what, "%s: J, then gradJ", name);
    Line(what, twoCalls, "plain formula", reference);
    std::snprintf(what, sizeof what, "%s: J + gradJ, one call", name);
    Line(what, oneCall, "plain formula", reference);
}

// The six functions for n = 2 only. The norm is summed as the objective
// sums it, from 0: (0 + g1^2) + g2^2, the same bits as g1^2 + g2^2.
void TwoDimensionalFunctions() {
    const auto gradient = [](Real* g, Real g1, Real g2) {
        g[1] = g1;
        g[2] = g2;
        sink = std::sqrt(g1 * g1 + g2 * g2);
    };
    TwoDimensional(FunctionId::Rosenbrock, "Rosenbrock n=2", [&](Real u1, Real u2, Real* g) {
        const Real a = u2 - u1 * u1;
        sink = 100 * (a * a) + (1 - u1) * (1 - u1);
        gradient(g, -400 * u1 * a - 2 * (1 - u1), 200 * a);
    });
    TwoDimensional(FunctionId::Himmelblau2, "Himmelblau 2 n=2", [&](Real u1, Real u2, Real* g) {
        const Real a = u2 - u1 * u1;
        sink = a * a + (1 - u1) * (1 - u1);
        gradient(g, -4 * u1 * a - 2 * (1 - u1), 2 * a);
    });
    TwoDimensional(FunctionId::Himmelblau4, "Himmelblau 4 n=2", [&](Real u1, Real u2, Real* g) {
        const Real a = u2 - u1 * u1 * u1;
        sink = 100 * (a * a) + (1 - u1) * (1 - u1);
        gradient(g, -600 * (u1 * u1) * a - 2 * (1 - u1), 200 * a);
    });
    TwoDimensional(FunctionId::Himmelblau28, "Himmelblau 28 n=2", [&](Real u1, Real u2, Real* g) {
        const Real a = u1 * u1 + u2 - 11, b = u2 * u2 + u1 - 7;
        sink = a * a + b * b;
        gradient(g, 4 * u1 * a + 2 * b, 2 * a + 4 * u2 * b);
    });
    TwoDimensional(FunctionId::Saddle, "saddle n=2", [&](Real u1, Real u2, Real* g) {
        sink = 5 * (u1 * u1) - u2 * u2 + 1;
        gradient(g, 10 * u1, -2 * u2);
    });
    TwoDimensional(FunctionId::CubicVarnel, "cubic Varnel n=2", [&](Real u1, Real u2, Real* g) {
        sink = 2 * (u1 * u1 * u1) + 4 * (u1 * u1) + u2 * u2 * u2 + 2 * (u2 * u2);
        gradient(g, 6 * (u1 * u1) + 8 * u1, 3 * (u2 * u2) + 4 * u2);
    });
}

// The cost of the guard's status reads on their own.
void GuardCost() {
    SilentHost host;
    RunState s(host);
    s.U = NewVector(2);
    s.U[1] = -1.2L;
    const int calls = 200000;
    const double bare = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            Real v = s.U[1] * (1 + c * 1e-9L);
            PinValue(v);
            sink = v;
        }
    }) / calls;
    const double rerunnable = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            Real v = 0;
            const bool faulted = FaultedRunning([&] {
                v = s.U[1] * (1 + c * 1e-9L);
                PinValue(v);
            });
            sink = faulted ? 0 : v;
        }
    }) / calls;
    const double guard = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            FpFaultGuard g;
            Real v = s.U[1] * (1 + c * 1e-9L);
            PinValue(v);
            sink = g.Faulted() ? 0 : v;
        }
    }) / calls;
    const double library = MedianSeconds(5, [&] {
        for (int c = 0; c < calls; ++c) {
            std::feclearexcept(FE_ALL_EXCEPT);
            Real v = s.U[1] * (1 + c * 1e-9L);
            PinValue(v);
            sink = std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID) ? 0 : v;
        }
    }) / calls;
    Line("one product, flags read after it only", rerunnable, "the product alone", bare);
    Line("one product, flags cleared and read", guard, "the product alone", bare);
    Line("one product, feclearexcept + fetestexcept", library, "the product alone", bare);
}

void SchwefelValue(int n) {
    SilentHost host;
    RunState s(host);
    s.N = n;
    s.FunctionCode = FunctionId::Schwefel12;
    BuildRunObjective(s);
    s.U = NewVector(n);
    for (int i = 1; i <= n; ++i) s.U[i] = 1 + 0.001L * i;
    const double value = MedianSeconds(21, [&] { sink = s.Problem->Value(s.U); });
    const double literal = MedianSeconds(5, [&] {
        Real sum = 0;
        for (int i = 1; i <= n; ++i) {
            Real partial = 0;
            for (int j = 1; j <= i; ++j) partial += s.U[j];
            sum += partial * partial;
        }
        sink = sum;
    });
    char what[64];
    std::snprintf(what, sizeof what, "Schwefel 1.2 J, n=%d", n);
    Line(what, value, "partial sums afresh (O(n^2))", literal);
}

void Gauss(int n, bool banded, int repeats) {
    SilentHost host;
    RunState s(host);
    s.N = n;
    s.FunctionCode = FunctionId::GeneralizedRosenbrock;
    s.StopRequested = 0;
    s.HMatrix = NewMatrix(n);
    s.GradJ = NewVector(n);
    MyArray1 x = NewVector(n);
    std::vector<double> ad(static_cast<std::size_t>(n) * n), bd(n);
    std::vector<Real> al(static_cast<std::size_t>(n) * n), bl(n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            Real v = 0;
            if (!banded) v = std::sin(Real(i * 7 + j * 13)) + (i == j ? n : 0);
            else if (std::abs(i - j) <= 1) v = i == j ? 1000 : -400 * (1 + 0.01L * (i % 7));
            s.HMatrix[i][j] = v;
        }
        s.GradJ[i] = std::cos(Real(i));
    }
    const double ours = MedianSeconds(repeats, [&] { RunGaussSolve(s, x); }, WallSeconds);
    if (banded) {
        // The same system held as its band, as the Newton methods hold it.
        BandMatrix band;
        band.Resize(n, 1);
        for (int i = 1; i <= n; ++i)
            for (int j = band.First(i); j <= band.Last(i); ++j) band[i][j] = s.HMatrix[i][j];
        const double asBand = MedianSeconds(3, [&] { RunBandGaussSolve(s, band, x); }, ThreadSeconds);
        char bandWhat[64];
        std::snprintf(bandWhat, sizeof bandWhat, "Gauss tridiagonal n=%d as a band", n);
        Line(bandWhat, asBand, "held in the full matrix (wall)", ours);
    }
    const auto fill = [&](auto& a, auto& b) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) a[i * n + j] = s.HMatrix[i + 1][j + 1];
            b[i] = s.GradJ[i + 1];
        }
    };
    char what[64];
    std::snprintf(what, sizeof what, "Gauss %s n=%d (%d shares, wall)", banded ? "tridiagonal" : "dense", n, RowShares());
    if (n <= 2000) {
        const double plainLong = MedianSeconds(banded ? 1 : repeats, [&] { fill(al, bl); PlainGauss(al, bl, n); });
        Line(what, ours, "plain Gauss, long double", plainLong);
        const double plainDouble = MedianSeconds(banded ? 1 : repeats, [&] { fill(ad, bd); PlainGauss(ad, bd, n); });
        Line(what, ours, "plain Gauss, double", plainDouble);
#ifdef TARVIK_BENCH_LAPACK
        // Column-major, as LAPACK wants it; filling is timed too, as it is
        // for the plain eliminations.
        std::vector<int> pivots(static_cast<std::size_t>(n));
        const double lapack = MedianSeconds(repeats, [&] {
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) ad[j * n + i] = s.HMatrix[i + 1][j + 1];
                bd[i] = s.GradJ[i + 1];
            }
            const int one = 1;
            int info = 0;
            dgesv_(&n, &one, ad.data(), &n, pivots.data(), bd.data(), &n, &info);
            if (info != 0) std::printf("dgesv failed: info %d\n", info);
        }, WallSeconds);
        Line(what, ours, "LAPACK dgesv, double (wall)", lapack);
#endif
        if (!banded) {
            const double cpu = MedianSeconds(repeats, [&] { RunGaussSolve(s, x); }, ProcessSeconds);
            std::printf("%-44s %12.3f ms of CPU over all threads\n", what, cpu * 1e3);
#ifdef TARVIK_BENCH_GSL
            gsl_matrix* a = gsl_matrix_alloc(n, n);
            gsl_vector* b = gsl_vector_alloc(n);
            gsl_vector* solution = gsl_vector_alloc(n);
            gsl_permutation* p = gsl_permutation_alloc(n);
            const double gsl = MedianSeconds(repeats, [&] {
                for (int i = 0; i < n; ++i) {
                    for (int j = 0; j < n; ++j) gsl_matrix_set(a, i, j, double(s.HMatrix[i + 1][j + 1]));
                    gsl_vector_set(b, i, double(s.GradJ[i + 1]));
                }
                int sign = 0;
                gsl_linalg_LU_decomp(a, p, &sign);
                gsl_linalg_LU_solve(a, p, b, solution);
            }, ThreadSeconds);
            char cpuWhat[64];
            std::snprintf(cpuWhat, sizeof cpuWhat, "Gauss dense n=%d (CPU, all threads)", n);
            Line(cpuWhat, cpu, "GSL LU in double (CPU)", gsl);
            gsl_permutation_free(p);
            gsl_vector_free(solution);
            gsl_vector_free(b);
            gsl_matrix_free(a);
#endif
        }
    } else {
        std::printf("%-44s %12.3f ms\n", what, ours * 1e3);
    }
}

void Bfgs(int n) {
    SilentHost host;
    RunState s(host);
    s.N = n;
    s.StopRequested = 0;
    s.InverseHessian = PackedSymmetric(n);
    s.U = NewVector(n);
    s.UPrev = NewVector(n);
    s.GradJ = NewVector(n);
    s.GradJPrev = NewVector(n);
    MyArray1 d = NewVector(n);
    Real dNorm = 0;
    for (int i = 1; i <= n; ++i) {
        s.UPrev[i] = std::sin(Real(i));
        s.U[i] = s.UPrev[i] + 0.01L;
        s.GradJPrev[i] = std::cos(Real(i));
        s.GradJ[i] = s.GradJPrev[i] + 0.02L;
    }
    RunProgress progress(s);
    const auto bfgs = [&] {
        BfgsDirection({n, s.IterCount, s.U, s.UPrev, s.GradJ, s.GradJPrev}, s.InverseHessian, progress, d, dNorm);
    };
    s.IterCount = 0;
    bfgs();
    s.IterCount = 2;
    const double ours = MedianSeconds(3, bfgs, WallSeconds);
    char what[64];
    std::snprintf(what, sizeof what, "BFGS direction n=%d (%d shares, wall)", n, RowShares());
    if (n > 2000) {
        // Against the least an iteration must do: one plain pass of H times
        // a vector over 16-byte elements.
        std::vector<Real> plain(static_cast<std::size_t>(n + 1) * (n + 1), 0.5L);
        const double pass = MedianSeconds(3, [&] {
            for (int i = 1; i <= n; ++i) {
                const Real* row = plain.data() + static_cast<std::size_t>(i) * (n + 1);
                Real sum = 0;
                for (int j = 1; j <= n; ++j) sum += row[j] * s.GradJ[j];
                d[i] = sum;
            }
        }, WallSeconds);
        Line(what, ours, "one plain pass H*g, 16-byte H", pass);
        const double cpu = MedianSeconds(3, bfgs, ProcessSeconds);
        const double thread = MedianSeconds(3, bfgs);
        std::printf("%-44s %12.3f ms of CPU over all threads, %.3f ms in the calling thread\n", what, cpu * 1e3,
                    thread * 1e3);
        return;
    }
    // The literal update: V = I - rho y s', H+ = V' H V + rho s s', d = H+ g.
    const double literal = MedianSeconds(1, [&] {
        std::vector<Real> sv(n + 1), yv(n + 1), tmp(static_cast<std::size_t>(n + 1) * (n + 1)), h2(tmp.size());
        Real sy = 0;
        for (int i = 1; i <= n; ++i) {
            sv[i] = s.U[i] - s.UPrev[i];
            yv[i] = s.GradJ[i] - s.GradJPrev[i];
            sy += sv[i] * yv[i];
        }
        const Real rho = 1 / sy;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                Real sum = 0;
                for (int k = 1; k <= n; ++k) sum += s.InverseHessian.Get(i, k) * ((k == j) - rho * yv[k] * sv[j]);
                tmp[i * (n + 1) + j] = sum;
            }
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                Real sum = 0;
                for (int k = 1; k <= n; ++k) sum += ((k == i) - rho * sv[k] * yv[i]) * tmp[k * (n + 1) + j];
                h2[i * (n + 1) + j] = sum + rho * sv[i] * sv[j];
            }
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += h2[i * (n + 1) + j] * s.GradJ[j];
            d[i] = sum;
        }
    });
    Line(what, ours, "literal three-product update", literal);
}

// A figure split over the cores beside its single-threaded reference: wall
// time, the calling thread's CPU time and that of all threads for the
// figure; wall and thread CPU time for the reference. On an idle machine the
// wall ratio is the figure; on a busy one the threads rarely run at once,
// and the calling thread's CPU time against the reference's (the second
// ratio) shows what an idle machine's wall clock would.
void SplitLine(const char* what, double wall, double thread, double cpu, const char* reference, double referenceWall,
               double referenceCpu) {
    std::printf("%-38s %9.3f ms wall %9.3f ms thread %9.3f ms all   %-33s %9.3f ms wall %9.3f ms CPU   "
                "ratio %6.2f wall %6.2f thread\n",
                what, wall * 1e3, thread * 1e3, cpu * 1e3, reference, referenceWall * 1e3, referenceCpu * 1e3,
                wall / referenceWall, thread / referenceCpu);
    std::fflush(stdout);
}

// The O(n^2) evaluations at n, each against the plain single-threaded loop
// of the same sums in the same order.
void EvaluationsOverCores(int n) {
    SilentHost host;
    RunState s(host);
    s.N = n;
    s.StopRequested = 0;
    MyArray1 u = NewVector(n), g = NewVector(n), w = NewVector(n), out = NewVector(n);
    for (int i = 1; i <= n; ++i) u[i] = std::sin(Real(i)) / 2;
    const auto measure = [&](const char* what, const std::function<void()>& ours, const char* reference,
                             const std::function<void()>& plain) {
        ours();
        const double wall = MedianSeconds(3, ours, WallSeconds);
        const double thread = MedianSeconds(3, ours);
        const double cpu = MedianSeconds(3, ours, ProcessSeconds);
        const double refWall = MedianSeconds(3, plain, WallSeconds);
        const double refCpu = MedianSeconds(3, plain);
        SplitLine(what, wall, thread, cpu, reference, refWall, refCpu);
    };
    char what[80];
    for (FunctionId f : {FunctionId::HilbertA, FunctionId::HilbertB}) {
        s.FunctionCode = f;
        BuildRunObjective(s);
        const bool a = f == FunctionId::HilbertA;
        const Real d = s.Params.HilbertD;
        // J as one plain loop: the row sums of (b) in the order of the sum.
        const auto plainValue = [&] {
            Real sum = 0;
            for (int i = 1; i <= n; ++i) {
                Real row = 0;
                const int end = a ? n : i - 1;
                for (int j = 1; j <= end; ++j) (a ? sum : row) += u[i] * u[j] / Real(i + j - 1);
                if (!a) sum += row + u[i] * u[i] * (1 / Real(4 * i - 2) + d);
            }
            sink = sum;
        };
        std::snprintf(what, sizeof what, "HILBERT (%s) J + gradJ, n=%d", a ? "a" : "b", n);
        measure(what, [&] { sink = s.Problem->Value(u); s.Problem->Gradient(u, g); }, "plain loops, one thread", [&] {
            plainValue();
            for (int i = 1; i <= n; ++i) {
                Real row = 0;
                for (int j = 1; j <= n; ++j)
                    row += !a && j == i ? 2 * u[i] * (1 / Real(4 * i - 2) + d) : u[j] / Real(i + j - 1);
                g[i] = a ? 2 * row : row;
            }
        });
        std::snprintf(what, sizeof what, "HILBERT (%s) J alone, n=%d", a ? "a" : "b", n);
        measure(what, [&] { sink = s.Problem->Value(u); }, "plain loop, one thread", plainValue);
    }
    s.FunctionCode = FunctionId::QuadraticFromFiles;
    s.Quad.QuadA = NewMatrix(n);
    s.Quad.QuadB = NewVector(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) s.Quad.QuadA[i][j] = Real(1) / (i + j);
    BuildRunObjective(s);
    std::snprintf(what, sizeof what, "file quadratic gradJ (A u), n=%d", n);
    measure(what, [&] { s.Problem->Gradient(u, g); }, "plain row loop, one thread", [&] {
        for (int i = 1; i <= n; ++i) {
            const ConstMatrixRow row = std::as_const(s.Quad.QuadA)[static_cast<std::size_t>(i)];
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += row.Get(j) * u[j];
            g[i] = sum + s.Quad.QuadB[i];
        }
    });
    s.Quad.Release();
    for (FunctionId f : {FunctionId::Schwefel12, FunctionId::Staircase2}) {
        s.FunctionCode = f;
        BuildRunObjective(s);
        std::snprintf(what, sizeof what, "%s gradJ, n=%d", f == FunctionId::Schwefel12 ? "Schwefel 1.2" : "Staircase 2", n);
        // The same tail sums four to a pass, as before they were shared out.
        measure(what, [&] { s.Problem->Gradient(u, g); }, "tail sums 4 to a pass, one thread", [&] {
            for (int j = 1; j <= n; ++j) w[j] = Real(n - j + 1) * u[j];
            int k = 1;
            for (; k + 3 <= n; k += 4) {
                Real a0 = w[k + 1] + w[k + 2] + w[k + 3], a1 = w[k + 2] + w[k + 3], a2 = w[k + 3], a3 = 0;
                for (int j = k + 4; j <= n; ++j) {
                    const Real x = w[j];
                    a0 += x;
                    a1 += x;
                    a2 += x;
                    a3 += x;
                }
                out[k] = a0;
                out[k + 1] = a1;
                out[k + 2] = a2;
                out[k + 3] = a3;
            }
            for (; k <= n; ++k) {
                Real a = 0;
                for (int j = k + 1; j <= n; ++j) a += w[j];
                out[k] = a;
            }
            sink = out[1];
        });
        std::snprintf(what, sizeof what, "  the same against an O(n) loop");
        measure(what, [&] { s.Problem->Gradient(u, g); }, "ellipsoid gradJ, one thread", [&] {
            for (int i = 1; i <= n; ++i) g[i] = Real(2 * i) * u[i];
            sink = g[n];
        });
    }
}

// One Newton step at large n (forming the Hessian, eliminating, and for the
// trust region forming it again) against forming the Hessian alone, the
// part that no elimination can avoid.
void NewtonLarge(int n, FunctionId code, MethodId method, const char* name) {
    SilentHost host;
    RunState s(host);
    s.N = n;
    s.FunctionCode = code;
    s.MethodCode = method;
    s.StopRequested = 0;
    // A banded Hessian is formed and solved as its band.
    const bool banded = Traits(code).hessianBand >= 0;
    if (!banded) s.HMatrix = NewMatrix(n);
    s.U = NewVector(n);
    s.GradJ = NewVector(n);
    MyArray1 d = NewVector(n);
    for (int i = 1; i <= n; ++i) s.U[i] = 1 + 0.01L * std::sin(Real(i));
    BuildRunObjective(s);
    s.Problem->Gradient(s.U, s.GradJ);
    bool failed = false;
    const double step = MedianSeconds(3, [&] {
        try {
            if (method == MethodId::FdNewton) {
                FdNewtonStep(*s.Problem, s.IterCount, s.U, s.GradJ, s.HMatrix, s.HBand, GaussSolverOf(s), d);
            } else {
                RunNewtonStep(s, d);
            }
        } catch (const std::exception&) {
            failed = true;
        }
    }, WallSeconds);
    const double form = MedianSeconds(3, [&] {
        if (banded)
            s.Problem->FillHessian(s.U, s.HBand);
        else
            s.Problem->FillHessian(s.U, s.HMatrix);
    }, WallSeconds);
    char what[96];
    std::snprintf(what, sizeof what, "%s n=%d%s (wall)", name, n, failed ? " FAILED" : "");
    Line(what, step, "forming the Hessian alone", form);
}


// CPU time (user + system, from the child's resource use) and wall time of
// running the program as a process, median of `repeats`.
struct ProcessCost {
    double cpu = 0;
    double wall = 0;
};

ProcessCost RunProgram(const std::string& program, const std::vector<std::string>& args, int repeats,
                       const std::function<void()>& before = {}) {
    std::vector<double> cpu, wall;
    for (int r = 0; r < repeats; ++r) {
        if (before) before();
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const double started = WallSeconds();
        const pid_t child = fork();
        if (child == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        rusage use{};
        wait4(child, &status, 0, &use);
        wall.push_back(WallSeconds() - started);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("%s exited with status %d\n", program.c_str(), status);
        cpu.push_back(double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                      double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6);
    }
    return {Median(cpu), Median(wall)};
}

// A whole teaching run as a process (Rosenbrock n = 2, Newton to 1e-6),
// without and with a saved figure, against the program answering
// --batch --help: the start of a process that loads nothing.
void Startup(const std::string& folder) {
    const std::string program = folder + "/tarvik";
    const std::vector<std::string> run{"--batch", "--n", "2", "--function", "rosenbrock", "--start", "1",
                                       "--method", "newton", "--eps", "1e-6"};
    std::vector<std::string> figure = run;
    const std::string png = "/tmp/reference_ratio_bench_figure.png";
    figure.insert(figure.end(), {"--figure", png});
    const ProcessCost bare = RunProgram(program, {"--batch", "--help"}, 21);
    const ProcessCost plain = RunProgram(program, run, 21);
    const ProcessCost painted = RunProgram(program, figure, 21);
    std::remove(png.c_str());
    Line("teaching run, no figure (process CPU)", plain.cpu, "tarvik --batch --help (CPU)", bare.cpu);
    Line("teaching run, --figure PNG (process CPU)", painted.cpu, "tarvik --batch --help (CPU)", bare.cpu);
    Line("teaching run, no figure (wall)", plain.wall, "tarvik --batch --help (wall)", bare.wall);
    Line("teaching run, --figure PNG (wall)", painted.wall, "tarvik --batch --help (wall)", bare.wall);
}

// The trace: first its text alone (thread CPU), rows like a constant-step
// run's (alpha the same in every row, the rest changing) against the
// library's own text for the same seven numbers; then a million-iteration
// constant-step run as a process, traced to a regular file and not.
void Trace(const std::string& folder) {
    constexpr int kRows = 200000;
    std::vector<TraceRow> rows(kRows);
    Real x = 1.25L;
    for (int i = 0; i < kRows; ++i) {
        TraceRow& r = rows[static_cast<std::size_t>(i)];
        x = x * 0.999999L + 1e-7L;
        r.iteration = i;
        r.evaluations = 2 * i;
        r.j = x * x;
        r.gradNorm = x / 3;
        r.stepLength = x * 1e-6L;
        r.alpha = 1.2378264884111251697e-4L;
        r.accuracy = x / 7;
        r.u1 = 1 - x;
        r.u2 = 1 + x;
    }
    TraceCsvText csv;
    const double ours = MedianSeconds(3, [&] {
        csv.Clear();
        for (const TraceRow& r : rows) csv.AppendRow(r, nullptr, 2);
    });
    std::string text;
    text.reserve(csv.Size());
    const double library = MedianSeconds(3, [&] {
        text.clear();
        char buffer[64];
        for (const TraceRow& r : rows)
            for (const Real* v : {&r.j, &r.gradNorm, &r.stepLength, &r.alpha, &r.accuracy, &r.u1, &r.u2})
                text.append(buffer, std::to_chars(buffer, buffer + 64, *v, std::chars_format::scientific, 20).ptr);
    });
    char what[96];
    std::snprintf(what, sizeof what, "trace text, %d rows", kRows);
    Line(what, ours, "std::to_chars of the same numbers", library);

    const std::string program = folder + "/tarvik";
    const std::vector<std::string> run{"--batch", "--n", "2", "--function", "himmelblau-4", "--start", "5",
                                       "--method", "constant-step", "--eps", "1e-20", "--max-iterations", "1000000"};
    std::vector<std::string> traced = run;
    const std::string file = "/tmp/tarvik-bench-trace.csv";
    traced.insert(traced.end(), {"--trace", file});
    const ProcessCost plain = RunProgram(program, run, 9);
    // A new file each time: replacing the trace of the run before would
    // add the file system's freeing of its 205 MB to every run.
    const ProcessCost tracing = RunProgram(program, traced, 9, [&] { std::remove(file.c_str()); });
    const ProcessCost replacing = RunProgram(program, traced, 9);
    std::remove(file.c_str());
    Line("constant step 10^6, traced (wall)", tracing.wall, "untraced (wall)", plain.wall);
    Line("constant step 10^6, traced (process CPU)", tracing.cpu, "untraced (process CPU)", plain.cpu);
    Line("the same, replacing its trace (wall)", replacing.wall, "untraced (wall)", plain.wall);
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view option = argc > 1 ? argv[1] : "";
    if (option == "--gauss") {
        Gauss(1000, false, 3);
        return 0;
    }
    if (option == "--bfgs") {
        Bfgs(10000);
        return 0;
    }
    if (option == "--cores") {
        EvaluationsOverCores(10000);
        Bfgs(10000);
        return 0;
    }
    if (option == "--newton") {
        NewtonLarge(10000, FunctionId::GeneralizedRosenbrock, MethodId::Newton, "classical Newton, Gen. Rosenbrock");
        NewtonLarge(10000, FunctionId::GeneralizedRosenbrock, MethodId::TrustRegion, "trust-region step, Gen. Rosenbrock");
        NewtonLarge(10000, FunctionId::Dixon3dq, MethodId::Newton, "classical Newton, DIXON3DQ");
        return 0;
    }
    // The program lies beside the benchmark in the build folder.
    std::string folder = argv[0];
    folder = folder.find('/') == std::string::npos ? "." : folder.substr(0, folder.rfind('/'));
    if (option == "--functions") {
        TwoDimensionalFunctions();
        return 0;
    }
    if (option == "--trace") {
        Trace(folder);
        return 0;
    }
    if (option == "--startup") {
        Startup(folder);
        return 0;
    }
    const bool large = option == "--large";
    TwoDimensionalFunctions();
    GuardCost();
    Startup(folder);
    Trace(folder);
    SchwefelValue(1000);
    Gauss(300, false, 5);
    Gauss(1000, false, 3);
    Gauss(1000, true, 3);
    Bfgs(300);
    if (large) {
        EvaluationsOverCores(10000);
        Gauss(10000, true, 1);
        Bfgs(10000);
        NewtonLarge(10000, FunctionId::GeneralizedRosenbrock, MethodId::Newton, "classical Newton, Gen. Rosenbrock");
        NewtonLarge(10000, FunctionId::QuadraticVarnel, MethodId::Newton, "classical Newton, Varnel");
        NewtonLarge(10000, FunctionId::Dixon3dq, MethodId::Newton, "classical Newton, DIXON3DQ");
        NewtonLarge(10000, FunctionId::AxisEllipsoid, MethodId::Newton, "classical Newton, ellipsoid");
        NewtonLarge(10000, FunctionId::GeneralizedRosenbrock, MethodId::TrustRegion, "trust-region step, Gen. Rosenbrock");
        NewtonLarge(10000, FunctionId::GeneralizedRosenbrock, MethodId::FdNewton, "finite-difference Newton, Gen. Rosenbrock");
    }
    return 0;
}

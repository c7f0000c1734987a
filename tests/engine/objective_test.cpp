// J, its gradient and its Hessian through an Objective alone, with no run
// state and no host: agreement with each other, the bits of the shared
// sums, exact zeros at the minima, failures, counts and status texts.
#include "core/objective.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;

// What an objective tells its surroundings, as it told it.
struct RecordedEvents final : ObjectiveEvents {
    std::vector<std::string> statuses;
    int zeroGradients = 0;
    void Status(const std::string& text) override { statuses.push_back(text); }
    void StopPoint() override {}
    void ZeroGradient() override { ++zeroGradients; }
};

struct ObjectiveTest : ::testing::Test {
    TunableParameters params;
    QuadraticData quad;
    // Every function of the grammar, in a sum and outside it, at any n.
    TypedFunction typed = [] {
        TypedFunction t;
        SetFormula(t, "sum(i, 1, n, exp(u[i]/3)*cos(u[i]) + sqrt(1 + i*u[i]^2) - u[i]/(2+u[n])^3) + "
                      "atan(u1*u[n]) + tanh(u1)^2 + sinh(u[n]/2)*cosh(u1/3) + log(2 + sin(u1)) + abs(tan(u1/4))");
        return t;
    }();
    std::mt19937 random{2024};

    Objective Of(FunctionId id, int n) { return Objective(Traits(id), n, params, &quad, &typed); }
    Real J(FunctionId function, const MyArray1& u) { return Of(function, Components(u)).Value(u); }
    // Gradient at u with n = its dimension; returns the norm.
    Real Grad(FunctionId function, const MyArray1& u, MyArray1& g, ObjectiveEvents* events = nullptr) {
        Objective objective = Of(function, Components(u));
        objective.SetEvents(events);
        g = NewVector(Components(u));
        return objective.Gradient(u, g);
    }
    MyArray1 RandomPoint(int n, double range) {
        std::uniform_real_distribution<double> coordinate(-range, range);
        MyArray1 u = NewVector(n);
        for (int i = 1; i <= n; ++i) u[i] = coordinate(random);
        return u;
    }
    static MyArray1 Filled(int n, Real value) {
        MyArray1 v = NewVector(n);
        for (int i = 1; i <= n; ++i) v[i] = value;
        return v;
    }
    void LoadRandomQuadratic(int n) {
        std::uniform_real_distribution<double> entry(-1, 1);
        quad.QuadA = NewMatrix(n);
        for (int i = 1; i <= n; ++i)
            for (int j = i; j <= n; ++j) quad.QuadA[i][j] = quad.QuadA[j][i] = entry(random);
        quad.QuadB = RandomPoint(n, 1);
        quad.QuadC = entry(random);
    }
    // Five-point central difference of J in coordinate k.
    static Real DifferenceQuotient(Objective& objective, MyArray1 u, int k) {
        const Real x = u[k];
        const Real h = 1e-4L * std::fmax(1.0L, std::fabs(x));
        auto at = [&](Real t) { u[k] = x + t; return objective.Value(u); };
        return (-at(2 * h) + 8 * at(h) - 8 * at(-h) + at(-2 * h)) / (12 * h);
    }
    // The Hessian as the Newton step forms it, over a matrix that held
    // other values (stale entries must never survive), as a full matrix.
    static MyArray2 Hessian(const Objective& objective, const MyArray1& u) {
        const int n = objective.Dimension();
        MyArray2 H = NewMatrix(n);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) H[i][j] = 99;
        if (objective.Hessian() == HessianShape::TwoByTwo) {
            const Hessian2 h = objective.TwoByTwoHessian(u);
            H[1][1] = h[0]; H[1][2] = h[1]; H[2][1] = h[2]; H[2][2] = h[3];
        } else {
            objective.FillHessian(u, H);
        }
        return H;
    }
    // Central differences of the gradient, column by column, against H.
    static void ExpectHessianMatchesDifferences(Objective& objective, const MyArray1& u) {
        const MyArray2 H = Hessian(objective, u);
        const int n = objective.Dimension();
        const Real h = 1e-5L;
        MyArray1 gp = NewVector(n), gm = NewVector(n);
        for (int j = 1; j <= n; ++j) {
            MyArray1 v = u;
            v[j] = u[j] + h;
            objective.Gradient(v, gp);
            v[j] = u[j] - h;
            objective.Gradient(v, gm);
            for (int i = 1; i <= n; ++i) {
                const double expected = static_cast<double>((gp[i] - gm[i]) / (2 * h));
                EXPECT_NEAR(static_cast<double>(H[i][j]), expected, 1e-6 * std::max(1.0, std::fabs(expected)))
                    << "entry " << i << "," << j;
            }
        }
    }
};

TEST_F(ObjectiveTest, EveryFunctionsGradientAndHessianAgreeWithDifferences) {
    params.TridiaAlpha = 1.5L;
    params.TridiaBeta = 0.7L;
    params.TridiaDelta = 1.3L;
    params.TridiaGamma = 2.5L;
    params.HilbertD = 0.05L;
    for (const FunctionTraits& f : FunctionList()) {
        std::vector<int> dimensions{2};
        if (!f.twoDimensionalOnly) dimensions = {2, 3, 7, 20};
        // The "u*=sin" shifts divide by n - 1.
        if (!f.twoDimensionalOnly && f.minimum != KnownMinimum::SineShift && f.minimum != KnownMinimum::SineShiftPlusOne)
            dimensions.push_back(1);
        for (int n : dimensions) {
            if (f.fromFiles) LoadRandomQuadratic(n);
            Objective objective = Of(f.id, n);
            for (int trial = 0; trial < 3; ++trial) {
                SCOPED_TRACE(::testing::Message() << f.name << " n " << n << " trial " << trial);
                const MyArray1 u = RandomPoint(n, 1.5);
                MyArray1 g = NewVector(n);
                const Real gnorm = objective.Gradient(u, g);
                const Real scale = 1 + std::fabs(objective.Value(u));
                Real squares = 0;
                for (int k = 1; k <= n; ++k) {
                    EXPECT_NEAR(g[k], DifferenceQuotient(objective, u, k), 1e-10L * (scale + std::fabs(g[k])))
                        << "k " << k;
                    squares += g[k] * g[k];
                }
                EXPECT_EQ(gnorm, std::sqrt(squares));
                if (f.hessian == HessianShape::FromFiles) {
                    // Its Hessian is the matrix read; there is no formula.
                    MyArray2 H = NewMatrix(n);
                    EXPECT_THROW(objective.FillHessian(u, H), std::logic_error);
                } else if (trial == 0 && n >= 2) {
                    // Newton steps need n >= 2, as every run does.
                    ExpectHessianMatchesDifferences(objective, u);
                }
            }
        }
    }
}

TEST_F(ObjectiveTest, TunableParametersAndTheQuadraticFromFilesEnterJ) {
    params.TridiaAlpha = 3;
    params.TridiaBeta = 2;
    params.TridiaDelta = 0.5L;
    params.TridiaGamma = 4;
    // 4(0.5 - 1)^2 + 2(6 - 2)^2 + 3(9 - 4)^2
    EXPECT_EQ(J(FunctionId::Tridia, V({1, 2, 3})), 1.0L + 32 + 75);
    params.HilbertD = 1;
    // HILBERT (b) at n = 1 is u1^2 (1/2 + d)
    EXPECT_EQ(J(FunctionId::HilbertB, V({2})), 6.0L);

    quad.QuadA = NewMatrix(2);
    quad.QuadA[1][1] = 2;
    quad.QuadA[1][2] = quad.QuadA[2][1] = 1;
    quad.QuadA[2][2] = 3;
    quad.QuadB = V({1, -1});
    quad.QuadC = 5;
    // (1*4 + 2*7)/2 + (1 - 2) + 5
    EXPECT_EQ(J(FunctionId::QuadraticFromFiles, V({1, 2})), 13.0L);
    // The objective copied the parameters it was built with.
    Objective tridia = Of(FunctionId::Tridia, 3);
    params.TridiaGamma = 0;
    EXPECT_EQ(tridia.Value(V({1, 2, 3})), 1.0L + 32 + 75);
}

// The partial-sum gradients, the matrix product and the HILBERT sums share
// passes between several sums, and from a few hundred components on, the
// cores; the bits must be those of the sums taken one by one.
TEST_F(ObjectiveTest, SharedPassesKeepTheBitsOfTheLiteralSums) {
    std::vector<int> sizes;
    for (int n = 1; n <= 13; ++n) sizes.push_back(n);
    for (int n : {601, 1024}) sizes.push_back(n);
    for (int n : sizes) {
        const MyArray1 u = RandomPoint(n, 2);
        for (FunctionId function : {FunctionId::Schwefel12, FunctionId::Staircase2, FunctionId::Staircase2Sin}) {
            const bool sine = function == FunctionId::Staircase2Sin;
            if (sine && n == 1) continue;
            MyArray1 g;
            Grad(function, u, g);
            for (int k = 1; k <= n; ++k) {
                Real prefix = 0, tail = 0, indices = 0;
                for (int j = 1; j <= k; ++j) prefix += sine ? u[j] - SinShift(j, n) : u[j];
                for (int j = k + 1; j <= n; ++j) tail += (n - j + 1) * (sine ? u[j] - SinShift(j, n) : u[j]);
                for (int j = k; j <= n; ++j) indices += j;
                Real expected = 2 * (n - k + 1) * prefix + 2 * tail;
                if (function != FunctionId::Schwefel12) expected = expected - 2 * indices;
                EXPECT_EQ(g[k], expected) << Traits(function).key << " n " << n << " k " << k;
            }
        }
        LoadRandomQuadratic(n);
        MyArray1 g;
        Grad(FunctionId::QuadraticFromFiles, u, g);
        for (int i = 1; i <= n; ++i) {
            Real row = 0;
            for (int j = 1; j <= n; ++j) row += quad.QuadA[i][j] * u[j];
            EXPECT_EQ(g[i], row + quad.QuadB[i]);
        }
        if (n < 2) continue;
        Real hilbertA = 0, hilbertB = 0;
        MyArray1 ga, gb;
        Grad(FunctionId::HilbertA, u, ga);
        Grad(FunctionId::HilbertB, u, gb);
        for (int i = 1; i <= n; ++i) {
            Real rowB = 0, sumA = 0, sumB = 0;
            for (int j = 1; j <= n; ++j) {
                hilbertA += u[i] * u[j] / Real(i + j - 1);
                if (j < i) rowB += u[i] * u[j] / Real(i + j - 1);
                sumA += u[j] / Real(i + j - 1);
                sumB += j == i ? 2 * u[i] * (1 / Real(4 * i - 2) + params.HilbertD) : u[j] / Real(i + j - 1);
            }
            rowB += u[i] * u[i] * (1 / Real(4 * i - 2) + params.HilbertD);
            hilbertB += rowB;
            EXPECT_EQ(ga[i], 2 * sumA) << "n " << n << " i " << i;
            EXPECT_EQ(gb[i], sumB) << "n " << n << " i " << i;
        }
        EXPECT_EQ(J(FunctionId::HilbertA, u), hilbertA) << "n " << n;
        EXPECT_EQ(J(FunctionId::HilbertB, u), hilbertB) << "n " << n;
    }
}

// HILBERT (b): one accumulator over j = 1..n in order, with the diagonal
// term at its own place j = i; the order decides the last bits.
TEST_F(ObjectiveTest, HilbertBAccumulatesTheDiagonalInItsPlace) {
    const int n = 9;
    const MyArray1 u = RandomPoint(n, 3);
    MyArray1 g;
    Grad(FunctionId::HilbertB, u, g);
    const Real d = params.HilbertD;
    int differingFromDiagonalLast = 0;
    for (int i = 1; i <= n; ++i) {
        Real inPlace = 0, diagonalLast = 0;
        for (int j = 1; j <= n; ++j) {
            if (j != i) {
                inPlace += u[j] / Real(i + j - 1);
                diagonalLast += u[j] / Real(i + j - 1);
            } else {
                inPlace += 2 * u[i] * (1 / Real(4 * i - 2) + d);
            }
        }
        diagonalLast += 2 * u[i] * (1 / Real(4 * i - 2) + d);
        EXPECT_EQ(g[i], inPlace) << "i=" << i;
        if (inPlace != diagonalLast) ++differingFromDiagonalLast;
    }
    // The point is generic enough for the two orders to differ somewhere.
    EXPECT_GT(differingFromDiagonalLast, 0);
}

TEST_F(ObjectiveTest, MinimaGiveExactZerosAndAZeroGradientIsTold) {
    for (int n : {2, 3, 10, 101}) {
        MyArray1 ones = Filled(n, 1), zeros = NewVector(n), sines = NewVector(n), stairs = NewVector(n),
                 tridia = NewVector(n), qf1 = NewVector(n);
        tridia[1] = 1;
        for (int i = 1; i <= n; ++i) {
            sines[i] = SinShift(i, n);
            stairs[i] = SinShift(i, n) + 1;
            if (i > 1) tridia[i] = tridia[i - 1] / 2;
        }
        qf1[n] = 1.0L / n;
        // (s_i + 1) - s_i can miss 1 by 2^-64, but s_1 = 0 makes the first
        // partial sum exactly 1 and every later one rounds back onto i.
        EXPECT_EQ(J(FunctionId::Staircase2Sin, stairs), 0.0L) << n;
        EXPECT_EQ(J(FunctionId::Tridia, tridia), 0.0L) << n;
        EXPECT_NEAR(J(FunctionId::Qf1, qf1), -1.0L / (2 * n), 1e-18L) << n;
        const auto expectZero = [&](FunctionId function, const MyArray1& u) {
            const std::string_view key = Traits(function).key;
            if (Traits(function).twoDimensionalOnly && n != 2) return;
            if (function != FunctionId::Saddle) {  // the saddle is 1 there
                EXPECT_EQ(J(function, u), 0.0L) << key << ' ' << n;
            }
            RecordedEvents events;
            MyArray1 g;
            EXPECT_EQ(Grad(function, u, g, &events), 0.0L) << key << ' ' << n;
            EXPECT_EQ(events.zeroGradients, 1) << key << ' ' << n;
        };
        for (FunctionId function : {FunctionId::Rosenbrock, FunctionId::Himmelblau2, FunctionId::Himmelblau4,
                                    FunctionId::Staircase2, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock})
            expectZero(function, ones);
        for (FunctionId function : {FunctionId::Saddle, FunctionId::CubicVarnel, FunctionId::AxisEllipsoid,
                                    FunctionId::Schwefel12, FunctionId::QuadraticVarnel, FunctionId::HilbertA,
                                    FunctionId::HilbertB})
            expectZero(function, zeros);
        expectZero(FunctionId::AxisEllipsoidSin, sines);
    }
    // A nonzero gradient tells nothing of the kind.
    RecordedEvents events;
    MyArray1 g;
    EXPECT_GT(Grad(FunctionId::AxisEllipsoid, V({1, 1}), g, &events), 0.0L);
    EXPECT_EQ(events.zeroGradients, 0);
}

TEST_F(ObjectiveTest, SinShiftUsesTheTenDecimalPiAndItsTablesFollowN) {
    EXPECT_EQ(SinShift(1, 7), 0.0L);
    // sin(3.1415926535)/2 = (pi - 3.1415926535)/2 to first order
    EXPECT_NEAR(SinShift(2, 3), 4.489661923e-11L, 1e-19L);
    EXPECT_NEAR(SinShift(2, 5), 0.5L, 1e-19L);
    for (int n : {5, 2, 9, 5, 2, 9, 3}) {
        const Real* table = SinShiftTable(n);
        for (int j = 1; j <= n; ++j) EXPECT_EQ(table[j], SinShift(j, n)) << n << ' ' << j;
    }
}

TEST_F(ObjectiveTest, DimensionIsTheObjectivesNAndTheNormRunsOverTheVectorHandedIn) {
    // The level lines evaluate a long point as a function of u1 and u2.
    const MyArray1 u = V({1, 2, 3, 4});
    EXPECT_EQ(Of(FunctionId::AxisEllipsoid, 2).Value(u), 9.0L);
    EXPECT_EQ(Of(FunctionId::QuadraticVarnel, 2).Value(u), 9.0L + 9);
    MyArray1 g = V({7, 7, 3});
    EXPECT_EQ(Of(FunctionId::Saddle, 2).Gradient(V({0.5L, 2, 9}), g), std::sqrt(50.0L));
    EXPECT_EQ(g, V({5, -4, 3}));
    // The functions of (u1, u2) at n = 2 skip the general evaluation; at
    // n = 3 they take it, with the same results and failures to the bit.
    const auto outcome = [](Objective objective, const MyArray1& w, bool gradient) {
        std::ostringstream out;
        out.precision(21);
        try {
            if (gradient) {
                MyArray1 gw = V({0, 0, 0.5L});
                out << objective.Gradient(w, gw) << ' ' << gw[1] << ' ' << gw[2];
            } else {
                out << objective.Value(w);
            }
        } catch (const ERealBadError& e) {
            out << "norm: " << e.what();
        } catch (const EBadError& e) {
            out << e.what();
        }
        return out.str();
    };
    for (const FunctionTraits& f : FunctionList()) {
        if (!f.twoDimensionalOnly) continue;
        for (const MyArray1& w : {RandomPoint(3, 2), V({0, 0, 2}), V({1e1000L, 1, 2}), V({1e2466L, 1, 2}),
                                   V({1e4931L, 1e-3000L, 2}), V({NAN, 1, 2})})
            for (bool gradient : {false, true})
                EXPECT_EQ(outcome(Of(f.id, 2), w, gradient), outcome(Of(f.id, 3), w, gradient))
                    << f.name << ' ' << static_cast<double>(w[1]) << (gradient ? " gradient" : "");
    }
    // A point shorter than n is a caller's mistake, not an evaluation.
    Objective three = Of(FunctionId::AxisEllipsoid, 3);
    EXPECT_THROW(three.Value(V({1, 2})), std::invalid_argument);
    EXPECT_EQ(three.Evaluations(), 0);
}

// A run's iteration evaluates J and gradJ at its point in one call: the
// same as the two calls in order, to the bit, the count, the texts told
// and the failure, J kept when only gradJ fails; also when gradJ is written
// over the point itself, or into a vector longer than the point.
TEST_F(ObjectiveTest, JAndGradJInOneCallAreTheTwoCallsInOrder) {
    LoadRandomQuadratic(3);
    struct Outcome {
        std::string text;
        int64_t evaluations = 0;
        std::vector<std::string> statuses;
        int zeroGradients = 0;
    };
    const auto evaluate = [&](FunctionId id, int n, const MyArray1& point, bool over, bool oneCall) {
        Objective objective = Of(id, n);
        RecordedEvents events;
        objective.SetEvents(&events);
        MyArray1 u = point, longer = point;
        longer.push_back(0.5L);
        MyArray1& g = over ? u : longer;
        Real value = 7, norm = 7;
        std::ostringstream out;
        out.precision(21);
        try {
            if (oneCall) {
                objective.ValueAndGradient(u, value, g, norm);
            } else {
                value = objective.Value(u);
                objective.Gradient(u, g, norm);
            }
        } catch (const ERealBadError& e) {
            out << "norm: " << e.what() << ' ';
        } catch (const EBadError& e) {
            out << e.what() << ' ';
        }
        out << value << ' ' << norm;
        for (std::size_t i = 1; i < g.size(); ++i) out << ' ' << g[i];
        return Outcome{out.str(), objective.Evaluations(), events.statuses, events.zeroGradients};
    };
    int compared = 0;
    for (const FunctionTraits& f : FunctionList()) {
        for (int n : {2, 3}) {
            if (n == 3 && f.twoDimensionalOnly) continue;
            for (const MyArray1& w : {RandomPoint(n, 2), Filled(n, 0), Filled(n, 1), Filled(n, 1e1000L),
                                      Filled(n, 1e2466L), Filled(n, 1e4931L), Filled(n, NAN)})
                for (bool over : {false, true}) {
                    const Outcome two = evaluate(f.id, n, w, over, false);
                    const Outcome one = evaluate(f.id, n, w, over, true);
                    const std::string where = std::string(f.name) + " n=" + std::to_string(n) + " at " +
                                              std::to_string(static_cast<double>(w[1])) + (over ? " over u" : "");
                    EXPECT_EQ(one.text, two.text) << where;
                    EXPECT_EQ(one.evaluations, two.evaluations) << where;
                    EXPECT_EQ(one.statuses, two.statuses) << where;
                    EXPECT_EQ(one.zeroGradients, two.zeroGradients) << where;
                    ++compared;
                }
        }
    }
    EXPECT_GT(compared, 200);
}

TEST_F(ObjectiveTest, EveryEvaluationCountsOnceAlsoWhenItFails) {
    LoadRandomQuadratic(3);
    for (const FunctionTraits& f : FunctionList()) {
        SCOPED_TRACE(std::string(f.name));
        const int n = f.twoDimensionalOnly ? 2 : 3;
        Objective objective = Of(f.id, n);
        MyArray1 g = NewVector(n);
        objective.Value(Filled(n, 0.5L));
        EXPECT_EQ(objective.Evaluations(), 1);
        objective.Gradient(Filled(n, 0.5L), g);
        EXPECT_EQ(objective.Evaluations(), 2);
        // Squares of 1e3000 overflow in every function.
        EXPECT_EQ(ErrorOf<EBadError>([&] { objective.Value(Filled(n, 1e3000L)); }),
                  "Error in evaluation of function: " + (f.typed ? FormulaName(typed.formula.text) : std::string(f.name)));
        EXPECT_EQ(objective.Evaluations(), 3);
    }
    MyArray1 g;
    const struct { FunctionId function; MyArray1 u; bool gradient; } failures[] = {
        {FunctionId::Rosenbrock, V({1e2000L, 1}), true}, {FunctionId::HilbertA, V({1e2500L, 1e2500L, 1}), false},
        // n = 1 divides by n - 1 = 0 in the "u*=sin" shifts
        {FunctionId::Staircase2Sin, V({0.5L}), false}, {FunctionId::AxisEllipsoidSin, V({0.5L}), true},
        // and the two-dimensional functions have no second component
        {FunctionId::Himmelblau28, V({0.5L}), false},
        // a quiet NaN raises no flag; the non-finite value is caught instead
        {FunctionId::AxisEllipsoid, V({NAN, 1}), false}, {FunctionId::Qf1, V({NAN, 1}), true},
    };
    for (const auto& f : failures) {
        Objective objective = Of(f.function, Components(f.u));
        objective.SetName("the function");
        g = NewVector(Components(f.u));
        const std::string message = f.gradient ? ErrorOf<EBadError>([&] { objective.Gradient(f.u, g); })
                                               : ErrorOf<EBadError>([&] { objective.Value(f.u); });
        EXPECT_EQ(message, std::string("Error in evaluation of ") + (f.gradient ? "gradient: " : "function: ") +
                               "the function");
        EXPECT_EQ(objective.Evaluations(), 1) << message;
    }
    // Every component finite, but the sum of squares overflows.
    EXPECT_EQ(ErrorOf<ERealBadError>([&] { Grad(FunctionId::AxisEllipsoid, V({1e2466L, 1}), g); }),
              "Error in evaluation of gradient norm for function: Quadratic: Axis Parallel Ellipsoid");
    // A clean evaluation after a failure does not see stale flags.
    EXPECT_EQ(J(FunctionId::AxisEllipsoid, V({1, 1})), 3.0L);
}

// The functions that find faults by their results alone must never return
// a value, or a gradient and its norm, after raising a fault flag: from tiny
// to overflowing coordinates of either sign, a clean result leaves none up.
TEST_F(ObjectiveTest, FunctionsWhoseFaultsShowInTheResultSucceedOnlyWithoutAFault) {
    std::vector<Real> coordinates;
    for (Real m : {0.0L, 1e-3000L, 1e-5L, 1.0L, 3.0L, 1e600L, 1e1000L, 1e1233L, 1e1234L, 1e1500L, 1e2466L, 1e2467L, 1e3000L})
        for (Real sign : {1.0L, -1.0L}) coordinates.push_back(sign * m);
    int checked = 0;
    for (const FunctionTraits& f : FunctionList()) {
        if (!f.faultsShowInResult) continue;
        SCOPED_TRACE(std::string(f.name));
        Objective objective = Of(f.id, 2);
        MyArray1 g = NewVector(2);
        for (Real u1 : coordinates)
            for (Real u2 : coordinates) {
                const MyArray1 u = V({u1, u2});
                FpFaultGuard value;
                try {
                    objective.Value(u);
                    EXPECT_FALSE(value.Faulted()) << "J at " << static_cast<double>(u1) << ", " << static_cast<double>(u2);
                    ++checked;
                } catch (const std::exception&) {
                }
                FpFaultGuard gradient;
                try {
                    objective.Gradient(u, g);
                    EXPECT_FALSE(gradient.Faulted()) << "gradJ at " << static_cast<double>(u1) << ", " << static_cast<double>(u2);
                    ++checked;
                } catch (const std::exception&) {
                }
            }
    }
    EXPECT_GT(checked, 0);
}

TEST_F(ObjectiveTest, LargeProblemsSayWhatIsEvaluatedAndFailuresLeaveTheStatus) {
    RecordedEvents events;
    const auto evaluate = [&](int n, const MyArray1& u, bool gradient) {
        Objective objective = Of(FunctionId::AxisEllipsoid, n);
        objective.SetEvents(&events);
        MyArray1 g = NewVector(n);
        if (gradient)
            objective.Gradient(u, g);
        else
            objective.Value(u);
    };
    evaluate(3, NewVector(3), false);
    evaluate(999, NewVector(999), true);
    EXPECT_EQ(events.statuses, (std::vector<std::string>{" Working...", " Working..."}));
    events.statuses.clear();
    evaluate(1000, NewVector(1000), false);
    evaluate(1000, RandomPoint(1000, 1), true);
    EXPECT_EQ(events.statuses, (std::vector<std::string>{" Working... function evaluation", " Working...",
                                                         " Working... gradient evaluation", " Working..."}));
    events.statuses.clear();
    EXPECT_THROW(evaluate(1000, Filled(1000, 1e3000L), false), EBadError);
    MyArray1 u = NewVector(1000);
    u[1] = 1e3000L;
    EXPECT_THROW(evaluate(1000, u, true), ERealBadError);
    EXPECT_EQ(events.statuses,
              (std::vector<std::string>{" Working... function evaluation", " Working... gradient evaluation"}));
    events.statuses.clear();
    EXPECT_THROW(evaluate(2, V({1e3000L, 0}), false), EBadError);
    EXPECT_TRUE(events.statuses.empty());
}

} // namespace
} // namespace tarvik

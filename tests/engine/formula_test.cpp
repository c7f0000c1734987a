// Typed formulas: the grammar and its messages, values against hand
// values, and J, gradJ and the Hessian of typed versions of built-in
// functions against the built-in ones.
#include "core/formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/hessian.h"
#include "core/objective.h"

namespace tarvik {
namespace {

// The built-in function through its objective.
struct BuiltIn {
    Objective objective;
    BuiltIn(FunctionId id, int n) : objective(Traits(id), n, TunableParameters{}) {}
    Real J(const MyArray1& u) { return objective.Value(u); }
    MyArray1 Gradient(const MyArray1& u) {
        MyArray1 g = NewVector(objective.Dimension());
        objective.Gradient(u, g);
        return g;
    }
    MyArray2 Hessian(const MyArray1& u) {
        MyArray2 H = NewMatrix(objective.Dimension());
        if (objective.Function().hessian != HessianShape::TwoByTwo) {
            objective.FillHessian(u, H);
            return H;
        }
        const Hessian2 h = objective.TwoByTwoHessian(u);
        H[1][1] = h[0], H[1][2] = h[1], H[2][1] = h[2], H[2][2] = h[3];
        return H;
    }
};

MyArray1 Point(std::initializer_list<Real> components) {
    MyArray1 v{0.0L};
    v.insert(v.end(), components);
    return v;
}

// The formula compiled for n; the message of the first refusal otherwise.
std::string Compile(const std::string& text, int n, CompiledFormula& c, int64_t maxTerms = kFormulaMaxTerms) {
    ParsedFormula f;
    if (auto error = ParseFormula(text, f)) return error->message;
    if (auto error = CompiledFormula::Compile(f, n, c, maxTerms)) return error->message;
    return "";
}

TEST(Formula, ValuesFollowTheGrammar) {
    struct Case {
        const char* text;
        MyArray1 u;
        Real j;
    };
    const Real pi = std::numbers::pi_v<Real>;
    const Case cases[] = {
        {"2 + 0.5 + .25 + 125e-3", Point({0}), 2.875L},
        {"-u1^2", Point({3}), -9},
        {"-2^2 + 2^3^2 - (2^3)^2 + 2^-1", Point({0}), -4 + 512 - 64 + 0.5L},
        {"u1 - u2 - u3 + u1/u2/u3 - -u2", Point({8, 2, 2}), 8 - 2 - 2 + 2 + 2},
        {"e^u1 - exp(u1) + 2*sin(pi/6) + log(e) + sqrt(abs(u1)) + atan(u1) + tanh(u1) - cosh(u1) * sinh(u1)",
         Point({-1.3L}),
         2 * std::sin(pi / 6) + 1 + std::sqrt(1.3L) + std::atan(-1.3L) + std::tanh(-1.3L) -
             std::cosh(-1.3L) * std::sinh(-1.3L)},
        {"n * sum(i, 1, n, i*u[i])", Point({1, 2, 3}), 3 * 14},
        {"sum(i, 1, n, sum(j, 1, i, u[j])) + sum(i, 2, 1, u1)", Point({1, 2, 3}), 1 + 3 + 6},
        {"sum(i, 1, n/2, u[2*i] - u[2*i-1]) + sum(i, 1, 2, u[i*i]) + sum(i, 1, 2, sum(j, 1, 2, u[i*j]))",
         Point({1, 2, 3, 5}), (2 - 1) + (5 - 3) + (1 + 5) + (1 + 2 + 2 + 5)},
        // nine terms: two groups of four and one alone
        {"sum(i, 1, n, u[i]*u[n+1-i]) + sum(i, 1, n, i)", Point({1, 2, 3, 4, 5, 6, 7, 8, 9}), 165 + 45},
    };
    for (const Case& c : cases) {
        CompiledFormula f;
        ASSERT_EQ(Compile(c.text, Components(c.u), f), "") << c.text;
        EXPECT_EQ(f.Value(c.u), c.j) << c.text;
    }
}

TEST(Formula, ShapeSaysWhatTheFormulaAsksOfN) {
    struct Case {
        const char* text;
        bool twoDimensional, usesDimension;
        int largestFixedIndex;
    };
    for (const Case& c : {Case{"u1 + u[2]^2", true, false, 2}, Case{"5", true, false, 0},
                          Case{"u1*u3", false, false, 3}, Case{"n*u1", false, true, 1},
                          Case{"sum(i, 1, 2, u[i])", false, false, 0}}) {
        ParsedFormula f;
        ASSERT_FALSE(ParseFormula(c.text, f)) << c.text;
        EXPECT_EQ(f.shape.twoDimensional, c.twoDimensional) << c.text;
        EXPECT_EQ(f.shape.usesDimension, c.usesDimension) << c.text;
        EXPECT_EQ(f.shape.largestFixedIndex, c.largestFixedIndex) << c.text;
    }
}

TEST(Formula, BadInputGetsAMessageThatPointsAtThePlace) {
    struct Case {
        std::string text;
        int n;
        std::string message;
    };
    const Case cases[] = {
        {"", 2, "the formula is empty"},
        {" \t\n", 2, "the formula is empty"},
        {std::string(10000, ' ') + "1", 2, "the formula is longer than 10000 characters"},
        {std::string(50000, '(') + "u1" + std::string(50000, ')'), 2, "the formula is longer than 10000 characters"},
        {std::string(300, '(') + "u1" + std::string(300, ')'), 2, "nested too deeply at column 201"},
        {std::string(300, '-') + "u1", 2, "nested too deeply at column 201"},
        {"u1+u2+u0", 2, "unknown name 'u0' at column 7"},
        {"sin(u1) * (u2 + u1", 2, "')' expected at column 19"},
        {"u1 +\n  u0", 2, "unknown name 'u0' at line 2, column 3"},
        {"u1 u2", 2, "operator expected at column 4"},
        {"u1 + ", 2, "number, name or '(' expected at column 6"},
        {"u1 # 2", 2, "unexpected character '#' at column 4"},
        {"sin u1", 2, "'(' expected after 'sin' at column 5"},
        {"u1 + 1e99999", 2, "number out of range '1e99999' at column 6"},
        {"sum(i, 1, n, u[i]) + i", 2, "unknown name 'i' at column 22"},
        {"sum(n, 1, 2, u1)", 2, "'n' cannot name a sum's index at column 5"},
        {"sum(i, 1, n, sum(i, 1, n, u[i]))", 2, "'i' already names the index of an enclosing sum at column 18"},
        {"u[1.5]", 2, "'1.5' is not a whole number at column 3"},
        {"u[sin(1)]", 2, "'sin' cannot be used in an index at column 3"},
        {"u[0]", 2, "index 0 outside 1..n at column 1"},
        {"u[2/0]", 2, "division by zero in an index at column 4"},
        {"u[2^2]", 2, "'^' cannot be used in an index at column 4"},
        // refused for the dimension
        {"u[n+1]", 3, "index 4 outside 1..3 at column 1"},
        {"u1 + u3", 2, "index 3 outside 1..2 at column 6"},
        {"sum(i, 0, n, u[i])", 3, "index 0 outside 1..3 at column 14"},
        {"sum(i, 1, n/2, u[2*i])", 5, "division with a remainder in an index for n = 5 at column 12"},
    };
    for (const Case& c : cases) {
        CompiledFormula f;
        EXPECT_EQ(Compile(c.text, c.n, f), c.message) << c.text.substr(0, 40);
    }
    CompiledFormula f;
    EXPECT_EQ(Compile("sum(i, 1, n, sum(j, 1, n, u[j]))", 3, f, 10), "the sums have more than 10 terms for n = 3 at column 14");
}

// Faults of the arithmetic are the floating-point flags, as for the built-in functions.
TEST(Formula, ArithmeticFaultsRaiseTheFlags) {
    struct Case {
        const char* text;
        Real u1;
        bool valueFaults, gradientFaults;
    };
    // The gradient of log(u1), 1/u1, is defined where the logarithm is not.
    for (const Case& c : {Case{"u1^2", 2, false, false}, Case{"log(u1)", -1, true, false}, Case{"1/u1", 0, true, true},
                          Case{"exp(u1)", 20000, true, true}, Case{"sqrt(u1)", 0, false, true}}) {
        CompiledFormula f;
        ASSERT_EQ(Compile(c.text, 1, f), "");
        const MyArray1 u = Point({c.u1});
        MyArray1 g = NewVector(1);
        Real j = 0;
        EXPECT_EQ(FaultedRunning([&] { j = f.Value(u), PinValue(j); }), c.valueFaults) << c.text;
        EXPECT_EQ(FaultedRunning([&] { f.Gradient(u, g); }), c.gradientFaults) << c.text;
    }
}

// Derivatives that are exact in binary, through the paths the built-in
// functions do not take: a value of the outer sum read in the inner one, a
// function of a whole sum (a dense Hessian), an index that is not affine.
TEST(Formula, DerivativesThroughSumsAreExact) {
    struct Case {
        const char* text;
        MyArray1 u, g;
        Real h11, h12;
    };
    const Case cases[] = {
        {"sum(i, 1, n, sum(j, 1, n, u[i]*u[j]))", Point({1, 2, 3}), Point({12, 12, 12}), 2, 2},
        {"log(sum(i, 1, n, u[i]))", Point({1, 1, 2}), Point({0.25L, 0.25L, 0.25L}), -0.0625L, -0.0625L},
        {"sum(i, 1, 2, u[i*i]^2) * u2", Point({1, 2, 3, 4}), Point({4, 17, 0, 16}), 4, 2},
    };
    for (const Case& c : cases) {
        const int n = Components(c.u);
        CompiledFormula f;
        ASSERT_EQ(Compile(c.text, n, f), "") << c.text;
        MyArray1 g = NewVector(n);
        f.Gradient(c.u, g);
        EXPECT_EQ(g, c.g) << c.text;
        MyArray2 H = NewMatrix(n);
        f.FillHessian(c.u, H);
        EXPECT_EQ(H[1][1], c.h11) << c.text;
        EXPECT_EQ(H[1][2], c.h12) << c.text;
    }
}

// |a - b| within k units in the last place of scale, the largest magnitude
// among the values compared (a component next to a larger one may cancel).
::testing::AssertionResult WithinUlps(Real a, Real b, Real scale, int k) {
    const Real ulp = std::nextafter(std::fabs(scale), INFINITY) - std::fabs(scale);
    if (std::fabs(a - b) <= k * ulp) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " against " << b << " (scale " << scale << ")";
}

// J and gradJ in the order a hand-written formula takes: to the bit where
// the built-in function adds its terms as the typed one does (Schwefel 1.2
// computes its gradient by other sums, within a few ulps of the largest
// component); the Hessian within a few ulps of its largest entry.
TEST(Formula, TypedFunctionsHaveTheBuiltInDerivatives) {
    struct Case {
        FunctionId id;
        const char* text;
        std::vector<int> dimensions;
        int gradientUlps;
    };
    const Case cases[] = {
        {FunctionId::Rosenbrock, "100*(u2-u1^2)^2 + (1-u1)^2", {2}, 0},
        {FunctionId::Himmelblau28, "(u1^2+u2-11)^2 + (u2^2+u1-7)^2", {2}, 0},
        {FunctionId::GeneralizedRosenbrock, "sum(i, 1, n-1, 100*(u[i+1]-u[i]^2)^2 + (1-u[i])^2)", {2, 3, 5, 10, 101}, 0},
        {FunctionId::AxisEllipsoid, "sum(i, 1, n, i*u[i]^2)", {1, 3, 10}, 0},
        {FunctionId::Schwefel12, "sum(i, 1, n, sum(j, 1, i, u[j])^2)", {3, 10, 30}, 4},
    };
    std::mt19937 random(20);
    std::uniform_real_distribution<double> coordinate(-2, 2);
    for (const Case& c : cases) {
        for (const int n : c.dimensions) {
            SCOPED_TRACE(::testing::Message() << c.text << " n " << n);
            BuiltIn builtIn(c.id, n);
            CompiledFormula typed;
            ASSERT_EQ(Compile(c.text, n, typed), "");
            for (int trial = 0; trial < 20; ++trial) {
                MyArray1 u = NewVector(n), v = NewVector(n), g = NewVector(n), hv = NewVector(n);
                for (int i = 1; i <= n; ++i) u[i] = coordinate(random), v[i] = coordinate(random);
                EXPECT_EQ(typed.Value(u), builtIn.J(u));

                const MyArray1 expected = builtIn.Gradient(u);
                typed.Gradient(u, g);
                Real largest = 0;
                for (int i = 1; i <= n; ++i) largest = std::fmax(largest, std::fabs(expected[i]));
                for (int i = 1; i <= n; ++i)
                    EXPECT_TRUE(WithinUlps(g[i], expected[i], largest, c.gradientUlps)) << "component " << i;

                const MyArray2 H = builtIn.Hessian(u);
                MyArray2 typedH = NewMatrix(n);
                typed.FillHessian(u, typedH);
                typed.HessianTimes(u, v, hv);
                largest = 0;
                for (int i = 1; i <= n; ++i)
                    for (int k = 1; k <= n; ++k) largest = std::fmax(largest, std::fabs(H[i][k]) * std::fmax(1, std::fabs(v[k])));
                for (int i = 1; i <= n; ++i) {
                    Real product = 0;
                    for (int k = 1; k <= n; ++k) {
                        EXPECT_TRUE(WithinUlps(typedH[i][k], H[i][k], largest, 16)) << "entry " << i << "," << k;
                        product += H[i][k] * v[k];
                    }
                    EXPECT_TRUE(WithinUlps(hv[i], product, largest, 16 * n)) << "product " << i;
                }
            }
        }
    }
}

} // namespace
} // namespace tarvik

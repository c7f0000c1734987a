// A typed formula as the batch mode runs it: the same runs as the built-in
// function it spells out, its refusals, and its arithmetic faults as run
// failures.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "batch_line.h"

namespace tarvik {
namespace {

// The report without the lines that differ by nature: the function's name
// and the time the run took.
std::string Comparable(const std::string& report) {
    std::istringstream in(report);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("Function:", 0) != 0 && line.rfind("Operating time", 0) != 0) kept += line + "\n";
    return kept;
}

TEST(TypedFunctionRun, RunsLikeTheBuiltInFunctionItSpellsOut) {
    struct Case {
        const char* function;
        const char* formula;
        const char* n;
        const char* ustar;
    };
    const Case functions[] = {
        {"rosenbrock", "100*(u2-u1^2)^2+(1-u1)^2", "2", "1,1"},
        {"generalized-rosenbrock", "sum(i, 1, n-1, 100*(u[i+1]-u[i]^2)^2 + (u[i]-1)^2)", "6", "1,1,1,1,1,1"},
    };
    for (const Case& f : functions) {
        for (const char* method : {"constant-step", "steepest-wolfe", "bfgs-wolfe", "newton", "trust-region"}) {
            SCOPED_TRACE(std::string(f.function) + " " + method);
            const BatchResult builtIn = RunWith({"--n", f.n, "--function", f.function, "--method", method});
            const BatchResult typed = RunWith({"--n", f.n, "--formula", f.formula, "--ustar", f.ustar, "--method", method});
            ASSERT_EQ(builtIn.status, typed.status);
            EXPECT_NE(typed.out.find("Function:  " + std::string(f.formula)), std::string::npos);
            // Iterations, evaluations and every printed digit.
            EXPECT_EQ(Comparable(builtIn.out), Comparable(typed.out));
            EXPECT_NE(typed.out.find("Total evaluating J and gradJ"), std::string::npos);
        }
    }
}

TEST(TypedFunctionRun, RefusesAWrongFormulaWithTheParsersMessage) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--formula", "u0+u1", "--method", "newton"}, BatchExitUsage, "unknown name 'u0' at column 1"},
        {{"--formula", "", "--method", "newton"}, BatchExitUsage, "empty"},
        {{"--formula", "sum(i, 1, n, u[i+1])", "--n", "3", "--method", "newton"}, BatchExitUsage, "outside 1..3"},
        {{"--formula", "u1^2+u2^2+u3^2", "--ustar", "0,0", "--n", "3", "--method", "newton"}, BatchExitUsage,
         "u* has 2 components"},
        {{"--formula", "u1^2+u2^2", "--accuracy", "1", "--method", "newton"}, BatchExitUsage, "u* of the formula is unknown"},
        {{"--function", "formula", "--method", "newton"}, BatchExitUsage, "needs --formula"},
        {{"--function", "saddle", "--formula", "u1", "--method", "newton"}, BatchExitUsage, "go with --function formula"},
        {{"--formula-file", "/nonexistent/formula.txt", "--method", "newton"}, BatchExitUsage, "cannot read"},
        // A function of (u1, u2) fixes n at 2, as the built-in ones do.
        {{"--formula", "u1^2+u2^2", "--n", "3", "--method", "newton"}, BatchExitError, "dimensionality n=2 only"},
        // A domain error during the run is the run's failure, never a success.
        {{"--formula", "log(u1)+u2^2", "--method", "newton"}, BatchExitError,
         "Error in evaluation of function: log(u1)+u2^2"},
        {{"--formula", "1/u1+u2^2", "--start-point", "0,1", "--method", "steepest-wolfe"}, BatchExitError,
         "Error in evaluation of function: 1/u1+u2^2"},
        {{"--formula", "exp(1e6*u1^2)+u2", "--method", "bfgs-wolfe"}, BatchExitError, "Error in evaluation of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const BatchResult r = RunWith(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE((r.err + r.out).find(c.message), std::string::npos) << r.err << r.out;
    }
}

} // namespace
} // namespace tarvik

// Comparing methods: every compared run is the single run of that method.
#include "app/compare_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_run.h"
#include "app/run_driver.h"

namespace tarvik {
namespace {

BatchOptions Problem(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--n", "2", "--function", "0", "--start", "5", "--accuracy", "1",
                                     "--eps", "1e-4", "--max-iterations", "300", "--on-failure", "all", "--compare", "all"};
    args.insert(args.end(), extra.begin(), extra.end());
    BatchOptions o;
    EXPECT_FALSE(ParseBatchOptions(args, o));
    return o;
}

TEST(CompareRun, EveryMethodEndsAsItsSingleRunDoes) {
    const BatchOptions options = Problem();
    std::vector<CompareRow> rows;
    std::FILE* sink = std::tmpfile();
    ASSERT_EQ(RunComparison(options, options.compareMethods, rows, sink, {}), CompareEnd::Completed);
    ASSERT_EQ(rows.size(), 18u);
    for (const CompareRow& row : rows) {
        BatchOptions single = options;
        single.compareMethods.clear();
        single.methodPosition = row.methodPosition;
        BatchHost host(sink, sink);
        RunState state(host);
        RunDriver driver(state);
        ASSERT_TRUE(ApplyBatchOptions(single, state, sink));
        RunBatch(single, state, driver, host);
        SCOPED_TRACE(row.method);
        EXPECT_EQ(row.iterations, state.IterCount);
        EXPECT_EQ(row.j, state.JCur);
        EXPECT_EQ(row.gradNorm, state.GradNorm);
        EXPECT_EQ(row.accuracy, state.AccuracyValue);
        // Only the Newton methods that form a Hessian count them, and all of those do.
        EXPECT_EQ(row.hessianEvaluations, state.HessianEvaluations);
        EXPECT_EQ(row.usesHessian, state.HessianEvaluations > 0);
        EXPECT_EQ(row.path.size(), static_cast<std::size_t>(driver.Trace().RowCount()));
        EXPECT_FALSE(row.ending.empty());
    }
    std::fclose(sink);
}

TEST(CompareRun, MethodListsAndTheTables) {
    struct Case { const char* text; std::vector<int> positions; bool ok; };
    const std::vector<Case> cases = {
        {"2,6,8", {2, 6, 8}, true},   {"17,2,17", {17, 2}, true}, {"0", {0}, true},
        {"18", {}, false},            {"2,,6", {}, false},        {"-1", {}, false},
        {"2;6", {}, false},           {"", {}, false},            {"2,", {}, false},
    };
    for (const Case& c : cases) {
        std::vector<int> positions;
        const auto error = ParseMethodList(c.text, positions);
        EXPECT_EQ(!error, c.ok) << c.text;
        if (c.ok) { EXPECT_EQ(positions, c.positions) << c.text; }
    }

    CompareRow row;
    row.method = "quasi-Newton L-BFGS, memory 15 pairs,Wolfe";
    row.ending = "Hessian<0 ! (Iteration=4).";
    row.iterations = 4;
    row.evaluations = 12;
    row.j = 0.5L;
    const std::string csv = FormatCompareCsv({row});
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "method,ending,iterations,evaluations,hessian_evaluations,J,grad_norm,accuracy,seconds");
    EXPECT_NE(csv.find("\r\n\"quasi-Newton L-BFGS, memory 15 pairs,Wolfe\",Hessian<0 ! (Iteration=4).,4,12,,"
                       "5.00000000000000000000e-01,"), std::string::npos) << csv;
    const std::string text = FormatCompareTable({row});
    EXPECT_EQ(text.rfind(','), text.find("pairs,") + 5) << "numbers never carry a decimal comma";
}

TEST(CompareRun, AProblemThatCannotBePreparedEndsTheComparison) {
    BatchOptions options = Problem();
    options.n = 1;
    options.nText = "1";
    std::vector<CompareRow> rows;
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(RunComparison(options, {2, 6}, rows, sink, {}), CompareEnd::ProblemRefused);
    EXPECT_TRUE(rows.empty());
    std::fclose(sink);
}

} // namespace
} // namespace tarvik

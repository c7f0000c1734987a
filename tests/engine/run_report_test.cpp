// The parts of the report no recorded batch run pins: the print schedule at
// large iteration numbers, the header of the quadratic from files, and the
// closing lines with the operating time.
#include "app/run_report.h"

#include <gtest/gtest.h>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "recording_host.h"

namespace tarvik {
namespace {

TEST(PrintSchedule, ReportsTheScheduledIterations) {
    std::vector<int32_t> early;
    for (int32_t k = -1; k < 250; ++k)
        if (PrintSchedule(k)) early.push_back(k);
    EXPECT_EQ(early, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 25, 30, 40, 50, 75, 100, 125, 150,
                                           175, 200, 225}));
    for (int32_t k : {250, 450, 4900, 49000, 50000, 2147480000}) EXPECT_TRUE(PrintSchedule(k)) << k;
    for (int32_t k : {260, 550, 5100, 51000, 2147483647}) EXPECT_FALSE(PrintSchedule(k)) << k;
}

// Counts past 2^31 (a long run of golden steps passes it) keep their sign
// and their grouping by thousands.
TEST(IterationLines, CountsPastTwoToThe31stKeepTheirGrouping) {
    EXPECT_EQ(IterationCountLine(2, 17), " Iteration=2:      (Total evaluating J and gradJ = 17)");
    EXPECT_EQ(IterationCountLine(3000000000LL, 4294967301LL),
              " Iteration=3 000 000 000:      (Total evaluating J and gradJ = 4 294 967 301)");
    EXPECT_TRUE(PrintSchedule(3000000000LL));
    EXPECT_FALSE(PrintSchedule(3000000001LL));
}

TEST(ReportHeader, TheQuadraticFromFilesRenewsConjugateDirectionsAfterNonOrthogonalGradients) {
    testing::RecordingHost host;
    RunState s(host);
    s.N = 2;
    s.FunctionCode = FunctionId::QuadraticFromFiles;
    s.MethodCode = MethodId::FletcherReevesWolfe;
    s.U0 = s.UStar = s.GradJ0 = NewVector(2);
    WriteReportHeader(s);
    EXPECT_EQ(host.lines.at(3), "The renewal of a descent direction is implemented after non-orthogonal gradients.");
}

struct FocusCountingHost : testing::RecordingHost {
    int focusCalls = 0;
    void FocusOutput() override { ++focusCalls; }
};

TEST(FinalLines, OperatingTimeAccuracyAndFinalPoint) {
    FocusCountingHost host;
    RunState s(host);
    s.N = 2;
    s.FunctionCode = FunctionId::Rosenbrock;
    s.ReportedAccuracy = 0.000012345L;
    s.AccuracyComputed = 1;
    s.GradNorm = 1;
    s.StartTimeMs = 36000000;
    s.U = {0, 0.999999L, 0.99999L};
    WriteFinalLines(s, 36001234);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Accuracy is  0.0012%", "Operating time of problem = 1.234 s",
                                                    "Final point u :                    (not more than 50 items in line)",
                                                    "   1.00   1.00"}));
    EXPECT_EQ(host.focusCalls, 1);

    // No accuracy line at a zero gradient; TRIDIA's point in exponent form.
    host.lines.clear();
    s.GradNorm = 0;
    s.StartTimeMs = 1000;
    s.FunctionCode = FunctionId::Tridia;
    s.U = {0, -1.2L, 1};
    WriteFinalLines(s, 1000);
    EXPECT_EQ(host.lines.at(0), "Operating time of problem = 0 s");
    EXPECT_EQ(host.lines.at(2), "   -1.20E+00   1.00E+00");

    host.lines.clear();
    s.AccuracyComputed = 0;
    s.GradNorm = 1;
    WriteFinalLines(s, 1500);
    EXPECT_EQ(host.lines.at(0), "Operating time of problem = 0.5 s");
}

} // namespace
} // namespace tarvik

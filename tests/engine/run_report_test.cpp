#include "app/run_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/number_format.h"
#include "recording_host.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

class FocusCountingHost : public RecordingHost {
public:
    int focusCalls = 0;
    void FocusOutput() override { ++focusCalls; }
};

// The state after the first Wolfe step of steepest descent on Rosenbrock
// from u° = (-1.2, 1), accuracy mode 1 with 0.01.
class RunReportTest : public ::testing::Test {
protected:
    RunReportTest() : s(host) {
        s.N = 2;
        s.FunctionCode = FunctionId::Rosenbrock;
        s.FunctionName = "Rosenbrock (n=2)";
        s.MethodCode = MethodId::SteepestWolfe;
        s.MethodName = "Steepest descent with Wolfe steps";
        s.StorageText = FormatFloat("0.###", 220.0L / 1024 / 1024) + "MB";
        s.U0 = {0, -1.2L, 1};
        s.UStar = {0, 1, 1};
        s.U = s.U0;
        const Real u1 = s.U0[1], u2 = s.U0[2];
        s.J0 = 100 * (u2 - u1 * u1) * (u2 - u1 * u1) + (1 - u1) * (1 - u1);
        s.GradJ0 = {0, -400 * u1 * (u2 - u1 * u1) - 2 * (1 - u1), 200 * (u2 - u1 * u1)};
        s.GradNorm0 = std::sqrt(s.GradJ0[1] * s.GradJ0[1] + s.GradJ0[2] * s.GradJ0[2]);
        s.Dist0 = std::sqrt((u1 - 1) * (u1 - 1) + (u2 - 1) * (u2 - 1));
        s.MaxStep = std::sqrt(static_cast<Real>(s.N));
        s.SkipReevaluation = 1;
    }

    // Lines from the first one equal to `from` up to (excluding) the first
    // later one equal to `to`.
    std::vector<std::string> Between(const std::string& from, const std::string& to) const {
        std::vector<std::string> out;
        bool inside = false;
        for (const auto& line : host.lines) {
            if (inside && line == to) break;
            if (inside) out.push_back(line);
            if (line == from) inside = true;
        }
        return out;
    }
    bool Has(const std::string& line) const {
        for (const auto& l : host.lines) {
            if (l == line) return true;
        }
        return false;
    }
    bool HasPrefix(const std::string& prefix) const {
        for (const auto& l : host.lines) {
            if (l.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }

    FocusCountingHost host;
    RunState s;
};

TEST(PrintSchedule, ReportsTheScheduledIterations) {
    std::vector<int32_t> early;
    for (int32_t k = -1; k < 250; ++k) {
        if (PrintSchedule(k)) early.push_back(k);
    }
    EXPECT_EQ(early, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 25, 30, 40, 50, 75, 100, 125, 150,
                                           175, 200, 225}));
    EXPECT_TRUE(PrintSchedule(250));
    EXPECT_FALSE(PrintSchedule(260));
    EXPECT_TRUE(PrintSchedule(450));
    EXPECT_FALSE(PrintSchedule(550));
    EXPECT_TRUE(PrintSchedule(4900));
    EXPECT_FALSE(PrintSchedule(5100));
    EXPECT_TRUE(PrintSchedule(49000));
    EXPECT_FALSE(PrintSchedule(51000));
    EXPECT_TRUE(PrintSchedule(50000));
    EXPECT_TRUE(PrintSchedule(2147480000));
    EXPECT_FALSE(PrintSchedule(2147483647));
}

TEST_F(RunReportTest, RosenbrockHeader) {
    WriteReportHeader(s);
    const std::vector<std::string> expected = {
        "Basic storage RAM 1.8MB + Problem storage 0MB",
        "Function:  Rosenbrock (n=2)",
        "Method:  Steepest descent with Wolfe steps.",
        "Wolfe steps: c2=0.1 ( c1=0.0001), quadratic interpolation, max step=1.41.",
        "Accuracy is ||u-u*||/||u\u00B0-u*||=0.01",
        " ",
        "Extreme point u*:              (not more than 50 items in line)",
        "   1.00   1.00",
        " ",
        "Initial guess u\u00B0:               (not more than 50 items in line)",
        "   -1.20   1.00",
        " ",
        "Initial grad J\u00B0:",
        "   -215.6000   -88.0000",
        " ",
        "J\u00B0=2.420E+01,  ||u\u00B0-u*||=2.2,  ||gradJ\u00B0||=2.329E+02",
        "",
        "==========================================",
        "",
    };
    EXPECT_EQ(host.lines, expected);
}

TEST_F(RunReportTest, HeaderForAccuracyMode2AndAHigherDimension) {
    s.N = 3;
    s.FunctionCode = FunctionId::GeneralizedRosenbrock;
    s.FunctionName = "Generalized Rosenbrock (n>=2)";
    s.U0 = {0, -1.2L, 1, 1};
    s.UStar = {0, 1, 1, 1};
    s.GradJ0 = {0, 1, 2, 3};
    s.Choices.RbtnPrec1Checked = false;
    s.Choices.RbtnPrec2Checked = true;
    s.Choices.CmbPrec2Text = "0,001";
    s.SkipReevaluation = 0;
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[1], "Function:  Generalized Rosenbrock (n>=2)  for n=3");
    EXPECT_EQ(host.lines[2], "Method:  Steepest descent with Wolfe steps.");
    EXPECT_EQ(host.lines[3], "Accuracy is | J(u') - J(u'') |/J(u\u00B0)=0,001");
    EXPECT_FALSE(HasPrefix("Wolfe steps"));
    EXPECT_TRUE(Has("J\u00B0=2.420E+01,  ||gradJ\u00B0||=2.329E+02"));
    EXPECT_TRUE(Has("   1.0000   2.0000   3.0000"));
}

TEST_F(RunReportTest, HeaderLinesOfTheMethods) {
    s.Params.WolfeInterpolation = 1;
    s.Params.WolfeC2 = 0.9L;
    s.MaxStep = 2 * std::sqrt(2.0L);
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[3], "Wolfe steps: c2=0.9 ( c1=0.0001), cubic interpolation, max step=2.83.");

    host.lines.clear();
    s.SkipReevaluation = 0;
    s.MethodCode = MethodId::CollinearDemo;
    s.MethodName = "Collinear gradients, demo 1 step";
    s.CollDelta = 0.5L;
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[2], "Method:  Collinear gradients, demo 1 step.");
    EXPECT_EQ(host.lines[3], "Delta=5.0E-01,   c1=1.0E-08,   c2=4.");
    EXPECT_EQ(host.lines[4], "Accuracy is ||u-u*||/||u\u00B0-u*||=0.01");

    host.lines.clear();
    s.MethodCode = MethodId::NewtonCg;
    s.MethodName = "Inexact Newton-ConjGrag, step-size=1";
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[3], " Precision coefficient in forcing term: c=1E-03");
    EXPECT_FALSE(HasPrefix("Delta="));
}

TEST_F(RunReportTest, ConjugateGradientRenewalDependsOnTheFunction) {
    s.MethodCode = MethodId::FletcherReevesWolfe;
    s.MethodName = "Fletcher-Reeves with Wolfe steps";
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[3], "The renewal of a descent direction is implemented after 3n iterations.");
    EXPECT_EQ(host.lines[4].substr(0, 12), "Wolfe steps:");

    for (FunctionId code : {FunctionId::AxisEllipsoid, FunctionId::QuadraticFromFiles}) {
        host.lines.clear();
        s.FunctionCode = code;
        WriteReportHeader(s);
        EXPECT_EQ(host.lines[3], "The renewal of a descent direction is implemented after non-orthogonal gradients.");
    }
    host.lines.clear();
    s.FunctionCode = FunctionId::GeneralizedRosenbrock;
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[3], "The renewal of a descent direction is implemented after 3n iterations.");
}

TEST_F(RunReportTest, TrustRegionHeaderSkipsTheMethodDetails) {
    s.MethodCode = MethodId::TrustRegion;
    s.MethodName = "Trust-region method";
    s.Params.TrustMaxRadius = 2.5L;
    s.SkipReevaluation = 1;   // ignored for this method
    WriteReportHeader(s);
    EXPECT_EQ(host.lines[2], "Trust-region method,  max Radius=2.5");
    EXPECT_EQ(host.lines[3], "Accuracy is ||u-u*||/||u\u00B0-u*||=0.01");
    EXPECT_FALSE(HasPrefix("Method:"));
    EXPECT_FALSE(HasPrefix("Wolfe"));
}

TEST_F(RunReportTest, MinimumBlockDependsOnTheFunction) {
    s.FunctionCode = FunctionId::Himmelblau28;
    s.FunctionName = "Himmelblau 28 (n=2)";
    WriteReportHeader(s);
    EXPECT_FALSE(HasPrefix("Extreme point u*:"));
    EXPECT_TRUE(HasPrefix("Initial guess u\u00B0:"));

    host.lines.clear();
    s.FunctionCode = FunctionId::Tridia;
    s.UStar = {0, 0.5L, -1234.5L};
    WriteReportHeader(s);
    EXPECT_EQ(Between("Extreme point u*:              (not more than 50 items in line)", " "),
              std::vector<std::string>{"   5.00E-01   -1.23E+03"});
    // The starting point keeps its fixed pattern.
    EXPECT_TRUE(Has("   -1.20   1.00"));
}

TEST_F(RunReportTest, VectorBlocksHoldFiftyItemsPerLine) {
    s.N = 120;
    MyArray1 v = NewVector(120);
    for (int i = 1; i <= 120; ++i) v[static_cast<std::size_t>(i)] = i;
    WriteVectorBlock(s, v, "0.00");
    ASSERT_EQ(host.lines.size(), 3u);
    std::string first;
    for (int i = 1; i <= 50; ++i) first += "   " + std::to_string(i) + ".00";
    EXPECT_EQ(host.lines[0], first);
    EXPECT_EQ(host.lines[1].substr(0, 9), "   51.00 ");
    EXPECT_EQ(host.lines[2].substr(0, 10), "   101.00 ");
    const auto count = [](const std::string& line) {
        int n = 0;
        for (std::size_t p = line.find("   "); p != std::string::npos; p = line.find("   ", p + 3)) ++n;
        return n;
    };
    EXPECT_EQ(count(host.lines[0]), 50);
    EXPECT_EQ(count(host.lines[1]), 50);
    EXPECT_EQ(count(host.lines[2]), 20);

    host.lines.clear();
    s.N = 50;
    WriteVectorBlock(s, v, "00");
    EXPECT_EQ(host.lines.size(), 1u);
}

TEST_F(RunReportTest, HeaderBlocksOfALargeProblem) {
    s.N = 120;
    s.FunctionCode = FunctionId::GeneralizedRosenbrock;
    s.U0 = NewVector(120);
    s.UStar = NewVector(120);
    s.GradJ0 = NewVector(120);
    WriteReportHeader(s);
    EXPECT_EQ(Between("Initial guess u\u00B0:               (not more than 50 items in line)", " ").size(), 3u);
    EXPECT_EQ(Between("Initial grad J\u00B0:", " ").size(), 3u);
    EXPECT_EQ(Between("Extreme point u*:              (not more than 50 items in line)", " ").size(), 3u);
}

TEST_F(RunReportTest, IterationLinesOfAnOrdinaryMethod) {
    s.IterCount = 1;
    s.EvalCount = 5;
    s.JCur = 4.123456L;
    s.DistCur = 2.0L;
    s.GradNorm = 0.000123L;
    s.AccuracyText = FormatAccuracyText(0.000012345L);
    WriteIterationLines(s);
    const std::vector<std::string> expected = {
        " Iteration=1:      (Total evaluating J and gradJ = 3)",
        "J=4.123E+00,   ||u-u*||=2.00E+00,  ||gradJ||=1.23E-04",
        "Accuracy is  0.0012%",
        " ",
    };
    EXPECT_EQ(host.lines, expected);
}

TEST_F(RunReportTest, CountsAreGrouped) {
    s.IterCount = 1000000;
    s.EvalCount = 12347;
    WriteIterationLines(s);
    EXPECT_EQ(host.lines.at(0), " Iteration=1 000 000:      (Total evaluating J and gradJ = 12 345)");
}

TEST_F(RunReportTest, LastIterationIsWrittenWithoutAccuracy) {
    s.IterCount = 11;
    WriteIterationLines(s);
    EXPECT_TRUE(host.lines.empty());

    s.ContinueRun = 0;
    s.FunctionCode = FunctionId::QuadraticFromFiles;
    s.JCur = 1;
    s.GradNorm = 0.5L;
    WriteIterationLines(s);
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[1], "J=1.000E+00,  ||gradJ||=5.00E-01");
    EXPECT_EQ(host.lines[2], " ");
}

TEST_F(RunReportTest, RunEndingAtIterationThirteen) {
    for (int32_t k = 1; k <= 13; ++k) {
        s.IterCount = k;
        s.ContinueRun = k == 13 ? 0 : 1;
        WriteIterationLines(s);
    }
    std::vector<std::string> iterations;
    int accuracyLines = 0;
    for (const auto& line : host.lines) {
        if (line.rfind(" Iteration=", 0) == 0) iterations.push_back(line.substr(11, line.find(':') - 11));
        if (line.rfind("Accuracy is", 0) == 0) ++accuracyLines;
    }
    EXPECT_EQ(iterations, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "13"}));
    EXPECT_EQ(accuracyLines, 10);
    EXPECT_EQ(host.lines.back(), " ");
    EXPECT_NE(host.lines[host.lines.size() - 2].find("J="), std::string::npos);
}

TEST_F(RunReportTest, InexactNewtonSubIterations) {
    s.MethodCode = MethodId::NewtonCg;
    s.IterCount = 2;
    s.SubIterCount = 1234;
    WriteIterationLines(s);
    EXPECT_EQ(host.lines.at(1), "sub-iterations = 1 234;      ");
    EXPECT_FALSE(Has("*** Maximum sub-iterations"));

    host.lines.clear();
    s.Params.MaxSubIter = 1234;
    WriteIterationLines(s);
    EXPECT_EQ(host.lines.at(2), "*** Maximum sub-iterations");
    EXPECT_EQ(host.lines.at(3).substr(0, 2), "J=");
}

TEST_F(RunReportTest, CollinearIterationLinesOnlyWhenComplete) {
    s.MethodCode = MethodId::Collinear;
    s.IterCount = 3;
    s.IterationComplete = 0;
    WriteIterationLines(s);
    EXPECT_TRUE(host.lines.empty());

    s.IterationComplete = 1;
    s.SubIterCount = 7;
    s.MaxSubIterColl = 8;
    s.CollDelta = 1e-5L;
    s.DivGradNorm = 0.000345L;
    WriteIterationLines(s);
    EXPECT_EQ(host.lines.at(1), "sub-iterations=7;  Delta=1E-05;      ||DivGrad||=3.45E-04");
    EXPECT_FALSE(Has("*** Maximum of sub-iterations"));

    host.lines.clear();
    s.SubIterCount = 8;
    WriteIterationLines(s);
    EXPECT_EQ(host.lines.at(2), "*** Maximum of sub-iterations");
}

TEST_F(RunReportTest, FinalLines) {
    s.AccuracyText = FormatAccuracyText(0.000012345L);
    s.GradNorm = 1;
    s.StartTimeMs = 36000000;
    s.U = {0, 0.999999L, 0.99999L};
    WriteFinalLines(s, 36001234);
    const std::vector<std::string> expected = {
        "Accuracy is  0.0012%",
        "Operating time of problem = 1.234 s",
        "Final point u :                    (not more than 50 items in line)",
        "   1.00   1.00",
    };
    EXPECT_EQ(host.lines, expected);
    EXPECT_EQ(host.focusCalls, 1);
}

TEST_F(RunReportTest, FinalLinesWithoutAccuracy) {
    s.AccuracyText = FormatAccuracyText(0.5L);
    s.GradNorm = 0;
    s.StartTimeMs = 1000;
    s.FunctionCode = FunctionId::Tridia;
    WriteFinalLines(s, 1000);
    EXPECT_EQ(host.lines.at(0), "Operating time of problem = 0 s");
    EXPECT_EQ(host.lines.at(2), "   -1.20E+00   1.00E+00");

    host.lines.clear();
    s.AccuracyText.clear();
    s.GradNorm = 1;
    WriteFinalLines(s, 1500);
    EXPECT_EQ(host.lines.at(0), "Operating time of problem = 0.5 s");
}

} // namespace
} // namespace tarvik

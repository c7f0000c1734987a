#include "app/run_report.h"

#include <algorithm>
#include <string>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "core/parameters.h"

namespace tarvik {

namespace {

std::string Truncated(std::string text, std::size_t maxLength) {
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

} // namespace

bool PrintSchedule(int64_t k) {
    if (k < 250) {
        static constexpr int64_t early[] = {1,  2,  3,  4,  5,  6,   7,   8,   9,   10,  15,  20,
                                            25, 30, 40, 50, 75, 100, 125, 150, 175, 200, 225};
        return std::find(std::begin(early), std::end(early), k) != std::end(early);
    }
    if (k < 500) return k % 50 == 0;
    if (k < 5000) return k % 100 == 0;
    if (k < 50000) return k % 1000 == 0;
    return k % 10000 == 0;
}

void WriteVectorBlock(RunState& s, const MyArray1& v, std::string_view pattern) {
    const int n = std::min(s.N, Components(v));
    std::string buffer;
    for (int i = 1; i <= n; ++i) {
        if (i != 1 && (i - 1) % 50 == 0) {
            s.AppendLine(buffer);
            buffer.clear();
        }
        buffer += "   ";
        buffer += FormatFloat(pattern, v[static_cast<std::size_t>(i)]);
    }
    s.AppendLine(buffer);
}

void WriteReportHeader(RunState& s) {
    const TunableParameters& p = s.Params;
    s.AppendLine("Basic storage RAM 1.8MB + Problem storage " + s.StorageText);
    if (s.N == 2) {
        s.AppendLine("Function:  " + s.FunctionName);
    } else {
        s.AppendLine("Function:  " + s.FunctionName + "  for n=" + std::to_string(s.N));
    }

    const MethodTraits& m = Traits(s.MethodCode);
    const FunctionTraits& f = Traits(s.FunctionCode);
    if (m.keepsTrustRadius) {
        s.AppendLine(s.MethodName + ",  max Radius=" + FormatFloat("#.##", p.TrustMaxRadius));
    } else {
        s.AppendLine("Method:  " + s.MethodName + ".");
        if (IsCollinear(m)) {
            s.AppendLine("Delta=" + FormatFloat("0.0E+00", s.CollDelta) + ",   c1=" + FormatFloat("0.0E+00", p.CollC1) +
                         ",   c2=" + FormatFloat("0.#####", p.CollC2) + ".");
        }
        if (m.printsRenewalLine) {
            if (f.quadratic) {
                s.AppendLine("The renewal of a descent direction is implemented after non-orthogonal gradients.");
            } else {
                s.AppendLine("The renewal of a descent direction is implemented after 3n iterations.");
            }
        }
        if (s.SkipReevaluation != 0) {
            s.AppendLine("Wolfe steps: c2=" + FormatFloat("0.####", p.WolfeC2) + " (" + " c1=" +
                         FormatFloat("0.#####", WolfeC1) +
                         (p.WolfeInterpolation != 0 ? "), cubic interpolation" : "), quadratic interpolation") +
                         ", max step=" + FormatFloat("0.##", s.MaxStep) + ".");
        }
        if (m.innerConjugateGradient) {
            s.AppendLine(" Precision coefficient in forcing term: c=" + FormatFloat("0.##E+00", p.NewtonCgForcingC));
        }
    }

    if (s.Choices.ByDistance) {
        s.AppendLine("Accuracy is ||u-u*||/||u°-u*||=" + s.Choices.EpsText);
    }
    if (s.Choices.ByChangeOfJ) {
        s.AppendLine("Accuracy is | J(u') - J(u'') |/J(u°)=" + s.Choices.EpsText);
    }

    if (f.minimum != KnownMinimum::Several && (f.minimum != KnownMinimum::Typed || UStarKnown(s))) {
        s.AppendLine(" ");
        s.AppendLine("Extreme point u*:              (not more than 50 items in line)");
        WriteVectorBlock(s, s.UStar, f.pointPattern);
    }
    s.AppendLine(" ");
    s.AppendLine("Initial guess u°:               (not more than 50 items in line)");
    WriteVectorBlock(s, s.U0, "0.00");
    s.AppendLine(" ");
    s.AppendLine("Initial grad J°:");
    WriteVectorBlock(s, s.GradJ0, "0.0000");

    s.AppendLine(" ");
    std::string jLine = "J°=" + FormatFloat("0.000E+00", s.J0);
    if (s.Choices.ByDistance) jLine += ",  ||u°-u*||=" + FormatFloat("#.##", s.Dist0);
    jLine += ",  ||gradJ°||=" + FormatFloat("0.000E+00", s.GradNorm0);
    s.AppendLine(jLine);

    s.AppendLine("");
    s.AppendLine("==========================================");
    s.AppendLine("");
}

// Three fewer than the objective counted, as the report has always counted.
int64_t ReportedEvaluations(const RunState& s) { return (s.Problem ? s.Problem->Evaluations() : 0) - 3; }

std::string IterationCountLine(int64_t k, int64_t evaluations) {
    return " Iteration=" + FormatGroupedInt(k) + ":      (Total evaluating J and gradJ = " + FormatGroupedInt(evaluations) +
           ")";
}

void WriteIterationLines(RunState& s) {
    const int64_t k = s.IterCount;
    if (!PrintSchedule(k) && s.ContinueRun != 0) return;

    const std::string counting = IterationCountLine(k, ReportedEvaluations(s));
    const MethodTraits& m = Traits(s.MethodCode);
    if (m.innerConjugateGradient) {
        if (s.IterationComplete != 0) {
            s.AppendLine(counting);
            s.AppendLine("sub-iterations = " + FormatGroupedInt(s.SubIterCount) + ";      ");
            if (s.SubIterCount >= s.Params.MaxSubIter) s.AppendLine("*** Maximum sub-iterations");
        }
    } else if (IsCollinear(m)) {
        if (s.IterationComplete != 0) {
            s.AppendLine(counting);
            s.AppendLine("sub-iterations=" + FormatGroupedInt(s.SubIterCount) + ";  " + "Delta=" +
                         FormatFloat("0.##E+00", s.CollDelta) + ";      " + "||DivGrad||=" +
                         FormatFloat("0.##E+00", s.Collinear.divGradNorm));
            if (s.SubIterCount >= s.MaxSubIterColl) s.AppendLine("*** Maximum of sub-iterations");
        }
    } else {
        s.AppendLine(counting);
    }

    if (s.IterationComplete != 0) {
        std::string jLine = "J=" + FormatFloat("0.000E+00", s.JCur);
        // The known minimum of a quadratic from files may be a guess, so its
        // distance is not reported; nor is a distance to a minimum there is not.
        if (!Traits(s.FunctionCode).fromFiles && UStarKnown(s)) jLine += ",   ||u-u*||=" + FormatFloat("0.00E+00", s.DistCur);
        jLine += ",  ||gradJ||=" + FormatFloat("0.00E+00", s.GradNorm);
        s.AppendLine(jLine);
        if (s.ContinueRun != 0) s.AppendLine(Truncated("Accuracy is " + FormatAccuracyText(s.ReportedAccuracy), 72));
        s.AppendLine(" ");
    }
}

void WriteFinalLines(RunState& s, int32_t nowMs) {
    s.Host->FocusOutput();
    if (s.AccuracyComputed && s.GradNorm != 0) s.AppendLine("Accuracy is " + FormatAccuracyText(s.ReportedAccuracy));
    const Real seconds = static_cast<Real>(static_cast<int64_t>(nowMs) - s.StartTimeMs) / 1000;
    s.AppendLine("Operating time of problem = " + FormatFloat("0.###", seconds) + " s");
    s.AppendLine("Final point u :                    (not more than 50 items in line)");
    WriteVectorBlock(s, s.U, Traits(s.FunctionCode).pointPattern);
}

} // namespace tarvik

#pragma once
// The run state as the engine's kernels find it, a whole run through the
// driver, and the small helpers the engine tests share.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/run_driver.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "recording_host.h"

namespace tarvik::testing {

// A one-based vector from its components.
inline MyArray1 V(std::initializer_list<Real> components) {
    MyArray1 v{0.0L};
    v.insert(v.end(), components);
    return v;
}

// The message of the E that f raises; "no exception" when it returns.
template <class E, class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "no exception";
}

struct RunStateTest : ::testing::Test {
    RecordingHost host;
    RunState s{host};

    void Select(FunctionId code, int n) {
        s.N = n;
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
    }
    // The vectors and the matrix of the selected function at dimension n,
    // and its objective with the parameters as they are now.
    void Prepare(FunctionId code, int n) {
        Select(code, n);
        for (MyArray1* v : {&s.U, &s.UPrev, &s.U0, &s.GradJ, &s.GradJ0, &s.GradJPrev, &s.Dir}) *v = NewVector(n);
        s.HMatrix = NewMatrix(n);
        s.InverseHessian = PackedSymmetric(n);
        s.StopRequested = 0;
        BuildRunObjective(s);
    }
    // The quadratic from files with the symmetric 2x2 matrix A and vector b.
    void LoadQuadratic(Real a11, Real a12, Real a22, const MyArray1& b) {
        s.Quad.QuadA = NewMatrix(2);
        s.Quad.QuadA[1][1] = a11;
        s.Quad.QuadA[1][2] = s.Quad.QuadA[2][1] = a12;
        s.Quad.QuadA[2][2] = a22;
        s.Quad.QuadB = b;
    }
    // u := the first n components of point, with J and gradJ there as the
    // driver keeps them; the objective is built afresh (with the parameters
    // as they are now) and counts from 0.
    void At(const MyArray1& point) {
        for (int i = 1; i <= s.N; ++i) s.U[i] = point[i];
        s.UPrev = s.U;
        BuildRunObjective(s);
        s.JCur = s.Problem->Value(s.U);
        s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
        BuildRunObjective(s);
    }
    int64_t Evaluations() const { return s.Problem->Evaluations(); }
};

// A run as the window starts it.
struct DriverRun {
    RecordingHost host;
    RunState s{host};
    RunDriver driver{s};

    DriverRun(FunctionId function, int startItem, MethodId method, std::string n = "2") {
        s.Choices.NText = std::move(n);
        s.Choices.FunctionPosition = ListPosition(function);
        s.Choices.StartItem = startItem;
        s.Choices.MethodPosition = ListPosition(method);
        s.FunctionCode = function;
        s.FunctionName = std::string(Traits(function).name);
    }
    void Mode2(const std::string& eps = "0.01") {
        s.Choices.ByDistance = false;
        s.Choices.ByChangeOfJ = true;
        s.Choices.EpsText = eps;
    }
    void Start() {
        driver.Start();
        while (driver.ResumePending()) driver.ResumeIfPending();
    }
    // Stop pressed once k iterations are complete.
    void StopAfter(int k) {
        host.onProcessEvents = [this, k] {
            if (s.Running && !s.Preparing && s.IterCount == k && !s.StopRequested) driver.Stop();
        };
    }
    std::size_t IndexOf(const std::string& line) const {
        return static_cast<std::size_t>(std::find(host.lines.begin(), host.lines.end(), line) - host.lines.begin());
    }
    int64_t Evaluations() const { return s.Problem->Evaluations(); }
    bool HasLine(const std::string& line) const { return IndexOf(line) < host.lines.size(); }
    int CountPrefix(const std::string& prefix) const {
        return static_cast<int>(std::count_if(host.lines.begin(), host.lines.end(),
                                              [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
};

} // namespace tarvik::testing

#pragma once
// The run state as the Newton family finds it: the vectors and the matrix
// of the selected function at dimension n.
#include <gtest/gtest.h>

#include <string>

#include "core/function_catalogue.h"
#include "core/run_state.h"
#include "recording_host.h"

namespace tarvik::testing {

struct NewtonFamilyFixture : ::testing::Test {
    RecordingHost host;
    RunState s{host};

    void Prepare(FunctionId code, int n) {
        s.N = n;
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
        s.U = NewVector(n);
        s.UPrev = NewVector(n);
        s.U0 = NewVector(n);
        s.GradJ = NewVector(n);
        s.GradJ0 = NewVector(n);
        s.Dir = NewVector(n);
        s.HMatrix = NewMatrix(n);
        s.StopRequested = 0;
    }
};

} // namespace tarvik::testing

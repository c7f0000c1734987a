#pragma once
// The quadratic read from files ("Quadratic from FILE").
#include <string>

#include "core/numeric.h"

namespace tarvik {

struct QuadraticData {
    MyArray2 QuadA;
    MyArray1 QuadB;
    Real QuadC = 0;
    // Where A and b were read from and C as typed, for the run's description.
    std::string FileA, FileB, CText;
    void Release() {
        QuadA.release();
        ReleaseVector(QuadB);
        FileA.clear();
        FileB.clear();
        CText.clear();
    }
    bool Loaded() const { return !QuadA.empty(); }
};

} // namespace tarvik

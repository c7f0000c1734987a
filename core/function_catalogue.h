#pragma once
// The nineteen test functions as the lists show them.
#include <array>
#include <cstdint>
#include <string_view>

namespace tarvik {

struct FunctionEntry {
    int position;              // item index in CmbFunctionsAll
    uint8_t code;              // FunctionCode
    std::string_view name;     // display name, exact
    std::string_view picture;  // file inside Media
};

inline constexpr int FunctionCount = 19;

inline constexpr std::array<FunctionEntry, FunctionCount> FunctionCatalogue{{
    {0, 0, "Rosenbrock (n=2)", "Rosenbrock.gif"},
    {1, 1, "Himmelblau 2 (n=2)", "f2_Him.gif"},
    {2, 2, "Himmelblau 4 (n=2)", "f4_Him.gif"},
    {3, 3, "Himmelblau 28 (n=2)", "f28_Him.gif"},
    {4, 4, "Saddle (n=2)", "Saddle.gif"},
    {5, 5, "Cubic: Varnel  (n=2)", "cubic_Varnel.gif"},
    {6, 6, "Quadratic: Axis Parallel Ellipsoid", "quadr1_DeJong.gif"},
    {7, 11, "Quadratic: Axis Parallel Ellipsoid (u*=sin)", "quadr1_DeJong2.gif"},
    {8, 7, "Quadratic: Rotated Ellipsoid (Schwefel 1.2)", "quadr2_Schwefel.gif"},
    {9, 8, "Quadratic: Rotated Ellipsoid (Staircase 2)", "quadr2_Staircase2.gif"},
    {10, 9, "Quadratic: ...Staircase 2 (u*=sin)", "quadr2_Staircase2sin.gif"},
    {11, 10, "Quadratic: Varnel", "quadr3.gif"},
    {12, 12, "Quadratic: QF1", "quadr4_QF1.gif"},
    {13, 13, "Quadratic: TRIDIA", "tridia.gif"},
    {14, 14, "Quadratic: DIXON3DQ", "dixon3dq.gif"},
    {15, 15, "Quadratic: HILBERT (a)", "Hilbert_A.gif"},
    {16, 16, "Quadratic: HILBERT (b)", "Hilbert_B.gif"},
    {17, 17, "Quadratic from FILE", "quadr_F.gif"},
    {18, 18, "Generalized Rosenbrock (n>=2)", "Generalized Rosenbrock.gif"},
}};

// Codes 0..5 are defined for n = 2 only.
inline constexpr bool IsTwoDimensionalCode(uint8_t code) { return code < 6; }
// Codes 6..17 are quadratic (constant Hessian).
inline constexpr bool IsQuadraticCode(uint8_t code) { return code >= 6 && code <= 17; }

inline const FunctionEntry& FunctionAtPosition(int position) { return FunctionCatalogue.at(static_cast<std::size_t>(position)); }

inline const FunctionEntry& FunctionWithCode(uint8_t code) {
    for (const auto& entry : FunctionCatalogue)
        if (entry.code == code) return entry;
    return FunctionCatalogue[0];
}

} // namespace tarvik

#pragma once
// The eighteen methods as the five group lists show them.
#include <array>
#include <cstdint>
#include <string_view>

namespace tarvik {

enum class MethodGroupId { Grad = 0, ConjGrad = 1, QuasiN = 2, Newton = 3, Author = 4 };

struct MethodEntry {
    int position;              // p, 0..17
    MethodGroupId group;
    uint8_t code;              // MethodCode
    uint8_t lbfgsMemory;       // 0 when not L-BFGS
    std::string_view name;     // display name, exact
};

inline constexpr int MethodCount = 18;

inline constexpr std::array<MethodEntry, MethodCount> MethodCatalogue{{
    {0, MethodGroupId::Grad, 0, 0, "Descent with constant step-size"},
    {1, MethodGroupId::Grad, 1, 0, "Steepest descent with golden steps"},
    {2, MethodGroupId::Grad, 2, 0, "Steepest descent with Wolfe steps"},
    {3, MethodGroupId::ConjGrad, 3, 0, "Fletcher-Reeves with golden steps"},
    {4, MethodGroupId::ConjGrad, 4, 0, "Fletcher-Reeves with Wolfe steps"},
    {5, MethodGroupId::ConjGrad, 5, 0, "Polak-Ribiere with golden steps"},
    {6, MethodGroupId::ConjGrad, 6, 0, "Polak-Ribiere with Wolfe steps"},
    {7, MethodGroupId::QuasiN, 7, 0, "quasi-Newton BFGS with golden steps"},
    {8, MethodGroupId::QuasiN, 8, 0, "quasi-Newton BFGS with Wolfe steps"},
    {9, MethodGroupId::QuasiN, 9, 5, "quasi-Newton L-BFGS, memory 5 pairs, golden steps"},
    {10, MethodGroupId::QuasiN, 10, 5, "quasi-Newton L-BFGS, memory 5 pairs, Wolfe"},
    {11, MethodGroupId::QuasiN, 10, 15, "quasi-Newton L-BFGS, memory 15 pairs,Wolfe"},
    {12, MethodGroupId::Newton, 11, 0, "Classical Newton with step-size=1"},
    {13, MethodGroupId::Newton, 12, 0, "Finite-difference Newton, step-size=1"},
    {14, MethodGroupId::Newton, 13, 0, "Inexact Newton-ConjGrag, step-size=1"},
    {15, MethodGroupId::Newton, 15, 0, "Trust-region method"},
    {16, MethodGroupId::Author, 16, 0, "Collinear gradients, demo 1 step"},
    {17, MethodGroupId::Author, 17, 0, "Collinear gradients"},
}};

// First position of each group list: 0, 3, 7, 12, 16.
inline constexpr std::array<int, 5> GroupFirstPosition{0, 3, 7, 12, 16};

inline const MethodEntry& MethodAtPosition(int position) { return MethodCatalogue.at(static_cast<std::size_t>(position)); }

} // namespace tarvik

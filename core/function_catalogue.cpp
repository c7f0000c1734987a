#include "core/function_catalogue.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tarvik {

namespace {

constexpr std::array<PlanePoint, 4> kHimmelblau28Saddles{{
    {-3.073L, -0.081L}, {0.087L, 2.886L}, {3.386L, 0.075L}, {-0.127L, -1.963L}}};
constexpr std::array<PlanePoint, 1> kSaddleSaddles{{{0.0L, 0.0L}}};
constexpr std::array<PlanePoint, 2> kCubicSaddles{{{0.0L, -1.33L}, {-1.33L, 0.0L}}};

using Table = std::array<FunctionTraits, FunctionCount>;

// In catalogue order; the codes 7 to 11 are not in that order.
const Table& List() {
    static const Table table{{
        {.id = FunctionId::Rosenbrock,
         .key = "rosenbrock",
         .name = "Rosenbrock (n=2)",
         .picture = "Rosenbrock.gif",
         .formula = "J(u) = 100(u₂ − u₁²)² + (1 − u₁)²",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Ones,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::TwoByTwo},
        {.id = FunctionId::Himmelblau2,
         .key = "himmelblau-2",
         .name = "Himmelblau 2 (n=2)",
         .picture = "f2_Him.gif",
         .formula = "J(u) = (u₂ − u₁²)² + (1 − u₁)²",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Ones,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::TwoByTwo},
        {.id = FunctionId::Himmelblau4,
         .key = "himmelblau-4",
         .name = "Himmelblau 4 (n=2)",
         .picture = "f4_Him.gif",
         .formula = "J(u) = 100(u₂ − u₁³)² + (1 − u₁)²",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Ones,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::TwoByTwo},
        {.id = FunctionId::Himmelblau28,
         .key = "himmelblau-28",
         .name = "Himmelblau 28 (n=2)",
         .picture = "f28_Him.gif",
         .formula = "J(u) = (u₁² + u₂ − 11)² + (u₂² + u₁ − 7)²",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Several,
         .changeOfJOnly = true,
         .descentCheckWaived = true,
         .doubleMaxStep = true,
         .widePlane = true,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .saddles = kHimmelblau28Saddles,
         .hessian = HessianShape::TwoByTwo,
         .advice = CollinearAdvice::Apply},
        {.id = FunctionId::Saddle,
         .key = "saddle",
         .name = "Saddle (n=2)",
         .picture = "Saddle.gif",
         .formula = "J(u) = 5u₁² − u₂² + 1",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Unbounded,
         .changeOfJOnly = true,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .saddles = kSaddleSaddles,
         .hessian = HessianShape::TwoByTwo},
        {.id = FunctionId::CubicVarnel,
         .key = "cubic-varnel",
         .name = "Cubic: Varnel  (n=2)",
         .picture = "cubic_Varnel.gif",
         .formula = "J(u) = 2u₁³ + 4u₁² + u₂³ + 2u₂²",
         .twoDimensionalOnly = true,
         .faultsShowInResult = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .saddles = kCubicSaddles,
         .hessian = HessianShape::TwoByTwo,
         .advice = CollinearAdvice::Recommend},
        {.id = FunctionId::AxisEllipsoid,
         .key = "axis-ellipsoid",
         .name = "Quadratic: Axis Parallel Ellipsoid",
         .picture = "quadr1_DeJong.gif",
         .formula = "J(u) = u₁² + Σ i·uᵢ²,   i = 2..n",
         .quadratic = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 4,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant,
         .hessianBand = 0},
        {.id = FunctionId::AxisEllipsoidSin,
         .key = "axis-ellipsoid-sin",
         .name = "Quadratic: Axis Parallel Ellipsoid (u*=sin)",
         .picture = "quadr1_DeJong2.gif",
         .formula = "J(u) = (u₁ − s₁)² + Σ i·(uᵢ − sᵢ)²,   i = 2..n\nsᵢ = sin(2π(i − 1)/(n − 1))/2",
         .quadratic = true,
         .minimum = KnownMinimum::SineShift,
         .levelSpacing = 4,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant,
         .hessianBand = 0},
        {.id = FunctionId::Schwefel12,
         .key = "schwefel-1.2",
         .name = "Quadratic: Rotated Ellipsoid (Schwefel 1.2)",
         .picture = "quadr2_Schwefel.gif",
         .formula = "J(u) = Σ (u₁ + u₂ + … + uᵢ)²,   i = 1..n",
         .quadratic = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant},
        {.id = FunctionId::Staircase2,
         .key = "staircase-2",
         .name = "Quadratic: Rotated Ellipsoid (Staircase 2)",
         .picture = "quadr2_Staircase2.gif",
         .formula = "J(u) = Σ (u₁ + u₂ + … + uᵢ − i)²,   i = 1..n",
         .quadratic = true,
         .minimum = KnownMinimum::Ones,
         .doubleMaxStep = true,
         .levelSpacing = 0.3L,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant},
        {.id = FunctionId::Staircase2Sin,
         .key = "staircase-2-sin",
         .name = "Quadratic: ...Staircase 2 (u*=sin)",
         .picture = "quadr2_Staircase2sin.gif",
         .formula = "J(u) = Σ (Σ (uⱼ − sⱼ) − i)²,   j = 1..i,  i = 1..n\nsⱼ = sin(2π(j − 1)/(n − 1))/2",
         .quadratic = true,
         .minimum = KnownMinimum::SineShiftPlusOne,
         .levelSpacing = 0.3L,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant},
        {.id = FunctionId::QuadraticVarnel,
         .key = "quadratic-varnel",
         .name = "Quadratic: Varnel",
         .picture = "quadr3.gif",
         .formula = "J(u) = (u₁ + uₙ)² + Σ (uᵢ₋₁ − i·uᵢ)²,   i = 2..n",
         .quadratic = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 3,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant},
        {.id = FunctionId::Qf1,
         .key = "qf1",
         .name = "Quadratic: QF1",
         .picture = "quadr4_QF1.gif",
         .formula = "J(u) = ½ Σ i·uᵢ² − uₙ,   i = 1..n",
         .quadratic = true,
         .minimum = KnownMinimum::LastComponent,
         .levelSpacing = 4,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant,
         .hessianBand = 0},
        {.id = FunctionId::Tridia,
         .key = "tridia",
         .name = "Quadratic: TRIDIA",
         .picture = "tridia.gif",
         .formula = "J(u) = γ(δu₁ − 1)² + Σ i(αuᵢ − βuᵢ₋₁)²\ni = 2..n",
         .quadratic = true,
         .minimum = KnownMinimum::Solved,
         .zeroPivotMeansBadParameters = true,
         .levelSpacing = 2,
         .pointPattern = "0.00E+00",
         .hessian = HessianShape::Constant,
         .hessianBand = 1,
         .parameters = parameter_rows::Tridia()},
        {.id = FunctionId::Dixon3dq,
         .key = "dixon3dq",
         .name = "Quadratic: DIXON3DQ",
         .picture = "dixon3dq.gif",
         .formula = "J(u) = (u₁ − 1)² + Σ (uᵢ − uᵢ₊₁)² + (uₙ − 1)²\ni = 2..n−1",
         .quadratic = true,
         .minimum = KnownMinimum::Ones,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant,
         .hessianBand = 1},
        {.id = FunctionId::HilbertA,
         .key = "hilbert-a",
         .name = "Quadratic: HILBERT (a)",
         .picture = "Hilbert_A.gif",
         .formula = "J(u) = Σ Σ uᵢ·uⱼ / (i + j − 1),   i, j = 1..n",
         .quadratic = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant},
        {.id = FunctionId::HilbertB,
         .key = "hilbert-b",
         .name = "Quadratic: HILBERT (b)",
         .picture = "Hilbert_B.gif",
         .formula = "J(u) = ½ uᵀHu + d·‖u‖²\nHᵢⱼ = 1/(i + j − 1)",
         .quadratic = true,
         .minimum = KnownMinimum::Zero,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Constant,
         .parameters = parameter_rows::HilbertB()},
        {.id = FunctionId::QuadraticFromFiles,
         .key = "quadratic-file",
         .name = "Quadratic from FILE",
         .picture = "quadr_F.gif",
         .formula = "J(u) = ½ uᵀAu + bᵀu + c\nA, b, c read from files",
         .quadratic = true,
         .minimum = KnownMinimum::FromFiles,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::FromFiles,
         .fromFiles = true},
        {.id = FunctionId::GeneralizedRosenbrock,
         .key = "generalized-rosenbrock",
         .name = "Generalized Rosenbrock (n>=2)",
         .picture = "Generalized Rosenbrock.gif",
         .formula = "J(u) = Σ [100(uᵢ₊₁ − uᵢ²)² + (uᵢ − 1)²]\ni = 1..n−1",
         .minimum = KnownMinimum::Ones,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Varying,
         .hessianBand = 1},
        {.id = FunctionId::Formula,
         .key = "formula",
         .name = "J(u) = your formula",
         .picture = "formula.gif",
         .formula = "J(u) = a formula of u₁ … uₙ",
         .minimum = KnownMinimum::Typed,
         .levelSpacing = 2,
         .pointPattern = "0.00",
         .hessian = HessianShape::Varying,
         .typed = true},
    }};
    return table;
}

constexpr FunctionId kOldPositions[] = {
    FunctionId::Rosenbrock,     FunctionId::Himmelblau2,     FunctionId::Himmelblau4,      FunctionId::Himmelblau28,
    FunctionId::Saddle,         FunctionId::CubicVarnel,     FunctionId::AxisEllipsoid,    FunctionId::AxisEllipsoidSin,
    FunctionId::Schwefel12,     FunctionId::Staircase2,      FunctionId::Staircase2Sin,    FunctionId::QuadraticVarnel,
    FunctionId::Qf1,            FunctionId::Tridia,          FunctionId::Dixon3dq,         FunctionId::HilbertA,
    FunctionId::HilbertB,       FunctionId::QuadraticFromFiles, FunctionId::GeneralizedRosenbrock,
};

// The list position of each code.
const std::array<int, FunctionCount>& PositionOfCode() {
    static const std::array<int, FunctionCount> positions = [] {
        std::array<int, FunctionCount> p{};
        p.fill(-1);
        for (int i = 0; i < FunctionCount; ++i) {
            const auto code = static_cast<std::size_t>(List()[static_cast<std::size_t>(i)].id);
            if (code >= p.size() || p[code] != -1) throw std::logic_error("function codes are not dense");
            p[code] = i;
        }
        return p;
    }();
    return positions;
}

} // namespace

const FunctionTraits& Traits(FunctionId id) {
    return List()[static_cast<std::size_t>(ListPosition(id))];
}

std::span<const FunctionTraits> FunctionList() { return List(); }

std::vector<FunctionId> FunctionsInListOrder() {
    std::vector<FunctionId> order;
    for (const bool twoDimensional : {true, false})
        for (const FunctionTraits& f : List())
            if (f.twoDimensionalOnly == twoDimensional) order.push_back(f.id);
    return order;
}

FunctionId FunctionAtListPosition(int position) { return List().at(static_cast<std::size_t>(position)).id; }

int ListPosition(FunctionId id) { return PositionOfCode().at(static_cast<std::size_t>(id)); }

const FunctionTraits* FunctionByKey(std::string_view key) {
    for (const FunctionTraits& f : List())
        if (f.key == key) return &f;
    return nullptr;
}

std::span<const FunctionId> OldFunctionPositions() { return kOldPositions; }

std::optional<FunctionId> FunctionAtOldPosition(int position) {
    if (position < 0 || position >= static_cast<int>(std::size(kOldPositions))) return std::nullopt;
    return kOldPositions[static_cast<std::size_t>(position)];
}

std::optional<int> OldPosition(FunctionId id) {
    const auto* found = std::find(std::begin(kOldPositions), std::end(kOldPositions), id);
    if (found == std::end(kOldPositions)) return std::nullopt;
    return static_cast<int>(found - std::begin(kOldPositions));
}

} // namespace tarvik

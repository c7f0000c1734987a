// Every entry of both catalogues is complete, and list positions and ids
// convert both ways: a new function or method that misses a piece fails here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/parameter_table.h"

namespace tarvik {
namespace {

TEST(Catalogue, IdsAreDenseAndRoundTripThroughListPositions) {
    const auto check = [](int count, auto atPosition) {
        std::set<int> ids;
        for (int position = 0; position < count; ++position) {
            const auto id = atPosition(position);
            EXPECT_EQ(ListPosition(id), position);
            EXPECT_EQ(Traits(id).id, id);
            ids.insert(static_cast<int>(id));
        }
        EXPECT_EQ(ids.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(*ids.rbegin(), count - 1);
    };
    check(FunctionCount, [](int p) { return FunctionAtListPosition(p); });
    check(MethodCount, [](int p) { return MethodAtListPosition(p); });
}

// Every function evaluates, with its Hessian, in objective_test.cpp.
TEST(Catalogue, EveryFunctionHasANamePictureAndFormula) {
    std::set<std::string_view> names, keys, pictures, formulas;
    std::set<bool> kinds;
    for (const FunctionTraits& f : FunctionList()) {
        SCOPED_TRACE(std::string(f.name));
        EXPECT_TRUE(names.insert(f.name).second);
        EXPECT_TRUE(!f.key.empty() && keys.insert(f.key).second);
        EXPECT_TRUE(f.picture.ends_with(".gif") && pictures.insert(f.picture).second);
        EXPECT_TRUE(f.formula.starts_with("J(u) = ") && formulas.insert(f.formula).second);
        kinds.insert(f.twoDimensionalOnly);
        EXPECT_EQ(f.quadratic, f.hessian == HessianShape::Constant || f.hessian == HessianShape::FromFiles);
        EXPECT_EQ(f.fromFiles, f.hessian == HessianShape::FromFiles);
        EXPECT_EQ(f.twoDimensionalOnly, f.hessian == HessianShape::TwoByTwo);
        EXPECT_GT(f.levelSpacing, 0);
        for (const ParameterRow& p : f.parameters) EXPECT_NE(FindParameter(p.key), nullptr) << p.key;
    }
    // Both of the window's function lists have entries.
    EXPECT_EQ(kinds.size(), 2u);
}

TEST(Catalogue, EveryMethodHasANameGroupArraysAndItsParameters) {
    std::set<std::string_view> names, keys;
    std::set<MethodGroupId> groups;
    for (const MethodTraits& m : MethodList()) {
        SCOPED_TRACE(std::string(m.name));
        EXPECT_TRUE(!m.name.empty() && names.insert(m.name).second);
        EXPECT_TRUE(!m.key.empty() && keys.insert(m.key).second);
        const int group = static_cast<int>(m.group);
        EXPECT_TRUE(group >= 0 && group < MethodGroupCount);
        groups.insert(m.group);
        ASSERT_NE(m.storageBytes, nullptr);
        EXPECT_GE(m.storageBytes(1000), 0);

        // Newton steps with a matrix need it allocated; L-BFGS needs its pairs.
        const bool needsMatrix = m.direction == DirectionRule::Newton || m.direction == DirectionRule::FdNewton ||
                                 m.direction == DirectionRule::TrustRegion;
        EXPECT_EQ(m.hessianMatrix, needsMatrix);
        EXPECT_EQ(m.inverseHessianTriangle, m.direction == DirectionRule::Bfgs);
        EXPECT_EQ(m.lbfgsPairs > 0, m.direction == DirectionRule::Lbfgs);
        EXPECT_EQ(m.collinearDelta != nullptr, IsCollinear(m));
        EXPECT_TRUE(!m.gaussMayOverwrite || m.hessianMatrix);

        // The questions asked of the entry agree with the rules that run it:
        // a steepest descent has no direction vector, the compare table's
        // Hessian count is of the rules that form one, the demo's stop and
        // the saddle advice belong to the collinear step, the renewal line
        // to every conjugate-gradient method.
        EXPECT_EQ(m.searchesAlongGradient, m.direction == DirectionRule::Steepest);
        EXPECT_EQ(m.formsHessian, m.hessianMatrix);
        EXPECT_EQ(m.keepsTrustRadius, m.step == StepRule::TrustRegion);
        EXPECT_TRUE(!m.demoOneStep || IsCollinear(m));
        EXPECT_EQ(m.advisedNearSaddles, m.collinearDelta == &TunableParameters::CollDeltaFull);
        EXPECT_EQ(m.printsRenewalLine, m.group == MethodGroupId::ConjGrad);

        // "M" offers exactly the parameters its rules read.
        std::set<std::string_view> parameterKeys;
        for (const ParameterRow& p : m.parameters) {
            EXPECT_NE(FindParameter(p.key), nullptr) << p.key;
            parameterKeys.insert(p.key);
        }
        EXPECT_EQ(parameterKeys.count("WolfeC2"), m.step == StepRule::Wolfe ? 1u : 0u);
        EXPECT_EQ(parameterKeys.count("ConstStepSize"), m.step == StepRule::Constant ? 1u : 0u);
        EXPECT_EQ(parameterKeys.count("TrustMaxRadius"), m.keepsTrustRadius ? 1u : 0u);
        EXPECT_EQ(parameterKeys.count("NewtonCgForcingC"), m.innerConjugateGradient ? 1u : 0u);
        EXPECT_EQ(parameterKeys.count("CollC1"), IsCollinear(m) ? 1u : 0u);
        // The dialog has six rows, the last two for the run's limits.
        EXPECT_LE(m.parameters.size() + parameter_rows::RunLimits().size(), 6u);
    }
    // Every group button has a list to show.
    EXPECT_EQ(groups.size(), static_cast<std::size_t>(MethodGroupCount));
}

TEST(Catalogue, EveryParameterStartsInsideItsOwnRange) {
    for (const ParameterRow& p : AllParameters()) {
        EXPECT_TRUE(InRange(p.valid, DefaultValue(p))) << p.key;
        const int fields = (p.real != nullptr) + (p.integer != nullptr) + (p.choice != nullptr);
        EXPECT_EQ(fields, 1) << p.key;
    }
}

TEST(Catalogue, RangesAcceptAndRejectAtTheirBounds) {
    const struct { ValidRange range; Real value; bool accepted; } cases[] = {
        {ValidRange::Positive, 0, false},     {ValidRange::Positive, 1e-300L, true},
        {ValidRange::OpenUnit, 0, false},     {ValidRange::OpenUnit, 1, false},
        {ValidRange::OpenUnit, 0.5L, true},   {ValidRange::HalfOpenUnit, 0, true},
        {ValidRange::HalfOpenUnit, 1, false}, {ValidRange::Any, -1e300L, true},
        {ValidRange::NonNegative, 0, true},   {ValidRange::NonNegative, -1, false},
    };
    for (const auto& c : cases) EXPECT_EQ(InRange(c.range, c.value), c.accepted) << static_cast<double>(c.value);
}

} // namespace
} // namespace tarvik

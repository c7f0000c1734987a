#include "core/method_catalogue.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tarvik {

namespace {

using Table = std::array<MethodTraits, MethodCount>;

// In catalogue order; the groups follow one another only because no method
// has been added since the lists were made.
const Table& List() {
    static const Table table{{
        {.id = MethodId::ConstantStep,
         .key = "constant-step",
         .group = MethodGroupId::Grad,
         .name = "Descent with constant step-size",
         .direction = DirectionRule::Steepest,
         .step = StepRule::Constant,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; (void)n; return 0; },
         .parameters = parameter_rows::ConstantStep(),
         .searchesAlongGradient = true},
        {.id = MethodId::SteepestGolden,
         .key = "steepest-golden",
         .group = MethodGroupId::Grad,
         .name = "Steepest descent with golden steps",
         .direction = DirectionRule::Steepest,
         .step = StepRule::Golden,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 40 * n; },
         .searchesAlongGradient = true},
        {.id = MethodId::SteepestWolfe,
         .key = "steepest-wolfe",
         .group = MethodGroupId::Grad,
         .name = "Steepest descent with Wolfe steps",
         .direction = DirectionRule::Steepest,
         .step = StepRule::Wolfe,
         .wolfeFirstTrialFifth = true,
         .announcesStorage = false,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 20 * n; },
         .parameters = parameter_rows::Wolfe(),
         .searchesAlongGradient = true},
        {.id = MethodId::FletcherReevesGolden,
         .key = "fletcher-reeves-golden",
         .group = MethodGroupId::ConjGrad,
         .name = "Fletcher-Reeves with golden steps",
         .direction = DirectionRule::FletcherReeves,
         .step = StepRule::Golden,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 50 * n; },
         .printsRenewalLine = true},
        {.id = MethodId::FletcherReevesWolfe,
         .key = "fletcher-reeves-wolfe",
         .group = MethodGroupId::ConjGrad,
         .name = "Fletcher-Reeves with Wolfe steps",
         .direction = DirectionRule::FletcherReeves,
         .step = StepRule::Wolfe,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 30 * n; },
         .parameters = parameter_rows::Wolfe(),
         .printsRenewalLine = true},
        {.id = MethodId::PolakRibiereGolden,
         .key = "polak-ribiere-golden",
         .group = MethodGroupId::ConjGrad,
         .name = "Polak-Ribiere with golden steps",
         .direction = DirectionRule::PolakRibiere,
         .step = StepRule::Golden,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 50 * n; },
         .printsRenewalLine = true},
        {.id = MethodId::PolakRibiereWolfe,
         .key = "polak-ribiere-wolfe",
         .group = MethodGroupId::ConjGrad,
         .name = "Polak-Ribiere with Wolfe steps",
         .direction = DirectionRule::PolakRibiere,
         .step = StepRule::Wolfe,
         .wolfeFirstTrialFifth = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 30 * n; },
         .parameters = parameter_rows::Wolfe(),
         .printsRenewalLine = true},
        {.id = MethodId::BfgsGolden,
         .key = "bfgs-golden",
         .group = MethodGroupId::QuasiN,
         .name = "quasi-Newton BFGS with golden steps",
         .direction = DirectionRule::Bfgs,
         .step = StepRule::Golden,
         .inverseHessianTriangle = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 30 * (n * n + n); }},
        {.id = MethodId::BfgsWolfe,
         .key = "bfgs-wolfe",
         .group = MethodGroupId::QuasiN,
         .name = "quasi-Newton BFGS with Wolfe steps",
         .direction = DirectionRule::Bfgs,
         .step = StepRule::Wolfe,
         .inverseHessianTriangle = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 30 * (n * n + n); },
         .parameters = parameter_rows::Wolfe()},
        {.id = MethodId::LbfgsGolden,
         .key = "lbfgs5-golden",
         .group = MethodGroupId::QuasiN,
         .name = "quasi-Newton L-BFGS, memory 5 pairs, golden steps",
         .direction = DirectionRule::Lbfgs,
         .step = StepRule::Golden,
         .lbfgsPairs = 5,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 10 * (2 * 5 * n + 2 * n); }},
        {.id = MethodId::LbfgsWolfe,
         .key = "lbfgs5-wolfe",
         .group = MethodGroupId::QuasiN,
         .name = "quasi-Newton L-BFGS, memory 5 pairs, Wolfe",
         .direction = DirectionRule::Lbfgs,
         .step = StepRule::Wolfe,
         .lbfgsPairs = 5,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 10 * (2 * 5 * n + 2 * n); },
         .parameters = parameter_rows::Wolfe()},
        {.id = MethodId::LbfgsWolfe15,
         .key = "lbfgs15-wolfe",
         .group = MethodGroupId::QuasiN,
         .name = "quasi-Newton L-BFGS, memory 15 pairs,Wolfe",
         .direction = DirectionRule::Lbfgs,
         .step = StepRule::Wolfe,
         .lbfgsPairs = 15,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 10 * (2 * 15 * n + 2 * n); },
         .parameters = parameter_rows::Wolfe()},
        {.id = MethodId::Newton,
         .key = "newton",
         .group = MethodGroupId::Newton,
         .name = "Classical Newton with step-size=1",
         .direction = DirectionRule::Newton,
         .step = StepRule::Unit,
         .hessianMatrix = true,
         .gaussMayOverwrite = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 20 * (n * n + n); },
         .formsHessian = true},
        {.id = MethodId::FdNewton,
         .key = "fd-newton",
         .group = MethodGroupId::Newton,
         .name = "Finite-difference Newton, step-size=1",
         .direction = DirectionRule::FdNewton,
         .step = StepRule::Unit,
         .hessianMatrix = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 20 * (n * n + n); },
         .formsHessian = true},
        {.id = MethodId::NewtonCg,
         .key = "newton-cg",
         .group = MethodGroupId::Newton,
         .name = "Inexact Newton-ConjGrag, step-size=1",
         .direction = DirectionRule::NewtonCg,
         .step = StepRule::Unit,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 70 * n; },
         .parameters = parameter_rows::NewtonCg(),
         .innerConjugateGradient = true},
        {.id = MethodId::TrustRegion,
         .key = "trust-region",
         .group = MethodGroupId::Newton,
         .name = "Trust-region method",
         .direction = DirectionRule::TrustRegion,
         .step = StepRule::TrustRegion,
         .hessianMatrix = true,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 10 * (2 * n * n + 3 * n); },
         .parameters = parameter_rows::TrustRegion(),
         .keepsTrustRadius = true,
         .formsHessian = true},
        {.id = MethodId::CollinearDemo,
         .key = "collinear-demo",
         .group = MethodGroupId::Author,
         .name = "Collinear gradients, demo 1 step",
         .direction = DirectionRule::CollinearDemo,
         .step = StepRule::Collinear,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 40 * n; },
         .parameters = parameter_rows::CollinearDemo(),
         .collinearDelta = &TunableParameters::CollDeltaDemo,
         .demoOneStep = true},
        {.id = MethodId::Collinear,
         .key = "collinear",
         .group = MethodGroupId::Author,
         .name = "Collinear gradients",
         .direction = DirectionRule::Collinear,
         .step = StepRule::Collinear,
         .storageBytes = [](std::int64_t n64) -> __int128 { const __int128 n = n64; return 40 * n; },
         .parameters = parameter_rows::Collinear(),
         .collinearDelta = &TunableParameters::CollDeltaFull,
         .advisedNearSaddles = true},
    }};
    return table;
}

constexpr MethodId kOldPositions[] = {
    MethodId::ConstantStep,  MethodId::SteepestGolden,       MethodId::SteepestWolfe, MethodId::FletcherReevesGolden,
    MethodId::FletcherReevesWolfe, MethodId::PolakRibiereGolden, MethodId::PolakRibiereWolfe, MethodId::BfgsGolden,
    MethodId::BfgsWolfe,     MethodId::LbfgsGolden,          MethodId::LbfgsWolfe,    MethodId::LbfgsWolfe15,
    MethodId::Newton,        MethodId::FdNewton,             MethodId::NewtonCg,      MethodId::TrustRegion,
    MethodId::CollinearDemo, MethodId::Collinear,
};

const std::array<int, MethodCount>& PositionOfCode() {
    static const std::array<int, MethodCount> positions = [] {
        std::array<int, MethodCount> p{};
        p.fill(-1);
        for (int i = 0; i < MethodCount; ++i) {
            const auto code = static_cast<std::size_t>(List()[static_cast<std::size_t>(i)].id);
            if (code >= p.size() || p[code] != -1) throw std::logic_error("method codes are not dense");
            p[code] = i;
        }
        return p;
    }();
    return positions;
}

} // namespace

const MethodTraits& Traits(MethodId id) { return List()[static_cast<std::size_t>(ListPosition(id))]; }

std::span<const MethodTraits> MethodList() { return List(); }

std::vector<MethodId> MethodsInGroupOrder() {
    std::vector<MethodId> order;
    for (int g = 0; g < MethodGroupCount; ++g)
        for (const MethodTraits& m : List())
            if (static_cast<int>(m.group) == g) order.push_back(m.id);
    return order;
}

MethodId MethodAtListPosition(int position) { return List().at(static_cast<std::size_t>(position)).id; }

int ListPosition(MethodId id) { return PositionOfCode().at(static_cast<std::size_t>(id)); }

const MethodTraits* MethodByKey(std::string_view key) {
    for (const MethodTraits& m : List())
        if (m.key == key) return &m;
    return nullptr;
}

std::span<const MethodId> OldMethodPositions() { return kOldPositions; }

std::optional<MethodId> MethodAtOldPosition(int position) {
    if (position < 0 || position >= static_cast<int>(std::size(kOldPositions))) return std::nullopt;
    return kOldPositions[static_cast<std::size_t>(position)];
}

std::optional<int> OldPosition(MethodId id) {
    const auto* found = std::find(std::begin(kOldPositions), std::end(kOldPositions), id);
    if (found == std::end(kOldPositions)) return std::nullopt;
    return static_cast<int>(found - std::begin(kOldPositions));
}

} // namespace tarvik

#pragma once
// The methods: one entry each, with the rules and arrays a run of
// the method needs and the parameters it offers.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/parameter_table.h"

namespace tarvik {

enum class MethodGroupId { Grad = 0, ConjGrad = 1, QuasiN = 2, Newton = 3, Author = 4 };

// Values are the method codes the program has always used. The two Wolfe
// L-BFGS methods once shared code 10 and told their memory apart; the one
// with 15 pairs now has the code 14, which named no method.
enum class MethodId : std::uint8_t {
    ConstantStep = 0,
    SteepestGolden = 1,
    SteepestWolfe = 2,
    FletcherReevesGolden = 3,
    FletcherReevesWolfe = 4,
    PolakRibiereGolden = 5,
    PolakRibiereWolfe = 6,
    BfgsGolden = 7,
    BfgsWolfe = 8,
    LbfgsGolden = 9,
    LbfgsWolfe = 10,
    Newton = 11,
    FdNewton = 12,
    NewtonCg = 13,
    LbfgsWolfe15 = 14,
    TrustRegion = 15,
    CollinearDemo = 16,
    Collinear = 17,
};

inline constexpr int MethodCount = 18;

// How the direction of an iteration is found.
enum class DirectionRule {
    Steepest, FletcherReeves, PolakRibiere, Bfgs, Lbfgs, Newton, FdNewton, NewtonCg, TrustRegion,
    CollinearDemo, Collinear,
};

// How the step along it is taken.
enum class StepRule { Constant, Golden, Wolfe, Unit, TrustRegion, Collinear };

struct MethodTraits {
    MethodId id;
    // The stable short name scripts, files and the command line use
    // ("bfgs-wolfe"); unlike a list position it never moves.
    std::string_view key;
    MethodGroupId group;
    std::string_view name;  // list text, exact
    DirectionRule direction;
    StepRule step;
    int lbfgsPairs = 0;     // 0 when not L-BFGS
    bool hessianMatrix = false;     // keeps an n x n matrix (HMatrix)
    bool inverseHessianTriangle = false;  // keeps a symmetric H as its triangle (InverseHessian)
    bool gaussMayOverwrite = false; // its Hessian is formed afresh, so elimination may work in it
    bool wolfeFirstTrialFifth = false;  // the first Wolfe trial at iteration 0 is h/5, not min(1, h)
    bool announcesStorage = true;   // shows its storage need while the arrays are made
    // Bytes of the method's own arrays for dimension n, as the report counts them.
    __int128 (*storageBytes)(std::int64_t n) = nullptr;
    std::span<const ParameterRow> parameters = {};  // "M" of the window
    // The collinear methods' starting vicinity; each method has its own.
    Real TunableParameters::*collinearDelta = nullptr;

    // What the driver, the report, the figure and the window ask of a method.
    bool searchesAlongGradient = false;   // steps along gradJ itself and keeps no direction vector
    bool printsRenewalLine = false;       // the report says when the conjugate direction is renewed
    bool innerConjugateGradient = false;  // a forcing term and inner sub-iterations, reported and traced
    bool keepsTrustRadius = false;        // the radius bounds the step; the report names its maximum
    bool demoOneStep = false;             // ends after one step, accuracy reached or not
    bool formsHessian = false;            // forms and counts J's Hessian (BFGS's matrix is none)
    bool advisedNearSaddles = false;      // takes the recommended c1 and delta near saddle points
};

const MethodTraits& Traits(MethodId id);

// The entries in catalogue order, which list positions count: a new entry
// comes last, so that no other entry's position moves.
std::span<const MethodTraits> MethodList();

// The methods as the window's group lists show them, one group after
// another, each group in catalogue order: also the order of the compare
// dialog, --compare all and --help.
std::vector<MethodId> MethodsInGroupOrder();

inline constexpr int MethodGroupCount = 5;

// The only places a list position and a method meet.
MethodId MethodAtListPosition(int position);
int ListPosition(MethodId id);
inline const MethodTraits& MethodAtPosition(int position) { return Traits(MethodAtListPosition(position)); }

// The entry with this key, or none.
const MethodTraits* MethodByKey(std::string_view key);

// Before the keys, scripts named a method by its position in the list as it
// then stood, and data.ini by its item in that list's group: the one list
// that keeps those numbers' meaning, whatever the catalogue gains.
std::span<const MethodId> OldMethodPositions();
std::optional<MethodId> MethodAtOldPosition(int position);
std::optional<int> OldPosition(MethodId id);

// The collinear-gradients methods iterate in sub-iterations.
inline bool IsCollinear(const MethodTraits& m) { return m.step == StepRule::Collinear; }

} // namespace tarvik

#pragma once
// The test functions: one entry each, and every question of the
// kind "which function is this?" answered by a trait of that entry.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/numeric.h"
#include "core/parameter_table.h"

namespace tarvik {

// Values are the function codes the program has always used.
enum class FunctionId : std::uint8_t {
    Rosenbrock = 0,
    Himmelblau2 = 1,
    Himmelblau4 = 2,
    Himmelblau28 = 3,
    Saddle = 4,
    CubicVarnel = 5,
    AxisEllipsoid = 6,
    Schwefel12 = 7,
    Staircase2 = 8,
    Staircase2Sin = 9,
    QuadraticVarnel = 10,
    AxisEllipsoidSin = 11,
    Qf1 = 12,
    Tridia = 13,
    Dixon3dq = 14,
    HilbertA = 15,
    HilbertB = 16,
    QuadraticFromFiles = 17,
    GeneralizedRosenbrock = 18,
    Formula = 19,
};

inline constexpr int FunctionCount = 20;

// Where u* comes from.
enum class KnownMinimum {
    Ones,              // u*_i = 1
    Zero,              // u* = 0
    SineShiftPlusOne,  // u*_i = s_i + 1
    SineShift,         // u*_i = s_i
    LastComponent,     // u*_n = 1/n, the rest 0
    Solved,            // TRIDIA: halving from 1, or solved for other parameters
    FromFiles,         // given with the quadratic, or 0, or unknown
    Several,           // several minima: no single u*, and none reported
    Unbounded,         // no minimum at all (left at 0)
    Typed,             // typed with the formula, or unknown
};

// Which Hessian a Newton step meets.
enum class HessianShape {
    TwoByTwo,   // closed 2x2 formula, solved directly
    Constant,   // a quadratic's matrix, filled afresh at every step
    Varying,    // filled at u; every fault of filling or solving is the Hessian's
    FromFiles,  // the matrix that was read
};

// The collinear-gradients method's values for functions with saddle points.
enum class CollinearAdvice {
    None,
    Recommend,  // the window names the recommended values
    Apply,      // ... and applies them when it becomes active
};

struct PlanePoint {
    Real u1, u2;
};

struct FunctionTraits {
    FunctionId id;
    // The stable short name scripts, files and the command line use
    // ("hilbert-b"); unlike a list position it never moves.
    std::string_view key;
    std::string_view name;     // list text, exact
    std::string_view picture;  // file inside Media
    std::string_view formula;  // text of the generated picture, UTF-8
    bool twoDimensionalOnly = false;
    // J and gradJ are sums, differences and products of the coordinates
    // alone, each of which reaches the result: an arithmetic fault then
    // always leaves a result that is not finite, so an evaluation need not
    // read the floating-point status to find one.
    bool faultsShowInResult = false;
    bool quadratic = false;            // constant Hessian
    KnownMinimum minimum;
    bool changeOfJOnly = false;        // accuracy only by the change of J
    bool descentCheckWaived = false;   // the Wolfe search takes a non-descent direction
    bool zeroPivotMeansBadParameters = false;  // a zero pivot at the start blames the parameters
    bool doubleMaxStep = false;        // the Wolfe steps may go twice as far
    bool widePlane = false;            // small figure ranges doubled
    Real levelSpacing = 2;        // factor of the level-line step
    std::string_view pointPattern = "0.00";  // how the report prints u* and the final u
    std::span<const PlanePoint> saddles = {};
    HessianShape hessian;
    // The half-width of the band the n x n Hessian keeps to (0 diagonal, 1
    // tridiagonal), -1 where it is not banded.
    int hessianBand = -1;
    CollinearAdvice advice = CollinearAdvice::None;
    bool fromFiles = false;            // defined by the files of A, b and u*
    // Defined by a formula the user types: its text is the function's name,
    // the formula decides whether n is 2, and a formula that is a function
    // of (u1, u2) takes its Newton steps with the 2x2 Hessian.
    bool typed = false;
    std::span<const ParameterRow> parameters = {};  // "F" of the window
};

const FunctionTraits& Traits(FunctionId id);

// The entries in catalogue order, which list positions count: a new entry
// comes last, so that no other entry's position moves.
std::span<const FunctionTraits> FunctionList();

// The functions as the window's long list shows them: those for n = 2 only
// first, then the others (the short list for n > 2), each part in catalogue
// order; also the order of --help.
std::vector<FunctionId> FunctionsInListOrder();

// The only places a list position and a function meet.
FunctionId FunctionAtListPosition(int position);
int ListPosition(FunctionId id);
inline const FunctionTraits& FunctionAtPosition(int position) { return Traits(FunctionAtListPosition(position)); }

// The entry with this key, or none.
const FunctionTraits* FunctionByKey(std::string_view key);

// Before the keys, scripts named a function by its position in the list as
// it then stood, and data.ini by its item in the visible list: the one list
// that keeps those numbers' meaning, whatever the catalogue gains.
std::span<const FunctionId> OldFunctionPositions();
std::optional<FunctionId> FunctionAtOldPosition(int position);
std::optional<int> OldPosition(FunctionId id);

} // namespace tarvik

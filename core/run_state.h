#pragma once
// The run state: one object holding every shared variable of a run, named
// as the rest of the program (and its documentation) names them.
#include <cstdint>
#include <optional>
#include <string>

#include "core/band_matrix.h"
#include "core/catalogue_ids.h"
#include "core/collinear_gradients.h"
#include "core/conjugate_direction.h"
#include "core/host.h"
#include "core/numeric.h"
#include "core/packed_symmetric.h"
#include "core/objective.h"
#include "core/parameters.h"
#include "core/quadratic_data.h"

namespace tarvik {

// Figure colours are plain 0xRRGGBB values; the engine only passes them on.
using Colour = uint32_t;
inline constexpr Colour clTrajectory = 0x008000;
inline constexpr Colour clSubIter = 0x808080;
inline constexpr Colour clSteepestStep = 0xFF0080;
inline constexpr Colour clNoHessianUpdate = 0xFF0090;
inline constexpr Colour clAngleStep = 0xFF00A0;

// How the known minimum of "Quadratic from FILE" is given.
enum class UStarSource { FromFile, Zero, Unknown };

// What the user chose for a run: the window's panels (through their one
// adapter) or the batch mode's options fill it when a run starts, and the
// engine reads the user's choices only through this record.
struct RunChoices {
    std::string NText = "2";           // dimension as typed
    int FunctionPosition = 0;          // list position of the function
    int StartItem = 0;                 // starting-point item, 0..29
    int MethodPosition = 0;            // list position of the method
    bool ByDistance = true;            // accuracy ||u-u*||/||u°-u*||
    bool ByChangeOfJ = false;          // accuracy |J(u')-J(u'')|/J(u°)
    std::string EpsText = "0.01";      // the accuracy as typed for the chosen criterion
    std::string StartFile;             // file of the starting item "from file"
    // u1, u2, ... given explicitly over the item's (a point clicked on the
    // figure, --start-point); empty: the item's point alone.
    std::vector<Real> StartCoordinates;
    UStarSource UStarOption = UStarSource::Zero;
    std::string UStarFile;             // u* of the quadratic from files
    bool UStarUnknown() const { return UStarOption == UStarSource::Unknown; }
};

struct RunState;

// The objective's surroundings in a run: its texts go to the status bar,
// its stop points are the run's, and a vanishing gradient ends the run.
class RunObjectiveEvents final : public ObjectiveEvents {
public:
    // Its host is the run's for the run's whole life.
    explicit RunObjectiveEvents(RunState& s);
    void Status(const std::string& text) override;
    void StopPoint() override;
    void ZeroGradient() override;

private:
    RunState& s_;
};

struct RunState {
    explicit RunState(EngineHost& host) : Host(&host) {}
    // Its objective reports back to it.
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    EngineHost* Host;
    TunableParameters Params;
    RunChoices Choices;
    QuadraticData Quad;
    // The typed function (the entry with the trait `typed`).
    TypedFunction Typed;
    // J of the run, built by preparation (BuildRunObjective); its count is
    // the run's count of evaluations. It stays after the run for the
    // report and the comparison, until the next run is prepared.
    std::optional<Objective> Problem;
    RunObjectiveEvents Events{*this};

    // Vectors (allocated by preparation, released by FreeRunArrays).
    MyArray1 U, UPrev, U0, UStar, GradJ, GradJ0, GradJPrev, Dir;
    MyArray2 HMatrix;
    PackedSymmetric InverseHessian;  // BFGS's H
    // The Newton methods' Hessian where the function's is banded, instead of HMatrix.
    BandMatrix HBand;
    MyArray2 LbfgsS, LbfgsY;
    MyArray2 GaussWork;
    // Collinear-gradients vectors.
    MyArray1 DivGradVec, DivGradVecPrev, GradJSaved;

    // Scalars.
    int32_t N = 2;
    // Counts that grow with the run are 64-bit: a long run passes 2^31.
    int64_t IterCount = 0;
    int64_t SubIterCount = 0;
    // Hessians formed (analytic or from gradient differences) in this run;
    // only the comparison table shows it.
    int64_t HessianEvaluations = 0;
    // Code 0 of each catalogue: the constant step and Rosenbrock.
    MethodId MethodCode{};
    FunctionId FunctionCode{};
    std::string MethodName;
    std::string FunctionName = "Rosenbrock (n=2)";
    Real JCur = 0, J0 = 0, JPrev = 0;
    Real GradNorm = 0, GradNorm0 = 0, GradNormPrev = 0;
    Real DirNorm = 0;
    Real Step = 1;
    Real MaxStep = 0;
    Real TrustRadius = 0;
    Real TrustEta = 0.25L;
    // h11, h12, h21, h22 of the last two-dimensional Newton step; the trust
    // region's model needs the Hessian of its own iteration.
    Real Hess2x2[4] = {0, 0, 0, 0};
    Real Dist0 = 0, DistCur = 0;
    Real Eps = 0.01L;
    Real AccuracyValue = 0;
    // The accuracy of the last iteration that completed its computation,
    // and whether there is one: the report's "Accuracy is" lines format it
    // where they print it. A failed computation leaves the last good one.
    Real ReportedAccuracy = 0;
    uint8_t AccuracyComputed = 0;
    uint8_t LbfgsMemory = 5;
    int32_t StartTimeMs = 0;

    // Storage estimate of preparation.
    Real StorageMB = 0;
    std::string StorageText;

    // State the direction rules keep between iterations.
    ConjugateState Conjugate;

    // Collinear-gradients state.
    Real CollDelta = 0, CollMinDist = 0, CollThreshold = 0;
    int32_t MaxSubIterColl = 0;
    CollinearState Collinear;
    uint8_t ShowSubIterPoints = 0;

    // Flags.
    uint8_t Running = 0;
    uint8_t StopRequested = 1;
    int32_t ContinueRun = 1;
    uint8_t IterationComplete = 1;
    uint8_t RedrawTrajectory = 0;
    uint8_t SkipReevaluation = 0;
    FailureAnswer FailureChoice = FailureAnswer::None;
    uint8_t ResumeSteepest = 0;
    uint8_t ResumeRawStep = 0;
    uint8_t SteepestForAll = 0;
    Colour SegmentColour = clTrajectory;
    // Set while preparation runs, so that Stop abandons it cleanly.
    uint8_t Preparing = 0;

    // Texts of the main window.
    std::string FinalStatusText;
    std::string LastErrorText;
    const std::string AppTitle = "Tarvik";

    void SetStatus(const std::string& text) { Host->SetStatus(text); }
    void AppendLine(const std::string& text) { Host->AppendLine(text); }
};

// The run's objective: the function, n, the function parameters and the
// quadratic of the state, named as the state names it, reporting to the run.
void BuildRunObjective(RunState& s);
// The objective preparation built; std::logic_error before that.
Objective& RunObjective(RunState& s);

// Whether n is 2 and nothing else: the entry says so, or a typed formula
// that is a function of (u1, u2).
inline bool TwoDimensionalOnly(const RunState& s) {
    const FunctionTraits& f = Traits(s.FunctionCode);
    return f.twoDimensionalOnly || (f.typed && s.Typed.TwoDimensional());
}

// Whether the problem has one known minimum u*. Where it has none (several
// minima, no minimum, or the quadratic's u* declared unknown) the distance
// to u* means nothing and is neither shown nor drawn.
bool UStarKnown(const RunState& s);

} // namespace tarvik

#include "app/problem_preparation.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "app/direction_rules.h"
#include "app/memory_budget.h"
#include "app/method_selection.h"
#include "app/quadratic_files.h"
#include "app/start_point.h"
#include "app/text_input.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/gauss.h"
#include "core/hessian.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "core/objective.h"

namespace tarvik {

namespace {

// Preparation lets the window handle events at a few points; Stop pressed
// there abandons the preparation instead of ending a run that has no state.
void PumpEvents(RunState& s) {
    s.Host->ProcessEvents();
    if (s.StopRequested) throw PreparationCancelled();
}

bool TridiaHasDefaultParameters(const TunableParameters& p) {
    return p.TridiaAlpha == 2 && p.TridiaBeta == 1 && p.TridiaDelta == 1 && p.TridiaGamma == 1;
}

void ComputeTridiaTestPoint(RunState& s) {
    s.AppendLine("The initial data are being prepared...");
    const __int128 n = s.N;
    ShowStorageNeed(s, s.StorageMB + BytesToMegabytes(30 * n * n), s.N);
    // The TRIDIA Hessian is tridiagonal: its band gives the full matrix's bits.
    BandMatrix hessian;
    hessian.Resize(s.N, 1);
    s.GradJ = NewVector(s.N);
    FillHessianBand(FunctionId::Tridia, s.N, s.Params, s.GradJ, hessian);
    s.GradJ[1] = 2 * s.Params.TridiaGamma * s.Params.TridiaDelta;
    s.SetStatus(" Gauss method: computing a test point u*... ");
    PumpEvents(s);
    RunBandGaussSolve(s, hessian, s.UStar);
    ReleaseVector(s.GradJ);
}

// The most that preparation and the run hold at a time, as really
// allocated (the storage estimate of the report counts otherwise): the run
// vectors, and the method's arrays or, before those, the matrix of TRIDIA's
// test point with other parameters. The quadratic from files is in memory
// already.
__int128 PreparationAllocationBytes(const RunState& s) {
    const __int128 n = s.N;
    const FunctionTraits& f = Traits(s.FunctionCode);
    const __int128 vectors = 7 * (n + 1) * static_cast<__int128>(sizeof(Real));
    __int128 largest = MethodAllocationBytes(MethodAtListPosition(s.Choices.MethodPosition), s.N, f.fromFiles,
                                             f.hessianBand);
    if (f.minimum == KnownMinimum::Solved && !TridiaHasDefaultParameters(s.Params)) {
        // The band and the elimination's rows, a few columns each.
        const __int128 testPoint = 16 * (n + 1) * static_cast<__int128>(sizeof(Real));
        if (testPoint > largest) largest = testPoint;
    }
    return vectors + largest;
}

} // namespace

std::optional<std::string> DimensionRefusal(int32_t n) {
    if (n < MinDimension)
        return "The dimension n must be an integer not less than 2 (n=" + std::to_string(n) + ").";
    if (n > MaxDimension)
        return "The dimension n must be an integer not greater than 10000 (n=" + std::to_string(n) + ").";
    return std::nullopt;
}

Real ReadAccuracy(const std::string& text) {
    Real eps = 0;
    if (!TryParseReal(CommaToDot(text), eps)) throw ERealBadError("Incorrect data in accuracy panel!");
    if (!(eps >= MinAccuracy && eps <= MaxAccuracy))
        throw ERealBadError("The accuracy must be a number from 1E-20 to 1 (eps=" + text + ").");
    return eps;
}

void SetKnownMinimum(RunState& s) {
    const int n = s.N;
    MyArray1& u = s.UStar;
    switch (Traits(s.FunctionCode).minimum) {
    case KnownMinimum::Ones:
        for (int i = 1; i <= n; ++i) u[i] = 1;
        break;
    case KnownMinimum::Several:
    case KnownMinimum::Unbounded:
    case KnownMinimum::Zero:
        break;  // u* = 0, or no single known minimum
    case KnownMinimum::SineShiftPlusOne:
        for (int i = 1; i <= n; ++i) u[i] = SinShift(i, n) + 1;
        break;
    case KnownMinimum::SineShift:
        for (int i = 1; i <= n; ++i) u[i] = SinShift(i, n);
        break;
    case KnownMinimum::LastComponent:
        u[n] = static_cast<Real>(1) / n;
        break;
    case KnownMinimum::Solved:
        if (TridiaHasDefaultParameters(s.Params)) {
            u[1] = 1;
            for (int i = 2; i <= n; ++i) u[i] = u[i - 1] / 2;
        } else {
            ComputeTridiaTestPoint(s);
        }
        break;
    case KnownMinimum::Typed:
        for (std::size_t i = 0; i < s.Typed.uStar.size(); ++i) u[i + 1] = s.Typed.uStar[i];
        break;  // unknown: the zeros, as for the quadratic's
    case KnownMinimum::FromFiles:
        if (s.Choices.UStarOption == UStarSource::FromFile) ReadUStarFile(s, s.Choices.UStarFile);
        break;  // "u*=0" and "unknown" leave the zeros
    }
}

void PrepareProblem(RunState& s) {
    s.GradNorm = 1;
    // The objective of the last run goes; this run's counts from zero.
    s.Problem.reset();

    int32_t typed = 0;
    if (TryParseInt32(s.Choices.NText, typed)) {
        s.N = typed;
    } else {
        // A text that is not an integer keeps the previous dimension.
        s.Choices.NText = "2";
    }
    if (const auto refusal = DimensionRefusal(s.N)) throw ERealBadError(*refusal);
    if (s.N > 2 && TwoDimensionalOnly(s)) throw ERealBadError("This function has dimensionality n=2 only!");
    if (Traits(s.FunctionCode).typed)
        if (const std::optional<std::string> refusal = TypedFunctionRefusal(s.Typed, s.N)) throw ERealBadError(*refusal);
    // The quadratic from files is read when it is selected; a matrix of
    // another dimension would be read out of bounds.
    if (Traits(s.FunctionCode).fromFiles && (!s.Quad.Loaded() || s.Quad.QuadA.rows() != static_cast<std::size_t>(s.N) + 1))
        throw ERealBadError("Not all files for a function was selected!");

    const __int128 n = s.N;
    s.StorageMB = BytesToMegabytes(30 * n);
    s.SetStatus(" Distributing the storage...  need " + FormatFloat("0.###", s.StorageMB) + "MB");
    PumpEvents(s);
    RequireMemory(s.N, PreparationAllocationBytes(s));

    try {
        s.U = NewVector(s.N);
        s.U0 = NewVector(s.N);
        s.UStar = NewVector(s.N);
        SetKnownMinimum(s);
        MethodSelect(s, s.N);
        if (s.Choices.StartItem == StartPointFromFileItem)
            ReadU0File(s);
        else
            s.U0 = BuildStartPoint(s.Choices.StartItem, s.N);
        ApplyStartCoordinates(s.U0, s.Choices.StartCoordinates, s.N);

        s.Host->CreateFigure();
        PumpEvents(s);
        s.Host->DrawLevelLines();
        // The drawing lets the window handle events once.
        if (s.StopRequested) throw PreparationCancelled();

        s.StorageMB += BytesToMegabytes(40 * n);
        if (Traits(s.FunctionCode).fromFiles) s.StorageMB += BytesToMegabytes(20 * n * n + 20 * n);
        s.StorageText = FormatFloat("0.###", s.StorageMB) + "MB";

        s.UPrev = NewVector(s.N);
        s.GradJ = NewVector(s.N);
        s.GradJ0 = NewVector(s.N);
        s.GradJPrev = NewVector(s.N);
    } catch (const std::bad_alloc&) {
        throw ERealBadError(NotEnoughMemoryText(s.N));
    } catch (const std::length_error&) {
        throw ERealBadError(NotEnoughMemoryText(s.N));
    }
    BuildRunObjective(s);
    s.SubIterCount = 1;
    if (IsCollinear(Traits(s.MethodCode))) StartCollinearAtU0(s);
}

} // namespace tarvik

#include "core/parameter_table.h"

#include <array>

namespace tarvik {

namespace {

using P = TunableParameters;

constexpr ParameterRow Real_(std::string_view key, std::string_view label, std::string_view hint,
                              Real P::*field, ValidRange valid, LabelFace face = LabelFace::Plain) {
    return ParameterRow{key, label, hint, ParameterKind::Decimal, field, nullptr, nullptr, valid, face};
}

constexpr std::string_view kDelta = "      \u03B4 =";
constexpr std::string_view kDeltaHint = "Initial vicinity to do sub-Iterations";
constexpr std::string_view kC1Hint = "Parameter of collinearity accuracy for gradients in sub-Iterations";
constexpr std::string_view kC2Hint = "Parameter for baund maximum sub-iterations";

// Grouped so that each method's or function's rows lie together; the
// collinear c1 and c2 are shared by both collinear methods, whose rows
// therefore are listed twice below (FindParameter takes the first).
constexpr std::array<ParameterRow, 19> kRows{{
    Real_("ConstStepSize", "   step-size =", "Step-size parameter", &P::ConstStepSize, ValidRange::Positive),
    // Wolfe
    Real_("WolfeC2", " Wolfe  c2 =", "Wolfe slope coefficient", &P::WolfeC2, ValidRange::OpenUnit),
    {"WolfeInterpolation", "Interpolation ", "Type of interpolation in Wolfe line search", ParameterKind::Interpolation,
     nullptr, nullptr, &P::WolfeInterpolation, ValidRange::Any, LabelFace::Plain},
    // Inexact Newton
    Real_("NewtonCgForcingC", "CG prec. c =",
          "Precision coefficient (0<c<1) in forcing term for a linear Conjugate Gradients", &P::NewtonCgForcingC,
          ValidRange::OpenUnit),
    {"MaxSubIter", "maxSubiter =", "Maximum subiterations number for a linear Conjugate Gradients",
     ParameterKind::Integer, nullptr, &P::MaxSubIter, nullptr, ValidRange::Positive, LabelFace::Plain},
    Real_("TrustMaxRadius", "maxRadius =", "Trust-region radius", &P::TrustMaxRadius, ValidRange::Positive),
    // Collinear gradients, demo
    Real_("CollC1", "CollGrad  c1 =", kC1Hint, &P::CollC1, ValidRange::HalfOpenUnit),
    Real_("CollC2", "CollGrad  c2 =", kC2Hint, &P::CollC2, ValidRange::Positive),
    Real_("CollDeltaDemo", kDelta, kDeltaHint, &P::CollDeltaDemo, ValidRange::Positive, LabelFace::Greek),
    // Collinear gradients
    Real_("CollC1", "CollGrad  c1 =", kC1Hint, &P::CollC1, ValidRange::HalfOpenUnit),
    Real_("CollC2", "CollGrad  c2 =", kC2Hint, &P::CollC2, ValidRange::Positive),
    Real_("CollDeltaFull", kDelta, kDeltaHint, &P::CollDeltaFull, ValidRange::Positive, LabelFace::Greek),
    // TRIDIA
    Real_("TridiaAlpha", "      \u03B1 =", "", &P::TridiaAlpha, ValidRange::Any, LabelFace::GreekItalic),
    Real_("TridiaBeta", "      \u03B2 =", "", &P::TridiaBeta, ValidRange::Any, LabelFace::GreekItalic),
    Real_("TridiaDelta", "      \u03B4 =", "", &P::TridiaDelta, ValidRange::Any, LabelFace::GreekItalic),
    Real_("TridiaGamma", "      \u03B3 =", "", &P::TridiaGamma, ValidRange::Any, LabelFace::GreekItalic),
    // HILBERT (b)
    Real_("HilbertD", "        d =", "", &P::HilbertD, ValidRange::Any, LabelFace::SerifItalic),
    // Limits of every run
    {"MaxIterations", "max iterations =", "Stop the run after this many iterations (0: no limit)",
     ParameterKind::Integer, nullptr, &P::MaxIterations, nullptr, ValidRange::NonNegative, LabelFace::Plain},
    {"NoProgressIterations", "no progress =",
     "End the run when u and J have repeated themselves for this many iterations in a row (0: never)",
     ParameterKind::Integer, nullptr, &P::NoProgressIterations, nullptr, ValidRange::NonNegative, LabelFace::Plain},
}};

std::span<const ParameterRow> Rows(std::size_t first, std::size_t count) {
    return std::span<const ParameterRow>(kRows).subspan(first, count);
}

} // namespace

bool InRange(ValidRange range, Real value) {
    switch (range) {
    case ValidRange::Any: return true;
    case ValidRange::Positive: return value > 0;
    case ValidRange::NonNegative: return value >= 0;
    case ValidRange::OpenUnit: return value > 0 && value < 1;
    case ValidRange::HalfOpenUnit: return value >= 0 && value < 1;
    }
    return false;
}

Real DefaultValue(const ParameterRow& param) {
    static const TunableParameters defaults;
    switch (param.kind) {
    case ParameterKind::Decimal: return defaults.*param.real;
    case ParameterKind::Integer: return defaults.*param.integer;
    case ParameterKind::Interpolation: return defaults.*param.choice;
    }
    return 0;
}

std::span<const ParameterRow> AllParameters() { return kRows; }

const ParameterRow* FindParameter(std::string_view key) {
    for (const ParameterRow& param : AllParameters())
        if (param.key == key) return &param;
    return nullptr;
}

namespace parameter_rows {
std::span<const ParameterRow> ConstantStep() { return Rows(0, 1); }
std::span<const ParameterRow> Wolfe() { return Rows(1, 2); }
std::span<const ParameterRow> NewtonCg() { return Rows(3, 2); }
std::span<const ParameterRow> TrustRegion() { return Rows(5, 1); }
std::span<const ParameterRow> CollinearDemo() { return Rows(6, 3); }
std::span<const ParameterRow> Collinear() { return Rows(9, 3); }
std::span<const ParameterRow> Tridia() { return Rows(12, 4); }
std::span<const ParameterRow> HilbertB() { return Rows(16, 1); }
std::span<const ParameterRow> RunLimits() { return Rows(17, 2); }
} // namespace parameter_rows

} // namespace tarvik

#pragma once
// The tunable parameters as the "Tuning" dialog and the batch mode's --param
// both see them: one row per parameter, its range checked in one place.
#include <cstdint>
#include <span>
#include <string_view>

#include "core/parameters.h"

namespace tarvik {

enum class ParameterKind { Decimal, Integer, Interpolation };
enum class ValidRange { Any, Positive, NonNegative, OpenUnit, HalfOpenUnit };
// How the dialog writes the label: Greek letters and the italic d of
// HILBERT (b) need their own fonts.
enum class LabelFace { Plain, Greek, GreekItalic, SerifItalic };

struct ParameterRow {
    std::string_view key;    // name of --param
    std::string_view label;  // dialog label, UTF-8
    std::string_view hint;
    ParameterKind kind;
    Real TunableParameters::*real = nullptr;        // kind Real
    int32_t TunableParameters::*integer = nullptr;  // kind Integer
    uint8_t TunableParameters::*choice = nullptr;   // kind Interpolation: 0 quadratic, 1 cubic
    ValidRange valid = ValidRange::Any;
    LabelFace face = LabelFace::Plain;
};

bool InRange(ValidRange range, Real value);

// The value a fresh start gives the parameter.
Real DefaultValue(const ParameterRow& param);

// Every parameter of every method and function, each once.
std::span<const ParameterRow> AllParameters();
const ParameterRow* FindParameter(std::string_view key);

namespace parameter_rows {
// Rows of the tables the catalogues hand out, in dialog order.
std::span<const ParameterRow> ConstantStep();
std::span<const ParameterRow> Wolfe();
std::span<const ParameterRow> NewtonCg();
std::span<const ParameterRow> TrustRegion();
std::span<const ParameterRow> CollinearDemo();
std::span<const ParameterRow> Collinear();
std::span<const ParameterRow> Tridia();
std::span<const ParameterRow> HilbertB();
// The limits every run has, whatever its method.
std::span<const ParameterRow> RunLimits();
} // namespace parameter_rows

} // namespace tarvik

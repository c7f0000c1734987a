#pragma once
// Whether a formula fits a dimension: every bound of every sum and every
// index can be computed for that n, and every index lies within 1..n. An
// index does not depend on u, so one pass over the sums' ranges settles it
// for every point; an index that is a + b i needs only its two ends.
#include <cstdint>
#include <optional>

#include "core/formula_parser.h"

namespace tarvik {

// More terms than this make one evaluation of J take seconds.
inline constexpr int64_t kFormulaMaxTerms = 100'000'000;

std::optional<FormulaError> CheckFormulaRanges(const ParsedFormula& f, int n, int64_t maxTerms = kFormulaMaxTerms);

} // namespace tarvik

#pragma once
// Instructions for the machine (core/formula_machine.h) from the loops of a
// formula's graph.
//
// Each loop becomes one code over its range. A value is kept in the
// accumulator from the operation that makes it to the one that uses it;
// it is stored only when it is used more than once or waits for the other
// operand of an operation, and a value that does not change from term to
// term is computed by the code of the sum around (or the top) and read as
// a scalar. An inner sum is a loop the outer code runs, after the values it
// reads are stored.
#include <cstdint>

#include "core/formula_graph.h"
#include "core/formula_machine.h"

namespace tarvik::formula {

// The program whose top is topLoop (a loop over scope 0), for dimension n;
// its effects add into the target vector, the effects of other loops it
// runs for their results into other vectors are left out.
Program Generate(const Graph& g, int32_t topLoop, int n, Target target);

} // namespace tarvik::formula

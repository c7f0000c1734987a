#pragma once
// Exact derivatives of a formula, built as more nodes and loops of its graph.
//
// The gradient is reverse-mode differentiation done once on the graph: the
// adjoint of every node is a node, the sum of the adjoints its uses pass
// down, so evaluating the gradient costs a small multiple of one J whatever
// n is. A sum's adjoint is a loop over the same range that computes the
// terms again and adds each coordinate's share into the gradient; what a
// term passes to values outside its sum is summed over the range.
//
// The product of the Hessian with a direction v is forward-mode
// differentiation of that gradient along v (forward over reverse): exact
// to rounding, with the cost of a few gradients.
#include <cstdint>

#include "core/formula_graph.h"

namespace tarvik::formula {

// A new loop over scope 0 whose effects add dJ/du[k] into the gradient, J
// being the result of valueLoop (the formula's loop 0).
int32_t AddGradient(Graph& g, int32_t valueLoop);

// A new loop over scope 0 whose effects add (H v)[k] into the product, the
// derivative along v of what gradientLoop adds into the gradient.
int32_t AddHessianProduct(Graph& g, int32_t gradientLoop);

} // namespace tarvik::formula

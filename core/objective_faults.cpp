#include "core/objective_faults.h"

#include "core/errors.h"
#include "core/fp_guard.h"

namespace tarvik {

const std::string kWorkingStatus = " Working...";
const std::string kEvaluatingFunction = " Working... function evaluation";
const std::string kEvaluatingGradient = " Working... gradient evaluation";

void ThrowFunctionFault(const std::string& name) { throw EBadError("Error in evaluation of function: " + name); }

void ThrowGradientFault(const std::string& name) { throw EBadError("Error in evaluation of gradient: " + name); }

// A component that is already not finite (from such an input, which raises
// no flag) is the gradient's fault, not the norm's. Looking only now saves
// a pass over g in every good call.
void ThrowNormFault(const MyArray1& g, int n, const std::string& name) {
    for (int i = 1; i <= n; ++i)
        if (!IsFiniteReal(g[i])) ThrowGradientFault(name);
    throw ERealBadError("Error in evaluation of gradient norm for function: " + name);
}

} // namespace tarvik

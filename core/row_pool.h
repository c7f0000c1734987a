#pragma once
// Splits independent rows of a long loop over the machine's cores. The
// workers only compute: the calling thread keeps the host, the progress bar,
// Stop and the run state to itself, and takes the first share of the rows.
#include <functional>

namespace tarvik {

// Number of threads a split uses: the caller and the pool's workers.
int RowShares();

// Calls body(first, last) on disjoint consecutive parts of rows first..last
// (inclusive) and returns when all are done. The workers start from the
// caller's floating-point environment, and the status flags they raise are
// raised in the caller, so a fault guard around the call sees them as if the
// caller had done all the work. work is a rough count of element operations:
// below a threshold a split costs more than it saves and the caller runs
// everything itself.
void SplitRows(int first, int last, double work, const std::function<void(int, int)>& body);

// As SplitRows for rows of unequal cost, rowWork(i) being row i's: each
// thread gets consecutive rows of about the same total work.
void SplitRowsByWork(int first, int last, const std::function<double(int)>& rowWork,
                     const std::function<void(int, int)>& body);

} // namespace tarvik

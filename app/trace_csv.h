#pragma once
// The trace's CSV text, one line at a time: the file written from the rows
// a run kept and the one written while the run goes are the same bytes.
//   iteration,evaluations,J,grad_norm,step_length,alpha,accuracy,u1,u2[,u3..un],sub_iterations
// then one row per iteration, CRLF line ends, a dot as decimal separator
// whatever the locale, 21 significant digits, an empty field where a
// value does not apply.
#include <string>

#include "app/trace_row.h"

namespace tarvik {

// The header line, its line end included.
std::string TraceCsvHeaderLine(const TraceHeader& header);

// Appends the row's line to text. `point`, when the header asks for all
// coordinates, holds the row's u1..un (header.n of them); otherwise the
// row's own u1 and u2 are written.
void AppendTraceCsvRow(std::string& text, const TraceRow& row, const Real* point, int n);

} // namespace tarvik

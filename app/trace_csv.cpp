#include "app/trace_csv.h"

#include <charconv>
#include <cmath>

#include "app/scientific_text.h"
#include "app/text_files.h"

namespace tarvik {

namespace {

// A number's field at `p` (empty for NaN), then `separator`.
char* PutNumber(char* p, const Real& value, char separator) {
    if (!std::isnan(value)) p = WriteScientific21(value, p);
    *p++ = separator;
    return p;
}

char* PutCount(char* p, int64_t value, char separator) {
    p = std::to_chars(p, p + 24, value).ptr;
    *p++ = separator;
    return p;
}

} // namespace

std::string TraceCsvHeaderLine(const TraceHeader& header) {
    std::string text = "iteration,evaluations,J,grad_norm,step_length,alpha,accuracy";
    const int coordinates = header.allCoordinates ? header.n : 2;
    for (int i = 1; i <= coordinates; ++i) text += ",u" + std::to_string(i);
    text += ",sub_iterations";
    text += TextLineEnd;
    return text;
}

// Built in place: a long trace writes millions of them.
void AppendTraceCsvRow(std::string& text, const TraceRow& r, const Real* point, int n) {
    char buffer[2 * 24 + 9 * (ScientificTextRoom + 1) + 8];
    char* p = PutCount(buffer, r.iteration, ',');
    p = PutCount(p, r.evaluations, ',');
    // Each field read in place: a copy would be stored by the x87 unit and
    // read back in narrower pieces, which stalls.
    for (const Real* v : {&r.j, &r.gradNorm, &r.stepLength, &r.alpha, &r.accuracy}) p = PutNumber(p, *v, ',');
    if (point) {
        text.append(buffer, p);
        for (int i = 0; i < n; ++i) {
            p = PutNumber(buffer, point[i], ',');
            text.append(buffer, p);
        }
        p = buffer;
    } else {
        p = PutNumber(p, r.u1, ',');
        p = PutNumber(p, r.u2, ',');
    }
    if (r.subIterations >= 0) p = std::to_chars(p, p + 24, r.subIterations).ptr;
    text.append(buffer, p);
    text += TextLineEnd;
}

} // namespace tarvik

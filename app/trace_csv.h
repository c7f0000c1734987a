#pragma once
// The trace's CSV text, one line at a time: the file written from the rows
// a run kept and the one written while the run goes are the same bytes.
//   iteration,evaluations,J,grad_norm,step_length,alpha,accuracy,u1,u2[,u3..un],sub_iterations
// then one row per iteration, CRLF line ends, a dot as decimal separator
// whatever the locale, 21 significant digits, an empty field where a
// value does not apply.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "app/trace_row.h"

namespace tarvik {

// The header line, its line end included.
std::string TraceCsvHeaderLine(const TraceHeader& header);

// The text goes to its file in pieces of about this size: few enough
// writes that their cost in the kernel stays small, and a long trace never
// sits in memory as a whole.
inline constexpr std::size_t TraceCsvPieceBytes = std::size_t(1) << 20;

// Whether a trace shows the value as an empty field: std::isnan's answer,
// read from the bits (the encodings no arithmetic makes count as NaN, as
// they do there).
bool TraceFieldEmpty(const Real& value);

// Text made of rows, written where it stays: a row's numbers go straight
// into the text, and a value equal to the one in the same column of the row
// before (a constant step's alpha, a step length that no longer changes) is
// copied from that row instead of being written anew, the digits being most
// of a trace's cost.
class TraceCsvText {
public:
    // `point`, when the header asks for all coordinates, holds the row's
    // u1..un (header.n of them); otherwise the row's own u1 and u2 are
    // written.
    void AppendRow(const TraceRow& row, const Real* point, int n);
    void Append(std::string_view bytes);
    void Clear();

    std::string_view View() const { return {data_.get(), size_}; }
    std::size_t Size() const { return size_; }

private:
    // Room for `bytes` more.
    char* Reserve(std::size_t bytes);
    char* PutNumber(char* p, const Real& value, int column);

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
    // J, grad_norm, step_length, alpha, accuracy, u1, u2 of the row before,
    // where it is still in the text: its value's ten bytes, where its text
    // starts and how long it is (its comma included).
    struct Field {
        unsigned char bits[10] = {};
        unsigned char length = 0;
        std::size_t start = 0;
    };
    Field fields_[7];
    bool rowBefore_ = false;
};

} // namespace tarvik

#pragma once
// What a run did, iteration by iteration: the starting point as row 0, then
// one row for every iteration (printed or not), for users' own plots. Only
// a run whose rows someone will read keeps them (a trace file, a view drawn
// from the rows, the window's export): any other run keeps none, so that it
// uses constant memory and disk however long it goes. Rows
// beyond a small in-memory window go to an anonymous temporary file, so a run
// of millions of iterations keeps its whole trace at a few megabytes of memory.
// When that file cannot be written (a full disk), the rows from there on
// stay in memory: a complete trace matters more than the bound.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/trace_row.h"
#include "core/numeric.h"

namespace tarvik {

class TraceFileStream;

class RunTrace {
public:
    RunTrace() = default;
    RunTrace(const RunTrace&) = delete;
    RunTrace& operator=(const RunTrace&) = delete;
    ~RunTrace();

    // The folder of the anonymous files (the one that will receive the
    // trace, so that it need not fit into a small temporary folder; empty:
    // $TMPDIR or /tmp), and who hears, once a run, which file could not be
    // written and why. Kept from run to run.
    void SetSpill(std::string folder, std::function<void(const std::string& reason)> failed);
    // From the next Start on, every row (and, with all coordinates, its
    // point) goes to `stream` as it is added, kept in memory or not; null:
    // none. Kept from run to run.
    void StreamTo(TraceFileStream* stream) { stream_ = stream; }
    // Forgets the rows of an earlier run. Without keepRows, Add and
    // AddCoordinates keep nothing: the trace stays empty.
    void Start(TraceHeader header, bool keepRows = true);
    // Whether someone reads the rows: kept, or streamed.
    bool KeepsRows() const { return keepsRows_ || stream_ != nullptr; }
    void Add(const TraceRow& row);
    // The whole point of the row just added, when the header asks for all
    // coordinates: u[1..n]. These go straight to a temporary file of their own.
    void AddCoordinates(const Real* u, int n);
    // Rows kept, or streamed where none are kept.
    int64_t RowCount() const { return keepsRows_ ? spilledRows_ + static_cast<int64_t>(recent_.size()) : streamedRows_; }
    bool Empty() const { return RowCount() == 0; }
    // Bytes in the temporary files, rows and coordinates.
    int64_t SpilledBytes() const { return spill_.bytes + coordinates_.bytes; }
    const TraceHeader& Header() const { return header_; }

    // RFC 4180 text as app/trace_csv.h writes it, written as
    // app/atomic_file.h writes files (a
    // failed write leaves an existing file whole; "-" is the standard
    // output). On failure returns false with the reason in `error`.
    bool WriteCsv(const std::string& path, std::string& error) const;
    // The same text, piece by piece; 0 or the sink's errno value (EIO when
    // the temporary file of older rows cannot be read back).
    int WriteCsvTo(const std::function<int(std::string_view)>& sink) const;

    // Every row in order; false when the temporary file could not be read.
    bool ForEachRow(const std::function<void(const TraceRow&)>& visit) const;

    // Rows kept in memory before they move to the temporary file.
    static constexpr std::size_t WindowRows = 4096;

private:
    // Bytes appended to an anonymous file. A write that fails leaves the
    // file as it was before it, and nothing more is written there.
    struct SpillFile {
        int64_t bytes = 0;
        int fd = -1;
        bool failed = false;
    };

    void Spill();
    void Release();
    // Appends to file; false (after telling, once) when it failed.
    bool Append(SpillFile& file, const void* data, std::size_t size);

    TraceHeader header_;
    bool keepsRows_ = true;
    TraceFileStream* stream_ = nullptr;
    int64_t streamedRows_ = 0;
    std::vector<TraceRow> recent_;
    // The coordinates of the rows on file, then those still in memory: a
    // buffer that goes to the file when it fills, or everything from the
    // first failed write on.
    SpillFile coordinates_;
    std::vector<Real> coordinatesInMemory_;
    SpillFile spill_;
    int64_t spilledRows_ = 0;
    std::string spillFolder_;
    std::function<void(const std::string&)> spillFailed_;
    bool spillFailureTold_ = false;
};

// Bytes of the CSV text of `rows` rows with `coordinates` coordinates each, about.
int64_t EstimatedTraceCsvBytes(int64_t rows, int coordinates);
inline constexpr int64_t LargeTraceBytes = 1000000000;

// One CSV field as RFC 4180 wants it: quoted when it holds a comma, a quote,
// CR or LF, inner quotes doubled.
std::string CsvField(const std::string& text);
// A number with 21 significant digits in the C locale; an empty field for NaN.
std::string CsvNumber(Real value);

} // namespace tarvik

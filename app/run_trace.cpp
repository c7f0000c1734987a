#include "app/run_trace.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstring>
#include <utility>

#include "app/atomic_file.h"
#include "app/text_files.h"

namespace tarvik {

RunTrace::~RunTrace() { Release(); }

void RunTrace::Release() {
    if (spill_) std::fclose(spill_);
    spill_ = nullptr;
    if (coordinates_) std::fclose(coordinates_);
    coordinates_ = nullptr;
    coordinatesFailed_ = false;
    std::vector<Real>().swap(coordinatesInMemory_);
    spilledRows_ = 0;
    spillFailed_ = false;
    recent_.clear();
}

void RunTrace::Start(TraceHeader header) {
    Release();
    header_ = std::move(header);
    recent_.reserve(WindowRows);
}

void RunTrace::Add(const TraceRow& row) {
    if (recent_.size() >= WindowRows && !spillFailed_) Spill();
    recent_.push_back(row);
}

void RunTrace::AddCoordinates(const Real* u, int n) {
    if (!header_.allCoordinates || n != header_.n) return;
    const auto count = static_cast<std::size_t>(n);
    if (!coordinatesFailed_ && !coordinates_) coordinates_ = std::tmpfile();
    if (!coordinatesFailed_ && coordinates_ && std::fwrite(u, sizeof(Real), count, coordinates_) == count) return;
    if (!coordinatesFailed_) {
        // Whatever reached the file stays there; from here on memory keeps the rest.
        coordinatesFailed_ = true;
    }
    coordinatesInMemory_.insert(coordinatesInMemory_.end(), u, u + count);
}

int64_t EstimatedTraceCsvBytes(int64_t rows, int coordinates) {
    // A number is at most 27 characters and a comma; the counts, J, the
    // norm, step length, alpha and accuracy take about 160 more.
    return rows * (160 + 28 * static_cast<int64_t>(coordinates));
}

// Without a temporary file (no writable temporary folder) the rows simply
// stay in memory: a complete trace matters more than the bound.
void RunTrace::Spill() {
    if (!spill_) spill_ = std::tmpfile();
    if (!spill_ ||
        std::fwrite(recent_.data(), sizeof(TraceRow), recent_.size(), spill_) != recent_.size()) {
        spillFailed_ = true;
        return;
    }
    spilledRows_ += static_cast<int64_t>(recent_.size());
    recent_.clear();
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvNumber(Real value) {
    if (std::isnan(value)) return "";
    char buffer[64];
    // to_chars ignores the locale: a window started in a comma locale still
    // writes dots.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 20);
    return std::string(buffer, result.ptr);
}

namespace {

std::string RowText(const TraceRow& r, const std::vector<Real>* point) {
    std::string line = std::to_string(r.iteration) + ',' + std::to_string(r.evaluations) + ',' + CsvNumber(r.j) + ',' +
                       CsvNumber(r.gradNorm) + ',' + CsvNumber(r.stepLength) + ',' + CsvNumber(r.alpha) + ',' +
                       CsvNumber(r.accuracy);
    if (point) {
        for (Real x : *point) line += ',' + CsvNumber(x);
    } else {
        line += ',' + CsvNumber(r.u1) + ',' + CsvNumber(r.u2);
    }
    line += ',';
    if (r.subIterations >= 0) line += std::to_string(r.subIterations);
    line += TextLineEnd;
    return line;
}

} // namespace

int RunTrace::WriteCsvTo(const std::function<int(std::string_view)>& sink) const {
    const TraceHeader& h = header_;
    std::string text = "iteration,evaluations,J,grad_norm,step_length,alpha,accuracy";
    const int coordinates = h.allCoordinates ? h.n : 2;
    for (int i = 1; i <= coordinates; ++i) text += ",u" + std::to_string(i);
    text += ",sub_iterations";
    text += TextLineEnd;
    // The coordinates of every row, read back in step with the rows.
    std::vector<Real> point;
    int64_t fileRows = 0, memoryOffset = 0;
    if (h.allCoordinates) {
        point.resize(static_cast<std::size_t>(h.n));
        if (coordinates_) {
            if (std::fflush(coordinates_) != 0) return EIO;
            const long end = std::ftell(coordinates_);
            if (end < 0 || std::fseek(coordinates_, 0, SEEK_SET) != 0) return EIO;
            fileRows = end / static_cast<long>(sizeof(Real) * point.size());
        }
    }
    auto nextPoint = [&]() -> bool {
        if (fileRows > 0) {
            --fileRows;
            return std::fread(point.data(), sizeof(Real), point.size(), coordinates_) == point.size();
        }
        const auto offset = static_cast<std::size_t>(memoryOffset);
        if (offset + point.size() > coordinatesInMemory_.size()) return false;
        std::copy_n(coordinatesInMemory_.begin() + static_cast<std::ptrdiff_t>(offset), point.size(), point.begin());
        memoryOffset += static_cast<int64_t>(point.size());
        return true;
    };
    // Rows go out in pieces of about 64 KB: a long trace never sits in memory as text.
    int error = 0;
    const bool read = ForEachRow([&](const TraceRow& row) {
        if (error != 0) return;
        if (h.allCoordinates && !nextPoint()) {
            error = EIO;
            return;
        }
        text += RowText(row, h.allCoordinates ? &point : nullptr);
        if (text.size() >= 65536) {
            error = sink(text);
            text.clear();
        }
    });
    if (error == 0 && !read) error = EIO;
    if (error == 0) error = sink(text);
    if (coordinates_) std::fseek(coordinates_, 0, SEEK_END);
    return error;
}

bool RunTrace::ForEachRow(const std::function<void(const TraceRow&)>& visit) const {
    if (spill_) {
        if (std::fflush(spill_) != 0 || std::fseek(spill_, 0, SEEK_SET) != 0) return false;
        TraceRow row;
        for (int64_t i = 0; i < spilledRows_; ++i) {
            if (std::fread(&row, sizeof row, 1, spill_) != 1) return false;
            visit(row);
        }
        if (std::fseek(spill_, 0, SEEK_END) != 0) return false;
    }
    for (const TraceRow& row : recent_) visit(row);
    return true;
}

bool RunTrace::WriteCsv(const std::string& path, std::string& error) const {
    const int failure = ReplaceFileStreamed(path, [this](const ByteSink& sink) { return WriteCsvTo(sink); });
    if (failure != 0) error = SystemErrorText(failure);
    return failure == 0;
}

} // namespace tarvik

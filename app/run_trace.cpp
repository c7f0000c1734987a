#include "app/run_trace.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "app/atomic_file.h"

namespace tarvik {

RunTrace::~RunTrace() { Release(); }

void RunTrace::Release() {
    if (spill_) std::fclose(spill_);
    spill_ = nullptr;
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

std::string RowText(const TraceRow& r, bool collinear) {
    std::string line = std::to_string(r.iteration) + ',' + std::to_string(r.evaluations) + ',' + CsvNumber(r.j) + ',' +
                       CsvNumber(r.gradNorm) + ',' + CsvNumber(r.step) + ',' + CsvNumber(r.accuracy) + ',' +
                       CsvNumber(r.u1) + ',' + CsvNumber(r.u2);
    if (collinear) line += ',' + std::to_string(r.subIterations);
    return line + "\r\n";
}

} // namespace

int RunTrace::WriteCsvTo(const std::function<int(std::string_view)>& sink) const {
    const TraceHeader& h = header_;
    std::string text = "# function: " + h.function + "\r\n# n: " + std::to_string(h.n) + "\r\n# method: " + h.method +
                       "\r\n# starting point: " + h.startingPoint + "\r\n# accuracy: " + h.accuracyMode +
                       "\r\n# epsilon: " + h.eps + "\r\n" + "iteration,evaluations,J,grad_norm,step,accuracy,u1,u2" +
                       (h.collinear ? ",sub_iterations" : "") + "\r\n";
    // Rows go out in pieces of about 64 KB: a long trace never sits in memory as text.
    int error = 0;
    const bool read = ForEachRow([&](const TraceRow& row) {
        if (error != 0) return;
        text += RowText(row, h.collinear);
        if (text.size() >= 65536) {
            error = sink(text);
            text.clear();
        }
    });
    if (error == 0 && !read) error = EIO;
    if (error == 0) error = sink(text);
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

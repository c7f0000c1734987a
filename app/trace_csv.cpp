#include "app/trace_csv.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/scientific_text.h"
#include "app/text_files.h"

namespace tarvik {

namespace {

char* PutCount(char* p, int64_t value) {
    p = WriteInteger(value, p);
    *p++ = ',';
    return p;
}

// The most a row's fields other than the coordinates of a whole point take:
// three counts, seven numbers, their commas and the line end.
constexpr std::size_t kRowBytes = 3 * 21 + 7 * (ScientificTextRoom + 1) + 8;

} // namespace

std::string TraceCsvHeaderLine(const TraceHeader& header) {
    std::string text = "iteration,evaluations,J,grad_norm,step_length,alpha,accuracy";
    const int coordinates = header.allCoordinates ? header.n : 2;
    for (int i = 1; i <= coordinates; ++i) text += ",u" + std::to_string(i);
    text += ",sub_iterations";
    text += TextLineEnd;
    return text;
}

bool TraceFieldEmpty(const Real& value) {
    static_assert(sizeof(Real) >= 10, "an x87 extended long double");
    const RealParts parts = PartsOf(&value);
    const int exponent = parts.BiasedExponent();
    if (exponent == 0x7FFF) return parts.significand != (uint64_t(1) << 63);   // all but a true infinity
    // Without its integer bit a normal exponent's value is no number.
    return exponent != 0 && (parts.significand >> 63) == 0;
}

char* TraceCsvText::Reserve(std::size_t bytes) {
    if (capacity_ - size_ < bytes) {
        const std::size_t capacity = std::max({capacity_ * 2, size_ + bytes, std::size_t(1) << 16});
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = capacity;
    }
    return data_.get() + size_;
}

void TraceCsvText::Append(std::string_view bytes) {
    if (!bytes.empty()) std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
    rowBefore_ = false;
}

void TraceCsvText::Clear() {
    size_ = 0;
    rowBefore_ = false;
}

char* TraceCsvText::PutNumber(char* p, const Real& value, int column) {
    Field& field = fields_[column];
    const bool repeated = rowBefore_ && std::memcmp(field.bits, &value, sizeof field.bits) == 0;
    std::memcpy(field.bits, &value, sizeof field.bits);
    const std::size_t start = static_cast<std::size_t>(p - data_.get());
    if (repeated) {
        // The row before's text went out long enough ago to be read back
        // whole; the bytes past its field are overwritten next.
        std::memmove(p, data_.get() + field.start, ScientificTextRoom);
        p += field.length;
    } else {
        if (!TraceFieldEmpty(value)) p = WriteScientific21(value, p);
        *p++ = ',';
        field.length = static_cast<unsigned char>(p - (data_.get() + start));
    }
    field.start = start;
    return p;
}

void TraceCsvText::AppendRow(const TraceRow& r, const Real* point, int n) {
    char* p = Reserve(kRowBytes);
    p = PutCount(p, r.iteration);
    p = PutCount(p, r.evaluations);
    // Each field read in place: a copy would be stored by the x87 unit and
    // read back in narrower pieces, which stalls.
    p = PutNumber(p, r.j, 0);
    p = PutNumber(p, r.gradNorm, 1);
    p = PutNumber(p, r.stepLength, 2);
    p = PutNumber(p, r.alpha, 3);
    p = PutNumber(p, r.accuracy, 4);
    if (point) {
        for (int i = 0; i < n; ++i) {
            size_ = static_cast<std::size_t>(p - data_.get());
            p = Reserve(ScientificTextRoom + 1);
            if (!TraceFieldEmpty(point[i])) p = WriteScientific21(point[i], p);
            *p++ = ',';
        }
        size_ = static_cast<std::size_t>(p - data_.get());
        p = Reserve(kRowBytes);
    } else {
        p = PutNumber(p, r.u1, 5);
        p = PutNumber(p, r.u2, 6);
    }
    if (r.subIterations >= 0) p = WriteInteger(r.subIterations, p);
    std::memcpy(p, TextLineEnd.data(), TextLineEnd.size());
    p += TextLineEnd.size();
    size_ = static_cast<std::size_t>(p - data_.get());
    rowBefore_ = true;
}

} // namespace tarvik

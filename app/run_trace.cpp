#include "app/run_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "app/atomic_file.h"
#include "app/scientific_text.h"
#include "app/trace_csv.h"
#include "app/trace_stream.h"

namespace tarvik {

namespace {

// An anonymous file in folder: it has no name, so it goes with the process
// whatever ends it. Where the file system cannot make one, a named file is
// made and unlinked at once.
int OpenAnonymousFile(std::string folder, int& error) {
    if (folder.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string name = folder + "/.tarvik-trace-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    ::unlink(name.c_str());
    return fd;
}

// Reads size bytes at offset; false when the file holds fewer.
bool ReadAt(int fd, int64_t offset, void* into, std::size_t size) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        offset += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// The coordinates of this many rows go to the file at once.
constexpr std::size_t kCoordinateBufferBytes = 1 << 17;

} // namespace

RunTrace::~RunTrace() { Release(); }

void RunTrace::SetSpill(std::string folder, std::function<void(const std::string&)> failed) {
    spillFolder_ = std::move(folder);
    spillFailed_ = std::move(failed);
}

void RunTrace::Release() {
    for (SpillFile* file : {&spill_, &coordinates_}) {
        if (file->fd >= 0) ::close(file->fd);
        *file = SpillFile{};
    }
    std::vector<Real>().swap(coordinatesInMemory_);
    spilledRows_ = 0;
    spillFailureTold_ = false;
    recent_.clear();
}

void RunTrace::Start(TraceHeader header, bool keepRows) {
    Release();
    header_ = std::move(header);
    streamedRows_ = 0;
    if (stream_) stream_->Start(header_);
    keepsRows_ = keepRows;
    if (keepRows) recent_.reserve(WindowRows);
    else std::vector<TraceRow>().swap(recent_);
}

bool RunTrace::Append(SpillFile& file, const void* data, std::size_t size) {
    if (file.failed) return false;
    int error = 0;
    if (file.fd < 0) file.fd = OpenAnonymousFile(spillFolder_, error);
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (file.fd >= 0 && done < size) {
        const ssize_t n = ::pwrite(file.fd, bytes + done, size - done, file.bytes + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (file.fd >= 0 && done == size) {
        file.bytes += static_cast<int64_t>(size);
        return true;
    }
    // What part of this piece reached the file is cut off again, which gives
    // its room back to a full disk (the reader stops at file.bytes anyway).
    if (file.fd >= 0) {
        [[maybe_unused]] const int cut = ::ftruncate(file.fd, file.bytes);
    }
    file.failed = true;
    if (!spillFailureTold_ && spillFailed_) {
        spillFailureTold_ = true;
        const std::string folder = spillFolder_.empty() ? "the temporary folder" : spillFolder_;
        spillFailed_("cannot write its temporary file in " + folder + ": " + SystemErrorText(error != 0 ? error : EIO) +
                     "; the rest of its rows are kept in memory");
    }
    return false;
}

void RunTrace::Add(const TraceRow& row) {
    if (stream_) {
        stream_->Add(row);
        ++streamedRows_;
    }
    if (!keepsRows_) return;
    if (recent_.size() >= WindowRows && !spill_.failed) Spill();
    recent_.push_back(row);
}

void RunTrace::AddCoordinates(const Real* u, int n) {
    if (!header_.allCoordinates || n != header_.n) return;
    if (stream_) stream_->AddCoordinates(u, n);
    if (!keepsRows_) return;
    coordinatesInMemory_.insert(coordinatesInMemory_.end(), u, u + n);
    const std::size_t bytes = coordinatesInMemory_.size() * sizeof(Real);
    if (bytes >= kCoordinateBufferBytes && Append(coordinates_, coordinatesInMemory_.data(), bytes))
        coordinatesInMemory_.clear();
}

int64_t EstimatedTraceCsvBytes(int64_t rows, int coordinates) {
    // A number is at most 27 characters and a comma; the counts, J, the
    // norm, step length, alpha and accuracy take about 160 more.
    return rows * (160 + 28 * static_cast<int64_t>(coordinates));
}

namespace {

// A row on file: its three counts, then its seven numbers at the 10 bytes
// of their x87 format (exact both ways), a third less to write and read
// back than the row in memory.
constexpr std::size_t kPackedRowBytes = 3 * sizeof(int64_t) + 7 * kStoredRealBytes;

void PackRow(const TraceRow& r, unsigned char* p) {
    for (int64_t v : {r.iteration, r.evaluations, r.subIterations}) {
        std::memcpy(p, &v, sizeof v);
        p += sizeof v;
    }
    for (Real v : {r.j, r.gradNorm, r.stepLength, r.alpha, r.accuracy, r.u1, r.u2}) {
        StoreStoredReal(p, v);
        p += kStoredRealBytes;
    }
}

void UnpackRow(const unsigned char* p, TraceRow& r) {
    for (int64_t* v : {&r.iteration, &r.evaluations, &r.subIterations}) {
        std::memcpy(v, p, sizeof *v);
        p += sizeof *v;
    }
    for (Real* v : {&r.j, &r.gradNorm, &r.stepLength, &r.alpha, &r.accuracy, &r.u1, &r.u2}) {
        *v = LoadStoredReal(p);
        p += kStoredRealBytes;
    }
}

} // namespace

void RunTrace::Spill() {
    std::vector<unsigned char> packed(recent_.size() * kPackedRowBytes);
    for (std::size_t i = 0; i < recent_.size(); ++i) PackRow(recent_[i], packed.data() + i * kPackedRowBytes);
    if (!Append(spill_, packed.data(), packed.size())) return;
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
    char buffer[ScientificTextRoom];
    // Like to_chars, it ignores the locale: a window started in a comma
    // locale still writes dots.
    return std::string(buffer, WriteScientific21(value, buffer));
}

int RunTrace::WriteCsvTo(const std::function<int(std::string_view)>& sink) const {
    const TraceHeader& h = header_;
    TraceCsvText text;
    text.Append(TraceCsvHeaderLine(h));
    // The coordinates of every row, read back in step with the rows: first
    // those on file, a piece at a time, then those in memory.
    std::vector<Real> point, piece;
    const std::size_t pointBytes = sizeof(Real) * static_cast<std::size_t>(h.n);
    int64_t fileOffset = 0, memoryOffset = 0;
    std::size_t pieceOffset = 0;
    if (h.allCoordinates) point.resize(static_cast<std::size_t>(h.n));
    auto nextPoint = [&]() -> bool {
        if (pieceOffset >= piece.size() && fileOffset < coordinates_.bytes) {
            const auto rowsAtOnce = static_cast<int64_t>(std::max<std::size_t>(1, kCoordinateBufferBytes / pointBytes));
            const int64_t bytes = std::min(coordinates_.bytes - fileOffset, rowsAtOnce * static_cast<int64_t>(pointBytes));
            if (bytes % static_cast<int64_t>(pointBytes) != 0) return false;
            piece.resize(static_cast<std::size_t>(bytes) / sizeof(Real));
            if (!ReadAt(coordinates_.fd, fileOffset, piece.data(), static_cast<std::size_t>(bytes))) return false;
            fileOffset += bytes;
            pieceOffset = 0;
        }
        if (pieceOffset < piece.size()) {
            std::copy_n(piece.begin() + static_cast<std::ptrdiff_t>(pieceOffset), point.size(), point.begin());
            pieceOffset += point.size();
            return true;
        }
        const auto offset = static_cast<std::size_t>(memoryOffset);
        if (offset + point.size() > coordinatesInMemory_.size()) return false;
        std::copy_n(coordinatesInMemory_.begin() + static_cast<std::ptrdiff_t>(offset), point.size(), point.begin());
        memoryOffset += static_cast<int64_t>(point.size());
        return true;
    };
    int error = 0;
    const bool read = ForEachRow([&](const TraceRow& row) {
        if (error != 0) return;
        if (h.allCoordinates && !nextPoint()) {
            error = EIO;
            return;
        }
        text.AppendRow(row, h.allCoordinates ? point.data() : nullptr, h.n);
        if (text.Size() >= TraceCsvPieceBytes) {
            error = sink(text.View());
            text.Clear();
        }
    });
    if (error == 0 && !read) error = EIO;
    if (error == 0) error = sink(text.View());
    return error;
}

bool RunTrace::ForEachRow(const std::function<void(const TraceRow&)>& visit) const {
    std::vector<unsigned char> piece;
    TraceRow unpacked;
    for (int64_t done = 0; done < spilledRows_;) {
        const int64_t count = std::min<int64_t>(spilledRows_ - done, static_cast<int64_t>(WindowRows));
        piece.resize(static_cast<std::size_t>(count) * kPackedRowBytes);
        if (!ReadAt(spill_.fd, done * static_cast<int64_t>(kPackedRowBytes), piece.data(), piece.size())) return false;
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
            UnpackRow(piece.data() + i * kPackedRowBytes, unpacked);
            visit(unpacked);
        }
        done += count;
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

#include "app/trace_stream.h"

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <system_error>
#include <utility>

#include <emmintrin.h>

#include "app/atomic_file.h"
#include "app/trace_csv.h"

namespace tarvik {

namespace {

// Blocks in flight between the run and the writer, the one being filled
// and the one being written included: a megabyte or so.
constexpr int kMaxBlocks = 4;

// A row copied into its block past the cache: the block's lines were last
// read by the writer's core, and ordinary stores into them would each wait
// for a line to come back over. Each number is read as the x87 unit stored
// it, eight bytes and two, so that the reads are served from those stores.
void StreamRow(TraceRow& to, const TraceRow& from) {
    auto* target = reinterpret_cast<unsigned char*>(&to);
    const auto* source = reinterpret_cast<const unsigned char*>(&from);
    const auto put = [target](std::size_t offset, uint64_t word) {
        _mm_stream_si64(reinterpret_cast<long long*>(target + offset), static_cast<long long>(word));
    };
    for (const std::size_t offset : {offsetof(TraceRow, iteration), offsetof(TraceRow, evaluations),
                                     offsetof(TraceRow, subIterations)}) {
        uint64_t word;
        std::memcpy(&word, source + offset, 8);
        put(offset, word);
    }
    for (const std::size_t offset : {offsetof(TraceRow, j), offsetof(TraceRow, gradNorm), offsetof(TraceRow, stepLength),
                                     offsetof(TraceRow, alpha), offsetof(TraceRow, accuracy), offsetof(TraceRow, u1),
                                     offsetof(TraceRow, u2)}) {
        const RealParts parts = PartsOf(source + offset);
        put(offset, parts.significand);
        put(offset + 8, parts.signAndExponent);
    }
}

} // namespace

TraceFileStream::TraceFileStream(std::string path, const volatile std::sig_atomic_t* interrupted)
    : path_(std::move(path)), interrupted_(interrupted) {}

TraceFileStream::~TraceFileStream() { End(false); }

void TraceFileStream::Start(const TraceHeader& header) { header_ = header; }

std::unique_ptr<TraceFileStream::Block> TraceFileStream::Spare() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (spare_.empty() && blocks_ < kMaxBlocks) {
        ++blocks_;
        lock.unlock();
        auto block = std::make_unique<Block>();
        block->rows.resize(BlockRows);
        return block;
    }
    while (spare_.empty()) {
        // Text made here is text the writer need not make: with the writer
        // behind, both cores write.
        if (WriteOneWaiting(lock)) continue;
        // A signal does not end a wait, so the flag is looked at now and then.
        if (changed_.wait_for(lock, std::chrono::milliseconds(50), [this] { return !spare_.empty(); })) break;
        if (interrupted_ != nullptr && *interrupted_ != 0) return nullptr;
    }
    std::unique_ptr<Block> block = std::move(spare_.back());
    spare_.pop_back();
    return block;
}

bool TraceFileStream::WriteOneWaiting(std::unique_lock<std::mutex>& lock) {
    // The latest first: the writer reaches it last.
    for (auto it = queued_.rbegin(); it != queued_.rend(); ++it) {
        Block& block = **it;
        if (block.stage != Block::Stage::Rows) continue;
        block.stage = Block::Stage::BeingWritten;
        lock.unlock();
        const bool whole = AppendText(block, block.text);
        lock.lock();
        block.textWhole = whole;
        block.stage = Block::Stage::Text;
        ++blocksTheRunWrote_;
        changed_.notify_all();
        return true;
    }
    return false;
}

bool TraceFileStream::AppendText(const Block& block, TraceCsvText& text) const {
    const int n = header_.n;
    const bool all = header_.allCoordinates;
    if (all && block.coordinates.size() != block.count * static_cast<std::size_t>(n)) return false;
    const Real* point = block.coordinates.data();
    for (std::size_t i = 0; i < block.count; ++i) {
        const TraceRow& row = block.rows[i];
        text.AppendRow(row, all ? point : nullptr, n);
        if (all) point += n;
    }
    return true;
}

void TraceFileStream::Add(const TraceRow& row) {
    if (gaveUp_) return;
    if (!filling_) {
        if (!writer_.joinable() && error_ == 0) {
            try {
                writer_ = std::thread(&TraceFileStream::Write, this);
            } catch (const std::system_error& e) {
                error_ = e.code().value() != 0 ? e.code().value() : EAGAIN;
            }
        }
        if (!writer_.joinable()) return;
        filling_ = Spare();
        if (!filling_) {
            gaveUp_ = true;
            return;
        }
    }
    StreamRow(filling_->rows[filling_->count++], row);
    // With all coordinates the block is closed once the row's point is in.
    if (!header_.allCoordinates && filling_->count >= BlockRows) HandOver();
}

void TraceFileStream::AddCoordinates(const Real* u, int n) {
    if (!header_.allCoordinates || n != header_.n || !filling_) return;
    filling_->coordinates.insert(filling_->coordinates.end(), u, u + n);
    if (filling_->count >= BlockRows || filling_->coordinates.size() * sizeof(Real) >= BlockCoordinateBytes)
        HandOver();
}

void TraceFileStream::HandOver() {
    // The rows' stores went past the cache: they reach memory before the
    // block is handed over.
    _mm_sfence();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(filling_));
    }
    changed_.notify_all();
}

std::unique_ptr<TraceFileStream::Block> TraceFileStream::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    // A block whose text the run's thread is making is not taken before it is made.
    changed_.wait(lock, [this] {
        return ended_ || (!queued_.empty() && queued_.front()->stage != Block::Stage::BeingWritten);
    });
    if (abandoned_ || queued_.empty()) return nullptr;
    std::unique_ptr<Block> block = std::move(queued_.front());
    queued_.pop_front();
    return block;
}

bool TraceFileStream::Abandoned() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return abandoned_;
}

void TraceFileStream::Recycle(std::unique_ptr<Block> block) {
    block->count = 0;
    block->coordinates.clear();
    block->text.Clear();
    block->stage = Block::Stage::Rows;
    block->textWhole = true;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        spare_.push_back(std::move(block));
    }
    changed_.notify_all();
}

void TraceFileStream::Write() {
    // Ctrl-C and SIGTERM go on reaching the run's thread, as without a
    // writer.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    const auto produce = [&](const ByteSink& sink) -> int {
        TraceCsvText text;
        text.Append(TraceCsvHeaderLine(header_));
        while (std::unique_ptr<Block> block = Next()) {
            // Only this thread takes a block from the line, and the run's
            // thread is done with it once it is at the front.
            bool whole = block->textWhole;
            if (block->stage == Block::Stage::Text) text.Append(block->text.View());
            else whole = AppendText(*block, text);
            Recycle(std::move(block));
            if (!whole) return EIO;
            if (text.Size() >= TraceCsvPieceBytes) {
                if (const int error = sink(text.View()); error != 0) return error;
                text.Clear();
            }
        }
        if (Abandoned()) return ECANCELED;
        return sink(text.View());
    };
    const int error = ReplaceFileStreamed(path_, produce);
    // The run goes on to its end whatever became of the file.
    while (std::unique_ptr<Block> block = Next()) Recycle(std::move(block));
    const std::lock_guard<std::mutex> lock(mutex_);
    error_ = error;
}

void TraceFileStream::End(bool keep) {
    if (!writer_.joinable()) return;
    // The run's own Ctrl-C handler is gone by now: the temporary must not
    // outlive the program either way.
    const TemporariesRemovedOnSignal signals;
    if (keep && filling_ && filling_->count != 0) HandOver();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        abandoned_ = !keep;
    }
    changed_.notify_all();
    writer_.join();
    filling_.reset();
}

int TraceFileStream::Finish() {
    End(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

bool TraceMayStream(const std::string& path, std::FILE* report, std::FILE* messages) {
    // A regular file is written into a temporary of its own.
    if (!ReceivingFolder(path).empty()) return true;
    struct stat target {};
    if (path == StandardOutputName ? ::fstat(STDOUT_FILENO, &target) != 0 : ::stat(path.c_str(), &target) != 0)
        return false;
    for (std::FILE* stream : {report, messages}) {
        const int fd = stream != nullptr ? ::fileno(stream) : -1;
        struct stat other {};
        if (fd < 0 || ::fstat(fd, &other) != 0) continue;
        if (other.st_dev == target.st_dev && other.st_ino == target.st_ino) return false;
        // A terminal shows both, whichever names reach it: any device is
        // taken for one while the report goes to a terminal.
        if (S_ISCHR(target.st_mode) && ::isatty(fd)) return false;
    }
    return true;
}

} // namespace tarvik

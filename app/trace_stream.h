#pragma once
// A trace file written while its run goes, instead of from rows kept until
// the run has ended: the run hands its rows over in blocks, a thread of the
// stream's own turns them into the text of app/trace_csv.h and writes it as
// app/atomic_file.h writes files. A regular file's text goes into the
// temporary beside it, which takes the file's name only once the run has
// ended and every byte is on disk; a device, a FIFO or "-" is written in
// place as the rows come. Nothing is opened before the first row: a run
// that does not start leaves an older file, or the device, untouched.
// Memory stays bounded: when the writer falls behind, the run turns the
// rows waiting in line into text itself rather than sit idle, and once none
// are left it waits (for a slow reader of a pipe, say).
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <csignal>

#include "app/trace_csv.h"
#include "app/trace_row.h"

namespace tarvik {

class TraceFileStream {
public:
    // While the writer cannot keep up (a FIFO nobody reads, say), the run
    // waits for it, but not once *interrupted is set (Ctrl-C): the rows from
    // then on are dropped, and the run ends as Ctrl-C ends it.
    explicit TraceFileStream(std::string path, const volatile std::sig_atomic_t* interrupted = nullptr);
    // A stream not finished is abandoned: a regular file's temporary goes,
    // the older file stays.
    ~TraceFileStream();
    TraceFileStream(const TraceFileStream&) = delete;
    TraceFileStream& operator=(const TraceFileStream&) = delete;

    // Before the run's first row.
    void Start(const TraceHeader& header);
    void Add(const TraceRow& row);
    // The whole point of the row just added, when the header asks for all
    // coordinates: u[1..n].
    void AddCoordinates(const Real* u, int n);
    // Writes what is left and gives the file its name. Returns 0, or the
    // errno value of the first write that failed (the older file then stays
    // as it was). Without a row nothing is written at all.
    int Finish();

    // Rows in a block, and the coordinates' bytes that close one early.
    static constexpr std::size_t BlockRows = 1024;
    static constexpr std::size_t BlockCoordinateBytes = 1 << 18;

    // Blocks whose text the run's own thread made while the writer lagged.
    int BlocksTheRunWrote() const { return blocksTheRunWrote_; }

private:
    struct Block {
        std::vector<TraceRow> rows;    // BlockRows of them, the first `count` filled
        std::size_t count = 0;
        std::vector<Real> coordinates;
        // Rows until one of the two threads has made their text.
        enum class Stage { Rows, BeingWritten, Text } stage = Stage::Rows;
        TraceCsvText text;
        bool textWhole = true;         // false: its coordinates did not match its rows
    };

    void HandOver();
    void End(bool keep);
    void Write();
    // The next block to write, or null once the run has ended (or the
    // stream was abandoned).
    std::unique_ptr<Block> Next();
    void Recycle(std::unique_ptr<Block> block);
    std::unique_ptr<Block> Spare();
    // Makes the text of the latest block in line that still holds rows, on
    // the run's thread; false where there is none.
    bool WriteOneWaiting(std::unique_lock<std::mutex>& lock);
    // A block's text, appended to `text`; false where its coordinates do
    // not match its rows.
    bool AppendText(const Block& block, TraceCsvText& text) const;
    bool Abandoned();

    std::string path_;
    const volatile std::sig_atomic_t* interrupted_;
    bool gaveUp_ = false;
    TraceHeader header_;
    std::unique_ptr<Block> filling_;
    int blocksTheRunWrote_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Block>> queued_;    // handed over, in order
    std::vector<std::unique_ptr<Block>> spare_;    // written, to be filled again
    int blocks_ = 0;
    bool ended_ = false;
    bool abandoned_ = false;
    int error_ = 0;
    std::thread writer_;
};

// Whether a trace to path may be streamed while a run writes its report to
// `report` and its messages to `messages`: false where the trace is written
// in place to the file one of them writes too (the terminal, a shared
// pipe), whose lines would then interleave.
bool TraceMayStream(const std::string& path, std::FILE* report, std::FILE* messages);

} // namespace tarvik

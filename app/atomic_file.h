#pragma once
// Writing a file as a whole. A regular file (or a link to one) gets its new
// bytes in a temporary file in the target's folder, flushed to the disk, and
// only then under the target's name, so a full disk, a file-size limit or a
// crash part-way leaves the old file as it was instead of a truncated one.
// Anything else that already exists under the name (a device, a FIFO, a
// socket, a descriptor named through /proc as /dev/stdout is) is written in
// place: renaming a file over it would destroy it for every other user.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tarvik {

// The name that stands for the standard output in the batch mode's options.
inline constexpr std::string_view StandardOutputName = "-";

// Writes bytes to path. Returns 0, or the errno value of the step that
// failed. An existing regular file that its mode keeps the user from
// writing (for root: one that nobody may write, 0444) is not replaced:
// EACCES, as cp without its override. Temporaries of this program left
// beside the target by a writer that no longer runs are removed first, and
// Ctrl-C or SIGTERM during the write (where they would end the program)
// remove the write's own temporary before ending it. For a regular file the target is then untouched and no temporary
// file remains; a missing file (or the target of a dangling link) is created
// as a regular file, and a file that replaces another keeps the other's
// permission bits. "-" is the standard output, and /dev/stdout, /dev/fd/N and
// /proc/self/fd/N the descriptor they name, written as they are (no second
// opening, so the bytes follow whatever the descriptor already holds). An
// existing device, FIFO or socket is opened for writing (not truncated) and
// written in place; every write error, a closed pipe's EPIPE included, is
// returned. A directory is refused with EISDIR.
// failedToCreate, when given, tells whether the file could not even be
// created or opened (a missing or read-only folder) rather than written.
// From the first call on, a write past the process's file-size limit fails
// with EFBIG instead of ending the program (SIGXFSZ is ignored).
int ReplaceFileContents(const std::string& path, std::string_view bytes, bool* failedToCreate = nullptr);

// The same for contents too large to hold at once: `produce` hands the bytes
// to the sink piece by piece and returns 0, or the sink's (or its own)
// errno value.
using ByteSink = std::function<int(std::string_view)>;
int ReplaceFileStreamed(const std::string& path, const std::function<int(const ByteSink&)>& produce,
                        bool* failedToCreate = nullptr);

// While one lives, Ctrl-C or SIGTERM, where they would end the program (at
// their default action), first remove the temporaries that any thread is
// writing now. Every write holds one; a thread that waits for another's
// write holds one too, since the program's own handler may have been put
// back to the default after that write began.
class TemporariesRemovedOnSignal {
public:
    TemporariesRemovedOnSignal();
    ~TemporariesRemovedOnSignal();
    TemporariesRemovedOnSignal(const TemporariesRemovedOnSignal&) = delete;
    TemporariesRemovedOnSignal& operator=(const TemporariesRemovedOnSignal&) = delete;
};

// Writes text to an open stream (the standard output, say) and flushes it.
// Returns 0, or the errno value of the failure: a full device, a pipe whose
// reader has gone (EPIPE rather than the end of the program), a file past
// the file-size limit (EFBIG), or EIO when an earlier write to the stream
// failed.
int WriteStream(std::FILE* stream, std::string_view text);

// The folder that receives path when it is written as a regular file (the
// folder of the file a link points to); empty for "-", a descriptor, a
// device, a FIFO or a socket.
std::string ReceivingFolder(const std::string& path);

// True when path names a regular file (after links) that is not reached
// through a descriptor of this process: a file a companion file may be
// written beside.
bool IsRegularFileTarget(const std::string& path);

// The system's text for an errno value, as messages to the user show it.
std::string SystemErrorText(int error);

} // namespace tarvik

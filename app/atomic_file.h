#pragma once
// Replacing a file as a whole. The new bytes go to a temporary file in the
// target's folder, are flushed to the disk and only then take the target's
// name, so a full disk, a file-size limit or a crash part-way leaves the
// old file as it was instead of a truncated one.
#include <functional>
#include <string>
#include <string_view>

namespace tarvik {

// Writes bytes to path. Returns 0, or the errno value of the step that
// failed; the target is then untouched and no temporary file remains.
// failedToCreate, when given, tells whether the file could not even be
// created (a missing or read-only folder) rather than written. A file that
// replaces another keeps the other's permission bits. From the first call
// on, a write past the process's file-size limit fails with EFBIG instead of
// ending the program (SIGXFSZ is ignored).
int ReplaceFileContents(const std::string& path, std::string_view bytes, bool* failedToCreate = nullptr);

// The same for contents too large to hold at once: `produce` hands the bytes
// to the sink piece by piece and returns 0, or the sink's (or its own)
// errno value.
using ByteSink = std::function<int(std::string_view)>;
int ReplaceFileStreamed(const std::string& path, const std::function<int(const ByteSink&)>& produce,
                        bool* failedToCreate = nullptr);

// The system's text for an errno value, as messages to the user show it.
std::string SystemErrorText(int error);

} // namespace tarvik

#pragma once
// Writing a file so that a failure never destroys the file it replaces: the
// text goes to a temporary file in the same folder, is flushed to the disk,
// and only then renamed over the target.
#include <cstdio>
#include <functional>
#include <string>

namespace tarvik {

// `write` fills the open temporary file and returns false on a failed write.
// Returns false with the system's reason in `error` when anything fails; the
// target is then untouched and no temporary file is left behind.
bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error);

} // namespace tarvik

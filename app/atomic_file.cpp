#include "app/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvik {

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error) {
    if (path.empty()) {
        error = "No file name given";
        return false;
    }
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".tmpXXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp creates 0600; a saved file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(name.data());
        return false;
    }
    errno = 0;
    bool ok = write(out) && std::fflush(out) == 0 && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(name.data(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(name.data());
        error = std::strerror(savedErrno != 0 ? savedErrno : EIO);
    }
    return ok;
}

} // namespace tarvik

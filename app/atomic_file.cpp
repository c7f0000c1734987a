#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace tarvik {

namespace {

// By default a write past the file-size limit kills the process; ignored,
// it fails with EFBIG, which the user is then told about.
void IgnoreFileSizeSignalOnce() {
    static const bool ignored = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

// A symbolic link is followed, so the file it points to is replaced
// rather than the link itself.
std::string ResolvedTarget(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Creates a new temporary file beside target; -1 with errno on failure.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string prefix = slash == std::string::npos ? "." + target
                                                          : target.substr(0, slash + 1) + "." + target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

int ReplaceFileContents(const std::string& path, std::string_view bytes, bool* failedToCreate) {
    return ReplaceFileStreamed(path, [bytes](const ByteSink& sink) { return sink(bytes); }, failedToCreate);
}

int ReplaceFileStreamed(const std::string& path, const std::function<int(const ByteSink&)>& produce,
                        bool* failedToCreate) {
    IgnoreFileSizeSignalOnce();
    if (failedToCreate != nullptr) *failedToCreate = true;
    if (path.empty()) return ENOENT;
    const std::string target = ResolvedTarget(path);
    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return errno != 0 ? errno : EIO;
    if (failedToCreate != nullptr) *failedToCreate = false;

    int error = 0;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    std::size_t size = 0;
    if (error == 0)
        error = produce([fd, &size](std::string_view bytes) {
            size += bytes.size();
            return WriteAll(fd, bytes);
        });
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    // The size on disk is checked too: a writer that lost bytes without
    // saying so must not replace a good file.
    struct stat written {};
    if (error == 0 && ::fstat(fd, &written) != 0) error = errno;
    if (error == 0 && static_cast<std::size_t>(written.st_size) != size) error = EIO;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        return error;
    }
    // The new name reaches the disk with the folder; a failure here cannot
    // bring the old file back, so it is not reported.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

std::string SystemErrorText(int error) { return std::strerror(error); }

} // namespace tarvik

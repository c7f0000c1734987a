#include "app/atomic_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// A write to a pipe whose reader has gone raises SIGPIPE, which would end
// the program before the failure could be reported. While a pipe may be
// written the signal is held back for this thread, and one raised by the
// write is taken before it is let through again: the write's EPIPE says it.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;
    ~PipeSignalHeld() {
        if (!wasPending_) {
            const timespec none{};
            while (sigtimedwait(&pipe_, nullptr, &none) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

private:
    sigset_t pipe_{}, old_{};
    bool wasPending_ = false;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// A symbolic link is followed, so the file it points to is replaced
// rather than the link itself.
std::string ResolvedTarget(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    const std::string resolved = RealPath(path);
    return resolved.empty() ? path : resolved;
}

// The descriptor of this process that path names through /proc/<pid>/fd
// (/dev/stdout, /dev/fd/N and /proc/self/fd/N all lead there), or -1. Such a
// name is a link to whatever the descriptor holds, a pipe or a terminal as
// well as a file the shell opened: opened anew it would start writing at a
// position of its own, so the descriptor itself is written.
int DescriptorNamed(std::string path) {
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (int hop = 0; hop < 40; ++hop) {
        const std::string folder = RealPath(FolderOf(path));
        if (folder.empty()) return -1;
        const std::string full = (folder == "/" ? "" : folder) + "/" + NameOf(path);
        if (full.size() > own.size() && full.compare(0, own.size(), own) == 0) {
            int fd = 0;
            for (std::size_t i = own.size(); i < full.size(); ++i) {
                if (full[i] < '0' || full[i] > '9' || fd > 100000000) return -1;
                fd = fd * 10 + (full[i] - '0');
            }
            return fd;
        }
        struct stat link {};
        if (::lstat(full.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return -1;
        char target[4096];
        const ssize_t length = ::readlink(full.c_str(), target, sizeof target - 1);
        if (length <= 0) return -1;
        const std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : folder + "/" + next;
    }
    return -1;
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

// A write that takes fewer bytes than offered is continued; the next write
// then says why (ENOSPC, EPIPE, ...), and one that takes nothing is EIO.
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

int WriteInPlace(int fd, const std::function<int(const ByteSink&)>& produce) {
    // What the standard streams hold comes first.
    if (fd == STDOUT_FILENO) std::fflush(stdout);
    if (fd == STDERR_FILENO) std::fflush(stderr);
    const PipeSignalHeld held;
    return produce([fd](std::string_view bytes) { return WriteAll(fd, bytes); });
}

int ReplaceRegularFile(const std::string& path, const std::function<int(const ByteSink&)>& produce,
                       bool* failedToCreate) {
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

} // namespace

int ReplaceFileContents(const std::string& path, std::string_view bytes, bool* failedToCreate) {
    return ReplaceFileStreamed(path, [bytes](const ByteSink& sink) { return sink(bytes); }, failedToCreate);
}

int ReplaceFileStreamed(const std::string& path, const std::function<int(const ByteSink&)>& produce,
                        bool* failedToCreate) {
    IgnoreFileSizeSignalOnce();
    if (failedToCreate != nullptr) *failedToCreate = true;
    if (path.empty()) return ENOENT;
    const int descriptor = path == StandardOutputName ? STDOUT_FILENO : DescriptorNamed(path);
    if (descriptor >= 0) {
        if (failedToCreate != nullptr) *failedToCreate = false;
        return WriteInPlace(descriptor, produce);
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) != 0 || S_ISREG(existing.st_mode))
        return ReplaceRegularFile(path, produce, failedToCreate);
    if (S_ISDIR(existing.st_mode)) return EISDIR;
    // A device is not truncated (it has no length); a FIFO waits here for
    // its reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    if (failedToCreate != nullptr) *failedToCreate = false;
    int error = WriteInPlace(fd, produce);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

bool IsRegularFileTarget(const std::string& path) {
    struct stat target {};
    return path != StandardOutputName && DescriptorNamed(path) < 0 && ::stat(path.c_str(), &target) == 0 &&
           S_ISREG(target.st_mode);
}

std::string SystemErrorText(int error) { return std::strerror(error); }

} // namespace tarvik

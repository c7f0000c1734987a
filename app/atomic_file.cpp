#include "app/atomic_file.h"

#include <dirent.h>
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
#include <mutex>

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

// ------------------------------------------- temporaries and signals
//
// A temporary file lives from its creation to its rename (or removal).
// Ctrl-C or SIGTERM in between would end the program and leave it behind,
// so while one exists a handler removes it first and then lets the signal
// end the program as it would have. The handler is installed only over the
// default action: a handler of the program's own (the batch run's Ctrl-C)
// goes on as it is, and the write then ends through the ordinary path,
// which removes the temporary itself.

// The temporaries being written now, readable from the handler.
struct TemporarySlot {
    std::atomic<bool> claimed{false};
    std::atomic<bool> ready{false};
    char path[4096] = {};
};
TemporarySlot temporaries[8];

constexpr int kEndingSignals[] = {SIGINT, SIGTERM};
std::mutex handlerMutex;
int writesInProgress = 0;
bool handlerInstalled[std::size(kEndingSignals)] = {};
struct sigaction savedAction[std::size(kEndingSignals)];

extern "C" void RemoveTemporariesAndEnd(int signal) {
    for (TemporarySlot& slot : temporaries)
        if (slot.ready.load()) ::unlink(slot.path);
    // The default action again, taken once this handler returns (the
    // signal is held back while it runs).
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    ::raise(signal);
}

} // namespace

TemporariesRemovedOnSignal::TemporariesRemovedOnSignal() {
    const std::lock_guard<std::mutex> lock(handlerMutex);
    ++writesInProgress;
    // A signal whose handler was put back to the default since an earlier
    // write began is taken over now.
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        if (handlerInstalled[i]) continue;
        struct sigaction current {};
        if (::sigaction(kEndingSignals[i], nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction remove {};
        remove.sa_handler = RemoveTemporariesAndEnd;
        sigemptyset(&remove.sa_mask);
        remove.sa_flags = SA_RESTART;
        handlerInstalled[i] = ::sigaction(kEndingSignals[i], &remove, &savedAction[i]) == 0;
    }
}

TemporariesRemovedOnSignal::~TemporariesRemovedOnSignal() {
    const std::lock_guard<std::mutex> lock(handlerMutex);
    if (--writesInProgress > 0) return;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        if (!handlerInstalled[i]) continue;
        handlerInstalled[i] = false;
        // A handler installed over ours since is left in place.
        struct sigaction current {};
        if (::sigaction(kEndingSignals[i], nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
            current.sa_handler == RemoveTemporariesAndEnd)
            ::sigaction(kEndingSignals[i], &savedAction[i], nullptr);
    }
}

namespace {

class TemporaryGuard {
public:
    TemporaryGuard() = default;
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;
    ~TemporaryGuard() { Forget(); }
    // The temporary just created; a path too long for a slot (or more
    // writes at once than slots) goes unguarded.
    void Remember(const std::string& path) {
        if (path.size() >= sizeof temporaries[0].path) return;
        for (TemporarySlot& slot : temporaries) {
            bool expected = false;
            if (!slot.claimed.compare_exchange_strong(expected, true)) continue;
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.ready.store(true);
            slot_ = &slot;
            return;
        }
    }
    void Forget() {
        if (slot_ == nullptr) return;
        slot_->ready.store(false);
        slot_->claimed.store(false);
        slot_ = nullptr;
    }

private:
    const TemporariesRemovedOnSignal signals_;
    TemporarySlot* slot_ = nullptr;
};

constexpr std::string_view kTemporaryMark = ".tmp";

// The temporary's name: ".NAME.tmpPID_N" beside NAME.
std::string TemporaryPrefix(const std::string& target) { return "." + NameOf(target) + std::string(kTemporaryMark); }

// The writer's process id in a temporary's name, or 0 when the name is not
// one of this program's temporaries of that target.
pid_t TemporaryOwner(std::string_view name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
    name.remove_prefix(prefix.size());
    const auto underscore = name.find('_');
    if (underscore == 0 || underscore == std::string_view::npos || underscore + 1 == name.size() || underscore > 9)
        return 0;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (i != underscore && (name[i] < '0' || name[i] > '9')) return 0;
    long pid = 0;
    for (std::size_t i = 0; i < underscore; ++i) pid = pid * 10 + (name[i] - '0');
    return static_cast<pid_t>(pid);
}

// Temporaries of this program beside target left by a writer that no
// longer runs (killed outright, or a crash): removed before the target is
// written again, so they do not pile up. A writer that still runs keeps
// its temporary.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string prefix = TemporaryPrefix(target);
    DIR* folder = ::opendir(FolderOf(target).c_str());
    if (folder == nullptr) return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t owner = TemporaryOwner(entry->d_name, prefix);
        if (owner <= 0 || owner == self || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        struct stat file {};
        if (::fstatat(::dirfd(folder), entry->d_name, &file, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(file.st_mode) ||
            file.st_uid != ::geteuid())
            continue;
        ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// Creates a new temporary file beside target; -1 with errno on failure.
int CreateTemporary(const std::string& target, std::string& tempPath, TemporaryGuard& guard) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string prefix = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + TemporaryPrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) guard.Remember(tempPath);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A file whose mode keeps the user from writing it is not replaced, as cp
// would not replace it without being told to: it was made read-only to be
// kept. Root may write anything, so for root a file nobody may write
// (0444) is such a file.
bool KeptReadOnly(const std::string& target, const struct stat& file) {
    if (::geteuid() == 0) return (file.st_mode & 0222) == 0;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
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

// A long file goes to the disk while it is written rather than all at the
// fsync that ends the write, which would otherwise wait for every byte: each
// finished stretch is sent off, and the one before it waited for, so that
// dirty pages stay few. A failure here is the fsync's to report.
constexpr std::size_t kWritebackBytes = std::size_t(8) << 20;

void WriteBack(int fd, std::size_t written) {
    const auto end = static_cast<off64_t>(written / kWritebackBytes * kWritebackBytes);
    const auto stretch = static_cast<off64_t>(kWritebackBytes);
    ::sync_file_range(fd, end - stretch, stretch, SYNC_FILE_RANGE_WRITE);
    if (end > stretch)
        ::sync_file_range(fd, end - 2 * stretch, stretch,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
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
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && KeptReadOnly(target, old)) return EACCES;
    RemoveStaleTemporaries(target);
    TemporaryGuard guard;
    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath, guard);
    if (fd < 0) return errno != 0 ? errno : EIO;
    if (failedToCreate != nullptr) *failedToCreate = false;

    int error = 0;
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    std::size_t size = 0;
    if (error == 0)
        error = produce([fd, &size](std::string_view bytes) {
            const std::size_t before = size;
            size += bytes.size();
            const int failure = WriteAll(fd, bytes);
            if (failure == 0 && before / kWritebackBytes != size / kWritebackBytes) WriteBack(fd, size);
            return failure;
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

int WriteStream(std::FILE* stream, std::string_view text) {
    IgnoreFileSizeSignalOnce();
    const PipeSignalHeld held;
    errno = 0;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stream) != text.size()) return errno != 0 ? errno : EIO;
    if (std::fflush(stream) != 0) return errno != 0 ? errno : EIO;
    return std::ferror(stream) ? EIO : 0;
}

std::string ReceivingFolder(const std::string& path) {
    if (path.empty() || path == StandardOutputName || DescriptorNamed(path) >= 0) return {};
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) return {};
    return FolderOf(ResolvedTarget(path));
}

bool IsRegularFileTarget(const std::string& path) {
    struct stat target {};
    return path != StandardOutputName && DescriptorNamed(path) < 0 && ::stat(path.c_str(), &target) == 0 &&
           S_ISREG(target.st_mode);
}

std::string SystemErrorText(int error) { return std::strerror(error); }

} // namespace tarvik

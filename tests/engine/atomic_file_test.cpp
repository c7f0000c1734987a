// Files are replaced as a whole: a write that fails part-way (here past a
// file-size limit, as on a full disk) leaves the old file whole and names
// the system's reason. What is not a regular file is written in place and
// stays what it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "run_state_fixture.h"
#include "temp_folder.h"

#include "app/atomic_file.h"
#include "app/configuration.h"
#include "app/report_file.h"
#include "file_size_limit.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;

class AtomicFileTest : public testing::TempFolderTest {
protected:
    int FilesInFolder() const { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
};

TEST_F(AtomicFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    const fs::path path = dir_ / "data.ini";
    { std::ofstream(path) << "a much longer old text than the new one"; }
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(ReplaceFileContents(path.string(), "new"), 0);
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesInFolder(), 1);
}

// Each writer of the program, failing past the limit: its report of the
// failure (empty when it claimed success).
struct Writer {
    const char* name;
    std::function<std::string(const std::string& path, const std::string& text)> write;
};

TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFileWholeAndSaysWhy) {
    const Writer writers[] = {
        {"helper", [](const std::string& path, const std::string& text) {
             const int error = ReplaceFileContents(path, text);
             return error == 0 ? std::string() : SystemErrorText(error);
         }},
        {"report", [](const std::string& path, const std::string& text) {
             const std::string message = testing::ErrorOf<std::runtime_error>([&] { WriteReportFile(path, {text}); });
             return message == "no exception" ? std::string() : message;
         }},
        {"data.ini", [](const std::string& path, const std::string& text) {
             Configuration c;
             c.PathU0 = text;
             return StoreConfiguration(path, c).value_or("");
         }},
    };
    const std::string oldText(3000, 'o');
    const std::string newText(5000, 'n');
    for (const Writer& w : writers) {
        const fs::path path = dir_ / "target.txt";
        { std::ofstream(path, std::ios::binary) << oldText; }
        std::string message;
        {
            const FileSizeLimit limit(1000);
            message = w.write(path.string(), newText);
        }
        EXPECT_NE(message.find(SystemErrorText(EFBIG)), std::string::npos) << w.name << ": " << message;
        EXPECT_TRUE(ReadBytes(path) == oldText) << w.name << ": the old file was changed";
        EXPECT_EQ(FilesInFolder(), 1) << w.name << ": the temporary file stayed";
    }
}

// What a read end holds now (the writer wrote less than a pipe's buffer).
std::string Drain(int fd) {
    std::string bytes;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

bool IsKind(const fs::path& path, mode_t kind, bool follow = true) {
    struct stat st {};
    return (follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0 && (st.st_mode & S_IFMT) == kind;
}

ino_t InodeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A regular file, or a link to one, is replaced (a new file takes the
// name); a dangling link becomes a regular file; a FIFO and a descriptor
// named through /proc are written as they are; a directory is refused.
TEST_F(AtomicFileTest, EachKindOfTargetIsWrittenAsItMustBe) {
    const std::string file = Write("file.csv", "old"), target = Write("target.csv", "old");
    const ino_t fileInode = InodeOf(file);
    fs::create_symlink(target, dir_ / "link.csv");
    fs::create_symlink(dir_ / "gone.csv", dir_ / "dangling.csv");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    const std::string log = Write("log.txt", "old");
    const int logFd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    int pipeFds[2];
    ASSERT_TRUE(logFd >= 0 && ::pipe(pipeFds) == 0);

    EXPECT_EQ(ReplaceFileContents(file, "new"), 0);
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_NE(InodeOf(file), fileInode) << "replaced, not written over";

    EXPECT_EQ(ReplaceFileContents((dir_ / "link.csv").string(), "new"), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    EXPECT_EQ(ReadBytes(target), "new");

    EXPECT_EQ(ReplaceFileContents((dir_ / "dangling.csv").string(), "new"), 0);
    EXPECT_TRUE(IsKind(dir_ / "dangling.csv", S_IFREG, false));

    EXPECT_EQ(ReplaceFileContents((dir_ / "folder").string(), "new"), EISDIR);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));

    // A file made read-only is kept, as cp keeps it without being forced.
    const std::string kept = Write("kept.csv", "old");
    ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
    bool failedToCreate = false;
    EXPECT_EQ(ReplaceFileContents(kept, "new", &failedToCreate), EACCES);
    EXPECT_TRUE(failedToCreate);
    EXPECT_EQ(ReadBytes(kept), "old");

    // The reader is there before the writer, so neither waits.
    const int fifo = ::open((dir_ / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fifo, 0);
    EXPECT_EQ(ReplaceFileContents((dir_ / "fifo").string(), "new"), 0);
    EXPECT_EQ(Drain(fifo), "new");
    EXPECT_TRUE(IsKind(dir_ / "fifo", S_IFIFO));

    // The descriptor itself, at its own position, not the file opened anew.
    EXPECT_EQ(ReplaceFileContents("/proc/self/fd/" + std::to_string(logFd), "new"), 0);
    ::close(logFd);
    EXPECT_EQ(ReadBytes(log), "oldnew");

    EXPECT_EQ(ReplaceFileContents("/proc/self/fd/" + std::to_string(pipeFds[1]), "new"), 0);
    ::close(pipeFds[1]);
    EXPECT_EQ(Drain(pipeFds[0]), "new");

    // A pipe whose reader has gone: EPIPE, and the program goes on.
    ASSERT_EQ(::pipe(pipeFds), 0);
    ::close(pipeFds[0]);
    EXPECT_EQ(ReplaceFileContents("/proc/self/fd/" + std::to_string(pipeFds[1]), "new"), EPIPE);
    ::close(pipeFds[1]);
}

// Copies of the null and the full device, made in the test's folder: the
// node is written in place and is still the device afterwards; a write to
// the full one is ENOSPC.
TEST_F(AtomicFileTest, ADeviceNodeStaysTheDevice) {
    const fs::path null = dir_ / "null", full = dir_ / "full", link = dir_ / "F.png";
    if (::mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod is not permitted here";
    const int probe = ::open(null.c_str(), O_WRONLY);
    if (probe < 0) GTEST_SKIP() << "device nodes cannot be opened in " << dir_;
    ::close(probe);
    fs::create_symlink(full, link);
    const std::pair<fs::path, int> cases[] = {{null, 0}, {full, ENOSPC}, {link, ENOSPC}};
    for (const auto& [path, error] : cases) {
        EXPECT_EQ(ReplaceFileContents(path.string(), std::string(100000, 'x')), error) << path;
        EXPECT_TRUE(IsKind(null, S_IFCHR) && IsKind(full, S_IFCHR)) << path;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(FilesInFolder(), 3);
}

// Temporaries never outlive their write: Ctrl-C or SIGTERM in the middle of
// one removes it (and still ends the program by that signal), and those of
// writers that died outright are removed before the target is written again.
TEST_F(AtomicFileTest, NoTemporaryOutlivesItsWrite) {
    const std::string target = Write("trace.csv", "old");
    for (const int signal : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ReplaceFileStreamed(target, [signal](const ByteSink& sink) {
                sink(std::string(100000, 'x'));
                ::raise(signal);
                return sink("never written");
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_EQ(ReadBytes(target), "old");
        EXPECT_EQ(FilesInFolder(), 1) << "signal " << signal << ": the temporary stayed";
    }

    // A writer that is gone (a child that has exited), one that still runs
    // (this process's parent) and a name that only looks alike.
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = ".trace.csv.tmp" + std::to_string(gone) + "_0";
    const std::string live = ".trace.csv.tmp" + std::to_string(::getppid()) + "_3";
    const std::string other = ".trace.csv.tmp" + std::to_string(gone) + "_0.keep";
    for (const std::string& name : {dead, live, other}) Write(name, "left");
    EXPECT_EQ(ReplaceFileContents(target, "new"), 0);
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_FALSE(fs::exists(dir_ / dead));
    EXPECT_TRUE(fs::exists(dir_ / live));
    EXPECT_TRUE(fs::exists(dir_ / other));
}

} // namespace
} // namespace tarvik

// Files are replaced as a whole: a write that fails part-way (here past a
// file-size limit, as on a full disk) leaves the old file whole and names
// the system's reason.
#include <sys/stat.h>

#include <cerrno>
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

} // namespace
} // namespace tarvik

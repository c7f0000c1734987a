// Where the Media folder is found: beside the program, in the current folder,
// and in the installed layout bin/ + share/tarvik/Media, in that order.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/media_files.h"

namespace {

struct MediaCase {
    const char* name;
    std::vector<const char*> present;   // Media folders holding the file
    const char* expected;               // the folder whose file is chosen
};

class MediaSearchTest : public ::testing::TestWithParam<MediaCase> {};

TEST_P(MediaSearchTest, TakesTheFirstPlaceThatHoldsTheFile) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir top(root.path());
    for (const char* folder : {"prefix/bin", "work"}) ASSERT_TRUE(top.mkpath(QString::fromLatin1(folder)));
    for (const char* folder : GetParam().present) {
        ASSERT_TRUE(top.mkpath(QString::fromLatin1(folder)));
        QFile file(top.filePath(QString::fromLatin1(folder) + QStringLiteral("/Ding.wav")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString found = tarvik::ui::MediaPathFrom(top.filePath(QStringLiteral("prefix/bin")),
                                                    top.filePath(QStringLiteral("work")), QStringLiteral("Ding.wav"));
    EXPECT_EQ(QDir::cleanPath(found), top.filePath(QString::fromLatin1(GetParam().expected) + QStringLiteral("/Ding.wav")));
}

INSTANTIATE_TEST_SUITE_P(
    Places, MediaSearchTest,
    ::testing::Values(
        MediaCase{"BesideFirst", {"prefix/bin/Media", "work/Media", "prefix/share/tarvik/Media"}, "prefix/bin/Media"},
        MediaCase{"CurrentBeforeInstalled", {"work/Media", "prefix/share/tarvik/Media"}, "work/Media"},
        MediaCase{"InstalledLast", {"prefix/share/tarvik/Media"}, "prefix/share/tarvik/Media"},
        MediaCase{"NowhereNamesBeside", {}, "prefix/bin/Media"}),
    [](const ::testing::TestParamInfo<MediaCase>& param) { return std::string(param.param.name); });

} // namespace

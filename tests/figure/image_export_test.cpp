// Saving the figure: what GIF keeps, the type chosen over the name, writes
// that fail, reading GIF back, and the icon stamp.
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/gif_io.h"
#include "figure/image_export.h"
#include "file_size_limit.h"
#include "run_state_fixture.h"
#include "temp_folder.h"

using namespace tarvik;
using tarvik::testing::ErrorOf;

namespace {

// A picture like the figure: background, axes, a few lines, markers, text.
QImage FigureLikeImage() {
    QImage im(150, 143, QImage::Format_RGB32);
    im.fill(ToQRgb(clFigBack));
    CanvasState st;
    st.Font = FigureFont(QString());
    FigureCanvas cv(im, st);
    st.PenColour = clAxisU1;
    cv.Line(0, 75, 150, 75);
    st.PenColour = clAxisU2;
    cv.Line(75, 0, 75, 143);
    st.PenColour = clLevelLine;
    cv.Line(10, 10, 140, 120);
    st.BrushColour = clOptimalPoint;
    st.PenColour = clOptimalPoint;
    cv.Ellipse(71, 71, 79, 79);
    st.BrushColour = clInitialPoint;
    st.PenColour = clInitialPoint;
    cv.Ellipse(26, 36, 34, 44);
    st.BrushColour = clFigBack;
    st.FontColour = clAxisText;
    cv.TextOut(2, 80, QStringLiteral("-1.5"));
    return im;
}

// Every pixel's largest channel difference.
int MaxChannelDifference(const QImage& a, const QImage& b, double* mean = nullptr) {
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            worst = std::max(worst, d);
            sum += d;
        }
    if (mean) *mean = sum / (static_cast<double>(a.width()) * a.height());
    return worst;
}

std::string PathIn(const QTemporaryDir& dir, const char* name) { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

} // namespace

TEST(ImageExport, GifRoundTripKeepsEveryColour) {
    QTemporaryDir dir;
    const QImage im = FigureLikeImage();
    SaveFigureImage(im, PathIn(dir, "Fig.gif"), 'g');
    const QImage back = LoadGifImage(PathIn(dir, "Fig.gif"));
    ASSERT_EQ(back.size(), im.size());
    EXPECT_EQ(MaxChannelDifference(im, back), 0);
    EXPECT_FALSE(back.hasAlphaChannel());
    // Another decoder reads the file the same way.
    if (QImageReader::supportedImageFormats().contains("gif")) {
        const QImage other(dir.filePath(QStringLiteral("Fig.gif")), "GIF");
        ASSERT_EQ(other.size(), im.size());
        EXPECT_EQ(MaxChannelDifference(im, other.convertToFormat(QImage::Format_RGB32)), 0);
    }
}

TEST(ImageExport, GifOfManyColoursKeepsTheFrequentOnesExact) {
    QTemporaryDir dir;
    QImage im(64, 64, QImage::Format_RGB32);
    im.fill(ToQRgb(clFigBack));
    // 1024 distinct colours in the lower half, the figure colour above.
    for (int y = 32; y < 64; ++y)
        for (int x = 0; x < 32; ++x) im.setPixel(x, y, qRgb(x * 8, (y - 32) * 8, 100));
    for (int x = 0; x < 64; ++x) im.setPixel(x, 10, ToQRgb(clTrajectory));
    SaveGifImage(im, PathIn(dir, "many.gif"));
    const QImage back = LoadGifImage(PathIn(dir, "many.gif"));
    ASSERT_EQ(back.size(), im.size());
    EXPECT_EQ(FromQRgb(back.pixel(40, 5)), clFigBack);
    EXPECT_EQ(FromQRgb(back.pixel(3, 10)), clTrajectory);
    EXPECT_LE(MaxChannelDifference(im, back), 26);   // half a step of the 6-level cube
}

TEST(ImageExport, TypeDecidesTheDataNotTheName) {
    QTemporaryDir dir;
    SaveFigureImage(FigureLikeImage(), PathIn(dir, "Fig.gif"), 'j');
    EXPECT_EQ(tarvik::testing::ReadBytes(PathIn(dir, "Fig.gif")).substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_THROW(SaveFigureImage(FigureLikeImage(), PathIn(dir, "Fig"), 'x'), std::invalid_argument);
}

TEST(ImageExport, AFailedWriteKeepsTheOldFileWholeAndSaysWhy) {
    QTemporaryDir dir;
    const std::string path = PathIn(dir, "Fig");
    const std::string oldText(5000, 'o');
    const struct {
        char type;
        const char* start;
    } cases[] = {
        {'g', "Cannot write GIF file \""}, {'j', "Cannot write JPEG file \""},
        {'b', "Cannot write bitmap file \""}, {'p', "Cannot write PNG file \""},
    };
    for (const auto& c : cases) {
        { std::ofstream(path, std::ios::binary) << oldText; }
        std::string message;
        try {
            const FileSizeLimit limit(100);
            SaveFigureImage(FigureLikeImage(), path, c.type);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.start + path + "\": " + std::strerror(EFBIG)) << c.type;
        EXPECT_TRUE(tarvik::testing::ReadBytes(path) == oldText) << c.type << ": the old file was changed";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.type;
    }
    // A folder that does not exist: the file cannot even be created.
    const std::string missing = "/nonexistent-folder-for-tarvik/Fig";
    for (const char* type : {"GIF", "JPEG", "bitmap"})
        EXPECT_EQ(ErrorOf<std::runtime_error>([&] { SaveFigureImage(FigureLikeImage(), missing, static_cast<char>(std::tolower(type[0]))); }),
                  "Cannot create " + std::string(type) + " file \"" + missing + "\": No such file or directory");
}

TEST(GifReading, BadFilesAreReported) {
    QTemporaryDir dir;
    EXPECT_THROW(LoadGifImage(PathIn(dir, "absent.gif")), std::runtime_error);
    { std::ofstream(PathIn(dir, "junk.gif"), std::ios::binary) << "GIF89a this is not a picture"; }
    EXPECT_THROW(LoadGifImage(PathIn(dir, "junk.gif")), std::runtime_error);
}

TEST(StampIcon, DrawsAtFiveFiveAndTwiceIsOnce) {
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(qRgba(200, 10, 10, 255));
    icon.setPixel(0, 0, qRgba(0, 0, 0, 0));         // transparent corner
    icon.setPixel(1, 0, qRgba(10, 200, 10, 100));   // mostly transparent: left out
    QImage im = FigureLikeImage();
    const QImage before = im;
    StampIcon(im, icon);
    EXPECT_EQ(im.pixel(5 + 3, 5 + 3), qRgb(200, 10, 10));
    EXPECT_EQ(im.pixel(5, 5), before.pixel(5, 5));
    EXPECT_EQ(im.pixel(6, 5), before.pixel(6, 5));
    EXPECT_EQ(im.pixel(4, 8), before.pixel(4, 8));
    EXPECT_EQ(im.pixel(13, 8), before.pixel(13, 8));
    const QImage once = im;
    StampIcon(im, icon);
    EXPECT_EQ(im, once);
}

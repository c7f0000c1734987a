// Saving the figure as GIF, JPEG and bitmap, reading GIF back, and the
// icon stamp.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/function_catalogue.h"
#include "figure/contour_figure.h"
#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/gif_io.h"
#include "figure/image_export.h"
#include "file_size_limit.h"
#include "recording_host.h"

using namespace tarvik;

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

TEST(ImageExport, JpegAtFullQualityIsClose) {
    QTemporaryDir dir;
    const QImage im = FigureLikeImage();
    SaveFigureImage(im, PathIn(dir, "Fig.jpeg"), 'j');
    QImage back(dir.filePath(QStringLiteral("Fig.jpeg")), "JPEG");
    ASSERT_FALSE(back.isNull());
    ASSERT_EQ(back.size(), im.size());
    double mean = 0;
    const int worst = MaxChannelDifference(im, back.convertToFormat(QImage::Format_RGB32), &mean);
    EXPECT_LT(mean, 2.0);
    EXPECT_LT(worst, 160);   // colour edges suffer from chroma subsampling
    // Flat areas survive nearly unchanged.
    EXPECT_LE(std::abs(qGreen(back.pixel(120, 20)) - 220), 2);
}

TEST(ImageExport, BitmapIsTheImageAsItIs) {
    QTemporaryDir dir;
    const QImage im = FigureLikeImage();
    SaveFigureImage(im, PathIn(dir, "Fig.bmp"), 'b');
    QImage back(dir.filePath(QStringLiteral("Fig.bmp")), "BMP");
    ASSERT_EQ(back.size(), im.size());
    EXPECT_EQ(MaxChannelDifference(im, back.convertToFormat(QImage::Format_RGB32)), 0);
}

TEST(ImageExport, TypeDecidesTheDataNotTheName) {
    QTemporaryDir dir;
    SaveFigureImage(FigureLikeImage(), PathIn(dir, "Fig"), 'j');
    std::ifstream in(PathIn(dir, "Fig"), std::ios::binary);
    unsigned char head[3] = {0, 0, 0};
    in.read(reinterpret_cast<char*>(head), 3);
    EXPECT_EQ(head[0], 0xFF);
    EXPECT_EQ(head[1], 0xD8);
    EXPECT_EQ(head[2], 0xFF);
}

TEST(ImageExport, WriteFailuresAreReported) {
    const std::string missing = "/nonexistent-folder-for-tarvik/Fig";
    for (char type : {'g', 'j', 'b'}) {
        try {
            SaveFigureImage(FigureLikeImage(), missing, type);
            FAIL() << "no error for type " << type;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(SaveFigureImage(FigureLikeImage(), "/tmp/x", 'x'), std::invalid_argument);
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
        std::ifstream in(path, std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == oldText)
            << c.type << ": the old file was changed";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.type;
    }
    // A folder that does not exist: the file cannot even be created.
    try {
        SaveFigureImage(FigureLikeImage(), "/nonexistent-folder-for-tarvik/Fig", 'g');
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot create GIF file \"/nonexistent-folder-for-tarvik/Fig\": No such file or directory");
    }
}

TEST(GifReading, BadFilesAreReported) {
    QTemporaryDir dir;
    EXPECT_THROW(LoadGifImage(PathIn(dir, "absent.gif")), std::runtime_error);
    {
        std::ofstream out(PathIn(dir, "junk.gif"), std::ios::binary);
        out << "GIF89a this is not a picture";
    }
    EXPECT_THROW(LoadGifImage(PathIn(dir, "junk.gif")), std::runtime_error);
}

TEST(ExportType, FollowsTheDialogFilter) {
    EXPECT_EQ(ExportTypeForFilterIndex(1, 'b'), 'g');
    EXPECT_EQ(ExportTypeForFilterIndex(2, 'g'), 'j');
    EXPECT_EQ(ExportTypeForFilterIndex(3, 'g'), 'b');
    EXPECT_EQ(ExportTypeForFilterIndex(0, 'j'), 'j');
    EXPECT_EQ(ExportTypeForFilterIndex(4, 'b'), 'b');
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

TEST(ImageExport, DrawnFigureSurvivesGif) {
    tarvik::testing::RecordingHost host;
    RunState s(host);
    s.FunctionCode = FunctionId::Rosenbrock;
    s.N = 2;
    s.U = NewVector(2);
    s.U0 = NewVector(2);
    s.UStar = NewVector(2);
    s.U0[1] = -0.2L;
    s.U0[2] = -1.4L;
    ContourFigure fig(90);
    fig.DrawLevelLines(s);
    QTemporaryDir dir;
    SaveFigureImage(fig.Image(), PathIn(dir, "Fig.gif"), 'g');
    EXPECT_EQ(LoadGifImage(PathIn(dir, "Fig.gif")), fig.Image());
}


// The window tests share one application on the offscreen platform, with
// one screen of 1280 x 1024 pixels: wide enough that a maximised window's
// square figure panel would be taller than the screen.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "qt_warnings.h"

int main(int argc, char** argv) {
    QTemporaryDir platformDir;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QString config = platformDir.filePath(QStringLiteral("screen.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1280, "height": 1024}]})");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    // Sounds are recorded, never played, in tests.
    qputenv("TARVIK_NO_AUDIO", "1");
    tarvik::testing::FailOnQtWarnings();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

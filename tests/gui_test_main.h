#pragma once
// main() of the tests that paint: fonts need an application, which runs
// offscreen when there is no display.
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace tarvik::testing {

inline int RunGuiTests(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace tarvik::testing

#pragma once
// Qt's warnings fail the test that caused them: a pixel read outside its
// image or a painter on a null device only warns, and the test would go on
// checking less than it says. What the test machine lacks (a runtime
// folder) or the offscreen platform cannot do (size hints) is not the
// program's fault.
#include <QString>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace tarvik::testing {

inline void FailOnQtWarnings() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtDebugMsg || type == QtInfoMsg) return;
        for (const char* machine : {"XDG_RUNTIME_DIR", "propagateSizeHints"})
            if (message.contains(QLatin1String(machine))) return;
        ADD_FAILURE() << "Qt: " << message.toStdString();
    });
}

} // namespace tarvik::testing

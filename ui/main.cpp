// Tarvik: teaching program for unconstrained minimization.
#include <QApplication>
#include <QDir>
#include <QStyleFactory>

#include "ui/batch_main.h"
#include "ui/main_window.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// A machine without a sound server or a runtime folder is an ordinary
// place to run: the program stays silent there and says nothing about it.
void QuietAboutMissingServices(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg &&
        (message.startsWith(QLatin1String("PulseAudioService")) || message.contains(QLatin1String("XDG_RUNTIME_DIR"))))
        return;
    if (defaultHandler) defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[]) {
    // "--batch ..." runs one minimization headless, without a window.
    if (tarvik::IsBatchInvocation(argc, argv)) return tarvik::BatchMain(argc, argv);

    defaultHandler = qInstallMessageHandler(QuietAboutMissingServices);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    // One look on every platform; the window is laid out in pixels.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);

    // The start folder is taken before anything can change it.
    const QString startDir = QDir::currentPath();
    tarvik::ui::TMainForm form(startDir);
    form.show();
    return app.exec();
}

// Tarvik: teaching program for unconstrained minimization.
#include <QApplication>
#include <QDir>
#include <QStyleFactory>

#include "ui/batch_main.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
    // "--batch ..." runs one minimization headless, without a window.
    if (tarvik::IsBatchInvocation(argc, argv)) return tarvik::BatchMain(argc, argv);

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

// The module the program loads to open its window (and to answer the
// window mode's command line).
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStyleFactory>
#include <cstdio>
#include <string>

#include "tarvik_version.h"
#include "app/atomic_file.h"
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

constexpr int kOpenWindow = -1;
constexpr int kExitUsage = 2;

// 0 once text has reached the standard output; 1, after saying why, when it
// could not (a full disk, a closed pipe).
int PrintAnswer(const std::string& text) {
    if (const int error = tarvik::WriteStream(stdout, text)) {
        std::fprintf(stderr, "tarvik: cannot write to standard output: %s\n", tarvik::SystemErrorText(error).c_str());
        return 1;
    }
    return 0;
}

// Reads the window mode's command line before any connection to a display,
// so that --help, --version and a mistake are answered on a machine without
// one. Returns the exit status, or kOpenWindow.
int AnswerCommandLine(int argc, char** argv) {
    const QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tarvik " TARVIK_VERSION ": teaching and comparing methods of unconstrained minimization.\n"
        "Without options it opens the Tarvik window."));
    // Qt's own window options are single-dash words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption(QCommandLineOption(QStringLiteral("batch"),
                                        QStringLiteral("Run one minimization without a window and print its report; "
                                                       "'tarvik --batch --help' lists the batch options.")));
    // QApplication takes these itself; they are accepted here so that they
    // still reach it, and stay out of the help text.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display", "geometry"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const bool parsed = parser.parse(QCoreApplication::arguments());
    // --help-all would add Qt's own options, which only QApplication knows.
    if (parsed && (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))))
        return PrintAnswer(parser.helpText().toStdString());
    if (parsed && parser.isSet(version)) return PrintAnswer("Tarvik " TARVIK_VERSION "\n");
    QString error = parsed ? QString() : parser.errorText();
    if (parsed && !parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tarvik: %s\nTry 'tarvik --help'.\n", qPrintable(error));
        return kExitUsage;
    }
    return kOpenWindow;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int TarvikWindowMain(int argc, char** argv) {
    if (const int status = AnswerCommandLine(argc, argv); status != kOpenWindow) return status;

    defaultHandler = qInstallMessageHandler(QuietAboutMissingServices);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIK_VERSION));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TARVIK_APP_ID));
    // One look on every platform; the window is laid out in pixels.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);

    // The start folder is taken before anything can change it.
    const QString startDir = QDir::currentPath();
    tarvik::ui::TMainForm form(startDir);
    form.show();
    return app.exec();
}

#include "app/BuildInfo.h"
#include "app/gui/PlatformServices.h"
#include "app/Startup.h"
#include "app/gui/TallylineApplication.h"
#include "app/gui/Windows.h"
#include "core/Clock.h"
#include "platform/LineSetup.h"
#include "session/DialUpLine.h"
#include "store/GeneralRoutines.h"

#include <QCommandLineParser>
#include <QScreen>
#include <QTextStream>

// The version block GetFileVersion reads back out of this executable.
extern "C" {
__attribute__((used, section(".tallyline_version"))) const VersionBlock tallylineVersionBlock = {
    {'T', 'L', 'V', 'E', 'R', 'S', '1', '\0'},
    TALLYLINE_VERSION_MAJOR,
    TALLYLINE_VERSION_MINOR,
    TALLYLINE_VERSION_RELEASE,
    TALLYLINE_VERSION_BUILD,
};
}

namespace {

// A relaunched instance waits this long for the old one to let go of the lock.
constexpr int RelaunchWaitMs = 15000;

} // namespace

int main(int argc, char **argv)
{
    TallylineApplication app(argc, argv);
    Q_INIT_RESOURCE(tallyline);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Tallyline"));
    // Ties the windows to the installed desktop entry (its icon and name).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tallyline"));
    // No display name: the toolkit would append it to every window title,
    // and the titles are the program's own texts.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Records and prices the online sessions of a dial-up or other metered link, from the system tray."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Displays version information."));
    parser.addOption(versionOption);
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"),
                                           QStringLiteral("Keep the database and Tallyline's files in <dir>."),
                                           QStringLiteral("dir"));
    parser.addOption(dataDirOption);
    const QCommandLineOption lineOption = LineCommandLineOption();
    parser.addOption(lineOption);
    parser.addPositionalArgument(QStringLiteral("QuitReload"), QStringLiteral("Restart of a closed instance."));
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parsed && parser.isSet(QStringLiteral("help-all")))
        parser.process(QCoreApplication::arguments());  // prints Qt's options too, and ends
    if (parsed && parser.isSet(helpOption)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parsed && parser.isSet(versionOption)) {
        // The version block of this very file, as the program shows it elsewhere.
        try {
            const FileVersion version = GetFileVersion(QCoreApplication::applicationFilePath());
            QTextStream(stdout) << "tallyline " << version.major << '.' << version.minor << '.' << version.release
                                << '.' << version.build << '\n';
            return 0;
        } catch (const std::exception &error) {
            QTextStream(stderr) << "tallyline: " << error.what() << '\n';
            return 1;
        }
    }

    LocalClock clock;
    PlatformServices platformServices;
    Windows windows(clock, parser.value(lineOption));
    if (!parsed) {
        windows.showMessage(MessageKind::Error, parser.errorText());
        return 2;
    }
    if (!DialUpLine::isKnownLineKind(parser.value(lineOption))) {
        windows.showMessage(MessageKind::Error, UnknownLineMessage(parser.value(lineOption)));
        return 2;
    }

    Startup startup(windows, clock, platformServices.services());
    app.setErrorHandler([&windows](std::exception_ptr error) { windows.reportError(error); });

    StartupOptions options;
    options.dataDirectory = parser.value(dataDirOption);
    options.executablePath = QCoreApplication::applicationFilePath();
    if (parser.positionalArguments().contains(QStringLiteral("QuitReload"), Qt::CaseInsensitive))
        options.instanceWaitMs = RelaunchWaitMs;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        options.screenWidth = screen->geometry().width();
        options.screenHeight = screen->geometry().height();
    }
    if (!startup.run(options)) {
        windows.abandon();
        return startup.exitCode();
    }
    return windows.exec(*startup.context());
}

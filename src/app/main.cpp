#include "app/AppContext.h"
#include "app/BuildInfo.h"
#include "app/GlobalErrorHandler.h"
#include "app/Startup.h"
#include "app/gui/MessageBoxUi.h"
#include "app/gui/ProvisionalTray.h"
#include "app/gui/TallylineApplication.h"
#include "platform/LineSetup.h"
#include "platform/ProgramLauncher.h"
#include "platform/SignalWatcher.h"
#include "platform/SoundPlayer.h"
#include "session/DialUp.h"
#include "session/DialUpLine.h"
#include "session/SessionLifecycle.h"
#include "users/LoginForm.h"
#include "users/Users.h"
#include "store/GeneralRoutines.h"

#include <QCommandLineParser>
#include <QScreen>
#include <QSessionManager>

#include <csignal>

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
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tallyline"));
    QGuiApplication::setQuitOnLastWindowClosed(false);

    MessageBoxUi ui;
    LocalClock clock;

    QCommandLineParser parser;
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"),
                                           QStringLiteral("Keep the database and Tallyline's files in <dir>."),
                                           QStringLiteral("dir"));
    parser.addOption(dataDirOption);
    const QCommandLineOption lineOption = LineCommandLineOption();
    parser.addOption(lineOption);
    parser.addPositionalArgument(QStringLiteral("QuitReload"), QStringLiteral("Restart of a closed instance."));
    if (!parser.parse(QCoreApplication::arguments())) {
        ui.showMessage(MessageKind::Error, parser.errorText());
        return 2;
    }
    if (!DialUpLine::isKnownLineKind(parser.value(lineOption))) {
        ui.showMessage(MessageKind::Error, UnknownLineMessage(parser.value(lineOption)));
        return 2;
    }

    std::unique_ptr<ProvisionalTray> tray;
    AppHooks hooks;
    hooks.addTrayIcon = [&tray](AppContext &ctx) {
        tray = std::make_unique<ProvisionalTray>();
        tray->show(ctx.settings.AllowToBeExited);
    };
    hooks.hangUpAllConnections = [](AppContext &ctx) { HangUpAllConnections(ctx); };
    hooks.removeTrayIcon = [&tray](AppContext &) {
        if (tray)
            tray->hide();
    };
    QtSoundPlayer soundPlayer;
    LinuxProgramLauncher programLauncher;
    hooks.createResidentWindows = [&ui, &soundPlayer, &programLauncher](AppContext &ctx) {
        ctx.platform.sound = &soundPlayer;
        ctx.platform.launcher = &programLauncher;
        ui.setLoginFormHandler([&ctx] { ShowLoginFormWindow(ctx); });
    };
    hooks.logOutUser = LogOutUser;
    hooks.loginUser = LoginUser;
    hooks.showLoginForm = ShowLoginForm;
    hooks.closeSession = CloseSession;

    Startup startup(ui, clock, hooks);
    app.setErrorHandler([&ui, &startup](std::exception_ptr error) {
        if (AppContext *ctx = startup.context())
            GlobalErrorHandler(*ctx, error);
        else
            ShowInternalError(ui, ErrorContext(), error);
    });

    // Watched from the start, so that a SIGTERM during start-up is not lost:
    // it is acted on once the program runs.
    std::function<void()> exitTallyline;
    bool exitRequested = false;
    const auto requestExit = [&exitTallyline, &exitRequested] {
        exitRequested = true;
        if (exitTallyline)
            exitTallyline();
    };
    SignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &SignalWatcher::received, &app, requestExit);

    StartupOptions options;
    options.dataDirectory = parser.value(dataDirOption);
    options.executablePath = QCoreApplication::applicationFilePath();
    if (parser.positionalArguments().contains(QStringLiteral("QuitReload"), Qt::CaseInsensitive))
        options.instanceWaitMs = RelaunchWaitMs;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        options.screenWidth = screen->geometry().width();
        options.screenHeight = screen->geometry().height();
    }
    if (!startup.run(options))
        return startup.exitCode();
    AppContext &ctx = *startup.context();

    QString lineError;
    const std::unique_ptr<DialUpLine> dialUpLine = DialUpLine::create(ctx, parser.value(lineOption), clock, &lineError);
    if (dialUpLine && !dialUpLine->warning().isEmpty())
        qWarning("%s", qPrintable(dialUpLine->warning()));

    // Every way out (Exit, SIGTERM / SIGINT / SIGHUP, the end of the desktop
    // session) closes the session and tidies up exactly once.
    bool tidied = false;
    const auto tidy = [&ctx, &tidied] {
        if (tidied)
            return;
        tidied = true;
        try {
            if (ctx.shell.SessionOpen)
                AppHooks::call(ctx.hooks.closeSession, ctx);
            CloseAppAndTidy(ctx);
        } catch (...) {
            GlobalErrorHandler(ctx, std::current_exception());
        }
    };
    exitTallyline = [&tidy] {
        tidy();
        QCoreApplication::quit();
    };

    if (tray)
        QObject::connect(tray.get(), &ProvisionalTray::exitRequested, &app, requestExit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&requestExit](QSessionManager &) {
        QMetaObject::invokeMethod(qApp, requestExit, Qt::QueuedConnection);
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, tidy);
    if (exitRequested)
        QMetaObject::invokeMethod(qApp, exitTallyline, Qt::QueuedConnection);

    const int result = app.exec();
    tray.reset();
    return result;
}

#include "alarms/QuickAlarmsForm.h"
#include "core/AppContext.h"
#include "store/Store.h"
#include "app/BuildInfo.h"
#include "core/GlobalErrorHandler.h"
#include "app/Startup.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/MessageBoxUi.h"
#include "app/gui/TallylineApplication.h"
#include "dialogs/SplashForm.h"
#include "dialogs/WizardForm.h"
#include "app/MainAppForm.h"
#include "app/MainTimer.h"
#include "app/PlatformServices.h"
#include "app/QuietUi.h"
#include "platform/LineControl.h"
#include "platform/LineSetup.h"
#include "platform/SignalWatcher.h"
#include "session/DialUp.h"
#include "session/DialUpLine.h"
#include "session/SessionLifecycle.h"
#include "session/TaskBarWindowForm.h"
#include "store/GeneralRoutines.h"
#include "users/LoginForm.h"
#include "users/Users.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QProcess>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

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

// What start-up creates before the tray icon: the dial-up line and the tray
// form that watches it.
struct ResidentWindows {
    std::unique_ptr<DialUpLine> dialUpLine;
    std::unique_ptr<TMainAppForm> mainAppForm;
};

} // namespace

int main(int argc, char **argv)
{
    TallylineApplication app(argc, argv);
    Q_INIT_RESOURCE(tallyline);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Tallyline"));
    // No display name: the toolkit would append it to every window title,
    // and the titles are the program's own texts.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    MessageBoxUi ui;
    // What the engine shows goes through engineUi, which goes quiet when the
    // program is ended by a signal.
    QuietUi engineUi(ui);
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

    PlatformServices platformServices;
    ResidentWindows resident;
    AppHooks hooks;
    hooks.createResidentWindows = [&](AppContext &ctx) {
        platformServices.installInto(ctx);
        ui.setLoginFormHandler([&ctx] { ShowLoginFormWindow(ctx); });
        ui.setHelpDirectory(ctx.startup.programDirectory + QStringLiteral("help"));
        QString lineError;
        resident.dialUpLine = DialUpLine::create(ctx, parser.value(lineOption), clock, &lineError);
        if (!resident.dialUpLine)
            qWarning("%s", qPrintable(lineError));
        else if (!resident.dialUpLine->warning().isEmpty())
            qWarning("%s", qPrintable(resident.dialUpLine->warning()));
        if (resident.dialUpLine && resident.dialUpLine->control())
            resident.dialUpLine->control()->setProgramRequests(AnswerBoxRequest);
        resident.mainAppForm = std::make_unique<TMainAppForm>(ctx);
        TMainAppForm &form = *resident.mainAppForm;
        form.plugIn(form.onlineTimeAlarmItem(),
                    [&ctx] { ShowQuickAlarmsForm(ctx, TQuickAlarmsForm::Opener::OnlineTimeAlarm); });
        form.plugIn(form.specificTimeAlarmItem(),
                    [&ctx] { ShowQuickAlarmsForm(ctx, TQuickAlarmsForm::Opener::SpecificTimeAlarm); });
    };
    hooks.hangUpAllConnections = [](AppContext &ctx) { HangUpAllConnections(ctx); };
    hooks.addTrayIcon = [&resident](AppContext &) { resident.mainAppForm->AddSystemTrayIcon(); };
    hooks.removeTrayIcon = [&resident](AppContext &) {
        if (resident.mainAppForm)
            resident.mainAppForm->RemoveSystemTrayIcon();
    };
    hooks.logOutUser = LogOutUser;
    hooks.loginUser = LoginUser;
    hooks.showLoginForm = ShowLoginForm;
    hooks.closeSession = CloseSession;

    // Set by a termination signal or an exit request; acted on once the program runs.
    std::function<void()> exitTallyline;
    bool exitRequested = false;

    // The floating session monitor lives as long as the program; OpenSession
    // and CloseSession show and hide it through the Ui.
    std::unique_ptr<TTaskBarWindowForm> monitor;
    const auto createMonitor = [&ui, &monitor](AppContext &ctx) {
        monitor = std::make_unique<TTaskBarWindowForm>(ctx);
        InstallMonitorHooks(ctx, *monitor);
        TTaskBarWindowForm *window = monitor.get();
        ui.setFloatingMonitorHandlers([window] { window->showMonitor(); }, [window] { window->hideMonitor(); });
    };
    hooks.createResidentWindows = [previous = hooks.createResidentWindows, createMonitor](AppContext &ctx) {
        AppHooks::call(previous, ctx);
        createMonitor(ctx);
    };
    // Start-up's windows are not shown once the program is asked to end.
    hooks.showSplashForm = [&exitRequested](AppContext &ctx) {
        if (!exitRequested)
            ShowSplashFormWindow(ctx);
    };
    hooks.showWizardForm = [&exitRequested](AppContext &ctx) {
        if (exitRequested)
            return;
        // A first run whose wizard is cancelled ends the program once the
        // event loop runs (start-up is still under way here).
        if (ShowWizardFormWindow(ctx) == WizardOutcome::EndProgram)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };

    Startup startup(engineUi, clock, hooks);
    app.setErrorHandler([&engineUi, &startup](std::exception_ptr error) {
        if (AppContext *ctx = startup.context())
            GlobalErrorHandler(*ctx, error);
        else
            ShowInternalError(engineUi, ErrorContext(), error);
    });

    // Watched from the start, so that a SIGTERM during start-up is not lost:
    // it is acted on once the program runs. Start-up's modal windows (the
    // setup wizard, the login) are closed unanswered, so that it gets there.
    const auto requestExit = [&exitTallyline, &exitRequested] {
        exitRequested = true;
        if (exitTallyline)
            exitTallyline();
    };
    // Checked from the modal windows' own event loops, once they run.
    QTimer startupExitWatch;
    startupExitWatch.setInterval(100);
    QObject::connect(&startupExitWatch, &QTimer::timeout, &app, [&exitTallyline, &exitRequested] {
        if (!exitRequested || exitTallyline)
            return;
        // The splash closes by itself within two seconds.
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible() && !qobject_cast<TSplashForm *>(dialog))
            dialog->done(QDialog::Rejected);
    });
    startupExitWatch.start();
    // Ended from outside (a signal, the end of the desktop session): nobody
    // may be there to answer a box, so failures only go to stderr.
    const auto requestExitFromOutside = [&engineUi, &requestExit] {
        engineUi.setQuiet(true);
        requestExit();
    };
    SignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &SignalWatcher::received, &app, requestExitFromOutside);

    StartupOptions options;
    options.dataDirectory = parser.value(dataDirOption);
    options.executablePath = QCoreApplication::applicationFilePath();
    if (parser.positionalArguments().contains(QStringLiteral("QuitReload"), Qt::CaseInsensitive))
        options.instanceWaitMs = RelaunchWaitMs;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        options.screenWidth = screen->geometry().width();
        options.screenHeight = screen->geometry().height();
    }
    const bool started = startup.run(options);
    startupExitWatch.stop();
    if (!started) {
        // Start-up failed after the windows existed and took the context
        // with it: the process ends, their clean-up has nothing left to do.
        (void)resident.mainAppForm.release();
        (void)resident.dialUpLine.release();
        return startup.exitCode();
    }
    AppContext &ctx = *startup.context();

    // Every way out (Exit, SIGTERM / SIGINT / SIGHUP, the end of the desktop
    // session) closes the session and tidies up exactly once.
    bool tidied = false;
    const auto tidy = [&ctx, &tidied] {
        if (tidied)
            return;
        tidied = true;
        TidyUpForExit(ctx);
    };
    exitTallyline = [&tidy] {
        tidy();
        QCoreApplication::quit();
    };

    TMainAppForm &mainAppForm = *resident.mainAppForm;
    QObject::connect(&mainAppForm, &TMainAppForm::exitRequested, &app, requestExit);
    // The resident window closed: as Exit, and a fresh instance for a user
    // who may not end the program. It waits for this one to let go.
    QObject::connect(&mainAppForm, &TMainAppForm::closeRequested, &app, [&tidy](bool relaunch) {
        tidy();
        if (relaunch)
            QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                    RelaunchArguments(QCoreApplication::arguments().mid(1)));
        QCoreApplication::quit();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&requestExitFromOutside](QSessionManager &) {
        QMetaObject::invokeMethod(qApp, requestExitFromOutside, Qt::QueuedConnection);
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, tidy);
    if (exitRequested)
        QMetaObject::invokeMethod(qApp, exitTallyline, Qt::QueuedConnection);

    const int result = app.exec();
    monitor.reset();
    resident.mainAppForm.reset();
    resident.dialUpLine.reset();
    return result;
}

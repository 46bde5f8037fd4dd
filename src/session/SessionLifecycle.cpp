#include "session/SessionLifecycle.h"

#include "alarms/AlarmChecking.h"
#include "core/AppContext.h"
#include "store/Store.h"
#include "platform/ProgramLauncher.h"
#include "platform/SoundPlayer.h"
#include "session/SessionRecordWriter.h"
#include "session/SessionRecords.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "tariff/SessionPricing.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QFileInfo>
#include <QProcess>

namespace {

int numberOfPrograms(AppContext &ctx)
{
    return ReadUserRecord(ctx.store, ctx.login.CurrentUser).numberOfPrograms;
}

void resetTrafficAndIdleTracking(AppContext &ctx)
{
    ConnectionState &c = ctx.connection;
    c.DunSpeed.ResetStatistics();
    c.TotalReceived = 0;
    c.TotalTransmitted = 0;
    c.ReceiveRate = 0;
    c.TransmitRate = 0;
    c.AverageReceiveRate = 0;
    c.AverageTransmitRate = 0;
    c.PreviousReceived = 0;
    c.PreviousTransmitted = 0;
    c.StartReceived = 0;
    c.StartTransmitted = 0;
    c.ActiveReceiveTicks = 0;
    c.ActiveTransmitTicks = 0;
    ctx.shell.TrafficBaselineTaken = false;
    ctx.shell.LastActivitySeconds = 0;
    ctx.shell.LastActivityBytes = 0;
    ctx.shell.KeepAliveTicks = 0;
}

void play(AppContext &ctx, const QString &file)
{
    if (ctx.platform.sound)
        ctx.platform.sound->play(file);
}

// The check mark follows the switch itself, so the item never shows
// detection on while it is off.
void showSessionCommands(AppContext &ctx, bool sessionOpen)
{
    TrayMenuState &menu = ctx.shell.Menu;
    menu.OpenSessionEnabled = !sessionOpen;
    menu.CloseSessionEnabled = sessionOpen;
    menu.AutoDetectionItemChecked = ctx.shell.AutoDetectionEnabled;
    Q_EMIT ctx.events.menuStateChanged();
}

void closePrograms(AppContext &ctx)
{
    const int n = numberOfPrograms(ctx);
    for (int p = 1; p <= n; ++p) {
        const auto started = ctx.shell.StartedPrograms.constFind(p);
        if (started == ctx.shell.StartedPrograms.constEnd() || !started->isValid())
            continue;
        if (!ReadSessionProgram(ctx, ctx.login.CurrentUser, p).autoProgramClose)
            continue;
        if (ctx.platform.launcher)
            ctx.platform.launcher->requestQuit(*started);
    }
    ctx.shell.StartedPrograms.clear();
}

} // namespace

SessionProgram ReadSessionProgram(AppContext &ctx, int user, int program)
{
    return ReadProgramRecord(ctx.store, user, program);
}

bool SplitProgramCommand(const QString &filename, ProgramCommand &command)
{
    command = {};
    const QString text = filename.trimmed();
    if (text.isEmpty())
        return false;
    const QFileInfo whole(text);
    if (whole.isFile()) {
        command.program = whole.absoluteFilePath();
    } else {
        QStringList words = QProcess::splitCommand(text);
        if (words.isEmpty())
            return false;
        command.program = words.takeFirst();
        command.arguments = words;
    }
    const int slash = command.program.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        command.workingDirectory = command.program.left(slash);
    else if (slash == 0)
        command.workingDirectory = QStringLiteral("/");
    return true;
}

void ToggleOnlineDetection(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "ToggleOnlineDetection");
    ctx.shell.AutoDetectionEnabled = !ctx.shell.AutoDetectionEnabled;
    ctx.shell.Menu.AutoDetectionItemChecked = ctx.shell.AutoDetectionEnabled;
    Q_EMIT ctx.events.onlineDetectionToggled(ctx.shell.AutoDetectionEnabled);
    Q_EMIT ctx.events.menuStateChanged();
}

void OpenSession(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "OpenSession");
    ctx.shell.Menu.QuickAlarmsEnabled = true;
    Q_EMIT ctx.events.menuStateChanged();
    if (!ctx.login.LoggedIn)
        return;

    try {
        SelectCurrentISP(ctx);
    } catch (const StoreError &e) {
        // The ISP is chosen in memory before it is stored; a database that
        // is locked or full for now must not keep the session from opening.
        if (e.cause() == StoreError::Cause::Other)
            throw;
    }

    ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(ctx);
    if (ctx.tariff.CurrentTimezone == -1) {
        if (!ctx.shell.NoTimezoneWarned) {
            // Set before the box: ticks go on while it is shown.
            ctx.shell.NoTimezoneWarned = true;
            ctx.ui.showMessage(MessageKind::Information,
                               QStringLiteral("There is no timezone defined for the current time. "
                                              "Session cannot be opened."));
        }
        return;
    }

    if (ctx.settings.ShowFloatingWindow)
        ctx.ui.showWindow(UiWindow::FloatingMonitor);

    ResetAlarmFireCounters(ctx);

    CalculateDailyTotals(ctx);
    CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);

    resetTrafficAndIdleTracking(ctx);
    // Cost 0, the opening snapshot, the start put back by the modem
    // correction, the session day, and the day type and band at the start.
    BeginSessionPricing(ctx);
    CalculateDailyTotals(ctx);

    ctx.shell.SessionOpen = true;
    // A session that opens has a band: the no-timezone message is due again
    // when this one loses it.
    ctx.shell.NoTimezoneWarned = false;

    // The new record is numbered by the first tick's write, together with
    // its values.
    BeginSessionRecord(ctx);
    UpdateSessionInformation(ctx);

    showSessionCommands(ctx, true);
    Q_EMIT ctx.events.sessionOpened();

    if (ctx.settings.PlaySoundOnConnect)
        play(ctx, ctx.settings.ConnectionSound);
    if (!ctx.settings.ProgramRunOnFullConnect)
        RunSessionPrograms(ctx);
}

void CloseSession(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CloseSession");
    ShellState &shell = ctx.shell;
    if (!shell.SessionOpen)
        return;
    shell.SessionOpen = false;
    ctx.connection.ConnectedEntryName = QStringLiteral("Default");
    shell.ClockCorrected = false;
    shell.NoTimezoneWarned = false;
    ctx.pricing.BaseFeeCharged = false;
    DisarmQuickAlarms(ctx);

    shell.Menu.QuickAlarmsEnabled = false;
    shell.Menu.OnlineTimeAlarmChecked = false;
    shell.Menu.SpecificTimeAlarmChecked = false;

    // A write that fails for another reason than a lock or a full disk is
    // reported once the session is closed in memory all the same.
    std::exception_ptr writeFailure;
    ErrorContext failedIn;
    try {
        WriteSessionRecordValues(ctx, ctx.clock.nowDateTime(), false);
    } catch (...) {
        writeFailure = std::current_exception();
        failedIn = ctx.errorContext;
    }

    showSessionCommands(ctx, false);
    Q_EMIT ctx.events.sessionClosed();

    ctx.ui.hideWindow(UiWindow::FloatingMonitor);

    if (shell.ProgramsRun) {
        closePrograms(ctx);
        shell.ProgramsRun = false;
    }

    if (ctx.settings.PlaySoundOnDisconnect)
        play(ctx, ctx.settings.DisconnectionSound);

    CheckEndOfAccountPeriod(ctx);

    if (writeFailure) {
        ctx.errorContext = failedIn;
        std::rethrow_exception(writeFailure);
    }
}

void RunSessionPrograms(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "RunSessionPrograms");
    ctx.shell.ProgramsRun = true;
    const int n = numberOfPrograms(ctx);
    if (n <= 0)
        return;
    const int user = ctx.login.CurrentUser;
    const int todayBit = 1 << (IsoDayOfWeek(ctx.clock.today()) - 1);
    for (int p = 1; p <= n; ++p) {
        const SessionProgram program = ReadSessionProgram(ctx, user, p);
        ctx.shell.StartedPrograms.remove(p);
        if (program.useTimeZone != 0) {
            if (!CheckIfInTimeZone(ctx, program.startTime, program.endTime))
                continue;
            if ((program.days & todayBit) == 0)
                continue;
        }
        ProgramCommand command;
        if (!SplitProgramCommand(program.filename, command) || !ctx.platform.launcher)
            continue;
        const LaunchedProcess started =
            ctx.platform.launcher->start(command.program, command.arguments, command.workingDirectory);
        if (started.isValid())
            ctx.shell.StartedPrograms.insert(p, started);
    }
}

void OpenSessionByHand(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "Opennewsession1Click");
    if (RestrictionApplies(ctx, DisableManualSessionOpenClose)) {
        ctx.ui.showMessage(MessageKind::Warning,
                           QStringLiteral("You are not permitted to manually open && close sessions."));
        return;
    }
    if (ctx.shell.SessionOpen)
        return;
    ctx.shell.ManualSession = true;
    OpenSession(ctx);
    // A session that could not open must not keep blocking the automatic one.
    if (!ctx.shell.SessionOpen)
        ctx.shell.ManualSession = false;
}

void CloseSessionByHand(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "Closethissession1Click");
    if (RestrictionApplies(ctx, DisableManualSessionOpenClose)) {
        ctx.ui.showMessage(MessageKind::Warning,
                           QStringLiteral("You are not permitted to manually open && close sessions."));
        return;
    }
    if (!ctx.shell.SessionOpen)
        return;
    CloseSession(ctx);
    if (ctx.connection.OnlineDetected) {
        if (ctx.shell.AutoDetectionEnabled)
            ToggleOnlineDetection(ctx);
        ctx.ui.showMessage(MessageKind::Information,
                           QStringLiteral("Manually closing a session whilst online will disable auto online "
                                          "detection.\rTo re-enable auto online detection, select it from the "
                                          "file menu or by right clicking on the system tray icon."));
    } else {
        ctx.shell.ManualSession = false;
    }
}

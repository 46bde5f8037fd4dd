#include "app/MainTimer.h"

#include "core/AppContext.h"
#include "alarms/AlarmChecking.h"
#include "core/GlobalErrorHandler.h"
#include "session/DialUp.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecordWriter.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "tariff/Formatting.h"
#include "tariff/SessionPricing.h"
#include "users/Users.h"

namespace {

// Main ticks in one minute (500 ms each): the keep-alive interval is in minutes.
constexpr int TicksPerMinute = 120;

void showHangUpItem(AppContext &ctx)
{
    const bool connected = ctx.connection.ModemConnected;
    if (ctx.shell.Menu.HangUpEnabled == connected)
        return;
    ctx.shell.Menu.HangUpEnabled = connected;
    Q_EMIT ctx.events.menuStateChanged();
}

void closeSessionWithoutTimezone(AppContext &ctx)
{
    ShellState &shell = ctx.shell;
    shell.NoTimezoneWarned = true;
    CloseSession(ctx);
    // Closing clears the flag; set again, the opening attempts of the ticks
    // that follow stay silent instead of adding "cannot be opened" to this box.
    shell.NoTimezoneWarned = true;
    ctx.ui.showMessageFromTick(MessageKind::Information,
                        QStringLiteral("There is no timezone defined for the current time. Session has been closed."));
}

void lockDialUp(AppContext &ctx)
{
    ctx.connection.ModemConnected = false;
    HangUpAllConnections(ctx);
    if (ctx.ui.showMessageFromTick(MessageKind::Information,
                            QStringLiteral("Dial-up access has been disabled until you login to Tallyline.")))
        ShowLoginForm(ctx);
}

void offerReconnection(AppContext &ctx)
{
    ShellState &shell = ctx.shell;
    if (!shell.LastDialledEntry.isEmpty()) {
        const QString entry = shell.LastDialledEntry;
        shell.LastDialledEntry.clear();
        shell.ReconnectArmed = false;
        bool answer = true;
        if (ctx.settings.PromptForReconnection)
            answer = ctx.ui.confirmFromTick(QStringLiteral("Do you wish to reconnect to ") + entry + QStringLiteral(" ?"));
        if (answer && ctx.hooks.dialEntry)
            ctx.hooks.dialEntry(ctx, entry);
    }
    shell.ReconnectArmed = false;
}

// Idle hang-up, clock correction, late session programs, traffic statistics
// and keep-alive, while a session is open on a full connection.
void fullConnectionDuties(AppContext &ctx)
{
    ShellState &shell = ctx.shell;
    const Settings &s = ctx.settings;

    if (!shell.LastDialledEntry.isEmpty())
        shell.ReconnectArmed = true;
    Q_EMIT ctx.events.sessionFullyConnected();

    const qint64 seconds = ctx.pricing.SecondsOnline;
    const qint64 total = ctx.connection.TotalReceived + ctx.connection.TotalTransmitted;
    if (total - shell.LastActivityBytes > s.HangupMinimumBytes) {
        shell.LastActivitySeconds = seconds;
        shell.LastActivityBytes = total;
    } else if (seconds - shell.LastActivitySeconds > qint64(s.HangupTime) * 60 && s.AutoHangupConnection) {
        // A refused hang-up is tried again after another idle period, not
        // with a box on every tick.
        if (!HangUpAllConnections(ctx))
            shell.LastActivitySeconds = seconds;
    }

    // Armed only where something can correct the clock; otherwise it would
    // wake every second of the session for nothing.
    if (!shell.ClockCorrected && s.AutoClockCorrect && ctx.hooks.getTimeFromServer)
        shell.SntpClockTimerEnabled = true;
    if (s.ProgramRunOnFullConnect && !shell.ProgramsRun)
        RunSessionPrograms(ctx);
    if (!shell.TrafficBaselineTaken)
        AppHooks::call(ctx.hooks.startDialUpStatistics, ctx);

    if (s.KeepConnectionAlive) {
        ++shell.KeepAliveTicks;
        if (shell.KeepAliveTicks / TicksPerMinute >= s.KeepConnectionAliveInterval) {
            shell.KeepAliveTicks = 0;
            AppHooks::call(ctx.hooks.sendKeepAliveEcho, ctx);
        }
    }
}

} // namespace

void Timer1Timer(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "Timer1Timer");
    ShellState &shell = ctx.shell;
    ConnectionState &line = ctx.connection;
    const Settings &s = ctx.settings;

    shell.Timer1Enabled = false;

    showHangUpItem(ctx);

    // Session values the database could not take yet (locked, disk full).
    if (!shell.SessionOpen)
        RetrySessionRecordWrites(ctx);

    if (!shell.SessionOpen && !line.OnlineDetected && ctx.login.LoggedIn && !ctx.tariff.AccountPeriodCheckRunning)
        CheckEndOfAccountPeriod(ctx);

    if (line.OnlineDetected && !shell.SessionOpen && ctx.login.LoggedIn && !shell.ManualSession
        && shell.AutoDetectionEnabled && s.AutoOpenSession)
        OpenSession(ctx);

    if (!line.ModemConnected)
        shell.DialHandle = 0;

    if (shell.SessionOpen) {
        ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(ctx);
        if (ctx.tariff.CurrentTimezone == -1 && !shell.NoTimezoneWarned)
            closeSessionWithoutTimezone(ctx);
        // A tick that ran while the box was up may have changed the session;
        // only an open session is priced.
        if (shell.SessionOpen && ctx.tariff.CurrentTimezone != -1) {
            UpdateSessionInformation(ctx);
            CheckAlarms(ctx);
        }
        if (!line.OnlineDetected && !shell.ManualSession && shell.AutoDetectionEnabled)
            CloseSession(ctx);
    }

    if (s.DisableDialUp && !ctx.login.LoggedIn && line.ModemConnected)
        lockDialUp(ctx);

    if (!line.ModemConnected && shell.ReconnectArmed && (s.PromptForReconnection || s.AutoReconnectConnection))
        offerReconnection(ctx);

    if (line.FullyConnected && shell.SessionOpen)
        fullConnectionDuties(ctx);

    shell.Timer1Enabled = true;
}

void SntpClockTimerTimer(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "SntpClockTimerTimer");
    ShellState &shell = ctx.shell;
    if (shell.ClockCorrected) {
        shell.SntpClockTimerEnabled = false;
        return;
    }
    if (ctx.settings.AutoClockCorrect && ctx.connection.FullyConnected && shell.SessionOpen)
        AppHooks::call(ctx.hooks.getTimeFromServer, ctx);
}

void RunTimerTick(AppContext &ctx, TickFailureReport &report, void (*tick)(AppContext &))
{
    try {
        tick(ctx);
        report.lastText.clear();
    } catch (...) {
        ctx.shell.Timer1Enabled = true;
        const std::exception_ptr error = std::current_exception();
        const QString text = InternalErrorTextFor(ctx.errorContext, error);
        if (report.showing || text == report.lastText)
            return;
        report.lastText = text;
        report.showing = true;
        struct Shown {
            bool &flag;
            ~Shown() { flag = false; }
        } shown{report.showing};
        GlobalErrorHandler(ctx, error);
    }
}

void RunMainTick(AppContext &ctx, TickFailureReport &report)
{
    if (!ctx.shell.Timer1Enabled)
        return;
    RunTimerTick(ctx, report, Timer1Timer);
}

bool NoEditorWindowOpen(AppContext &ctx)
{
    return !ctx.ui.editorWindowOpen();
}

bool ConfirmExit(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "ExitClick");
    if (!ctx.settings.PromptOnExit)
        return true;
    return ctx.ui.confirm(QStringLiteral("Are you sure you want exit Tallyline?, doing so will mean internet sessions "
                                         "will no longer be monitored"));
}

bool RelaunchAfterClose(const AppContext &ctx)
{
    return !ctx.settings.AllowToBeExited && ctx.settings.NumberOfUsers > 0;
}

QStringList RelaunchArguments(const QStringList &arguments)
{
    QStringList result;
    for (const QString &argument : arguments)
        if (argument.compare(QLatin1String("QuitReload"), Qt::CaseInsensitive) != 0)
            result.append(argument);
    result.append(QStringLiteral("QuitReload"));
    return result;
}

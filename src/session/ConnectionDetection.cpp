#include "session/ConnectionDetection.h"

#include "core/AppContext.h"
#include "session/DesktopNotices.h"
#include "platform/DialUpNetwork.h"

namespace {
// Interval rates and averages are scaled by this factor; totals never are.
constexpr double RateFactor = 0.88;
}

bool StageCountsAsOnline(int stage, int state)
{
    if (state == RasState::Disconnected)
        return false;
    switch (stage) {
    case 0: return state >= RasState::Authenticate;
    case 1: return state >= RasState::ConnectDevice;
    case 2: return state == RasState::Connected;
    default: return false;
    }
}

bool IsConnectedAtStage(AppContext &ctx, const QList<DialUpConnection> &connections, int stage)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "IsConnectedAtStage");
    for (const DialUpConnection &c : connections) {
        if (StageCountsAsOnline(stage, c.state)) {
            ctx.connection.ConnectedEntryName = c.entryName.left(256);
            return true;
        }
    }
    return false;
}

bool IsConnectedAtStage(AppContext &ctx, int stage)
{
    if (!ctx.platform.dialUp)
        return false;
    return IsConnectedAtStage(ctx, ctx.platform.dialUp->connections(), stage);
}

void RASCheckTimerTimer(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "MainApp", "RASCheckTimerTimer");
    // The three stages are questions about one moment: one look at the line.
    const QList<DialUpConnection> connections =
        ctx.platform.dialUp ? ctx.platform.dialUp->connections() : QList<DialUpConnection>();
    ConnectionState &c = ctx.connection;
    const bool wasOnline = c.OnlineDetected;
    c.OnlineDetected = IsConnectedAtStage(ctx, connections, ctx.settings.ModemDetectionType);
    c.FullyConnected = IsConnectedAtStage(ctx, connections, 2);
    c.ModemConnected = IsConnectedAtStage(ctx, connections, 1);
    if (!c.OnlineDetected) {
        // A hang-up of our own clears the flags at once, but the line may
        // still look up for a check or two while it goes down.
        if (wasOnline && ctx.shell.SessionOpen && !c.HangUpRequested)
            NotifyDroppedLine(ctx, c.ConnectedEntryName);
        c.HangUpRequested = false;
    }
    if (ctx.shell.SessionOpen && ctx.connection.FullyConnected)
        UpdateTrafficCounters(ctx);
}

void UpdateTrafficCounters(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "UpdateTrafficCounters");
    ConnectionState &c = ctx.connection;
    ShellState &shell = ctx.shell;

    // A failed read leaves the last values, so that tick's rates are 0.
    c.DunSpeed.ReadStatistics(ctx.platform.dialUp);
    const qint64 recv = c.DunSpeed.StatsRecv;
    const qint64 xmit = c.DunSpeed.StatsXmit;

    if (shell.TrafficBaselineTaken) {
        c.ReceiveRate = double(recv - c.PreviousReceived) * RateFactor;
    } else {
        c.StartReceived = recv;
        c.ReceiveRate = 0;
    }
    c.PreviousReceived = recv;
    c.TotalReceived = recv;

    if (shell.TrafficBaselineTaken) {
        c.TransmitRate = double(xmit - c.PreviousTransmitted) * RateFactor;
    } else {
        c.StartTransmitted = xmit;
        c.TransmitRate = 0;
    }
    c.PreviousTransmitted = xmit;
    c.TotalTransmitted = xmit;

    if (!shell.TrafficBaselineTaken) {
        c.ActiveReceiveTicks = 0;
        c.ActiveTransmitTicks = 0;
        c.AverageReceiveRate = 0;
        c.AverageTransmitRate = 0;
    }
    if (c.ReceiveRate != 0)
        ++c.ActiveReceiveTicks;
    if (c.TransmitRate != 0)
        ++c.ActiveTransmitTicks;
    if (c.ActiveReceiveTicks > 0)
        c.AverageReceiveRate = double(c.TotalReceived) / c.ActiveReceiveTicks * RateFactor;
    if (c.ActiveTransmitTicks > 0)
        c.AverageTransmitRate = double(c.TotalTransmitted) / c.ActiveTransmitTicks * RateFactor;

    shell.TrafficBaselineTaken = true;
}

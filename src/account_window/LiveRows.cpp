#include "account_window/LiveRows.h"

#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"

LiveSessionRow FormatLiveSessionRow(const AppContext &ctx, const SessionSnapshot &snapshot)
{
    LiveSessionRow row;
    row.sessionDay = FormatShortDate(snapshot.sessionDay);
    row.startTime = FormatClockTime(snapshot.start);
    row.endTime = FormatClockTime(snapshot.moment);
    row.timeOnline = OnlineIntegerToString(snapshot.secondsOnline);
    row.sessionCost = FormatSessionMoney(ctx, snapshot.sessionCost);
    row.dailyTime = OnlineIntegerToString(snapshot.dailySeconds);
    row.dailyCost = FormatMoney(ctx, snapshot.dailyCost);
    row.accountTime = OnlineIntegerToString(snapshot.accountSeconds);
    row.accountCost = FormatMoney(ctx, snapshot.accountCost);
    return row;
}

LivePerformanceRow FormatLivePerformanceRow(const SessionSnapshot &snapshot)
{
    LivePerformanceRow row;
    row.sessionDay = FormatShortDate(snapshot.sessionDay);
    row.startTime = FormatClockTime(snapshot.start);
    row.timeOnline = OnlineIntegerToString(snapshot.secondsOnline);
    row.received = FormatBytes(snapshot.received);
    row.transmitted = FormatBytes(snapshot.transmitted);
    row.averageReceiveRate = FormatRate(snapshot.averageReceiveRate);
    row.averageTransmitRate = FormatRate(snapshot.averageTransmitRate);
    row.dailyDownloaded = FormatBytes(snapshot.dailyDownloaded);
    row.accountDownloaded = FormatBytes(snapshot.accountDownloaded);
    return row;
}

std::array<QString, 3> FormatSessionStatusTexts(const AppContext &ctx, const SessionSnapshot &snapshot)
{
    return {QStringLiteral("Time online : ") + OnlineIntegerToString(snapshot.secondsOnline),
            QStringLiteral("Session Cost : ") + FormatSessionMoney(ctx, snapshot.sessionCost),
            FormatAccountCostStatusText(ctx, snapshot.accountCost)};
}

QString FormatAccountCostStatusText(const AppContext &ctx, double accountCost)
{
    return QStringLiteral("Account Cost : ") + FormatMoney(ctx, accountCost);
}

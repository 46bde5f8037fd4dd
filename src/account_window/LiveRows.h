#pragma once

#include "core/SessionSnapshot.h"

#include <QString>
#include <array>

struct AppContext;

// The texts of the open session's rows in the account window's lists.
// sessionDay is the session's date in the short date format; the window
// updates its live row only when that row's date column equals it.
struct LiveSessionRow {
    QString sessionDay;
    QString startTime, endTime, timeOnline, sessionCost;
    QString dailyTime, dailyCost, accountTime, accountCost;
};

struct LivePerformanceRow {
    QString sessionDay;
    QString startTime, timeOnline;
    QString received, transmitted, averageReceiveRate, averageTransmitRate;
    QString dailyDownloaded, accountDownloaded;
};

LiveSessionRow FormatLiveSessionRow(const AppContext &ctx, const SessionSnapshot &snapshot);
LivePerformanceRow FormatLivePerformanceRow(const SessionSnapshot &snapshot);

// The account window's status bar panels 1 to 3 while a session is open:
// time online, session cost, account cost.
std::array<QString, 3> FormatSessionStatusTexts(const AppContext &ctx, const SessionSnapshot &snapshot);
// Panel 3 alone, after the account totals were computed again.
QString FormatAccountCostStatusText(const AppContext &ctx, double accountCost);

#pragma once

#include "core/DateTime.h"

#include <QDateTime>
#include <QtGlobal>

// The running values of the open session and the totals it adds to. Reset
// when a session opens; rewritten by every pricing tick.
struct PricingState {
    DateTime SessionStart = 0;    // opening moment minus the modem correction
    DateTime SessionDay = 0;      // whole day the session opened on; names its record's key
    DateTime OpeningMoment = 0;
    // Stored moments are local wall-clock times; the time online and the
    // clock guard count on these, so that daylight saving changes nothing.
    QDateTime SessionStartUtc;
    QDateTime LastTickUtc;        // invalid before the first tick
    int StartDayType = 0;
    int StartTimezone = -1;

    qint64 SecondsOnline = 0;
    qint64 PricedSeconds = 0;     // seconds online at the previous tick
    double SessionCost = 0;
    bool BaseFeeCharged = false;
    bool ClockRefusalReported = false;  // the clock guard could not set the clock back

    double DailyCost = 0;
    qint64 DailySeconds = 0;
    qint64 DailyDownloaded = 0;

    int AccountSessions = 0;
    double AccountCost = 0;
    qint64 AccountSeconds = 0;
    qint64 AccountDownloaded = 0;

    // The totals as they stood when the session opened; a tick adds the
    // session's values to these rather than to the running totals.
    struct Snapshot {
        double DailyCost = 0;
        double AccountCost = 0;
        qint64 DailySeconds = 0;
        qint64 AccountSeconds = 0;
        qint64 DailyDownloaded = 0;
        qint64 AccountDownloaded = 0;
    } Opening;
};

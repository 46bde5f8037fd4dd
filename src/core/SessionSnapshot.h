#pragma once

#include "core/DateTime.h"

#include <QtGlobal>

// The open session after a pricing tick, as numbers: what the windows that
// follow a session (the account window's live rows and status bar, the
// monitor) format for themselves.
struct SessionSnapshot {
    DateTime sessionDay = 0;   // the day the session's record belongs to
    DateTime start = 0;        // put back by the modem correction
    DateTime moment = 0;       // of this tick
    qint64 secondsOnline = 0;
    double sessionCost = 0;
    qint64 dailySeconds = 0;
    double dailyCost = 0;
    qint64 accountSeconds = 0;
    double accountCost = 0;
    qint64 received = 0;
    qint64 transmitted = 0;
    double averageReceiveRate = 0;   // bytes per second
    double averageTransmitRate = 0;
    qint64 dailyDownloaded = 0;
    qint64 accountDownloaded = 0;
};

// The totals of the current account period, as CalculateAccountTotals
// leaves them.
struct AccountTotals {
    DateTime start = 0;
    DateTime end = 0;
    int sessions = 0;
    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;
};

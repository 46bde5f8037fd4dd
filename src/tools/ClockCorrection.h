#pragma once

#include "core/DateTime.h"

#include <QString>

#include <functional>

struct AppContext;

// What one time-server query brought back.
struct TimeServerAnswer {
    bool ok = false;
    DateTime time = 0;  // the current local date and time; only when ok
};

// Asks a time server; a stand-in replaces it in tests.
using TimeServerQuery = std::function<TimeServerAnswer(const QString &host)>;

// One query through the time library's GetTimeFromHost.
TimeServerAnswer QueryTimeServer(const QString &host);

// The text shown when no time came back.
QString TimeServerFailureMessage();

// One clock correction for the open session: marks the session corrected,
// asks the server (a failure beeps and says so, once for the session, and
// changes nothing), sets the system clock (a refusal is said and changes
// nothing either), then moves the session with the clock so that its time
// online does not jump, and when the corrected opening moment falls on
// another day, files the session under that day.
void GetTimeFromServer(AppContext &ctx, const QString &host, const TimeServerQuery &query = QueryTimeServer);

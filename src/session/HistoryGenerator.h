#pragma once

#include "core/DateTime.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct AppContext;
class Store;

// Made-up session history, for trying the lists, reports and bill on years
// of data and for the benches. Everything goes through the typed records,
// so the store holds exactly what the program itself writes.

// The connection names generated sessions run on: the simulated line's two
// phone-book entries and "Any" (the session editor's "Default").
QStringList GeneratedConnectionNames();

// Writes sessionsPerDay sessions (1..1440) on each of `days` days from
// firstDay on for `user`, as one transaction. A day that already has
// sessions is left as it is. The same seed writes the same sessions.
// Returns the number of sessions written.
qint64 WriteGeneratedSessions(Store &store, int user, DateTime firstDay, int days, int sessionsPerDay, quint64 seed);

struct HistoryOptions {
    int years = 1;
    int sessionsPerDay = 8;
    int users = 1;
    DateTime lastDay = 0;  // the last day with sessions
    quint64 seed = 1;
    QString password;      // of every user created
};

struct HistoryResult {
    int usersCreated = 0;
    qint64 sessionsWritten = 0;
    DateTime firstDay = 0;
};

// Makes users 1..options.users as the setup wizard makes them (user 1
// "Admin", then "User2", "User3", ..., monthly accounts billed on the 1st,
// created on the history's first day, ISP 1 priced at a day and an evening
// rate that the generated costs follow), keeping users that exist. A store
// without users also gets the settings record, with "PreviousUser" 1 (the
// program logs Admin in on start) and "LoadAtStartUp" off (trying it out
// adds no autostart entry). Then each user's sessions over the `years`
// years ending on lastDay.
HistoryResult GenerateHistory(AppContext &ctx, const HistoryOptions &options);

#pragma once

#include "app/Startup.h"
#include "session/SessionRecord.h"
#include "support/DatabaseFaults.h"
#include "support/TickingShell.h"

#include <sqlite3.h>

namespace testsupport {

// The exit status of a process the fault layer ended, as a crash would.
constexpr int CrashStatus = 70;

// One whole session of Ann's as the running program lives it: the line
// comes up, ten seconds of ticks, the line drops, a few quiet ticks, and
// the program ends with its settings and backup and closes its database
// (s.store() is gone afterwards). Each stage tells the fault layer what is
// being written; afterStep runs after every half-second step.
template <typename AfterStep>
void WalkOneSession(TickingShell &s, AfterStep afterStep)
{
    const auto steps = [&](int halfSeconds) {
        for (int i = 0; i < halfSeconds; ++i) {
            s.run(1);
            afterStep();
        }
    };
    FileFaults::setActivity("opening the session");
    s.network.addConnection(7, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
    steps(2);
    FileFaults::setActivity("a tick of the open session");
    steps(20);
    FileFaults::setActivity("closing the session");
    s.lineDown();
    steps(2);
    FileFaults::setActivity("a tick after the session");
    steps(4);
    FileFaults::setActivity("exit: the settings, then the backup");
    TidyUpForExit(s.ctx);
    FileFaults::setActivity("exit: closing the database");
    s.temp.store.reset();
    FileFaults::setActivity("");
}

// A walk runs the same session hundreds of times, and every exit writes a
// backup it syncs to disk: on a real disk the syncs are most of the time
// spent. The walks keep their databases in memory when the machine offers
// a memory file system; what they test is the layer above the disk.
inline void KeepWalksInMemory()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isDir() && shm.isWritable())
        qputenv("TMPDIR", "/dev/shm");
}

inline void WalkOneSession(TickingShell &s)
{
    WalkOneSession(s, [] {});
}

// What PRAGMA integrity_check says of the store's database: "ok" when sound.
inline QString IntegrityOf(Store &store)
{
    sqlite3_stmt *stmt = nullptr;
    QString result;
    if (sqlite3_prepare_v2(store.connectionForTesting(), "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return QStringLiteral("cannot check: ") + QString::fromUtf8(sqlite3_errmsg(store.connectionForTesting()));
    while (sqlite3_step(stmt) == SQLITE_ROW)
        result += QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return result;
}

// Ann's sessions on the walk's day as a store holds them.
struct StoredSessions {
    QString integrity;
    int count = 0;
    QList<double> secondsOnline;
    QList<double> costs;
    QStringList connections;
    // The values a written record always has, where one of the numbered
    // sessions lacks them: a half session.
    QStringList missing;
};

inline StoredSessions ReadStoredSessions(Store &store, int user = 1)
{
    StoredSessions got;
    got.integrity = IntegrityOf(store);
    const QString dayKey = SessionDayKey(user, DateTimeFromQDate(QDate(2001, 1, 10)));
    store.ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, got.count);
    for (int n = 1; n <= got.count; ++n) {
        for (const int field : {SessionStartTime, SessionEndTime, SessionEndDate, SessionTimeOnline, SessionCost})
            if (store.ReadStoreString(SessionValueName(n, field), dayKey).isEmpty())
                got.missing << SessionValueName(n, field);
        got.secondsOnline << store.ReadStoreFloat(SessionValueName(n, SessionTimeOnline), dayKey);
        got.costs << store.ReadStoreFloat(SessionValueName(n, SessionCost), dayKey);
        got.connections << store.ReadStoreString(QStringLiteral("Session%1-Connection").arg(n), dayKey);
    }
    return got;
}

// The same of the database file as the program finds it when it starts.
inline StoredSessions ReadStoredSessions(const QString &databaseFile, int user = 1)
{
    std::unique_ptr<Store> store = Store::open(databaseFile);
    return ReadStoredSessions(*store, user);
}

} // namespace testsupport

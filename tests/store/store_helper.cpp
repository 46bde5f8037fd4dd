// A child process for the store tests.
//   store_helper write DB   writes in a loop; after each commit prints the
//                           number of the committed transaction and flushes
//   store_helper open DB    opens the store; prints "ok" or the error
//   store_helper open-session DB
//                           opens a session of user 1 (logged in, its tariff
//                           already in DB) on a fake clock, and kills itself
//                           with SIGKILL right after the first commit that
//                           leaves a session count in the database
#include "core/AppContext.h"
#include "core/RecordingUi.h"
#include "core/Clock.h"
#include "session/SessionLifecycle.h"
#include "store/Store.h"

#include <QFile>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// Called by SQLite after each commit; watch is a second connection that
// sees what has been committed.
int dieOnceACountIsCommitted(void *watch, sqlite3 *, const char *, int)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(static_cast<sqlite3 *>(watch),
                       "SELECT count(*) FROM key_values WHERE folded = 'numberofsessions'", -1, &stmt, nullptr);
    const bool counted = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) > 0;
    sqlite3_finalize(stmt);
    if (counted)
        std::raise(SIGKILL);
    return SQLITE_OK;
}

int openSession(const QString &path)
{
    std::unique_ptr<Store> store = Store::open(path);
    FakeClock clock(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    ctx.login.CurrentUser = 1;
    ctx.login.LoggedIn = true;
    ctx.connection.ConnectedEntryName = QStringLiteral("Default");
    sqlite3 *watch = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &watch, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_wal_hook(store->connectionForTesting(), dieOnceACountIsCommitted, watch);
    OpenSession(ctx);
    std::printf("%s\n", ctx.shell.SessionOpen ? "open, not killed" : "not open");
    return 1;
}

int writeLoop(const QString &path)
{
    std::unique_ptr<Store> store = Store::open(path);
    int last = 0;
    store->ReadStoreInteger(QStringLiteral("Last"), QStringLiteral("Crash"), last);
    for (int n = last + 1;; ++n) {
        Store::Transaction tx(*store);
        // Like a pricing tick: several values of several keys, and keys that
        // appear as the log grows.
        store->WriteStoreString(QStringLiteral("C%1").arg(n), QStringLiteral("Crash\\Log\\%1").arg(n / 500),
                                QStringLiteral("commit %1").arg(n));
        store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("Crash"), n * 0.01);
        store->WriteStoreInteger(QStringLiteral("Check"), QStringLiteral("Crash"), n);
        store->WriteStoreString(QStringLiteral("Padding"), QStringLiteral("Crash\\Scratch"), QString(200 + n % 300, QLatin1Char('x')));
        if (n % 7 == 0)
            store->DeleteStoreKey(QStringLiteral("Crash\\Scratch"));
        store->WriteStoreInteger(QStringLiteral("Last"), QStringLiteral("Crash"), n);
        tx.commit();
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s write|open|open-session DATABASE\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    try {
        if (std::strcmp(argv[1], "write") == 0)
            return writeLoop(path);
        if (std::strcmp(argv[1], "open-session") == 0)
            return openSession(path);
        Store::open(path);
        std::printf("ok\n");
        return 0;
    } catch (const StoreOpenError &e) {
        std::printf("%s\n", e.message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception &e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}

#include "session/SessionRecords.h"
#include "store/RegFile.h"
#include "store/SessionDaySummary.h"
#include "store/Version1Converter.h"
#include "support/DatabaseFaults.h"
#include "support/TestMain.h"
#include "support/TickingShell.h"
#include "support/Version1Seed.h"
#include "tariff/AccountPeriods.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>

using namespace testsupport;

// The per-day totals beside the key tree against a walk of the tree itself,
// after each way sessions get written, and after each way the two can come
// apart.
class TestSessionDaySummary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyWriterKeepsTheTotalsInStep_data();
    void everyWriterKeepsTheTotalsInStep();
    void totalsOutOfStepAreMadeAnew_data();
    void totalsOutOfStepAreMadeAnew();
    void lockedDatabaseStillGivesTheWalksTotals();
    void lockedAtOpeningTheTreeIsSummedItself();
    void damagedDayRaisesTheWalksError_data();
    void damagedDayRaisesTheWalksError();
    void removingASessionMovesTheLaterOnesDown();
};

namespace {

constexpr double FirstDay = 36880;  // 20 December 2000
constexpr int HistoryDays = 22;  // up to the shell's today, 10 January 2001

// Three weeks of sessions up to the shell's today, one to
// three a day, written as the session record writes them; times and byte
// counts with fractions, so that rounding per session shows.
void seedHistory(Store &store, int user, double firstDay = FirstDay, int days = HistoryDays)
{
    Store::Transaction tx(store);
    for (int d = 0; d < days; ++d) {
        const double day = firstDay + d;
        const int count = 1 + d % 3;
        WriteNumberOfSessions(store, user, day, count);
        for (int m = 1; m <= count; ++m) {
            SessionRecord r;
            r.startTime = day + 0.1 * m;
            r.endTime = 0.1 * m + 0.02;
            r.endDate = day;
            r.timeOnline = 600.5 + m * 7 + d;
            r.cost = 0.137 * m + 0.01 * d;
            r.totalDownloaded = 1e6 * m + 0.5 + d;
            r.totalUploaded = 1e5 * m;
            r.connection = QStringLiteral("My ISP");
            WriteSessionRecord(store, user, day, m, r);
        }
    }
    tx.commit();
}

// Every day key of the user, read one by one as the totals did before the
// summary: the days with sessions.
QList<Store::SessionSummaryDay> walkedDays(Store &store, int user)
{
    QList<qint64> days;
    const QStringList names = store.subkeyNames(Store::hivePathOf(sessionvalues::daysKeyPath(user)));
    for (const QString &name : names) {
        qint64 day = 0;
        if (sessionvalues::dayOfKeyName(name.toCaseFolded().toUtf8(), day))
            days.append(day);
    }
    std::sort(days.begin(), days.end());
    QList<Store::SessionSummaryDay> out;
    for (qint64 day : days) {
        const DaySessionTotals t = ReadDaySessionTotals(store, user, DateTime(day));
        if (t.sessions != 0)
            out.append({day, t.sessions, t.seconds, t.cost, t.downloaded, false});
    }
    return out;
}

// Every summarised figure of every day equals the walk's.
void compareWithWalk(Store &store, const QList<int> &users)
{
    for (int user : users) {
        const QList<Store::SessionSummaryDay> walked = walkedDays(store, user);
        const QList<Store::SessionSummaryDay> summary = store.sessionSummaryDays(user);
        QVERIFY2(!walked.isEmpty(), "no sessions to compare");
        QCOMPARE(summary.size(), walked.size());
        for (qsizetype i = 0; i < walked.size(); ++i) {
            const QByteArray where = "user " + QByteArray::number(user) + " day " + QByteArray::number(walked[i].day);
            QVERIFY2(summary[i].day == walked[i].day, where.constData());
            QVERIFY2(summary[i].sessions == walked[i].sessions, where.constData());
            QVERIFY2(summary[i].seconds == walked[i].seconds, where.constData());
            QVERIFY2(summary[i].downloaded == walked[i].downloaded, where.constData());
            QVERIFY2(qAbs(summary[i].cost - walked[i].cost) < 1e-9, where.constData());
            QVERIFY2(!summary[i].damaged, where.constData());
        }
        // And a period's totals through the summary are the walk's.
        const double first = double(walked.first().day);
        const double end = double(walked.last().day) + 1;
        const SessionTotals viaSummary = SumSessionDays(store, user, first, end);
        const SessionTotals viaWalk = WalkSessionDays(store, user, first, end);
        QCOMPARE(viaSummary.sessions, viaWalk.sessions);
        QCOMPARE(viaSummary.seconds, viaWalk.seconds);
        QCOMPARE(viaSummary.downloaded, viaWalk.downloaded);
        QVERIFY(qAbs(viaSummary.cost - viaWalk.cost) < 1e-9);
    }
}

enum class Writer { Opened, Priced, Edited, Removed, Restored, Converted, ConvertedInPart };

void exec(Store &store, const char *sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(store.connectionForTesting(), sql, nullptr, nullptr, &err);
    const QByteArray message = err ? QByteArray(err) : QByteArray();
    sqlite3_free(err);
    QVERIFY2(rc == SQLITE_OK, message.constData());
}

} // namespace

Q_DECLARE_METATYPE(Writer)

void TestSessionDaySummary::everyWriterKeepsTheTotalsInStep_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::newRow("session opened") << Writer::Opened;
    QTest::newRow("session priced by ticks and closed") << Writer::Priced;
    QTest::newRow("sessions edited") << Writer::Edited;
    QTest::newRow("session removed") << Writer::Removed;
    QTest::newRow("restored from a backup") << Writer::Restored;
    QTest::newRow("converted from version 1") << Writer::Converted;
    QTest::newRow("converted from version 1, stopped by a bad date") << Writer::ConvertedInPart;
}

// Each writer leaves the totals in step by itself (no rebuild behind the
// reader's back), and they equal a walk of the tree day by day.
void TestSessionDaySummary::everyWriterKeepsTheTotalsInStep()
{
    QFETCH(Writer, writer);
    TickingShell s;
    s.logIn();
    seedHistory(s.store(), s.user);
    seedHistory(s.store(), 2, FirstDay + 5, 4);
    QVERIFY(s.store().sessionSummaryInStep());
    const DateTime today = DateTimeFromQDate(QDate(2001, 1, 10));
    QList<int> users{s.user, 2};
    Store *checked = &s.store();
    std::unique_ptr<TempStore> other;

    switch (writer) {
    case Writer::Opened:
        s.network.addConnection(7, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
        s.run(4);
        QVERIFY(s.ctx.shell.SessionOpen);
        QCOMPARE(s.sessionsOn(), 1 + (HistoryDays - 1) % 3 + 1);
        break;
    case Writer::Priced:
        s.network.addConnection(7, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
        s.run(4);
        s.run(40);
        s.lineDown();
        s.run(4);
        QVERIFY(!s.ctx.shell.SessionOpen);
        QVERIFY(s.ctx.pricing.SessionCost > 0);
        break;
    case Writer::Edited: {
        WriteToDataFile(s.ctx, s.user, 2, SessionCost, 12.345, FirstDay + 4);
        WriteToDataFile(s.ctx, s.user, 1, SessionTimeOnline, 7200.6, FirstDay);
        WriteToDataFile(s.ctx, s.user, 3, SessionTotalDownloaded, 5e9 + 0.5, FirstDay + 2);
        SessionRecord r = ReadSessionDay(s.store(), s.user, FirstDay + 7).sessions.at(1);
        r.cost = 3.5;
        r.timeOnline = 99;
        WriteSessionRecord(s.store(), s.user, FirstDay + 7, 2, r);
        // A day that had none: a count and values written one by one.
        WriteNumberOfSessions(s.store(), s.user, today + 3, 1);
        WriteToDataFile(s.ctx, s.user, 1, SessionCost, 0.75, today + 3);
        break;
    }
    case Writer::Removed:
        QVERIFY(RemoveSessionRecord(s.store(), s.user, FirstDay + 2, 2));
        QVERIFY(RemoveSessionRecord(s.store(), s.user, FirstDay + 3, 1));  // its only one
        QVERIFY(!RemoveSessionRecord(s.store(), s.user, FirstDay + 4, 3));
        break;
    case Writer::Restored: {
        const QString file = s.temp.path(QStringLiteral("backup.reg"));
        ExportRegFile(s.store(), file);
        // A database with other sessions of its own takes the backup in.
        other = std::make_unique<TempStore>();
        seedHistory(*other->store, s.user, FirstDay + 30, 5);
        seedHistory(*other->store, 3, FirstDay, 3);
        ImportRegFile(*other->store, file);
        checked = other->store.get();
        users = {s.user, 2, 3};
        break;
    }
    case Writer::Converted:
    case Writer::ConvertedInPart: {
        other = std::make_unique<TempStore>();
        FakeClock clock(QDateTime(QDate(2000, 1, 1), QTime(12, 0)));
        RecordingUi ui;
        AppContext ctx(*other->store, clock, ui);
        ctx.startup.programDirectory = other->dir.path() + QLatin1Char('/');
        seedVersion1(*other->store);
        QVERIFY(other->store->sessionSummaryInStep());
        checked = other->store.get();
        users = {1};
        if (writer == Writer::ConvertedInPart) {
            // The second session of 31 December: its time online is written, then its end date fails.
            other->store->WriteStoreString(QStringLiteral("Session2-End Date"),
                                           QStringLiteral("User1\\Session Info\\") + FormatShortDate(EncodeDate(1999, 12, 31)),
                                           QStringLiteral("not a date"));
            QVERIFY_THROWS_EXCEPTION(ConvertError, ConvertVersion1Database(ctx));
            QCOMPARE(ReadNumberOfSessions(*checked, 1, EncodeDate(1999, 12, 31)), 2);
            QCOMPARE(ReadSessionField(*checked, 1, 2, SessionTimeOnline, EncodeDate(1999, 12, 31)), 1800.0);
            break;
        }
        ConvertVersion1Database(ctx);
        QCOMPARE(SumSessionDays(*checked, 1, EncodeDate(1999, 12, 1), EncodeDate(2000, 2, 1)).sessions, qint64(4));
        break;
    }
    }

    QVERIFY(checked->sessionSummaryInStep());
    compareWithWalk(*checked, users);
}

// What makes the totals out of step: the store opened by an older version
// (no table), a hand edit of the tree or of the totals, a trigger dropped, a
// write through the raw store functions. Each is noticed, and the next
// reader's figures are the walk's.
void TestSessionDaySummary::totalsOutOfStepAreMadeAnew_data()
{
    QTest::addColumn<QByteArray>("sql");        // run on the database, then it is reopened
    QTest::addColumn<int>("rawWrite");          // or a write through the store

    QTest::newRow("totals table missing (older version)") << QByteArray("DROP TABLE session_day_totals") << 0;
    QTest::newRow("state missing") << QByteArray("DELETE FROM session_summary_state") << 0;
    QTest::newRow("older format") << QByteArray("UPDATE session_summary_state SET format = 0") << 0;
    QTest::newRow("trigger dropped, then a value edited by hand")
        << QByteArray("DROP TRIGGER session_summary_value_updated;"
                      "UPDATE key_values SET data = '50' WHERE folded = 'session1-cost'")
        << 0;
    QTest::newRow("session value edited by hand")
        << QByteArray("UPDATE key_values SET data = '50' WHERE folded = 'session1-cost'") << 0;
    QTest::newRow("day key removed by hand")
        << QByteArray("DELETE FROM keys WHERE id = (SELECT max(id) FROM keys WHERE name = '36885')") << 0;
    QTest::newRow("totals row edited by hand") << QByteArray("UPDATE session_day_totals SET cost = cost + 1") << 0;
    QTest::newRow("totals row removed by hand") << QByteArray("DELETE FROM session_day_totals WHERE day = 36886") << 0;
    QTest::newRow("WriteStoreFloat on a session value") << QByteArray() << 1;
    QTest::newRow("setValue on a session count") << QByteArray() << 2;
    QTest::newRow("DeleteStoreValue on a session value") << QByteArray() << 3;
    QTest::newRow("day key deleted") << QByteArray() << 4;
    QTest::newRow("user moved to another number") << QByteArray() << 5;
    QTest::newRow("state removed while the program runs") << QByteArray() << 6;
}

void TestSessionDaySummary::totalsOutOfStepAreMadeAnew()
{
    QFETCH(QByteArray, sql);
    QFETCH(int, rawWrite);
    TempStore t;
    seedHistory(*t.store, 1);
    seedHistory(*t.store, 2, FirstDay + 3, 3);
    QVERIFY(t.store->sessionSummaryInStep());
    const QString day5 = sessionvalues::dayKeyPath(1, FirstDay + 5);

    if (!sql.isEmpty()) {
        exec(*t.store, sql.constData());
        t.store.reset();
        t.store = Store::open(t.path(QString::fromLatin1(Store::DefaultFileName)));
    }
    Store &store = *t.store;
    switch (rawWrite) {
    case 1:
        store.WriteStoreFloat(SessionValueName(2, SessionCost), day5, 40.25);
        break;
    case 2:
        store.setValue(Store::hivePathOf(day5), StoreValue{QStringLiteral("NumberOfSessions"), RegDword, qint64(1)});
        break;
    case 3:
        store.DeleteStoreValue(day5, SessionValueName(1, SessionTimeOnline));
        break;
    case 4:
        store.DeleteStoreKey(day5);
        break;
    case 5:
        store.MoveStoreKey(QStringLiteral("Users\\User2"), QStringLiteral("Users\\User4"));
        break;
    case 6:
        exec(store, "DELETE FROM session_summary_state");
        break;
    }
    QVERIFY(!store.sessionSummaryInStep());

    // The reader's figures are the walk's, and the totals are in step again.
    const SessionTotals viaSummary = SumSessionDays(store, 1, FirstDay, FirstDay + HistoryDays);
    const SessionTotals viaWalk = WalkSessionDays(store, 1, FirstDay, FirstDay + HistoryDays);
    QCOMPARE(viaSummary.sessions, viaWalk.sessions);
    QCOMPARE(viaSummary.seconds, viaWalk.seconds);
    QCOMPARE(viaSummary.downloaded, viaWalk.downloaded);
    QVERIFY(qAbs(viaSummary.cost - viaWalk.cost) < 1e-9);
    QVERIFY(store.sessionSummaryInStep());
    compareWithWalk(store, {1, rawWrite == 5 ? 4 : 2});
    if (rawWrite == 5)
        QVERIFY(store.sessionSummaryDays(2).isEmpty());
}

// Out of step while another program holds the write lock: nothing can be
// made anew, and the totals come from the tree all the same.
void TestSessionDaySummary::lockedDatabaseStillGivesTheWalksTotals()
{
    EngineFixture f(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    seedHistory(f.store(), 1);
    f.store().WriteStoreFloat(SessionValueName(1, SessionCost), sessionvalues::dayKeyPath(1, FirstDay + 1), 8.5);
    QVERIFY(!f.store().sessionSummaryInStep());
    const SessionTotals walked = WalkSessionDays(f.store(), 1, FirstDay, FirstDay + HistoryDays);
    {
        WriteLockHolder lock(f.store().filePath());
        QVERIFY2(lock.isHeld(), qPrintable(lock.error()));
        CalculateAccountTotals(f.ctx, FirstDay + HistoryDays, FirstDay);
        QCOMPARE(qint64(f.ctx.pricing.AccountSessions), walked.sessions);
        QCOMPARE(f.ctx.pricing.AccountSeconds, walked.seconds);
        QVERIFY(qAbs(f.ctx.pricing.AccountCost - walked.cost) < 1e-9);
        QVERIFY(!f.store().sessionSummaryInStep());
    }
    CalculateAccountTotals(f.ctx, FirstDay + HistoryDays, FirstDay);
    QVERIFY(f.store().sessionSummaryInStep());
    QVERIFY(qAbs(f.ctx.pricing.AccountCost - walked.cost) < 1e-9);
}

// An older version's database opened while another program holds its
// write lock: the totals' tables cannot be made, so nothing relies on them
// and the walk answers; the next opening makes them.
void TestSessionDaySummary::lockedAtOpeningTheTreeIsSummedItself()
{
    TempStore t;
    seedHistory(*t.store, 1);
    exec(*t.store, "DROP TABLE session_day_totals");
    t.store.reset();
    const QString file = t.path(QString::fromLatin1(Store::DefaultFileName));
    {
        WriteLockHolder lock(file);
        QVERIFY2(lock.isHeld(), qPrintable(lock.error()));
        t.store = Store::open(file);
        QVERIFY(!t.store->sessionSummaryUsable());
        QVERIFY(!t.store->sessionSummaryInStep());
        const SessionTotals walked = WalkSessionDays(*t.store, 1, FirstDay, FirstDay + HistoryDays);
        const SessionTotals summed = SumSessionDays(*t.store, 1, FirstDay, FirstDay + HistoryDays);
        QVERIFY(walked.sessions > 0);
        QCOMPARE(summed.sessions, walked.sessions);
        QCOMPARE(summed.seconds, walked.seconds);
        QCOMPARE(summed.downloaded, walked.downloaded);
        QVERIFY(qAbs(summed.cost - walked.cost) < 1e-9);
        t.store.reset();
    }
    t.store = Store::open(file);
    QVERIFY(t.store->sessionSummaryUsable());
    QVERIFY(!t.store->sessionSummaryInStep());
    SumSessionDays(*t.store, 1, FirstDay, FirstDay + 1);
    QVERIFY(t.store->sessionSummaryInStep());
    compareWithWalk(*t.store, {1});
}

void TestSessionDaySummary::damagedDayRaisesTheWalksError_data()
{
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("raises");
    QTest::newRow("count as text") << QStringLiteral("NumberOfSessions") << int(RegSz) << true;
    QTest::newRow("cost as a number") << SessionValueName(2, SessionCost) << int(RegDword) << true;
    QTest::newRow("time online as a number") << SessionValueName(1, SessionTimeOnline) << int(RegDword) << true;
    // Not summed, or beyond the count: not read by the totals.
    QTest::newRow("uploaded as a number") << SessionValueName(1, SessionTotalUploaded) << int(RegDword) << false;
    QTest::newRow("cost beyond the count") << SessionValueName(9, SessionCost) << int(RegDword) << false;
}

// A day whose summed values have the wrong type is kept as damaged: periods
// that include it raise the same error as the walk, periods around it are
// summed as usual.
void TestSessionDaySummary::damagedDayRaisesTheWalksError()
{
    QFETCH(QString, valueName);
    QFETCH(int, type);
    QFETCH(bool, raises);
    TempStore t;
    Store &store = *t.store;
    seedHistory(store, 1);
    const double damagedDay = FirstDay + 4;  // two sessions
    StoreValue bad{valueName, type, type == RegSz ? QVariant(QStringLiteral("2")) : QVariant(qint64(2))};
    // Through a session writer's change, so that the totals take it in at once.
    {
        SessionDaysChange change(store);
        store.setValue(Store::hivePathOf(sessionvalues::dayKeyPath(1, damagedDay)), bad);
        change.dayChanged(1, damagedDay);
        change.commit();
    }
    QVERIFY(store.sessionSummaryInStep());

    QString walkError;
    try {
        WalkSessionDays(store, 1, FirstDay, FirstDay + HistoryDays);
    } catch (const StoreError &e) {
        walkError = e.message();
    }
    QString summaryError;
    try {
        SumSessionDays(store, 1, FirstDay, FirstDay + HistoryDays);
    } catch (const StoreError &e) {
        summaryError = e.message();
    }
    QCOMPARE(summaryError, walkError);
    QCOMPARE(!walkError.isEmpty(), raises);
    if (raises)
        QCOMPARE(walkError, QStringLiteral("Invalid data type for '%1'").arg(valueName));

    const SessionTotals before = SumSessionDays(store, 1, FirstDay, damagedDay);
    const SessionTotals walkedBefore = WalkSessionDays(store, 1, FirstDay, damagedDay);
    QCOMPARE(before.sessions, walkedBefore.sessions);
    QCOMPARE(before.seconds, walkedBefore.seconds);
    QVERIFY(before.sessions > 0);

    // Made anew from the tree, the day is still damaged in the same way.
    store.WriteStoreFloat(SessionValueName(1, SessionCost), sessionvalues::dayKeyPath(1, FirstDay), 1);
    QString rebuiltError;
    try {
        SumSessionDays(store, 1, FirstDay, FirstDay + HistoryDays);
    } catch (const StoreError &e) {
        rebuiltError = e.message();
    }
    QCOMPARE(rebuiltError, walkError);
}

// The session list's removal: session 2 of 3 goes, the former session 3
// becomes session 2 with all its values, the count drops.
void TestSessionDaySummary::removingASessionMovesTheLaterOnesDown()
{
    TempStore t;
    Store &store = *t.store;
    seedHistory(store, 1);
    const double day = FirstDay + 2;  // three sessions
    const SessionDay before = ReadSessionDay(store, 1, day);
    QCOMPARE(before.sessions.size(), 3);
    QVERIFY(RemoveSessionRecord(store, 1, day, 2));
    const SessionDay after = ReadSessionDay(store, 1, day);
    QCOMPARE(after.sessions.size(), 2);
    QCOMPARE(after.sessions[0], before.sessions[0]);
    QCOMPARE(after.sessions[1], before.sessions[2]);
    QCOMPARE(ReadNumberOfSessions(store, 1, day), 2);
    StoreValue gone;
    QVERIFY(!store.readValue(Store::hivePathOf(sessionvalues::dayKeyPath(1, day)), SessionValueName(3, SessionCost),
                             gone));
    QVERIFY(!RemoveSessionRecord(store, 1, day, 0));
    QVERIFY(!RemoveSessionRecord(store, 1, day, 3));
    QCOMPARE(ReadNumberOfSessions(store, 1, day), 2);
    QVERIFY(store.sessionSummaryInStep());
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionDaySummary)
#include "TestSessionDaySummary.moc"

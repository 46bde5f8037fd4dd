#include "session/ProgramRecord.h"
#include "session/SessionRecord.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "support/DatabaseFaults.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

using testsupport::dumpTree;
using testsupport::FailingValueWrite;
using testsupport::TempStore;

namespace {

const DateTime NewYear2000 = 36526;  // 1 January 2000
const QString DayKey = QStringLiteral("Users\\User1\\Sessions\\36526");

SessionRecord sample(double start, double seconds, double cost, std::optional<QString> connection)
{
    SessionRecord r;
    r.startTime = start;
    const double end = start + seconds / SecondsPerDay;
    r.endTime = TimeOf(end);
    r.endDate = DateOf(end);
    r.timeOnline = seconds;
    r.cost = cost;
    r.totalDownloaded = 6442450944.0;
    r.totalUploaded = 1048576;
    r.avgDownload = 3520.88;
    r.avgUpload = 12.5;
    r.connection = connection;
    return r;
}

// Session m as the writer wrote it before the record existed, name by name.
void writeWithLiteralNames(Store &s, const QString &key, int m, const SessionRecord &r)
{
    const QString p = QStringLiteral("Session%1").arg(m);
    s.WriteStoreFloat(p + QStringLiteral("-Start Time"), key, r.startTime);
    s.WriteStoreFloat(p + QStringLiteral("-End Time"), key, r.endTime);
    s.WriteStoreFloat(p + QStringLiteral("-End Date"), key, r.endDate);
    s.WriteStoreFloat(p + QStringLiteral("-Time Online"), key, r.timeOnline);
    s.WriteStoreFloat(p + QStringLiteral("-Cost"), key, r.cost);
    s.WriteStoreFloat(p + QStringLiteral("-TotalDownloaded"), key, r.totalDownloaded);
    s.WriteStoreFloat(p + QStringLiteral("-TotalUploaded"), key, r.totalUploaded);
    s.WriteStoreFloat(p + QStringLiteral("-AvgDownload"), key, r.avgDownload);
    s.WriteStoreFloat(p + QStringLiteral("-AvgUpload"), key, r.avgUpload);
    if (r.connection)
        s.WriteStoreString(p + QStringLiteral("-Connection"), key, *r.connection);
}

// The record as float text gives it back: 15 significant digits.
SessionRecord asStored(SessionRecord r)
{
    for (int field = 0; field < SessionFieldCount; ++field)
        r.setField(field, StoreTextToFloat(FloatToStoreText(r.field(field))));
    return r;
}

// The day's values below the key as dumpTree lists them, without the key line.
QStringList rawValues(Store &s, const QString &key)
{
    return dumpTree(s, Store::hivePathOf(key)).mid(1);
}

} // namespace

Q_DECLARE_METATYPE(SessionRecord)

class TestSessionRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedLikeTheLiteralWriter_data();
    void storedLikeTheLiteralWriter();
    void missingAndDamagedValues();
    void rangeReadMatchesDayByDay_data();
    void rangeReadMatchesDayByDay();
    void failedWriteLeavesTheRecordAsItWas_data();
    void failedWriteLeavesTheRecordAsItWas();
    void programRecordRoundTrip();
};

void TestSessionRecord::storedLikeTheLiteralWriter_data()
{
    QTest::addColumn<SessionRecord>("record");
    QTest::newRow("with its connection") << sample(NewYear2000 + 0.4375, 1811, 0.125, QStringLiteral("My ISP"));
    QTest::newRow("no connection written") << sample(NewYear2000 + 0.5, 60, 0.01, std::nullopt);
    QTest::newRow("past midnight") << sample(NewYear2000 + 0.999, 7200, 2.5, QStringLiteral("Default"));
    QTest::newRow("converted: time of day only") << sample(0.75, 30, 0, QString());
}

// Same names, letter case, types, text and order on disk as the code that
// spelled each name, and it reads back as written.
void TestSessionRecord::storedLikeTheLiteralWriter()
{
    QFETCH(SessionRecord, record);
    TempStore a;
    TempStore b;
    WriteNumberOfSessions(*a.store, 1, NewYear2000, 2);
    WriteSessionRecord(*a.store, 1, NewYear2000 + 0.3, 2, record);
    b.store->WriteStoreInteger(QStringLiteral("NumberOfSessions"), DayKey, 2);
    writeWithLiteralNames(*b.store, DayKey, 2, record);
    QCOMPARE(rawValues(*a.store, DayKey), rawValues(*b.store, DayKey));

    const SessionDay day = ReadSessionDay(*b.store, 1, NewYear2000 + 0.9);
    QCOMPARE(day.day, NewYear2000);
    QCOMPARE(day.sessions.size(), 2);
    QCOMPARE(day.sessions[1], asStored(record));
    QCOMPARE(day.sessions[0], SessionRecord());
    QCOMPARE(ReadNumberOfSessions(*b.store, 1, NewYear2000), 2);
}

void TestSessionRecord::missingAndDamagedValues()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(ReadSessionDay(s, 1, NewYear2000).sessions.size(), 0);
    QVERIFY(!s.keyExists(Store::hivePathOf(DayKey)));

    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), DayKey, 3);
    s.WriteStoreString(QStringLiteral("Session1-Cost"), DayKey, QStringLiteral("junk"));
    s.WriteStoreString(QStringLiteral("SESSION1-TIME ONLINE"), DayKey, QStringLiteral("600"));
    s.WriteStoreString(QStringLiteral("Session3-Connection"), DayKey, QString());
    // Beyond the count, and a number the writers never write: not sessions.
    s.WriteStoreInteger(QStringLiteral("Session4-Cost"), DayKey, 5);
    s.WriteStoreString(QStringLiteral("Session02-Cost"), DayKey, QStringLiteral("9"));
    const SessionDay day = ReadSessionDay(s, 1, NewYear2000);
    QCOMPARE(day.sessions.size(), 3);
    QCOMPARE(day.sessions[0].cost, 0.0);
    QCOMPARE(day.sessions[0].timeOnline, 600.0);
    QCOMPARE(day.sessions[1], SessionRecord());
    QCOMPARE(day.sessions[2].connection, std::optional<QString>(QString()));

    // A damaged value of a counted session is reported, as the reader does.
    s.DeleteStoreValue(DayKey, QStringLiteral("Session1-Cost"));
    s.WriteStoreInteger(QStringLiteral("Session1-Cost"), DayKey, 1);
    try {
        ReadSessionDay(s, 1, NewYear2000);
        QFAIL("a damaged session value went unnoticed");
    } catch (const StoreError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'Session1-Cost'"));
    }

    // A damaged count does not make millions of empty sessions.
    s.DeleteStoreValue(DayKey, QStringLiteral("Session1-Cost"));
    s.DeleteStoreValue(DayKey, QStringLiteral("Session4-Cost"));
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), DayKey, 2000000000);
    const SessionDay damaged = ReadSessionDay(s, 1, NewYear2000);
    QVERIFY(damaged.sessions.size() < 1000000);
    QCOMPARE(damaged.sessions[0].timeOnline, 600.0);
}

void TestSessionRecord::rangeReadMatchesDayByDay_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QList<double>>("days");
    const double d = NewYear2000;
    QTest::newRow("whole history") << d - 400 << d + 400 << QList<double>{d - 366, d, d + 1, d + 4};
    QTest::newRow("one day, given as moments") << d + 0.9 << d + 0.1 << QList<double>{d};
    QTest::newRow("across midnight, empty days inside") << d << d + 3 << QList<double>{d, d + 1};
    QTest::newRow("nothing in range") << d + 5 << d + 30 << QList<double>{};
    QTest::newRow("end before start") << d + 4 << d << QList<double>{};
}

void TestSessionRecord::rangeReadMatchesDayByDay()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QList<double>, days);
    TempStore t;
    Store &s = *t.store;
    const double d = NewYear2000;
    const auto add = [&s](int user, double start, double seconds) {
        const int m = ReadNumberOfSessions(s, user, start) + 1;
        WriteNumberOfSessions(s, user, start, m);
        WriteSessionRecord(s, user, start, m, sample(start, seconds, seconds / 100, QStringLiteral("ISP")));
    };
    add(1, d - 366 + 0.5, 10);
    add(1, d + 0.2, 100);
    add(1, d + 0.99, 7200);  // runs past midnight, stays under its opening day
    add(1, d + 1.5, 50);
    add(1, d + 4.1, 20);
    add(2, d + 2.5, 30);     // another user's
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), SessionDayKey(1, d + 2), 0);
    // A key no day-by-day read would find.
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), QStringLiteral("Users\\User1\\Sessions\\036527"), 1);
    s.WriteStoreString(QStringLiteral("Session1-Cost"), QStringLiteral("Users\\User1\\Sessions\\036527"),
                       QStringLiteral("99"));

    const QList<SessionDay> read = ReadSessionDays(s, 1, from, to);
    QList<double> readDays;
    for (const SessionDay &day : read) {
        readDays.append(day.day);
        const SessionDay single = ReadSessionDay(s, 1, day.day);
        QCOMPARE(day.sessions, single.sessions);
    }
    QCOMPARE(readDays, days);
    if (days.contains(d)) {
        const SessionDay &first = read[days.indexOf(d)];
        QCOMPARE(first.sessions.size(), 2);
        QCOMPARE(first.sessions[1].timeOnline, 7200.0);
        QCOMPARE(first.sessions[1].endDate, d + 1);
    }
}

void TestSessionRecord::failedWriteLeavesTheRecordAsItWas_data()
{
    QTest::addColumn<QString>("refused");
    QTest::newRow("first value") << QStringLiteral("Session1-Start Time");
    QTest::newRow("a middle value") << QStringLiteral("Session1-Cost");
    QTest::newRow("the connection, last") << QStringLiteral("Session1-Connection");
}

void TestSessionRecord::failedWriteLeavesTheRecordAsItWas()
{
    QFETCH(QString, refused);
    TempStore t;
    Store &s = *t.store;
    WriteNumberOfSessions(s, 1, NewYear2000, 1);
    WriteSessionRecord(s, 1, NewYear2000, 1, sample(NewYear2000 + 0.5, 60, 0.5, QStringLiteral("Old")));
    const QStringList before = rawValues(s, DayKey);
    {
        FailingValueWrite failing(s, refused);
        QVERIFY2(failing.isArmed(), qPrintable(failing.error()));
        QVERIFY_THROWS_EXCEPTION(StoreError, WriteSessionRecord(s, 1, NewYear2000, 1,
                                                                sample(NewYear2000 + 0.5, 120, 1, QStringLiteral("New"))));
    }
    QCOMPARE(rawValues(s, DayKey), before);
    // Also for a day that had no key: none is left behind.
    {
        FailingValueWrite failing(s, refused);
        QVERIFY_THROWS_EXCEPTION(StoreError, WriteSessionRecord(s, 1, NewYear2000 + 1, 1,
                                                                sample(NewYear2000 + 1.5, 1, 1, QStringLiteral("X"))));
    }
    QVERIFY(!s.keyExists(Store::hivePathOf(SessionDayKey(1, NewYear2000 + 1))));
}

void TestSessionRecord::programRecordRoundTrip()
{
    TempStore t;
    Store &s = *t.store;
    const QString key = QStringLiteral("Users\\User2\\Programs\\Program3");
    QCOMPARE(ProgramKey(2, 3), key);
    QCOMPARE(ReadProgramRecord(s, 2, 3), SessionProgram());
    s.WriteStoreString(QStringLiteral("Filename"), key, QStringLiteral("/usr/bin/mail"));
    s.WriteStoreBool(QStringLiteral("AutoProgramClose"), key, true);
    s.WriteStoreInteger(QStringLiteral("Use TimeZone"), key, 1);
    s.WriteStoreInteger(QStringLiteral("Start Time"), key, 60);
    s.WriteStoreInteger(QStringLiteral("End Time"), key, 1380);
    s.WriteStoreInteger(QStringLiteral("Days"), key, 65);
    const SessionProgram read = ReadProgramRecord(s, 2, 3);
    QCOMPARE(read.filename, QStringLiteral("/usr/bin/mail"));
    QVERIFY(read.autoProgramClose);
    QCOMPARE(read.useTimeZone, 1);
    QCOMPARE(read.startTime, 60);
    QCOMPARE(read.endTime, 1380);
    QCOMPARE(read.days, 65);

    const QStringList literal = rawValues(s, key);
    s.DeleteStoreKey(key);
    WriteProgramRecord(s, 2, 3, read);
    QCOMPARE(rawValues(s, key), literal);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionRecord)
#include "TestSessionRecord.moc"

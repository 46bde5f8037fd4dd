#include "session/SessionRecords.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"

#include <cmath>

using testsupport::EngineFixture;

namespace {
const DateTime NewYear2000 = 36526;  // 1 January 2000
}

class TestSessionRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void readsOfMissingRecordsCreateNothing_data();
    void readsOfMissingRecordsCreateNothing();
    void unconvertibleTextReadsAsZero_data();
    void unconvertibleTextReadsAsZero();
    void dayKeyIsTheWholeDayNumber();
    void dayTotalsMatchFieldByFieldReads();
    void dayTotalsOfAMissingDay();
    void wrongTypeFailsLikeTheReader();
};

void TestSessionRecords::roundTrip_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<double>("value");
    QTest::newRow("start time") << 0 << "Session2-Start Time" << 36526.4375;
    QTest::newRow("end time") << 2 << "Session2-End Time" << 0.999988425925926;
    QTest::newRow("end date") << 3 << "Session2-End Date" << 36527.0;
    QTest::newRow("time online") << 4 << "Session2-Time Online" << 1811.0;
    QTest::newRow("cost") << 5 << "Session2-Cost" << 0.125;
    QTest::newRow("downloaded beyond 32 bits") << 6 << "Session2-TotalDownloaded" << 6442450944.0;
    QTest::newRow("uploaded") << 7 << "Session2-TotalUploaded" << 1048576.0;
    QTest::newRow("average down") << 8 << "Session2-AvgDownload" << 3520.88;
    QTest::newRow("average up") << 9 << "Session2-AvgUpload" << 12.5;
}

void TestSessionRecords::roundTrip()
{
    QFETCH(int, field);
    QFETCH(QString, valueName);
    QFETCH(double, value);
    EngineFixture f;
    WriteToDataFile(f.ctx, 1, 2, field, value, NewYear2000);
    QCOMPARE(GetFromDataFile(f.ctx, 1, 2, field, NewYear2000), value);
    // Stored as float text under the documented name.
    QCOMPARE(f.store().ReadStoreString(valueName, QStringLiteral("Users\\User1\\Sessions\\36526")),
             FloatToStoreText(value));
    // No part of the system writes the start date: it reads as 0.
    QCOMPARE(GetFromDataFile(f.ctx, 1, 2, SessionStartDate, NewYear2000), 0.0);
}

void TestSessionRecords::readsOfMissingRecordsCreateNothing_data()
{
    QTest::addColumn<int>("session");
    QTest::addColumn<double>("day");
    QTest::newRow("day without a key") << 1 << NewYear2000 + 5;
    QTest::newRow("session above the count") << 3 << NewYear2000;
}

void TestSessionRecords::readsOfMissingRecordsCreateNothing()
{
    QFETCH(int, session);
    QFETCH(double, day);
    EngineFixture f;
    testsupport::TariffSeed seed(f.store());
    seed.session({NewYear2000 + 0.5, 600, 0.5, 1000, 100});
    seed.session({NewYear2000 + 0.6, 600, 0.5, 1000, 100});
    const int keysBefore = int(f.store().subkeyNames(Store::hivePathOf(QStringLiteral("Users\\User1\\Sessions"))).size());
    const int valuesBefore = int(f.store().values(Store::hivePathOf(SessionDayKey(1, NewYear2000))).size());
    for (int field = 0; field <= 9; ++field)
        QCOMPARE(GetFromDataFile(f.ctx, 1, session, field, day), 0.0);
    QCOMPARE(int(f.store().subkeyNames(Store::hivePathOf(QStringLiteral("Users\\User1\\Sessions"))).size()), keysBefore);
    QCOMPARE(int(f.store().values(Store::hivePathOf(SessionDayKey(1, NewYear2000))).size()), valuesBefore);
}

void TestSessionRecords::unconvertibleTextReadsAsZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("words") << "twelve" << 0.0;
    QTest::newRow("trailing junk") << "12abc" << 0.0;
    QTest::newRow("number") << "12.5" << 12.5;
}

void TestSessionRecords::unconvertibleTextReadsAsZero()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    EngineFixture f;
    f.store().WriteStoreString(QStringLiteral("Session1-Cost"), SessionDayKey(1, NewYear2000), text);
    QCOMPARE(GetFromDataFile(f.ctx, 1, 1, SessionCost, NewYear2000), expected);
}

void TestSessionRecords::dayKeyIsTheWholeDayNumber()
{
    EngineFixture f;
    QCOMPARE(SessionDayKey(3, NewYear2000 + 0.75), QStringLiteral("Users\\User3\\Sessions\\36526"));
    WriteToDataFile(f.ctx, 1, 1, SessionCost, 1.5, NewYear2000 + 0.75);
    QCOMPARE(f.store().subkeyNames(Store::hivePathOf(QStringLiteral("Users\\User1\\Sessions"))),
             QStringList{QStringLiteral("36526")});
}

// The one-query day reader must give what reading field by field gives,
// also for records that are not tidy.
void TestSessionRecords::dayTotalsMatchFieldByFieldReads()
{
    EngineFixture f;
    const QString key = SessionDayKey(1, NewYear2000);
    Store &s = f.store();
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, 4);
    s.WriteStoreString(QStringLiteral("Session1-Time Online"), key, QStringLiteral("600"));
    s.WriteStoreString(QStringLiteral("Session1-Cost"), key, QStringLiteral("0.35"));
    s.WriteStoreString(QStringLiteral("Session1-TotalDownloaded"), key, QStringLiteral("4294967296"));
    s.WriteStoreString(QStringLiteral("SESSION2-TIME ONLINE"), key, QStringLiteral("10.6"));   // other letter case, rounds up
    s.WriteStoreString(QStringLiteral("Session2-Cost"), key, QStringLiteral("junk"));
    s.WriteStoreString(QStringLiteral("Session2-TotalDownloaded"), key, QString());
    // Session 3 has no values at all; session 4 only a cost.
    s.WriteStoreString(QStringLiteral("Session4-Cost"), key, QStringLiteral("1.25"));
    // Beyond the count, or not a session number as the reader writes it.
    s.WriteStoreString(QStringLiteral("Session5-Cost"), key, QStringLiteral("100"));
    s.WriteStoreString(QStringLiteral("Session01-Cost"), key, QStringLiteral("100"));
    s.WriteStoreString(QStringLiteral("Session0-Cost"), key, QStringLiteral("100"));
    s.WriteStoreString(QStringLiteral("Session1-Costs"), key, QStringLiteral("100"));
    s.WriteStoreString(QStringLiteral("Session1-Connection"), key, QStringLiteral("MyISP"));

    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;
    for (int m = 1; m <= 4; ++m) {
        seconds += std::llround(GetFromDataFile(f.ctx, 1, m, SessionTimeOnline, NewYear2000));
        cost += GetFromDataFile(f.ctx, 1, m, SessionCost, NewYear2000);
        downloaded += std::llround(GetFromDataFile(f.ctx, 1, m, SessionTotalDownloaded, NewYear2000));
    }
    const DaySessionTotals t = ReadDaySessionTotals(s, 1, NewYear2000);
    QCOMPARE(t.sessions, 4);
    QCOMPARE(t.seconds, seconds);
    QCOMPARE(t.seconds, qint64(611));
    QCOMPARE(t.downloaded, downloaded);
    QCOMPARE(t.downloaded, qint64(4294967296));
    QVERIFY(std::fabs(t.cost - cost) < 1e-12);
    QVERIFY(std::fabs(t.cost - 1.6) < 1e-12);
}

void TestSessionRecords::dayTotalsOfAMissingDay()
{
    EngineFixture f;
    const DaySessionTotals t = ReadDaySessionTotals(f.store(), 1, NewYear2000);
    QCOMPARE(t.sessions, 0);
    QCOMPARE(t.seconds, qint64(0));
    QVERIFY(!f.store().keyExists(Store::hivePathOf(SessionDayKey(1, NewYear2000))));
}

void TestSessionRecords::wrongTypeFailsLikeTheReader()
{
    EngineFixture f;
    const QString key = SessionDayKey(1, NewYear2000);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, 1);
    f.store().WriteStoreInteger(QStringLiteral("Session1-Cost"), key, 5);
    QString fieldReadError;
    try {
        GetFromDataFile(f.ctx, 1, 1, SessionCost, NewYear2000);
    } catch (const StoreError &e) {
        fieldReadError = e.message();
    }
    QCOMPARE(fieldReadError, QStringLiteral("Invalid data type for 'Session1-Cost'"));
    QString dayReadError;
    try {
        ReadDaySessionTotals(f.store(), 1, NewYear2000);
    } catch (const StoreError &e) {
        dayReadError = e.message();
    }
    QCOMPARE(dayReadError, fieldReadError);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionRecords)
#include "TestSessionRecords.moc"

#include "tariff/BandRecord.h"
#include "tariff/HolidayRecord.h"
#include "tariff/IspRecord.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "support/DatabaseFaults.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"
#include "tariff/TariffKeys.h"

using testsupport::dumpTree;
using testsupport::FailingValueWrite;
using testsupport::TempStore;

namespace {

QStringList rawTree(Store &s, const QString &key)
{
    return dumpTree(s, Store::hivePathOf(key));
}

BandRecord band(int start, int end, const QString &cost, const QString &fee, int feeType)
{
    return BandRecord{start, end, cost, fee, feeType};
}

// Day type `day` of user 1, ISP 2 as the tariff code wrote it name by name.
void writeDayWithLiteralNames(Store &s, int day, const QList<BandRecord> &bands)
{
    s.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 2, day), int(bands.size()));
    for (int k = 1; k <= bands.size(); ++k) {
        const QString key = TariffKeys::band(1, 2, day, k);
        s.WriteStoreInteger(QStringLiteral("Start Time"), key, bands[k - 1].startTime);
        s.WriteStoreInteger(QStringLiteral("End Time"), key, bands[k - 1].endTime);
        s.WriteStoreString(QStringLiteral("Cost"), key, bands[k - 1].cost);
        s.WriteStoreString(QStringLiteral("ConnectionFee"), key, bands[k - 1].connectionFee);
        s.WriteStoreInteger(QStringLiteral("ConnectionFeeType"), key, bands[k - 1].connectionFeeType);
    }
}

} // namespace

class TestBandRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayTariffStoredLikeTheLiteralWriter_data();
    void dayTariffStoredLikeTheLiteralWriter();
    void missingBandsAndValues();
    void damagedValues_data();
    void damagedValues();
    void failedWriteLeavesTheTariffAsItWas_data();
    void failedWriteLeavesTheTariffAsItWas();
    void holidays();
    void ispRecord();
};

void TestBandRecord::dayTariffStoredLikeTheLiteralWriter_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QList<BandRecord>>("bands");
    QTest::newRow("no bands") << 1 << QList<BandRecord>{};
    QTest::newRow("one whole-day band") << 7 << QList<BandRecord>{band(0, 1439, QStringLiteral("0.05"), "0", 0)};
    QTest::newRow("across midnight, base fee, typed texts")
        << 8 << QList<BandRecord>{band(0, 479, QStringLiteral("0,01"), QStringLiteral("0.1"), 1),
                                  band(480, 1079, QStringLiteral("0.045"), QString(), 0),
                                  band(1080, 479, QStringLiteral(" 2 "), QStringLiteral("abc"), 1)};
}

void TestBandRecord::dayTariffStoredLikeTheLiteralWriter()
{
    QFETCH(int, day);
    QFETCH(QList<BandRecord>, bands);
    TempStore a;
    TempStore b;
    WriteDayTariff(*a.store, 1, 2, day, bands);
    writeDayWithLiteralNames(*b.store, day, bands);
    const QString key = TariffKeys::dayType(1, 2, day);
    QCOMPARE(rawTree(*a.store, key), rawTree(*b.store, key));
    QCOMPARE(ReadDayTariff(*b.store, 1, 2, day), bands);
    QCOMPARE(ReadNumberOfBands(*b.store, 1, 2, day), int(bands.size()));
    for (int k = 1; k <= bands.size(); ++k)
        QCOMPARE(ReadBandRecord(*b.store, 1, 2, day, k), bands[k - 1]);
}

void TestBandRecord::missingBandsAndValues()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(ReadDayTariff(s, 1, 1, 1), QList<BandRecord>{});
    QCOMPARE(ReadBandRecord(s, 1, 1, 1, 1), BandRecord());
    QVERIFY(!s.keyExists(Store::hivePathOf(TariffKeys::dayType(1, 1, 1))));

    // Band 2 of 3 has no key and band 3 only a cost: zeros, as reading each
    // value on its own gives them; band 4 is beyond the count.
    s.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 3), 3);
    s.WriteStoreInteger(QStringLiteral("START TIME"), TariffKeys::band(1, 1, 3, 1), 60);
    s.WriteStoreString(QStringLiteral("Cost"), TariffKeys::band(1, 1, 3, 3), QStringLiteral("0.5"));
    s.WriteStoreInteger(QStringLiteral("Start Time"), TariffKeys::band(1, 1, 3, 4), 99);
    const QList<BandRecord> read = ReadDayTariff(s, 1, 1, 3);
    QCOMPARE(read, (QList<BandRecord>{band(60, 0, QString(), QString(), 0), BandRecord(),
                                      band(0, 0, QStringLiteral("0.5"), QString(), 0)}));
    QCOMPARE(read[2].costPerMinute(), 0.5);
    QCOMPARE(read[2].fee(), 0.0);

    // A damaged count stops at a day's worth of minutes.
    s.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 3), 2000000000);
    QCOMPARE(ReadDayTariff(s, 1, 1, 3).size(), 1440);
}

void TestBandRecord::damagedValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asText");
    QTest::newRow("start as text") << QStringLiteral("Start Time") << true;
    QTest::newRow("fee type as text") << QStringLiteral("ConnectionFeeType") << true;
    QTest::newRow("cost as a number") << QStringLiteral("Cost") << false;
}

// Reported by a plain read; read as missing where pricing must go on.
void TestBandRecord::damagedValues()
{
    QFETCH(QString, name);
    QFETCH(bool, asText);
    TempStore t;
    Store &s = *t.store;
    const BandRecord good = band(10, 20, QStringLiteral("0.3"), QStringLiteral("0.2"), 1);
    WriteBandRecord(s, 1, 1, 1, 1, good);
    const QString key = TariffKeys::band(1, 1, 1, 1);
    s.DeleteStoreValue(key, name);
    if (asText)
        s.WriteStoreString(name, key, QStringLiteral("1"));
    else
        s.WriteStoreInteger(name, key, 1);
    try {
        ReadBandRecord(s, 1, 1, 1, 1);
        QFAIL("a damaged band value went unnoticed");
    } catch (const StoreError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for '%1'").arg(name));
    }
    const BandRecord lenient = ReadBandRecord(s, 1, 1, 1, 1, DamagedValue::ReadAsMissing);
    BandRecord expected = good;
    if (name == QLatin1String("Start Time"))
        expected.startTime = 0;
    else if (name == QLatin1String("ConnectionFeeType"))
        expected.connectionFeeType = 0;
    else
        expected.cost.clear();
    QCOMPARE(lenient, expected);
}

void TestBandRecord::failedWriteLeavesTheTariffAsItWas_data()
{
    QTest::addColumn<QString>("refused");
    QTest::newRow("the count") << QStringLiteral("NumberOfTimeZones");
    QTest::newRow("a value of the last band") << QStringLiteral("ConnectionFeeType");
}

void TestBandRecord::failedWriteLeavesTheTariffAsItWas()
{
    QFETCH(QString, refused);
    TempStore t;
    Store &s = *t.store;
    WriteDayTariff(s, 1, 1, 2, {band(0, 1439, QStringLiteral("1"), QStringLiteral("0"), 0)});
    const QStringList before = rawTree(s, TariffKeys::isp(1, 1));
    {
        FailingValueWrite failing(s, refused);
        QVERIFY2(failing.isArmed(), qPrintable(failing.error()));
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 WriteDayTariff(s, 1, 1, 2, {band(0, 599, QStringLiteral("2"), "0", 0),
                                                             band(600, 1439, QStringLiteral("3"), "0", 0)}));
    }
    QCOMPARE(rawTree(s, TariffKeys::isp(1, 1)), before);
}

void TestBandRecord::holidays()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(ReadHolidayTexts(s, 1, 1), QStringList());
    const QList<DateTime> days{36885, 36892, 54604};  // 25 Dec 2000, 1 Jan 2001, 30 Jun 2049
    WriteHolidays(s, 1, 1, days);
    const QString key = TariffKeys::holidays(1, 1);
    QCOMPARE(rawTree(s, key), (QStringList{QStringLiteral("[%1]").arg(Store::hivePathOf(key)),
                                           QStringLiteral("NumberOfHolidays|4|3"), QStringLiteral("Holiday1|1|36885"),
                                           QStringLiteral("Holiday2|1|36892"), QStringLiteral("Holiday3|1|54604")}));
    QCOMPARE(ReadHolidays(s, 1, 1), days);
    QCOMPARE(ReadHolidayTexts(s, 1, 1), (QStringList{"36885", "36892", "54604"}));

    // A count above the holidays stored: the missing one reads as empty.
    WriteNumberOfHolidays(s, 1, 1, 4);
    QCOMPARE(ReadHolidayTexts(s, 1, 1).last(), QString());
    WriteHoliday(s, 1, 1, 4, 36526.75);
    QCOMPARE(ReadHolidays(s, 1, 1).last(), 36526.75);

    // A damaged count does not list millions of empty holidays.
    WriteNumberOfHolidays(s, 1, 1, 2000000000);
    const QStringList damaged = ReadHolidayTexts(s, 1, 1);
    QVERIFY(damaged.size() < 100000);
    QCOMPARE(damaged.mid(0, 4), (QStringList{"36885", "36892", "54604", "36526.75"}));
}

void TestBandRecord::ispRecord()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(ReadIspRecord(s, 1, 2), IspRecord());
    const QString key = TariffKeys::isp(1, 2);
    s.WriteStoreString(QStringLiteral("ISPName"), key, QStringLiteral("Home"));
    s.WriteStoreString(QStringLiteral("DialUpName"), key, QStringLiteral("home-ppp"));  // the other spelling
    s.WriteStoreString(QStringLiteral("CurrentTimezonePresetName"), key, QStringLiteral("Evening"));
    const IspRecord read = ReadIspRecord(s, 1, 2);
    QCOMPARE(read, (IspRecord{QStringLiteral("Home"), QStringLiteral("home-ppp"), QStringLiteral("Evening")}));

    // A write of one value leaves the others, and the name as first written.
    IspRecord renamed;
    renamed.dialupName = QStringLiteral("work-ppp");
    WriteIspRecord(s, 1, 2, renamed, IspDialupNameValue);
    QCOMPARE(ReadIspRecord(s, 1, 2), (IspRecord{QStringLiteral("Home"), QStringLiteral("work-ppp"),
                                                QStringLiteral("Evening")}));
    StoreValue stored;
    QVERIFY(s.readValue(Store::hivePathOf(key), QStringLiteral("dialupname"), stored));
    QCOMPARE(stored.type, int(RegSz));

    TempStore fresh;
    WriteIspRecord(*fresh.store, 1, 2, read);
    QCOMPARE(rawTree(*fresh.store, key),
             (QStringList{QStringLiteral("[%1]").arg(Store::hivePathOf(key)), QStringLiteral("ISPName|1|Home"),
                          QStringLiteral("DialupName|1|home-ppp"), QStringLiteral("CurrentTimezonePresetName|1|Evening")}));
}

TALLYLINE_ENGINE_TEST_MAIN(TestBandRecord)
#include "TestBandRecord.moc"

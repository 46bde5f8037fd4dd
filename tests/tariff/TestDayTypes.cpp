#include "store/FloatText.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/DayTypes.h"

using testsupport::EngineFixture;
using testsupport::SeedBand;
using testsupport::TariffSeed;

namespace {

// "0-539,540-1439" -> two bands.
QList<SeedBand> parseBands(const QString &text)
{
    QList<SeedBand> list;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.split(QLatin1Char('-'));
        list.append({ends[0].toInt(), ends[1].toInt(), 0.01, 0, 0});
    }
    return list;
}

// 2001-01-08 is a Monday.
QDateTime mondayAt(const QString &time)
{
    return QDateTime(QDate(2001, 1, 8), QTime::fromString(time, QStringLiteral("HH:mm:ss")));
}

} // namespace

class TestDayTypes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void currentBand_data();
    void currentBand();
    void holidays_data();
    void holidays();
    void overlap_data();
    void overlap();
    void decodeHoursMinutes_data();
    void decodeHoursMinutes();
    void ispSelection_data();
    void ispSelection();
    void ispSelectionNeedsLogin();
};

void TestDayTypes::currentBand_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("expected");
    QTest::newRow("morning band until 08:59") << "0-539,540-1439" << "08:59:59" << 1;
    QTest::newRow("day band from 09:00") << "0-539,540-1439" << "09:00:00" << 2;
    QTest::newRow("across midnight late") << "1320-420" << "23:30:00" << 1;
    QTest::newRow("across midnight early") << "1320-420" << "03:00:00" << 1;
    QTest::newRow("across midnight end inclusive") << "1320-420" << "07:00:59" << 1;
    QTest::newRow("across midnight outside") << "1320-420" << "07:01:00" << -1;
    QTest::newRow("shared minute goes to first band") << "0-540,540-1439" << "09:00:30" << 1;
    QTest::newRow("after shared minute") << "0-540,540-1439" << "09:01:00" << 2;
    QTest::newRow("start equals end is all day (midnight)") << "600-600" << "00:00:00" << 1;
    QTest::newRow("start equals end is all day (23:59)") << "600-600" << "23:59:59" << 1;
    QTest::newRow("end minute inclusive") << "540-1020" << "17:00:59" << 1;
    QTest::newRow("after end minute") << "540-1020" << "17:01:00" << -1;
    QTest::newRow("before start") << "540-1020" << "08:59:59" << -1;
    QTest::newRow("later band when first misses") << "540-1020,1021-539" << "18:00:00" << 2;
    QTest::newRow("no bands") << "" << "12:00:00" << -1;
}

void TestDayTypes::currentBand()
{
    QFETCH(QString, bands);
    QFETCH(QString, time);
    QFETCH(int, expected);
    EngineFixture f(mondayAt(time));
    TariffSeed seed(f.store());
    seed.isp(1, QStringLiteral("Default"), QStringLiteral("Any"));
    if (!bands.isEmpty())
        seed.bands(1, 1, parseBands(bands));
    // Other day types hold a band everywhere: only Monday's may be used.
    seed.bands(1, 2, parseBands(QStringLiteral("0-0")));
    QCOMPARE(DetermineCurrentTimeZone(f.ctx), expected);
    QCOMPARE(f.ctx.tariff.CurrentDayType, 1);
    const QList<SeedBand> list = parseBands(bands);
    if (expected > 0) {
        QVERIFY(CheckIfInTimeZone(f.ctx, list[expected - 1].start, list[expected - 1].end));
    }
}

void TestDayTypes::holidays_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("holidayTexts");  // as stored for ISP 1
    QTest::addColumn<int>("isp");
    QTest::addColumn<int>("expectedDay");
    const QString newYear2001 = FloatToStoreText(DateTimeFromQDate(QDate(2001, 1, 1)));
    const QString saturday = FloatToStoreText(DateTimeFromQDate(QDate(2001, 1, 6)));
    QTest::newRow("plain Monday") << QDate(2001, 1, 8) << QStringList{newYear2001} << 1 << 1;
    QTest::newRow("holiday on a Monday") << QDate(2001, 1, 1) << QStringList{newYear2001} << 1 << 8;
    QTest::newRow("holiday on a Saturday") << QDate(2001, 1, 6) << QStringList{newYear2001, saturday} << 1 << 8;
    QTest::newRow("Sunday") << QDate(2001, 1, 7) << QStringList{saturday} << 1 << 7;
    QTest::newRow("other ISP's holidays do not count") << QDate(2001, 1, 1) << QStringList{newYear2001} << 2 << 1;
    // The comparison is of texts: a differently written number is not today.
    QTest::newRow("text compare") << QDate(2001, 1, 1) << QStringList{newYear2001 + QStringLiteral(".0")} << 1 << 1;
}

void TestDayTypes::holidays()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, holidayTexts);
    QFETCH(int, isp);
    QFETCH(int, expectedDay);
    EngineFixture f(QDateTime(today, QTime(10, 0)));
    TariffSeed seed(f.store());
    seed.isp(1, QStringLiteral("Default"), QStringLiteral("Any")).isp(2, QStringLiteral("Other"), QStringLiteral("Other"));
    const QString key = TariffKeys::holidays(1, 1);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfHolidays"), key, int(holidayTexts.size()));
    for (int h = 1; h <= holidayTexts.size(); ++h)
        f.store().WriteStoreString(QStringLiteral("Holiday%1").arg(h), key, holidayTexts[h - 1]);
    seed.weekBands(1, parseBands(QStringLiteral("0-0"))).weekBands(2, parseBands(QStringLiteral("0-0")));
    f.ctx.tariff.CurrentTimeZoneISP = isp;
    QCOMPARE(CalculateCurrentDay(f.ctx), expectedDay);
    // No "Public Holiday" bands: on a holiday no band applies.
    QCOMPARE(DetermineCurrentTimeZone(f.ctx), expectedDay == 8 ? -1 : 1);
}

void TestDayTypes::overlap_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("overlaps");
    QTest::newRow("starts where existing ends") << "540-1020" << 1020 << 1200 << false;
    QTest::newRow("starts inside") << "540-1020" << 1000 << 1100 << true;
    QTest::newRow("ends where existing starts") << "540-1020" << 400 << 540 << false;
    QTest::newRow("ends inside") << "540-1020" << 400 << 600 << true;
    QTest::newRow("encloses") << "540-1020" << 400 << 1100 << true;
    QTest::newRow("new crosses midnight, clear") << "540-1020" << 1200 << 300 << false;
    QTest::newRow("existing crosses midnight") << "1320-420" << 300 << 500 << true;
    QTest::newRow("fills the gap of a midnight band") << "1320-420" << 420 << 1320 << false;
    QTest::newRow("new whole day") << "540-1020" << 600 << 600 << true;
    QTest::newRow("second band hit") << "0-100,540-1020" << 1000 << 1100 << true;
    QTest::newRow("no bands") << "" << 0 << 0 << false;
}

void TestDayTypes::overlap()
{
    QFETCH(QString, existing);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(bool, overlaps);
    EngineFixture f;
    TariffSeed seed(f.store());
    seed.isp(1, QStringLiteral("Default"), QStringLiteral("Any"));
    if (!existing.isEmpty())
        seed.bands(1, 3, parseBands(existing));
    QCOMPARE(CheckTimeZoneOverLap(f.ctx, start, end, 3), overlaps);
    // Another day type's bands are not looked at.
    QCOMPARE(CheckTimeZoneOverLap(f.ctx, start, end, 4), false);
}

void TestDayTypes::decodeHoursMinutes_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << 0 << "00:00";
    QTest::newRow("last minute") << 1439 << "23:59";
    QTest::newRow("one hour one minute") << 61 << "01:01";
    QTest::newRow("ten") << 600 << "10:00";
}

void TestDayTypes::decodeHoursMinutes()
{
    QFETCH(int, minutes);
    QFETCH(QString, text);
    QCOMPARE(DecodeHoursMinutesString(minutes), text);
}

void TestDayTypes::ispSelection_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact name") << "MyISP" << 2;
    QTest::newRow("other letter case") << "myisp" << 2;
    QTest::newRow("third") << "OFFICE dial" << 3;
    QTest::newRow("no entry name known") << "Default" << 1;
    QTest::newRow("unknown entry") << "Elsewhere" << 1;
}

void TestDayTypes::ispSelection()
{
    QFETCH(QString, entry);
    QFETCH(int, expected);
    EngineFixture f;
    TariffSeed(f.store())
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .isp(2, QStringLiteral("Home"), QStringLiteral("MyISP"))
        .isp(3, QStringLiteral("Work"), QStringLiteral("Office Dial"));
    f.ctx.tariff.CurrentTimeZoneISP = 3;
    f.store().WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), TariffKeys::user(1), 3);
    f.ctx.connection.ConnectedEntryName = entry;
    SelectCurrentISP(f.ctx);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, expected);
    int stored = 0;
    QVERIFY(f.store().ReadStoreInteger(QStringLiteral("CurrentTimeZoneISP"), TariffKeys::user(1), stored));
    QCOMPARE(stored, expected);
}

void TestDayTypes::ispSelectionNeedsLogin()
{
    EngineFixture f;
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).isp(2, QStringLiteral("Home"), QStringLiteral("MyISP"));
    f.ctx.login.LoggedIn = false;
    f.ctx.connection.ConnectedEntryName = QStringLiteral("MyISP");
    SelectCurrentISP(f.ctx);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, 1);
    int stored = -1;
    QVERIFY(!f.store().ReadStoreInteger(QStringLiteral("CurrentTimeZoneISP"), TariffKeys::user(1), stored));
}

TALLYLINE_ENGINE_TEST_MAIN(TestDayTypes)
#include "TestDayTypes.moc"

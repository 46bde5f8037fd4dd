#include "platform/SystemClock.h"
#include "session/SessionRecords.h"
#include "account_window/LiveRows.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "tariff/Formatting.h"
#include "tariff/SessionPricing.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimeZone>

#include <cmath>

using testsupport::EngineFixture;
using testsupport::SeedBand;
using testsupport::TariffSeed;

namespace {

constexpr double Tolerance = 1e-9;

// What OpenSession does for pricing: ISP, band, totals, the running values,
// a new record, and the first tick.
void openSession(EngineFixture &f)
{
    AppContext &ctx = f.ctx;
    SelectCurrentISP(ctx);
    ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(ctx);
    QVERIFY(ctx.tariff.CurrentTimezone != -1);
    CalculateDailyTotals(ctx);
    const DateTime start = CalculateAccountStartDate(ctx);
    const DateTime end = CalculateEndAccountDate(ctx, start);
    CalculateAccountTotals(ctx, end, start);
    BeginSessionPricing(ctx);
    const QString dayKey = SessionDayKey(1, ctx.pricing.SessionDay);
    int m = 0;
    f.store().ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, m);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, m + 1);
    UpdateSessionInformation(ctx);
}

// One main-timer tick of an open session.
void tick(EngineFixture &f, qint64 ms = 500)
{
    f.clock.advanceMs(ms);
    f.ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(f.ctx);
    QVERIFY(f.ctx.tariff.CurrentTimezone != -1);
    UpdateSessionInformation(f.ctx);
}

QString money(double value, int decimals)
{
    return QLocale().toCurrencyString(value, QStringLiteral("\u00a3"), decimals);
}

} // namespace

class TestSessionPricing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fees_data();
    void fees();
    void firstTickCountsTheCorrectionAndOneSecond();
    void wholeSessionAcrossBandAndMidnight_data();
    void wholeSessionAcrossBandAndMidnight();
    void clockGuard_data();
    void clockGuard();
    void daylightSavingChanges_data();
    void daylightSavingChanges();
    void liveValuesReachTheAccountWindow();
    void eachTickReportsItsNumbersAfterWriting();
    void byteAndRateTexts_data();
    void byteAndRateTexts();
    void moneyTexts_data();
    void moneyTexts();
};

void TestSessionPricing::fees_data()
{
    QTest::addColumn<double>("cost");
    QTest::addColumn<double>("fee");
    QTest::addColumn<int>("feeType");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<double>("expected");
    QTest::newRow("minimum, inside the floor") << 0.05 << 0.10 << 0 << 60 << 0.10;
    QTest::newRow("minimum, at the floor") << 0.05 << 0.10 << 0 << 120 << 0.10;
    QTest::newRow("minimum, one past the floor") << 0.05 << 0.10 << 0 << 121 << 0.10 + 0.05 / 60;
    QTest::newRow("minimum, past the floor") << 0.05 << 0.10 << 0 << 150 << 0.125;
    QTest::newRow("base, first second") << 0.05 << 0.10 << 1 << 1 << 0.10 + 0.05 / 60;
    QTest::newRow("base, one minute") << 0.05 << 0.10 << 1 << 60 << 0.15;
    QTest::newRow("base written as 2") << 0.05 << 0.10 << 2 << 60 << 0.15;
    QTest::newRow("minimum fee 0") << 0.05 << 0.0 << 0 << 60 << 0.05;
    QTest::newRow("minimum fee 0, first second") << 0.05 << 0.0 << 0 << 1 << 0.05 / 60;
    QTest::newRow("free band with a minimum") << 0.0 << 0.10 << 0 << 600 << 0.10;
    QTest::newRow("free band with a base fee") << 0.0 << 0.10 << 1 << 600 << 0.10;
}

void TestSessionPricing::fees()
{
    QFETCH(double, cost);
    QFETCH(double, fee);
    QFETCH(int, feeType);
    QFETCH(int, seconds);
    QFETCH(double, expected);
    EngineFixture f(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, cost, fee, feeType}});
    f.ctx.settings.ModemCorrectionFactor = 0;
    openSession(f);
    while (f.ctx.pricing.SecondsOnline < seconds)
        tick(f);
    QCOMPARE(f.ctx.pricing.SecondsOnline, qint64(seconds));
    QVERIFY2(std::fabs(f.ctx.pricing.SessionCost - expected) < Tolerance,
             qPrintable(QStringLiteral("%1 != %2").arg(f.ctx.pricing.SessionCost, 0, 'g', 15).arg(expected, 0, 'g', 15)));
    QVERIFY2(std::fabs(GetFromDataFile(f.ctx, 1, 1, SessionCost, f.ctx.pricing.SessionDay) - expected) < Tolerance,
             "the record holds the session cost");
}

void TestSessionPricing::firstTickCountsTheCorrectionAndOneSecond()
{
    EngineFixture f(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, 0.06, 0, 0}});
    openSession(f);
    QCOMPARE(f.ctx.pricing.SecondsOnline, qint64(11));
    const DateTime day = DateTimeFromQDate(QDate(2001, 1, 10));
    QCOMPARE(QDateTimeFromDateTime(GetFromDataFile(f.ctx, 1, 1, SessionStartTime, day)),
             QDateTime(QDate(2001, 1, 10), QTime(11, 59, 50)));
    QCOMPARE(GetFromDataFile(f.ctx, 1, 1, SessionTimeOnline, day), 11.0);
}

// Monday 2001-01-08: band 1 08:00-23:54 at 0.06 a minute with a Base fee of
// 0.10, band 2 23:55-07:59 at 0.03 with no fee. Tuesday: one band all day
// at 0.12 with a Minimum of 1.5005 (or as the row says). The session opens at 23:50:00 (start
// 23:49:50 with the correction of 10 s) and runs to 00:10:00; at a moment T
// it has been online floor(T - 23:49:50) + 1 seconds.
void TestSessionPricing::wholeSessionAcrossBandAndMidnight_data()
{
    QTest::addColumn<bool>("startBandOnly");
    QTest::addColumn<double>("tuesdayCost");
    QTest::addColumn<double>("tuesdayFee");
    QTest::addColumn<QList<double>>("expected");  // at 23:50:00, 23:54:59.5, 23:55:00, 23:59:59.5, 00:00:00, 00:06:00, 00:10:00
    // Whole session at Monday's band 1: 0.10 + 0.001 a second.
    QTest::newRow("priced by the opening band")
        << true << 0.12 << 1.5005 << QList<double>{0.10 + 0.011, 0.10 + 0.310, 0.10 + 0.311, 0.10 + 0.610, 0.10 + 0.611, 0.10 + 0.971, 0.10 + 1.211};
    // Band 1 to 310 s (0.41), band 2 at 0.0005 a second from 310 to 610 s
    // (0.56), then Tuesday: 0.002 x 611 = 1.222 is under the minimum, so the
    // cost is the minimum 1.5005 until 0.002 x N passes it (N = 751), and
    // grows from there: 971 s -> 1.5005 + 0.002 x 221; 1211 s -> + 0.002 x 461.
    QTest::newRow("priced by the band in force")
        << false << 0.12 << 1.5005 << QList<double>{0.111, 0.41, 0.4105, 0.56, 1.5005, 1.5005 + 0.442, 1.5005 + 0.922};
    // Tuesday at 0.0005 a second with a Minimum of 0.40: the session already
    // costs more than that floor, so it grows on from 0.56 although
    // 0.0005 x N stays under 0.40 until 800 s.
    QTest::newRow("new band's floor already passed")
        << false << 0.03 << 0.40 << QList<double>{0.111, 0.41, 0.4105, 0.56, 0.5605, 0.56 + 0.1805, 0.56 + 0.3005};
}

void TestSessionPricing::wholeSessionAcrossBandAndMidnight()
{
    QFETCH(bool, startBandOnly);
    QFETCH(double, tuesdayCost);
    QFETCH(double, tuesdayFee);
    QFETCH(QList<double>, expected);
    const QDate monday(2001, 1, 8);
    const QDate tuesday(2001, 1, 9);
    EngineFixture f(QDateTime(monday, QTime(23, 50)));
    TariffSeed seed(f.store());
    seed.account(QStringLiteral("MONTHLY"), QStringLiteral("1"))
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .isp(2, QStringLiteral("Dial"), QStringLiteral("Dial"))
        .bands(1, 1, {{480, 1434, 0.06, 0.10, 1}, {1435, 479, 0.03, 0, 0}})
        .bands(1, 2, {{0, 1439, tuesdayCost, tuesdayFee, 0}})
        // Another ISP with dearer bands: must not be used.
        .bands(2, 1, {{0, 0, 9.0, 9.0, 1}})
        .bands(2, 2, {{0, 0, 9.0, 9.0, 1}});
    // Earlier the same day, and earlier in the month.
    seed.session({DateTimeFromQDate(monday) + 0.5, 600, 1.00, 5000, 0});
    seed.session({DateTimeFromQDate(QDate(2001, 1, 2)) + 0.5, 100, 0.25, 700, 0});
    f.ctx.settings.SessionChargesStartTimeZone = startBandOnly;
    QSignalSpy priced(&f.ctx.events, &EngineEvents::sessionPriced);

    openSession(f);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, 1);
    QCOMPARE(f.ctx.pricing.StartDayType, 1);
    QCOMPARE(f.ctx.pricing.StartTimezone, 1);
    QCOMPARE(f.ctx.pricing.Opening.DailyCost, 1.00);
    QCOMPARE(f.ctx.pricing.Opening.AccountCost, 1.25);

    const QList<QDateTime> checkpoints = {
        QDateTime(monday, QTime(23, 50)),         QDateTime(monday, QTime(23, 54, 59, 500)),
        QDateTime(monday, QTime(23, 55)),         QDateTime(monday, QTime(23, 59, 59, 500)),
        QDateTime(tuesday, QTime(0, 0)),          QDateTime(tuesday, QTime(0, 6)),
        QDateTime(tuesday, QTime(0, 10)),
    };
    int ticks = 1;
    for (int i = 0; i < checkpoints.size(); ++i) {
        while (f.clock.now() < checkpoints[i]) {
            if (f.clock.now().time() == QTime(0, 5))
                f.ctx.connection.TotalReceived = 2147483648LL + 1;  // past what 32 bits hold
            tick(f);
            ++ticks;
        }
        QVERIFY2(std::fabs(f.ctx.pricing.SessionCost - expected[i]) < Tolerance,
                 qPrintable(QStringLiteral("at %1: %2 != %3")
                                .arg(checkpoints[i].toString(QStringLiteral("hh:mm:ss.zzz")))
                                .arg(f.ctx.pricing.SessionCost, 0, 'g', 15)
                                .arg(expected[i], 0, 'g', 15)));
    }
    QCOMPARE(priced.count(), ticks);
    QCOMPARE(f.ctx.tariff.CurrentDayType, 2);

    const PricingState &p = f.ctx.pricing;
    const double cost = expected.last();
    QCOMPARE(p.SecondsOnline, qint64(1211));
    QVERIFY(std::fabs(p.DailyCost - (1.00 + cost)) < Tolerance);
    QVERIFY(std::fabs(p.AccountCost - (1.25 + cost)) < Tolerance);
    QCOMPARE(p.DailySeconds, qint64(600 + 1211));
    QCOMPARE(p.AccountSeconds, qint64(700 + 1211));
    QCOMPARE(p.DailyDownloaded, 5000 + 2147483649LL);
    QCOMPARE(p.AccountDownloaded, 5700 + 2147483649LL);

    // The record stays under Monday, as session 2 of that day.
    const DateTime day = DateTimeFromQDate(monday);
    QVERIFY(std::fabs(GetFromDataFile(f.ctx, 1, 2, SessionCost, day) - cost) < Tolerance);
    QCOMPARE(GetFromDataFile(f.ctx, 1, 2, SessionTimeOnline, day), 1211.0);
    QCOMPARE(QDateFromDateTime(GetFromDataFile(f.ctx, 1, 2, SessionEndDate, day)), tuesday);
    QCOMPARE(QTimeFromDateTime(GetFromDataFile(f.ctx, 1, 2, SessionEndTime, day)), QTime(0, 10));
    QCOMPARE(QDateTimeFromDateTime(GetFromDataFile(f.ctx, 1, 2, SessionStartTime, day)),
             QDateTime(monday, QTime(23, 49, 50)));
    QCOMPARE(GetFromDataFile(f.ctx, 1, 2, SessionTotalDownloaded, day), 2147483649.0);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("Session2-Connection"), SessionDayKey(1, day)),
             QStringLiteral("Default"));
    QVERIFY(!f.store().keyExists(Store::hivePathOf(SessionDayKey(1, DateTimeFromQDate(tuesday)))));
}

void TestSessionPricing::clockGuard_data()
{
    QTest::addColumn<bool>("guardOn");
    QTest::addColumn<int>("jumpSeconds");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<int>("secondsAdded");  // by the tick after the jump
    QTest::newRow("forward 5 minutes, guarded") << true << 300 << false << true << 0;
    QTest::newRow("forward 5 minutes, unguarded") << false << 300 << false << false << 300;
    QTest::newRow("back 5 minutes, guarded") << true << -300 << false << true << 0;
    QTest::newRow("59 seconds is a tick") << true << 59 << false << false << 59;
    QTest::newRow("a minute is a jump") << true << 60 << false << true << 0;
    QTest::newRow("setting the clock refused") << true << 300 << true << true << 300;
}

void TestSessionPricing::clockGuard()
{
    QFETCH(bool, guardOn);
    QFETCH(int, jumpSeconds);
    QFETCH(bool, refused);
    QFETCH(bool, reset);
    QFETCH(int, secondsAdded);
    EngineFixture f(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, 0.06, 0, 0}});
    f.ctx.settings.CheckClockTamper = guardOn;
    f.systemClock.refuse = refused;
    f.systemClock.refusalText = QStringLiteral("not allowed");
    openSession(f);
    for (int i = 0; i < 4; ++i)
        tick(f);
    const QDateTime lastTick = f.clock.now();
    const qint64 before = f.ctx.pricing.SecondsOnline;
    const double costBefore = f.ctx.pricing.SessionCost;

    tick(f, qint64(jumpSeconds) * 1000);

    QCOMPARE(f.ui.beeps, reset ? 1 : 0);
    QCOMPARE(f.systemClock.requests, reset ? QList<QDateTime>{lastTick} : QList<QDateTime>{});
    QCOMPARE(f.ctx.pricing.SecondsOnline, before + secondsAdded);
    QVERIFY(std::fabs(f.ctx.pricing.SessionCost - (costBefore + 0.001 * secondsAdded)) < Tolerance);
    QCOMPARE(f.ui.texts(), refused ? QStringList{QStringLiteral("not allowed")} : QStringList{});
    // The guard measures the next tick from the moment it left the clock at.
    tick(f);
    QCOMPARE(f.ui.beeps, reset ? 1 : 0);

    // A second jump in the same session: the clock is put back again, but a
    // clock that cannot be set has been reported already.
    tick(f, qint64(jumpSeconds) * 1000);
    QCOMPARE(f.ui.beeps, reset ? 2 : 0);
    QCOMPARE(f.ui.texts(), refused ? QStringList{QStringLiteral("not allowed")} : QStringList{});
}

void TestSessionPricing::daylightSavingChanges_data()
{
    QTest::addColumn<QDateTime>("opened");
    QTest::addColumn<QTime>("closedAtWallClock");
    // Ten minutes online, across the hour the clocks go back or forward.
    QTest::newRow("autumn, 01:55 BST to 01:05 GMT")
        << QDateTime(QDate(2026, 10, 25), QTime(1, 55), QTimeZone(3600)) << QTime(1, 5);
    QTest::newRow("spring, 00:55 GMT to 02:05 BST")
        << QDateTime(QDate(2026, 3, 29), QTime(0, 55), QTimeZone(0)) << QTime(2, 5);
}

void TestSessionPricing::daylightSavingChanges()
{
    QFETCH(QDateTime, opened);
    QFETCH(QTime, closedAtWallClock);
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/London");
    auto restoreZone = qScopeGuard([&] {
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
    });

    EngineFixture f(opened.toLocalTime());
    QCOMPARE(f.clock.now().toUTC(), opened.toUTC());
    // A penny a second, at any hour; the guard watches for clock jumps.
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, 0.6, 0, 0}});
    f.ctx.settings.CheckClockTamper = true;
    openSession(f);
    for (int i = 0; i < 1200; ++i)
        tick(f);
    QCOMPARE(f.clock.now().time(), closedAtWallClock);

    // Ten minutes, the modem correction and the second in progress.
    QCOMPARE(f.ctx.pricing.SecondsOnline, 600 + 10 + 1);
    QVERIFY(std::fabs(f.ctx.pricing.SessionCost - 6.11) < Tolerance);
    QVERIFY(f.systemClock.requests.isEmpty());
    QCOMPARE(f.ui.beeps, 0);
    // The record keeps local wall-clock times and the true duration.
    const DateTime day = f.ctx.pricing.SessionDay;
    QCOMPARE(GetFromDataFile(f.ctx, 1, 1, SessionTimeOnline, day), 611.0);
    QVERIFY(std::fabs(GetFromDataFile(f.ctx, 1, 1, SessionCost, day) - 6.11) < Tolerance);
    QCOMPARE(GetFromDataFile(f.ctx, 1, 1, SessionEndTime, day), TimeOf(DateTimeFromQDateTime(f.clock.now())));
}

void TestSessionPricing::liveValuesReachTheAccountWindow()
{
    EngineFixture f(QDateTime(QDate(2001, 1, 8), QTime(23, 50)));
    TariffSeed seed(f.store());
    seed.account(QStringLiteral("MONTHLY"), QStringLiteral("1"))
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .weekBands(1, {{0, 0, 0.06, 0.10, 1}});
    seed.session({DateTimeFromQDate(QDate(2001, 1, 8)) + 0.5, 3600, 1.00, 5000, 0});
    // Stands in for the account window, which formats each tick's snapshot.
    QList<SessionSnapshot> snapshots;
    QObject::connect(&f.ctx.events, &EngineEvents::sessionPriced,
                     [&snapshots](const SessionSnapshot &snapshot) { snapshots.append(snapshot); });
    const auto status = [&f, &snapshots](int panel) {
        return FormatSessionStatusTexts(f.ctx, snapshots.last()).at(panel - 1);
    };
    f.ctx.connection.TotalReceived = 1048576;
    f.ctx.connection.TotalTransmitted = 1048575;
    f.ctx.connection.AverageReceiveRate = 2048;
    f.ctx.connection.AverageTransmitRate = 3 * 1048576.0;
    openSession(f);

    QCOMPARE(status(1), QStringLiteral("Time online : 00:00:11"));
    QCOMPARE(status(2), QStringLiteral("Session Cost : ") + money(0.111, 3));
    QCOMPARE(status(3), QStringLiteral("Account Cost : ") + money(1.111, 2));
    QCOMPARE(snapshots.size(), 1);
    const LiveSessionRow row = FormatLiveSessionRow(f.ctx, snapshots.last());
    QCOMPARE(row.sessionDay, QStringLiteral("08/01/2001"));
    QCOMPARE(row.startTime, QStringLiteral("23:49:50"));
    QCOMPARE(row.endTime, QStringLiteral("23:50:00"));
    QCOMPARE(row.timeOnline, QStringLiteral("00:00:11"));
    QCOMPARE(row.sessionCost, money(0.111, 3));
    QCOMPARE(row.dailyTime, QStringLiteral("01:00:11"));
    QCOMPARE(row.dailyCost, money(1.111, 2));
    QCOMPARE(row.accountTime, QStringLiteral("01:00:11"));
    QCOMPARE(row.accountCost, money(1.111, 2));
    const LivePerformanceRow perf = FormatLivePerformanceRow(snapshots.last());
    QCOMPARE(perf.sessionDay, QStringLiteral("08/01/2001"));
    QCOMPARE(perf.startTime, QStringLiteral("23:49:50"));
    QCOMPARE(perf.received, QStringLiteral("1.00 MB"));
    QCOMPARE(perf.transmitted, QStringLiteral("1024.00 k"));
    QCOMPARE(perf.averageReceiveRate, QStringLiteral("2.00 k/s"));
    QCOMPARE(perf.averageTransmitRate, QStringLiteral("3.00 MB/s"));
    QCOMPARE(perf.dailyDownloaded, FormatBytes(5000 + 1048576));
    QCOMPARE(perf.dailyDownloaded, QStringLiteral("1.00 MB"));

    // Past midnight the row still names the day the session opened.
    for (int i = 0; i < 24; ++i)
        tick(f, 30000);
    QCOMPARE(FormatLiveSessionRow(f.ctx, snapshots.last()).sessionDay, QStringLiteral("08/01/2001"));
    QCOMPARE(FormatLiveSessionRow(f.ctx, snapshots.last()).endTime, QStringLiteral("00:02:00"));
    QCOMPARE(status(1), QStringLiteral("Time online : 00:12:11"));
}

void TestSessionPricing::eachTickReportsItsNumbersAfterWriting()
{
    EngineFixture f;
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, 0.06, 0, 0}});
    // The record holds the tick's values by the time the windows hear of it.
    double writtenWhenReported = -1;
    QList<SessionSnapshot> snapshots;
    QObject::connect(&f.ctx.events, &EngineEvents::sessionPriced, [&](const SessionSnapshot &snapshot) {
        snapshots.append(snapshot);
        writtenWhenReported = GetFromDataFile(f.ctx, 1, 1, SessionTimeOnline, f.ctx.pricing.SessionDay);
    });
    openSession(f);
    tick(f);
    QCOMPARE(snapshots.size(), 2);
    QCOMPARE(snapshots.last().secondsOnline, f.ctx.pricing.SecondsOnline);
    QCOMPARE(snapshots.last().sessionCost, f.ctx.pricing.SessionCost);
    QCOMPARE(snapshots.last().moment, DateTimeFromQDateTime(f.clock.now()));
    QCOMPARE(writtenWhenReported, double(f.ctx.pricing.SecondsOnline));
    QCOMPARE(GetFromDataFile(f.ctx, 1, 1, SessionTimeOnline, f.ctx.pricing.SessionDay), 11.0);
}

void TestSessionPricing::byteAndRateTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("rate");
    QTest::newRow("zero") << 0.0 << "0.00 k" << "0.00 k/s";
    QTest::newRow("512") << 512.0 << "0.50 k" << "0.50 k/s";
    QTest::newRow("last kilobyte value") << 1048575.0 << "1024.00 k" << "1024.00 k/s";
    QTest::newRow("first megabyte value") << 1048576.0 << "1.00 MB" << "1.00 MB/s";
    QTest::newRow("five GiB") << 5368709120.0 << "5120.00 MB" << "5120.00 MB/s";
}

void TestSessionPricing::byteAndRateTexts()
{
    QFETCH(double, value);
    QFETCH(QString, bytes);
    QFETCH(QString, rate);
    QCOMPARE(FormatBytes(qint64(value)), bytes);
    QCOMPARE(FormatRate(value), rate);
}

void TestSessionPricing::moneyTexts_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("session");
    QTest::newRow("two decimals") << "\u00a3" << 2 << 1.23456 << "\u00a3" "1.23" << "\u00a3" "1.235";
    QTest::newRow("thousands") << "\u00a3" << 2 << 1234.5 << "\u00a3" "1,234.50" << "\u00a3" "1,234.500";
    QTest::newRow("override symbol") << "EUR" << 2 << 0.5 << "EUR0.50" << "EUR0.500";
    QTest::newRow("no decimals stays without") << "\u00a3" << 0 << 7.0 << "\u00a3" "7" << "\u00a3" "7";
}

void TestSessionPricing::moneyTexts()
{
    QFETCH(QString, symbol);
    QFETCH(int, decimals);
    QFETCH(double, value);
    QFETCH(QString, normal);
    QFETCH(QString, session);
    EngineFixture f;
    f.ctx.currencySymbol = symbol;
    f.ctx.startup.savedCurrencyDecimals = decimals;
    QCOMPARE(FormatMoney(f.ctx, value), normal);
    QCOMPARE(FormatSessionMoney(f.ctx, value), session);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionPricing)
#include "TestSessionPricing.moc"

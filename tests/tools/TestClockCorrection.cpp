#include "app/MainTimer.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecord.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/DayTypes.h"
#include "tariff/SessionPricing.h"
#include "tools/ClockCorrection.h"

#include <stdexcept>

using testsupport::EngineFixture;
using testsupport::TariffSeed;

namespace {

const QDate Day1(2001, 1, 10);
const QDate Day2(2001, 1, 11);

DateTime day(const QDate &date)
{
    return DateTimeFromQDate(date);
}

// A session open at `opened` for `online` seconds, on a tariff of a penny
// a second, with two earlier sessions on the first day and one on the next.
struct OpenSessionFixture : EngineFixture {
    OpenSessionFixture(const QDateTime &opened, int online) : EngineFixture(opened)
    {
        TariffSeed seed(store());
        seed.isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 0, 0.6, 0, 0}});
        seed.session({DateTimeFromQDateTime(QDateTime(Day1, QTime(8, 0))), 60, 0.6});
        seed.session({DateTimeFromQDateTime(QDateTime(Day1, QTime(9, 0))), 120, 1.2});
        seed.session({DateTimeFromQDateTime(QDateTime(Day2, QTime(20, 0))), 60, 0.6});
        ctx.settings.CheckClockTamper = true;
        ctx.settings.AutoClockCorrect = true;
        ctx.settings.NTPClockServer = QStringLiteral("time.example.org:123");
        ctx.connection.FullyConnected = true;
        OpenSession(ctx);
        for (int ms = 0; ms < online * 1000; ms += 500)
            tick();
    }

    void tick(qint64 ms = 500)
    {
        clock.advanceMs(ms);
        ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(ctx);
        UpdateSessionInformation(ctx);
    }

    int count(const QDate &date) { return ReadNumberOfSessions(store(), 1, day(date)); }
};

// A server whose clock is `offsetSeconds` ahead of the fake one.
TimeServerQuery serverAhead(EngineFixture &f, qint64 offsetMs, QStringList *asked = nullptr)
{
    return [&f, offsetMs, asked](const QString &host) {
        if (asked)
            asked->append(host);
        return TimeServerAnswer{true, DateTimeFromQDateTime(f.clock.now().addMSecs(offsetMs))};
    };
}

} // namespace

class TestClockCorrection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theSessionMovesWithTheClock_data();
    void theSessionMovesWithTheClock();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void oneAttemptPerSession();
    void aRightClockIsLeftAndARefusalToldOnce();
};

void TestClockCorrection::theSessionMovesWithTheClock_data()
{
    QTest::addColumn<QDateTime>("opened");
    QTest::addColumn<int>("online");
    QTest::addColumn<int>("correction");
    QTest::addColumn<QDate>("filedUnder");
    QTest::addColumn<int>("day1Count");
    QTest::addColumn<int>("day2Count");

    QTest::newRow("5 seconds ahead within the day") << QDateTime(Day1, QTime(12, 0)) << 3 << 5 << Day1 << 3 << 1;
    QTest::newRow("4 seconds behind within the day") << QDateTime(Day1, QTime(12, 0)) << 3 << -4 << Day1 << 3 << 1;
    // More than the clock guard lets pass as a tick.
    QTest::newRow("2 minutes ahead within the day") << QDateTime(Day1, QTime(12, 0)) << 3 << 120 << Day1 << 3 << 1;
    QTest::newRow("forward over midnight") << QDateTime(Day1, QTime(23, 59, 56)) << 2 << 10 << Day2 << 2 << 2;
    QTest::newRow("back over midnight") << QDateTime(Day2, QTime(0, 0, 3)) << 2 << -10 << Day1 << 3 << 1;
    // Opened the evening before, corrected after midnight: the day it
    // really opened on is still the day before.
    QTest::newRow("opened before midnight, corrected after it")
        << QDateTime(Day1, QTime(23, 59, 50)) << 12 << -5 << Day1 << 3 << 1;
}

void TestClockCorrection::theSessionMovesWithTheClock()
{
    QFETCH(QDateTime, opened);
    QFETCH(int, online);
    QFETCH(int, correction);
    QFETCH(QDate, filedUnder);
    QFETCH(int, day1Count);
    QFETCH(int, day2Count);
    OpenSessionFixture f(opened, online);
    const PricingState before = f.ctx.pricing;
    const QDateTime target = f.clock.now().addSecs(correction);

    GetTimeFromServer(f.ctx, f.ctx.settings.NTPClockServer, serverAhead(f, qint64(correction) * 1000));

    QVERIFY(f.ctx.shell.ClockCorrected);
    QCOMPARE(f.systemClock.requests, QList<QDateTime>{target});
    QCOMPARE(f.clock.now(), target);
    QCOMPARE(f.ui.messages.size(), 0);
    QVERIFY(std::fabs(f.ctx.pricing.SessionStart - (before.SessionStart + correction / SecondsPerDay)) < 1e-9);
    QCOMPARE(f.ctx.pricing.SessionStartUtc, before.SessionStartUtc.addSecs(correction));
    QCOMPARE(f.ctx.pricing.SessionDay, day(filedUnder));

    // The time online goes on from where it was, and the clock guard took
    // the correction for no tampering.
    f.tick(1000);
    QCOMPARE(f.ctx.pricing.SecondsOnline, before.SecondsOnline + 1);
    QCOMPARE(f.ui.beeps, 0);
    QCOMPARE(f.systemClock.requests.size(), 1);

    QCOMPARE(f.count(Day1), day1Count);
    QCOMPARE(f.count(Day2), day2Count);
    // The record is the last of the day it is filed under, with the running
    // values; the day it left keeps only its own earlier sessions.
    const SessionDay filed = ReadSessionDay(f.store(), 1, day(filedUnder));
    QCOMPARE(filed.sessions.last().startTime, f.ctx.pricing.SessionStart);
    QCOMPARE(qint64(filed.sessions.last().timeOnline), f.ctx.pricing.SecondsOnline);
    const QDate other = filedUnder == Day1 ? Day2 : Day1;
    for (const SessionRecord &r : ReadSessionDay(f.store(), 1, day(other)).sessions)
        QVERIFY(r.startTime != f.ctx.pricing.SessionStart && r.startTime != before.SessionStart);
    QCOMPARE(ReadSessionField(f.store(), 1, f.count(other) + 1, SessionStartTime, day(other)), 0.0);
    // The day's totals are those of the day it is filed under.
    const double seededCost = filedUnder == Day1 ? 1.8 : 0.6;
    QVERIFY(std::fabs(f.ctx.pricing.DailyCost - (seededCost + f.ctx.pricing.SessionCost)) < 1e-9);
}

void TestClockCorrection::failuresChangeNothing_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("beeps");
    QTest::newRow("no answer") << 0 << TimeServerFailureMessage() << 1;
    QTest::newRow("the query fails") << 1 << TimeServerFailureMessage() << 1;
    QTest::newRow("the clock may not be set") << 2 << QStringLiteral("not allowed to set the clock") << 0;
}

void TestClockCorrection::failuresChangeNothing()
{
    QFETCH(int, failure);
    QFETCH(QString, message);
    QFETCH(int, beeps);
    OpenSessionFixture f(QDateTime(Day1, QTime(23, 59, 56)), 2);
    f.systemClock.refuse = failure == 2;
    f.systemClock.refusalText = QStringLiteral("not allowed to set the clock");
    const PricingState before = f.ctx.pricing;
    const QDateTime now = f.clock.now();
    const TimeServerQuery query = [&](const QString &) {
        if (failure == 1)
            throw std::runtime_error("no route");
        // Ahead over midnight, if it were taken.
        return TimeServerAnswer{failure == 2, DateTimeFromQDateTime(now.addSecs(30))};
    };

    GetTimeFromServer(f.ctx, f.ctx.settings.NTPClockServer, query);

    QVERIFY(f.ctx.shell.ClockCorrected);
    QCOMPARE(f.ui.texts(), QStringList{message});
    QCOMPARE(f.ui.beeps, beeps);
    QCOMPARE(f.clock.now(), now);
    QCOMPARE(f.ctx.pricing.SessionStart, before.SessionStart);
    QCOMPARE(f.ctx.pricing.SessionDay, day(Day1));
    QCOMPARE(f.count(Day1), 3);
    QCOMPARE(f.count(Day2), 1);
}

void TestClockCorrection::oneAttemptPerSession()
{
    OpenSessionFixture f(QDateTime(Day1, QTime(12, 0)), 1);
    QStringList asked;
    f.ctx.hooks.getTimeFromServer = [&](AppContext &ctx) {
        GetTimeFromServer(ctx, ctx.settings.NTPClockServer, [&](const QString &host) {
            asked.append(host);
            return TimeServerAnswer();
        });
    };
    f.ctx.shell.SntpClockTimerEnabled = true;
    for (int i = 0; i < 5; ++i)
        SntpClockTimerTimer(f.ctx);
    QCOMPARE(asked, QStringList{QStringLiteral("time.example.org:123")});
    QCOMPARE(f.ui.texts(), QStringList{TimeServerFailureMessage()});
    QVERIFY(!f.ctx.shell.SntpClockTimerEnabled);

    // The next session tries again.
    CloseSession(f.ctx);
    QVERIFY(!f.ctx.shell.ClockCorrected);
    OpenSession(f.ctx);
    SntpClockTimerTimer(f.ctx);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(f.ui.texts().count(TimeServerFailureMessage()), 2);
}

void TestClockCorrection::aRightClockIsLeftAndARefusalToldOnce()
{
    OpenSessionFixture f(QDateTime(Day1, QTime(12, 0)), 1);
    f.systemClock.refuse = true;
    f.systemClock.refusalText = QStringLiteral("not allowed to set the clock");
    // Within a second of the server, the clock is not touched: no refusal.
    GetTimeFromServer(f.ctx, f.ctx.settings.NTPClockServer, serverAhead(f, 400));
    QVERIFY(f.ui.texts().isEmpty());

    // A clock that is wrong and may not be set is reported in the first
    // session only: nothing will change that before the program ends.
    for (int session = 0; session < 3; ++session) {
        CloseSession(f.ctx);
        OpenSession(f.ctx);
        GetTimeFromServer(f.ctx, f.ctx.settings.NTPClockServer, serverAhead(f, 5000));
    }
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("not allowed to set the clock")});
}

TALLYLINE_ENGINE_TEST_MAIN(TestClockCorrection)
#include "TestClockCorrection.moc"

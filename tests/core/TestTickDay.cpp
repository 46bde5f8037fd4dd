#include "core/Clock.h"
#include "core/TickDay.h"
#include "support/TestMain.h"

#include <QTest>
#include <QTimeZone>

class TestTickDay : public QObject
{
    Q_OBJECT

private slots:
    void followsTheClock_data();
    void followsTheClock();
    void agreesWithTheClockThroughDaylightSavingDays_data();
    void agreesWithTheClockThroughDaylightSavingDays();
};

namespace {

const QTimeZone London("Europe/London");
const QTimeZone Utc("UTC");
const QTimeZone PlusTwo("Etc/GMT-2");  // two hours ahead of UTC

QDateTime at(const QTimeZone &zone, int y, int m, int d, int h, int min, int s, int ms = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s, ms), zone);
}

} // namespace

// A day is read at `first`; at `second` the clock says `secondDay`, and a
// recheck later `recheckedDay`.
void TestTickDay::followsTheClock_data()
{
    QTest::addColumn<QDateTime>("first");
    QTest::addColumn<QDateTime>("second");
    QTest::addColumn<QDate>("secondDay");
    QTest::addColumn<QDate>("recheckedDay");

    QTest::newRow("midnight, at once") << at(London, 2021, 6, 1, 23, 59, 59, 700) << at(London, 2021, 6, 2, 0, 0, 0, 200)
                                       << QDate(2021, 6, 2) << QDate(2021, 6, 2);
    QTest::newRow("same day") << at(London, 2021, 6, 1, 0, 0, 0) << at(London, 2021, 6, 1, 0, 0, 9)
                              << QDate(2021, 6, 1) << QDate(2021, 6, 1);
    QTest::newRow("clock set back a day") << at(London, 2021, 6, 1, 12, 0, 0) << at(London, 2021, 5, 31, 12, 0, 0)
                                          << QDate(2021, 5, 31) << QDate(2021, 5, 31);
    QTest::newRow("clock set back past midnight")
        << at(London, 2021, 6, 2, 0, 0, 0, 500) << at(London, 2021, 6, 1, 23, 59, 59, 900) << QDate(2021, 6, 1)
        << QDate(2021, 6, 2);
    QTest::newRow("23-hour day, its midnight") << at(London, 2021, 3, 28, 0, 30, 0) << at(London, 2021, 3, 29, 0, 0, 1)
                                               << QDate(2021, 3, 29) << QDate(2021, 3, 29);
    QTest::newRow("25-hour day, its last hour") << at(London, 2021, 10, 31, 0, 30, 0)
                                                << at(London, 2021, 10, 31, 23, 59, 58) << QDate(2021, 10, 31)
                                                << QDate(2021, 11, 1);
    // The computer's zone changed: the same moment is a day later there.
    // Seen at the recheck, not necessarily at once.
    QTest::newRow("time zone changed") << at(Utc, 2021, 6, 1, 23, 0, 0) << at(Utc, 2021, 6, 1, 23, 0, 1).toTimeZone(PlusTwo)
                                       << QDate() << QDate(2021, 6, 2);
}

void TestTickDay::followsTheClock()
{
    QFETCH(QDateTime, first);
    QFETCH(QDateTime, second);
    QFETCH(QDate, secondDay);
    QFETCH(QDate, recheckedDay);

    FakeClock clock(first);
    TickDay day;
    QCOMPARE(day.today(clock), DateTimeFromQDate(first.date()));
    clock.set(second);
    const DateTime seen = day.today(clock);
    if (secondDay.isValid())
        QCOMPARE(seen, DateTimeFromQDate(secondDay));
    clock.set(second.addMSecs(TickDay::RecheckMs));
    QCOMPARE(day.today(clock), DateTimeFromQDate(recheckedDay));
}

void TestTickDay::agreesWithTheClockThroughDaylightSavingDays_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::newRow("spring") << at(London, 2021, 3, 27, 23, 58, 0);
    QTest::newRow("autumn") << at(London, 2021, 10, 30, 23, 58, 0);
}

// Half-second ticks over the minutes around each midnight and the changes
// of offset: every answer is the clock's own.
void TestTickDay::agreesWithTheClockThroughDaylightSavingDays()
{
    QFETCH(QDateTime, from);
    FakeClock clock(from);
    TickDay day;
    const auto tickThrough = [&](const QDateTime &end) {
        for (; clock.now() < end; clock.advanceMs(500))
            QCOMPARE(day.today(clock), clock.today());
    };
    for (int d = 0; d < 3; ++d) {
        const QDate date = from.date().addDays(d);
        tickThrough(QDateTime(date, QTime(0, 5), London));
        clock.set(QDateTime(date, QTime(0, 55), London));
        tickThrough(QDateTime(date, QTime(2, 5), London));
        clock.set(QDateTime(date, QTime(23, 58), London));
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestTickDay)
#include "TestTickDay.moc"

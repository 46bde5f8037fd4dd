#pragma once

#include "core/DateTime.h"

#include <QDateTime>

// Every "now", "today" and "current time" of the program comes from a Clock,
// so that tests can walk through midnight and billing periods instantly.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The same moment as milliseconds since 1970 UTC, with no time-zone work.
    virtual qint64 msecsSinceEpoch() const { return now().toMSecsSinceEpoch(); }

    // The same moment in UTC: elapsed times are measured on it, so that a
    // change of the UTC offset (daylight saving) is not taken for time passing.
    QDateTime nowUtc() const { return now().toUTC(); }
    DateTime nowDateTime() const { return DateTimeFromQDateTime(now()); }
    DateTime today() const { return DateTimeFromQDate(now().date()); }
    int currentYear() const { return now().date().year(); }
};

// The computer's local time.
class LocalClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 msecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

// A clock that only moves when told to.
class FakeClock : public Clock
{
public:
    explicit FakeClock(const QDateTime &start = QDateTime(QDate(2000, 1, 1), QTime(12, 0)))
        : m_now(start) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &moment) { m_now = moment; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    void advanceSeconds(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
};

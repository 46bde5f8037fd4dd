#pragma once

#include "core/Clock.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Sets the computer's clock. The clock guard of the pricing tick puts the
// time back when it jumps during a session.
class SystemClock
{
public:
    virtual ~SystemClock() = default;

    // Sets the system time to the given local moment. Returns false and
    // fills *error (when given) if the system refused.
    virtual bool setLocalTime(const QDateTime &moment, QString *error) = 0;
};

// The real one: clock_settime on CLOCK_REALTIME, which needs CAP_SYS_TIME.
class LinuxSystemClock : public SystemClock
{
public:
    bool setLocalTime(const QDateTime &moment, QString *error) override;
};

// Records every request. When given a FakeClock it moves that clock too, as
// the real system clock would move the program's idea of "now".
class FakeSystemClock : public SystemClock
{
public:
    explicit FakeSystemClock(FakeClock *follow = nullptr) : m_follow(follow) {}

    bool setLocalTime(const QDateTime &moment, QString *error) override
    {
        requests.append(moment);
        if (refuse) {
            if (error)
                *error = refusalText;
            return false;
        }
        if (m_follow)
            m_follow->set(moment.toLocalTime());
        return true;
    }

    QList<QDateTime> requests;
    bool refuse = false;
    QString refusalText = QStringLiteral("refused by the fake");

private:
    FakeClock *m_follow;
};

#pragma once

#include "core/Clock.h"

// Today's date for a question asked on every tick of an idle program.
// Local time costs a look at the computer's time-zone file on each reading,
// which was most of the work of an idle tick. The day is read once with the
// span of real time it covers (DST-long or short), and read again only when
// the clock leaves that span (midnight, the clock set) or RecheckMs have
// passed (the computer's time zone may have been changed meanwhile).
class TickDay
{
public:
    static constexpr qint64 RecheckMs = 10000;

    DateTime today(const Clock &clock);

private:
    qint64 m_readAtMs = 0;
    qint64 m_dayEndMs = 0;  // nothing is known while it is not after m_readAtMs
    QDate m_date;
    int m_offsetFromUtc = 0;
};

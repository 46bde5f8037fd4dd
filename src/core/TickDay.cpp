#include "core/TickDay.h"

#include <QTimeZone>

namespace {

// Midnight at the start of day in the zone the moment was read in.
QDateTime startOfDayLike(const QDate &day, const QDateTime &moment)
{
    if (moment.timeSpec() == Qt::TimeZone)
        return day.startOfDay(moment.timeZone());
    return day.startOfDay(moment.timeSpec(), moment.offsetFromUtc());
}

} // namespace

DateTime TickDay::today(const Clock &clock)
{
    const qint64 ms = clock.msecsSinceEpoch();
    if (ms >= m_readAtMs && ms < m_dayEndMs && ms - m_readAtMs < RecheckMs)
        return DateTimeFromQDate(m_date);
    const QDateTime now = clock.now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    // The same day at the same offset from UTC ends when it did.
    const bool sameDay = now.date() == m_date && now.offsetFromUtc() == m_offsetFromUtc && nowMs >= m_readAtMs
                      && nowMs < m_dayEndMs;
    m_readAtMs = nowMs;
    if (!sameDay) {
        m_date = now.date();
        m_offsetFromUtc = now.offsetFromUtc();
        const QDateTime end = startOfDayLike(m_date.addDays(1), now);
        // A day whose end cannot be told is read again on the next tick.
        m_dayEndMs = end.isValid() ? end.toMSecsSinceEpoch() : nowMs;
    }
    return DateTimeFromQDate(m_date);
}

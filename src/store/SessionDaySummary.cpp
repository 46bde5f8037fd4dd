#include "store/SessionDaySummary.h"

#include "core/Errors.h"

#include <QHash>

#include <cmath>

using namespace sessionvalues;

namespace {

Store::SessionSummaryDay summaryRow(qint64 day, bool readable, const DaySessionTotals &t)
{
    Store::SessionSummaryDay row;
    row.day = day;
    row.damaged = !readable;
    if (readable) {
        row.sessions = t.sessions;
        row.seconds = t.seconds;
        row.cost = t.cost;
        row.downloaded = t.downloaded;
    }
    return row;
}

void add(SessionTotals &sum, const DaySessionTotals &t)
{
    sum.sessions += t.sessions;
    sum.seconds += t.seconds;
    sum.cost += t.cost;
    sum.downloaded += t.downloaded;
}

qint64 wholeDay(DateTime day)
{
    const double whole = DateOf(day);
    return std::fabs(whole) < 1e15 ? qint64(whole) : (whole < 0 ? -qint64(1e15) : qint64(1e15));
}

} // namespace

SessionTotals WalkSessionDays(Store &store, int user, DateTime first, DateTime end)
{
    SessionTotals sum;
    // One read transaction for the whole walk: a consistent view, and no
    // locking round trip per day.
    Store::Transaction read(store);
    // Stops at the end even when the end is not after the start.
    for (DateTime day = DateOf(first); day < DateOf(end); day += 1)
        add(sum, ReadDaySessionTotals(store, user, day));
    read.commit();
    return sum;
}

SessionTotals SumSessionDays(Store &store, int user, DateTime first, DateTime end)
{
    if (!store.sessionSummaryUsable())
        return WalkSessionDays(store, user, first, end);
    if (!store.sessionSummaryInStep()) {
        try {
            RebuildSessionDaySummary(store);
        } catch (const StoreError &e) {
            // Locked by another program or a full disk: the walk still answers.
            if (e.cause() == StoreError::Cause::Other)
                throw;
        }
    }
    Store::Transaction read(store);
    if (!store.sessionSummaryInStep()) {
        const SessionTotals walked = WalkSessionDays(store, user, first, end);
        read.commit();
        return walked;
    }
    const Store::SessionSummarySums sums = store.sumSessionSummary(user, wholeDay(first), wholeDay(end));
    SessionTotals total{sums.sessions, sums.seconds, sums.cost, sums.downloaded};
    // Damaged days are summarised as nothing; reading them raises their error.
    for (qint64 day : sums.damagedDays)
        add(total, ReadDaySessionTotals(store, user, DateTime(day)));
    read.commit();
    return total;
}

void RebuildSessionDaySummary(Store &store)
{
    // A reader leaves it to the program that writes.
    if (!store.sessionSummaryUsable() || store.readOnly())
        return;
    Store::Transaction tx(store, Store::Transaction::Lock::Immediate);
    store.beginSessionSummaryWrite();
    store.clearSessionSummary();
    const QStringList userKeys = store.subkeyNames(Store::hivePathOf(QStringLiteral("Users")));
    for (const QString &name : userKeys) {
        int user = 0;
        if (!userOfKeyName(name.toCaseFolded().toUtf8(), user))
            continue;
        QHash<QByteArray, SessionDayParser> days;
        QByteArray lastName;
        SessionDayParser *current = nullptr;
        store.visitSubkeyValues(daysKeyPath(user), [&](QByteArrayView subkey, const Store::RawValue &v) {
            if (!current || subkey != QByteArrayView(lastName)) {
                lastName = subkey.toByteArray();
                auto found = days.find(lastName);
                if (found == days.end())
                    found = days.insert(lastName, SessionDayParser(true));
                current = &found.value();
            }
            current->add(v);
        });
        for (auto it = days.cbegin(); it != days.cend(); ++it) {
            qint64 day = 0;
            if (!dayOfKeyName(it.key(), day))
                continue;
            DaySessionTotals t;
            const bool readable = it->readTotals(t);
            store.putSessionSummaryDay(user, summaryRow(day, readable, t));
        }
    }
    store.endSessionSummaryWrite(true);
    tx.commit();
}

SessionDaysChange::SessionDaysChange(Store &store)
    : m_store(store), m_transaction(store), m_inStep(store.sessionSummaryInStep())
{
}

void SessionDaysChange::dayChanged(int user, DateTime day)
{
    // No day key of that size is ever read by day.
    if (!(std::fabs(DateOf(day)) < 1e15))
        return;
    const QPair<int, qint64> entry(user, qint64(DateOf(day)));
    if (!m_days.contains(entry))
        m_days.append(entry);
}

void SessionDaysChange::commit()
{
    if (m_inStep) {
        m_store.beginSessionSummaryWrite();
        for (const auto &[user, day] : std::as_const(m_days)) {
            DaySessionTotals t;
            const bool readable = TryReadDaySessionTotals(m_store, user, DateTime(day), t);
            m_store.putSessionSummaryDay(user, summaryRow(day, readable, t));
        }
        m_store.endSessionSummaryWrite(true);
    }
    m_transaction.commit();
}

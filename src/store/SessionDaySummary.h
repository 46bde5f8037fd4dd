#pragma once

#include "core/DateTime.h"
#include "store/SessionDayValues.h"
#include "store/Store.h"

#include <QList>
#include <QPair>

// Per-day session totals kept beside the key tree, so that a period's
// totals are one query however long the history. The tree stays the record
// of truth: every writer of session values summarises the days it changed in
// the same transaction (SessionDaysChange); a change made any other way
// (another program, an older version, a hand edit, a raw store write) marks
// the summary out of step, and the next reader rebuilds it from the tree.

struct SessionTotals {
    qint64 sessions = 0;
    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;
};

// The user's sessions filed under first <= day < end (whole days), as a
// walk of the day keys sums them: from the summary, rebuilt first when out
// of step. A day with a value the sums cannot read raises the error the
// walk raises.
SessionTotals SumSessionDays(Store &store, int user, DateTime first, DateTime end);

// The same, day key by day key through the tree.
SessionTotals WalkSessionDays(Store &store, int user, DateTime first, DateTime end);

// Summarises every user's session days from the tree, in one transaction.
void RebuildSessionDaySummary(Store &store);

// A change to session values: a transaction in which the writer names the
// days it touches; commit() summarises them from the tree and commits. When
// the summary was out of step already it is left for the next reader.
class SessionDaysChange
{
public:
    explicit SessionDaysChange(Store &store);
    void dayChanged(int user, DateTime day);
    void commit();

    SessionDaysChange(const SessionDaysChange &) = delete;
    SessionDaysChange &operator=(const SessionDaysChange &) = delete;

private:
    Store &m_store;
    Store::Transaction m_transaction;
    bool m_inStep;
    QList<QPair<int, qint64>> m_days;
};

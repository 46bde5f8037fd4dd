#pragma once

#include "core/DateTime.h"
#include "store/Store.h"

#include <QByteArray>
#include <QString>

#include <vector>

// How a user's sessions lie in the key tree: Users\User<u>\Sessions\<day>
// holds "NumberOfSessions" and Session<m>-<field> values. Kept in the store
// so that the converter, the backup import and the per-day totals beside
// the tree read and name them exactly as the session records do.
namespace sessionvalues {

constexpr int FieldCount = 10;
// The code a "-Connection" value parses to.
constexpr int ConnectionCode = FieldCount;
// The fields the totals sum (the session record's field codes).
constexpr int TimeOnlineCode = 4;
constexpr int CostCode = 5;
constexpr int DownloadedCode = 6;

extern const char *const FieldSuffixes[FieldCount];
extern const char *const ConnectionSuffix;
extern const char *const Prefix;
QString numberOfSessionsName();

// Users\User<u>\Sessions
QString daysKeyPath(int user);
// Users\User<u>\Sessions\<whole day number>
QString dayKeyPath(int user, DateTime day);
// The day number a day key's (folded) name stands for, when it is named
// exactly as dayKeyPath names it; only such keys are ever read by day.
bool dayOfKeyName(QByteArrayView name, qint64 &day);
// The user number of a "User<u>" key's folded name written as daysKeyPath writes it.
bool userOfKeyName(QByteArrayView name, int &user);

// Parses "session<m>-<suffix>" (folded). Returns the field code,
// ConnectionCode or -1.
int parseValueName(QByteArrayView foldedName, int &session);

// A float value's stored text as GetFromDataFile reads it: 0 when empty or
// not a number.
double storedFloat(QByteArrayView text);

// Sessions open on a tick, two a second at most: a larger count is damaged,
// and must not make a reader build millions of empty records.
constexpr int MaxSessionsPerDay = 2 * 24 * 60 * 60;

} // namespace sessionvalues

// The sums the account and daily totals need from one day: the day's
// "NumberOfSessions" and, over its sessions 1..n, the time online and the
// downloaded bytes each rounded to a whole number, and the cost. Missing or
// unconvertible values count as 0, as with GetFromDataFile.
struct DaySessionTotals {
    int sessions = 0;
    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;

    bool operator==(const DaySessionTotals &) const = default;
};

// Collects one day key's values as a visitor hands them over. Values of
// sessions beyond the count are dropped at the end, as the count may come
// after them; a damaged one of those is no error, as no reader looks at it.
class SessionDayParser
{
public:
    struct Found {
        int session;
        int code;
        bool typeOk;
        double value;
        QString text;
    };

    explicit SessionDayParser(bool totalsOnly = false) : m_totalsOnly(totalsOnly) {}

    // Keeps the buffer: the totals read one day after another.
    void reset();
    void add(const Store::RawValue &v);
    // The stored count, 0 without one. Throws "Invalid data type for
    // 'NumberOfSessions'" for a count that is not an integer.
    int count() const;
    const std::vector<Found> &found() const { return m_found; }
    // Throws "Invalid data type for '<name>'" for a damaged count or a summed
    // value of a session within the count that is not text.
    DaySessionTotals totals() const;
    // As totals(), but false instead of the error.
    bool readTotals(DaySessionTotals &totals) const;

private:
    bool m_totalsOnly;
    // The first value the totals cannot read, as its name.
    QString damagedValue() const;

    int m_count = 0;
    bool m_haveCount = false;
    bool m_countDamaged = false;
    std::vector<Found> m_found;
};

// One day in one query; a day without a key sums to nothing.
DaySessionTotals ReadDaySessionTotals(Store &store, int user, DateTime day);
// As ReadDaySessionTotals, but false for a day whose values it cannot read.
bool TryReadDaySessionTotals(Store &store, int user, DateTime day, DaySessionTotals &totals);

[[noreturn]] void ThrowInvalidSessionValueType(const QString &name);

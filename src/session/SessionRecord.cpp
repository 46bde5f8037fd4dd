#include "session/SessionRecord.h"

#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/SessionDaySummary.h"
#include "store/Store.h"

#include <QHash>

#include <algorithm>

using namespace sessionvalues;

namespace {

static_assert(SessionFieldCount == sessionvalues::FieldCount);
static_assert(SessionTimeOnline == TimeOnlineCode && SessionCost == CostCode
              && SessionTotalDownloaded == DownloadedCode);

DateTime SessionRecord::*const FieldMembers[SessionFieldCount] = {
    &SessionRecord::startTime,   &SessionRecord::startDate,       &SessionRecord::endTime,
    &SessionRecord::endDate,     &SessionRecord::timeOnline,      &SessionRecord::cost,
    &SessionRecord::totalDownloaded, &SessionRecord::totalUploaded, &SessionRecord::avgDownload,
    &SessionRecord::avgUpload,
};

QString connectionValueName(int session)
{
    return QLatin1String(Prefix) + QString::number(session) + QLatin1String(ConnectionSuffix);
}

QList<SessionRecord> sessionsOf(const SessionDayParser &parser)
{
    QList<SessionRecord> records(std::min(parser.count(), MaxSessionsPerDay));
    for (const SessionDayParser::Found &f : parser.found()) {
        if (f.session < 1 || f.session > records.size())
            continue;
        SessionRecord &r = records[f.session - 1];
        if (f.code == ConnectionCode) {
            if (!f.typeOk)
                ThrowInvalidSessionValueType(connectionValueName(f.session));
            r.connection = f.text;
        } else {
            if (!f.typeOk)
                ThrowInvalidSessionValueType(SessionValueName(f.session, f.code));
            r.setField(f.code, f.value);
        }
    }
    return records;
}

// The names a session's values may have: its fields and its connection.
QStringList sessionValueNames(int session)
{
    QStringList names;
    for (int field = 0; field < SessionFieldCount; ++field)
        names.append(SessionValueName(session, field));
    names.append(connectionValueName(session));
    return names;
}

} // namespace

QString SessionFieldSuffix(int field)
{
    if (field < 0 || field >= SessionFieldCount)
        return QString();
    return QLatin1String(FieldSuffixes[field]);
}

QString SessionValueName(int session, int field)
{
    return QLatin1String(Prefix) + QString::number(session) + SessionFieldSuffix(field);
}

QString SessionDayKey(int user, DateTime day)
{
    return dayKeyPath(user, day);
}

double SessionRecord::field(int code) const
{
    if (code < 0 || code >= SessionFieldCount)
        return 0;
    return this->*FieldMembers[code];
}

void SessionRecord::setField(int code, double value)
{
    if (code >= 0 && code < SessionFieldCount)
        this->*FieldMembers[code] = value;
}

int ReadNumberOfSessions(Store &store, int user, DateTime day)
{
    int count = 0;
    store.ReadStoreInteger(numberOfSessionsName(), SessionDayKey(user, day), count);
    return count;
}

void WriteNumberOfSessions(Store &store, int user, DateTime day, int count)
{
    SessionDaysChange change(store);
    store.WriteStoreInteger(numberOfSessionsName(), SessionDayKey(user, day), count);
    change.dayChanged(user, day);
    change.commit();
}

SessionDay ReadSessionDay(Store &store, int user, DateTime day)
{
    SessionDayParser parser;
    store.visitValues(SessionDayKey(user, day), [&parser](const Store::RawValue &v) { parser.add(v); });
    return SessionDay{DateOf(day), sessionsOf(parser)};
}

QList<SessionDay> ReadSessionDays(Store &store, int user, DateTime from, DateTime to)
{
    const double first = DateOf(from);
    const double last = DateOf(to);
    QList<SessionDay> days;
    if (last < first)
        return days;
    QHash<QByteArray, SessionDayParser> parsers;
    QByteArray lastName;
    SessionDayParser *current = nullptr;
    store.visitSubkeyValues(daysKeyPath(user), first, last, [&](QByteArrayView subkey, const Store::RawValue &v) {
        if (!current || subkey != QByteArrayView(lastName)) {
            lastName = subkey.toByteArray();
            current = &parsers[lastName];
        }
        current->add(v);
    });
    for (auto it = parsers.cbegin(); it != parsers.cend(); ++it) {
        // Only a key named as SessionDayKey names its day is that day's key
        // ("036526" or "36526.0" is not, and a day-by-day reader never sees it).
        qint64 number = 0;
        if (!dayOfKeyName(it.key(), number) || double(number) < first || double(number) > last)
            continue;
        QList<SessionRecord> sessions = sessionsOf(*it);
        if (!sessions.isEmpty())
            days.append(SessionDay{DateTime(number), std::move(sessions)});
    }
    std::sort(days.begin(), days.end(), [](const SessionDay &a, const SessionDay &b) { return a.day < b.day; });
    return days;
}

void WriteSessionRecord(Store &store, int user, DateTime day, int session, const SessionRecord &record)
{
    const QString key = SessionDayKey(user, day);
    SessionDaysChange change(store);
    for (int field = 0; field < SessionFieldCount; ++field) {
        if (field != SessionStartDate)
            store.WriteStoreFloat(SessionValueName(session, field), key, record.field(field));
    }
    if (record.connection)
        store.WriteStoreString(connectionValueName(session), key, *record.connection);
    change.dayChanged(user, day);
    change.commit();
}

double ReadSessionField(Store &store, int user, int session, int field, DateTime day)
{
    return SafeStrToFloat(store.ReadStoreString(SessionValueName(session, field), SessionDayKey(user, day)));
}

void WriteSessionField(Store &store, int user, int session, int field, double value, DateTime day)
{
    SessionDaysChange change(store);
    store.WriteStoreFloat(SessionValueName(session, field), SessionDayKey(user, day), value);
    change.dayChanged(user, day);
    change.commit();
}

void WriteSessionConnection(Store &store, int user, int session, const QString &connection, DateTime day)
{
    // The connection is no part of the per-day totals: no SessionDaysChange.
    store.WriteStoreString(connectionValueName(session), SessionDayKey(user, day), connection);
}

bool RemoveSessionRecord(Store &store, int user, DateTime day, int session)
{
    const QString key = SessionDayKey(user, day);
    const int count = ReadNumberOfSessions(store, user, day);
    if (session < 1 || session > count)
        return false;
    SessionDaysChange change(store);
    for (const QString &name : sessionValueNames(session))
        store.removeValue(Store::hivePathOf(key), name);
    for (int j = session + 1; j <= count; ++j) {
        const QStringList from = sessionValueNames(j);
        const QStringList to = sessionValueNames(j - 1);
        for (qsizetype i = 0; i < from.size(); ++i)
            store.RenameStoreValue(key, from[i], to[i]);
    }
    store.WriteStoreInteger(numberOfSessionsName(), key, count - 1);
    change.dayChanged(user, day);
    change.commit();
    return true;
}

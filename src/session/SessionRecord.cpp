#include "session/SessionRecord.h"

#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/Store.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace {

const char *const FieldSuffixes[SessionFieldCount] = {
    "-Start Time", "-Start Date", "-End Time", "-End Date", "-Time Online",
    "-Cost", "-TotalDownloaded", "-TotalUploaded", "-AvgDownload", "-AvgUpload",
};
const char *const ConnectionSuffix = "-Connection";
const char *const SessionPrefix = "Session";
const QString NumberOfSessions = QStringLiteral("NumberOfSessions");

// The code parseValueName gives a "-Connection" value.
constexpr int ConnectionCode = SessionFieldCount;

// Sessions open on a tick, two a second at most: a larger count is damaged,
// and must not make a reader build millions of empty records.
constexpr int MaxSessionsPerDay = 2 * 24 * 60 * 60;

DateTime SessionRecord::*const FieldMembers[SessionFieldCount] = {
    &SessionRecord::startTime,   &SessionRecord::startDate,       &SessionRecord::endTime,
    &SessionRecord::endDate,     &SessionRecord::timeOnline,      &SessionRecord::cost,
    &SessionRecord::totalDownloaded, &SessionRecord::totalUploaded, &SessionRecord::avgDownload,
    &SessionRecord::avgUpload,
};

// The names as the store hands them to a visitor, folded once.
struct FoldedNames {
    QByteArray prefix;
    QByteArray suffixes[SessionFieldCount + 1];
    QByteArray count;
    FoldedNames()
    {
        prefix = QString::fromLatin1(SessionPrefix).toCaseFolded().toUtf8();
        for (int f = 0; f < SessionFieldCount; ++f)
            suffixes[f] = QString::fromLatin1(FieldSuffixes[f]).toCaseFolded().toUtf8();
        suffixes[ConnectionCode] = QString::fromLatin1(ConnectionSuffix).toCaseFolded().toUtf8();
        count = NumberOfSessions.toCaseFolded().toUtf8();
    }
};

const FoldedNames &folded()
{
    static const FoldedNames names;
    return names;
}

qint64 roundToWhole(double value)
{
    // Far outside any real total; keeps llround defined.
    if (!(std::fabs(value) < 9.0e18))
        return 0;
    return std::llround(value);
}

// Parses "session<m>-<suffix>" (m without leading zeros, as the writers
// write it). Returns the field code, ConnectionCode or -1.
int parseValueName(QByteArrayView name, int &session)
{
    const QByteArrayView prefix(folded().prefix);
    if (!name.startsWith(prefix))
        return -1;
    qsizetype i = prefix.size();
    const qsizetype digitsStart = i;
    qint64 m = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - digitsStart < 9) {
        m = m * 10 + (name[i] - '0');
        ++i;
    }
    if (i == digitsStart || name[digitsStart] == '0' || i >= name.size() || name[i] != '-')
        return -1;
    const QByteArrayView suffix = name.sliced(i);
    session = int(m);
    for (int code = 0; code <= ConnectionCode; ++code) {
        if (suffix == QByteArrayView(folded().suffixes[code]))
            return code;
    }
    return -1;
}

// The float text the store writes for a plain number ("600", "-0.125") in
// any locale reads the same as with a '.' separator; this parses that form
// straight from the stored bytes and leaves everything else to SafeStrToFloat.
double storedFloat(QByteArrayView text)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    bool plain = !text.isEmpty() && text.size() < 40;
    int points = 0;
    for (qsizetype i = 0; plain && i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.')
            ++points;
        else if (!(c >= '0' && c <= '9') && !(c == '-' && i == 0))
            plain = false;
    }
    if (plain && points <= 1) {
        double value = 0;
        const auto result = std::from_chars(begin, end, value);
        if (result.ec == std::errc() && result.ptr == end)
            return value;
    }
    return SafeStrToFloat(QString::fromUtf8(text));
}

bool isText(int type)
{
    return type == RegSz || type == RegExpandSz;
}

QString dayKeyName(DateTime day)
{
    const double whole = DateOf(day);
    // A whole number below 10^15 is written as its plain digits.
    return std::fabs(whole) < 1e15 ? QString::number(qint64(whole)) : FloatToStoreText(whole);
}

QString sessionsKey(int user)
{
    return QStringLiteral("Users\\User%1\\Sessions").arg(user);
}

QString connectionValueName(int session)
{
    return QLatin1String(SessionPrefix) + QString::number(session) + QLatin1String(ConnectionSuffix);
}

[[noreturn]] void invalidType(const QString &name)
{
    throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

// Collects one day key's values as a visitor hands them over. Values of
// sessions beyond the count are dropped at the end, as the count may come
// after them; a damaged one of those is no error, as no reader looks at it.
class DayParser
{
public:
    explicit DayParser(bool totalsOnly = false) : m_totalsOnly(totalsOnly) {}

    // Keeps the buffer: the totals read one day after another.
    void reset()
    {
        m_count = 0;
        m_haveCount = false;
        m_found.clear();
    }

    void add(const Store::RawValue &v)
    {
        if (v.foldedName == QByteArrayView(folded().count)) {
            if (v.type != RegDword)
                invalidType(NumberOfSessions);
            m_count = int(qint32(v.integer));
            m_haveCount = true;
            return;
        }
        int session = 0;
        const int code = parseValueName(v.foldedName, session);
        if (code < 0)
            return;
        if (m_totalsOnly && code != SessionTimeOnline && code != SessionCost && code != SessionTotalDownloaded)
            return;
        Found f{session, code, isText(v.type), 0, QString()};
        if (f.typeOk) {
            if (code == ConnectionCode)
                f.text = QString::fromUtf8(v.text);
            else
                f.value = storedFloat(v.text);
        }
        m_found.push_back(std::move(f));
    }

    // The stored count, 0 without one.
    int count() const { return m_haveCount && m_count > 0 ? m_count : 0; }

    QList<SessionRecord> sessions() const
    {
        QList<SessionRecord> records(std::min(count(), MaxSessionsPerDay));
        for (const Found &f : m_found) {
            if (f.session < 1 || f.session > records.size())
                continue;
            SessionRecord &r = records[f.session - 1];
            if (f.code == ConnectionCode) {
                if (!f.typeOk)
                    invalidType(connectionValueName(f.session));
                r.connection = f.text;
            } else {
                if (!f.typeOk)
                    invalidType(SessionValueName(f.session, f.code));
                r.setField(f.code, f.value);
            }
        }
        return records;
    }

    DaySessionTotals totals() const
    {
        DaySessionTotals t;
        t.sessions = count();
        for (const Found &f : m_found) {
            if (f.session < 1 || f.session > t.sessions)
                continue;
            if (!f.typeOk)
                invalidType(SessionValueName(f.session, f.code));
            switch (f.code) {
            case SessionTimeOnline:
                t.seconds += roundToWhole(f.value);
                break;
            case SessionCost:
                t.cost += f.value;
                break;
            case SessionTotalDownloaded:
                t.downloaded += roundToWhole(f.value);
                break;
            }
        }
        return t;
    }

private:
    struct Found {
        int session;
        int code;
        bool typeOk;
        double value;
        QString text;
    };
    bool m_totalsOnly;
    int m_count = 0;
    bool m_haveCount = false;
    std::vector<Found> m_found;
};

} // namespace

QString SessionFieldSuffix(int field)
{
    if (field < 0 || field >= SessionFieldCount)
        return QString();
    return QLatin1String(FieldSuffixes[field]);
}

QString SessionValueName(int session, int field)
{
    return QLatin1String(SessionPrefix) + QString::number(session) + SessionFieldSuffix(field);
}

QString SessionDayKey(int user, DateTime day)
{
    return sessionsKey(user) + QLatin1Char('\\') + dayKeyName(day);
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
    store.ReadStoreInteger(NumberOfSessions, SessionDayKey(user, day), count);
    return count;
}

void WriteNumberOfSessions(Store &store, int user, DateTime day, int count)
{
    store.WriteStoreInteger(NumberOfSessions, SessionDayKey(user, day), count);
}

SessionDay ReadSessionDay(Store &store, int user, DateTime day)
{
    DayParser parser;
    store.visitValues(SessionDayKey(user, day), [&parser](const Store::RawValue &v) { parser.add(v); });
    return SessionDay{DateOf(day), parser.sessions()};
}

QList<SessionDay> ReadSessionDays(Store &store, int user, DateTime from, DateTime to)
{
    const double first = DateOf(from);
    const double last = DateOf(to);
    QList<SessionDay> days;
    if (last < first)
        return days;
    QHash<QByteArray, DayParser> parsers;
    QByteArray lastName;
    DayParser *current = nullptr;
    store.visitSubkeyValues(sessionsKey(user), first, last, [&](QByteArrayView subkey, const Store::RawValue &v) {
        if (!current || subkey != QByteArrayView(lastName)) {
            lastName = subkey.toByteArray();
            current = &parsers[lastName];
        }
        current->add(v);
    });
    for (auto it = parsers.cbegin(); it != parsers.cend(); ++it) {
        // Only a key named as SessionDayKey names its day is that day's key
        // ("036526" or "36526.0" is not, and a day-by-day reader never sees it).
        bool ok = false;
        const qint64 number = it.key().toLongLong(&ok);
        if (!ok || it.key() != QByteArray::number(number) || double(number) < first || double(number) > last)
            continue;
        QList<SessionRecord> sessions = it->sessions();
        if (!sessions.isEmpty())
            days.append(SessionDay{DateTime(number), std::move(sessions)});
    }
    std::sort(days.begin(), days.end(), [](const SessionDay &a, const SessionDay &b) { return a.day < b.day; });
    return days;
}

void WriteSessionRecord(Store &store, int user, DateTime day, int session, const SessionRecord &record)
{
    const QString key = SessionDayKey(user, day);
    Store::Transaction transaction(store);
    for (int field = 0; field < SessionFieldCount; ++field) {
        if (field != SessionStartDate)
            store.WriteStoreFloat(SessionValueName(session, field), key, record.field(field));
    }
    if (record.connection)
        store.WriteStoreString(connectionValueName(session), key, *record.connection);
    transaction.commit();
}

double ReadSessionField(Store &store, int user, int session, int field, DateTime day)
{
    return SafeStrToFloat(store.ReadStoreString(SessionValueName(session, field), SessionDayKey(user, day)));
}

void WriteSessionField(Store &store, int user, int session, int field, double value, DateTime day)
{
    store.WriteStoreFloat(SessionValueName(session, field), SessionDayKey(user, day), value);
}

DaySessionTotals ReadDaySessionTotals(Store &store, int user, DateTime day)
{
    thread_local DayParser parser(true);
    parser.reset();
    if (!store.visitValues(SessionDayKey(user, day), [](const Store::RawValue &v) { parser.add(v); }))
        return DaySessionTotals();
    return parser.totals();
}

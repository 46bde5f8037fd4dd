#include "session/SessionRecords.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/Errors.h"
#include "store/FloatText.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace {

const char *const FieldSuffixes[] = {
    "-Start Time", "-Start Date", "-End Time", "-End Date", "-Time Online",
    "-Cost", "-TotalDownloaded", "-TotalUploaded", "-AvgDownload", "-AvgUpload",
};

qint64 roundToWhole(double value)
{
    // Far outside any real total; keeps llround defined.
    if (!(std::fabs(value) < 9.0e18))
        return 0;
    return std::llround(value);
}

// Parses "session<m>-<suffix>" (m without leading zeros) for the three
// fields the totals need. Returns the field code or -1.
int parseTotalsName(QByteArrayView name, int &session)
{
    static constexpr QByteArrayView prefix("session");
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
    if (suffix == QByteArrayView("-time online"))
        return SessionTimeOnline;
    if (suffix == QByteArrayView("-cost"))
        return SessionCost;
    if (suffix == QByteArrayView("-totaldownloaded"))
        return SessionTotalDownloaded;
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

} // namespace

QString SessionFieldSuffix(int field)
{
    if (field < 0 || field > 9)
        return QString();
    return QLatin1String(FieldSuffixes[field]);
}

QString SessionValueName(int session, int field)
{
    return QStringLiteral("Session") + QString::number(session) + SessionFieldSuffix(field);
}

QString SessionDayKey(int user, DateTime day)
{
    const double whole = DateOf(day);
    // A whole number below 10^15 is written as its plain digits.
    const QString dayText = std::fabs(whole) < 1e15 ? QString::number(qint64(whole)) : FloatToStoreText(whole);
    return QStringLiteral("Users\\User") + QString::number(user) + QStringLiteral("\\Sessions\\") + dayText;
}

double GetFromDataFile(AppContext &ctx, int user, int session, int field, DateTime day)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "GetFromDataFile");
    if (field < 0 || field > 9)
        throw TallylineError(QStringLiteral("Session field code %1 does not exist").arg(field));
    return SafeStrToFloat(ctx.store.ReadStoreString(SessionValueName(session, field), SessionDayKey(user, day)));
}

void WriteToDataFile(AppContext &ctx, int user, int session, int field, double value, DateTime day)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "WriteToDataFile");
    if (field < 0 || field > 9)
        throw TallylineError(QStringLiteral("Session field code %1 does not exist").arg(field));
    ctx.store.WriteStoreFloat(SessionValueName(session, field), SessionDayKey(user, day), value);
}

DaySessionTotals ReadDaySessionTotals(Store &store, int user, DateTime day)
{
    struct Found {
        int session;
        int field;  // -1 - field when the value has the wrong type
        double value;
    };
    // One pass over the whole day key: the count and the three fields of
    // every session, the rest skipped. Sessions above the count are dropped
    // afterwards, as the count may come after them.
    DaySessionTotals totals;
    thread_local std::vector<Found> found;
    found.clear();
    bool haveCount = false;
    const bool exists = store.visitValues(SessionDayKey(user, day), [&](const Store::RawValue &v) {
        if (v.foldedName == QByteArrayView("numberofsessions")) {
            if (v.type != RegDword)
                throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(QStringLiteral("NumberOfSessions")));
            totals.sessions = int(qint32(v.integer));
            haveCount = true;
            return;
        }
        int session = 0;
        const int field = parseTotalsName(v.foldedName, session);
        if (field < 0)
            return;
        if (v.type != RegSz && v.type != RegExpandSz)
            found.push_back({session, -1 - field, 0});
        else
            found.push_back({session, field, storedFloat(v.text)});
    });
    if (!exists || !haveCount || totals.sessions <= 0) {
        totals.sessions = 0;
        return totals;
    }
    for (const Found &f : found) {
        if (f.session < 1 || f.session > totals.sessions)
            continue;
        if (f.field < 0)
            throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(SessionValueName(f.session, -1 - f.field)));
        switch (f.field) {
        case SessionTimeOnline:
            totals.seconds += roundToWhole(f.value);
            break;
        case SessionCost:
            totals.cost += f.value;
            break;
        case SessionTotalDownloaded:
            totals.downloaded += roundToWhole(f.value);
            break;
        }
    }
    return totals;
}

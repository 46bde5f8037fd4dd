#include "store/SessionDayValues.h"

#include "core/Errors.h"
#include "store/FloatText.h"

#include <charconv>
#include <cmath>

namespace sessionvalues {

const char *const FieldSuffixes[FieldCount] = {
    "-Start Time", "-Start Date", "-End Time", "-End Date", "-Time Online",
    "-Cost", "-TotalDownloaded", "-TotalUploaded", "-AvgDownload", "-AvgUpload",
};
const char *const ConnectionSuffix = "-Connection";
const char *const Prefix = "Session";

QString numberOfSessionsName()
{
    return QStringLiteral("NumberOfSessions");
}

namespace {

// The names as the store hands them to a visitor, folded once.
struct FoldedNames {
    QByteArray prefix;
    QByteArray suffixes[FieldCount + 1];
    QByteArray count;
    FoldedNames()
    {
        prefix = QString::fromLatin1(Prefix).toCaseFolded().toUtf8();
        for (int f = 0; f < FieldCount; ++f)
            suffixes[f] = QString::fromLatin1(FieldSuffixes[f]).toCaseFolded().toUtf8();
        suffixes[ConnectionCode] = QString::fromLatin1(ConnectionSuffix).toCaseFolded().toUtf8();
        count = numberOfSessionsName().toCaseFolded().toUtf8();
    }
};

const FoldedNames &folded()
{
    static const FoldedNames names;
    return names;
}

QString dayKeyName(DateTime day)
{
    const double whole = DateOf(day);
    // A whole number below 10^15 is written as its plain digits.
    return std::fabs(whole) < 1e15 ? QString::number(qint64(whole)) : FloatToStoreText(whole);
}

} // namespace

QString daysKeyPath(int user)
{
    return QStringLiteral("Users\\User%1\\Sessions").arg(user);
}

QString dayKeyPath(int user, DateTime day)
{
    return daysKeyPath(user) + QLatin1Char('\\') + dayKeyName(day);
}

bool dayOfKeyName(QByteArrayView name, qint64 &day)
{
    bool ok = false;
    const qint64 number = name.toLongLong(&ok);
    if (!ok || std::abs(number) >= qint64(1e15) || name != QByteArrayView(QByteArray::number(number)))
        return false;
    day = number;
    return true;
}

bool userOfKeyName(QByteArrayView name, int &user)
{
    if (!name.startsWith("user"))
        return false;
    const QByteArrayView digits = name.sliced(4);
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || digits != QByteArrayView(QByteArray::number(number)))
        return false;
    user = number;
    return true;
}

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

} // namespace sessionvalues

using namespace sessionvalues;

namespace {

qint64 roundToWhole(double value)
{
    // Far outside any real total; keeps llround defined.
    if (!(std::fabs(value) < 9.0e18))
        return 0;
    return std::llround(value);
}

bool isText(int type)
{
    return type == RegSz || type == RegExpandSz;
}

} // namespace

void ThrowInvalidSessionValueType(const QString &name)
{
    throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

void SessionDayParser::reset()
{
    m_count = 0;
    m_haveCount = false;
    m_countDamaged = false;
    m_found.clear();
}

void SessionDayParser::add(const Store::RawValue &v)
{
    if (v.foldedName == QByteArrayView(folded().count)) {
        m_countDamaged = v.type != RegDword;
        m_count = m_countDamaged ? 0 : int(qint32(v.integer));
        m_haveCount = true;
        return;
    }
    int session = 0;
    const int code = parseValueName(v.foldedName, session);
    if (code < 0)
        return;
    if (m_totalsOnly && code != TimeOnlineCode && code != CostCode && code != DownloadedCode)
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

int SessionDayParser::count() const
{
    if (m_countDamaged)
        ThrowInvalidSessionValueType(numberOfSessionsName());
    return m_haveCount && m_count > 0 ? m_count : 0;
}

QString SessionDayParser::damagedValue() const
{
    if (m_countDamaged)
        return numberOfSessionsName();
    const int n = count();
    for (const Found &f : m_found) {
        if (f.session < 1 || f.session > n)
            continue;
        if (f.code != TimeOnlineCode && f.code != CostCode && f.code != DownloadedCode)
            continue;
        if (!f.typeOk)
            return QLatin1String(Prefix) + QString::number(f.session) + QLatin1String(FieldSuffixes[f.code]);
    }
    return QString();
}

bool SessionDayParser::readTotals(DaySessionTotals &t) const
{
    t = DaySessionTotals();
    if (!damagedValue().isNull())
        return false;
    t.sessions = count();
    for (const Found &f : m_found) {
        if (f.session < 1 || f.session > t.sessions)
            continue;
        switch (f.code) {
        case TimeOnlineCode:
            t.seconds += roundToWhole(f.value);
            break;
        case CostCode:
            t.cost += f.value;
            break;
        case DownloadedCode:
            t.downloaded += roundToWhole(f.value);
            break;
        }
    }
    return true;
}

DaySessionTotals SessionDayParser::totals() const
{
    DaySessionTotals t;
    if (!readTotals(t))
        ThrowInvalidSessionValueType(damagedValue());
    return t;
}

DaySessionTotals ReadDaySessionTotals(Store &store, int user, DateTime day)
{
    thread_local SessionDayParser parser(true);
    parser.reset();
    if (!store.visitValues(dayKeyPath(user, day), [](const Store::RawValue &v) { parser.add(v); }))
        return DaySessionTotals();
    return parser.totals();
}

bool TryReadDaySessionTotals(Store &store, int user, DateTime day, DaySessionTotals &totals)
{
    thread_local SessionDayParser parser(true);
    parser.reset();
    totals = DaySessionTotals();
    if (!store.visitValues(dayKeyPath(user, day), [](const Store::RawValue &v) { parser.add(v); }))
        return true;
    return parser.readTotals(totals);
}

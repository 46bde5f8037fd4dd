#include "core/DateTime.h"

#include "core/Errors.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

const QDate &epoch()
{
    static const QDate date(1899, 12, 30);
    return date;
}

// Order of day, month and year in the locale's short date format: a string
// such as "DMY".
QString shortDateOrder()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    QString order;
    for (const QChar c : format) {
        const QChar u = c.toUpper();
        if ((u == QLatin1Char('D') || u == QLatin1Char('M') || u == QLatin1Char('Y')) && !order.contains(u))
            order += u;
    }
    if (order.size() != 3)
        order = QStringLiteral("DMY");
    return order;
}

} // namespace

DateTime DateTimeFromQDate(const QDate &date)
{
    return double(epoch().daysTo(date));
}

DateTime DateTimeFromQTime(const QTime &time)
{
    return time.msecsSinceStartOfDay() / (SecondsPerDay * 1000.0);
}

DateTime DateTimeFromQDateTime(const QDateTime &moment)
{
    return DateTimeFromQDate(moment.date()) + DateTimeFromQTime(moment.time());
}

DateTime EncodeDate(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        throw ConvertError(QStringLiteral("Invalid argument to date encode"));
    return DateTimeFromQDate(date);
}

DateTime EncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        throw ConvertError(QStringLiteral("Invalid argument to time encode"));
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / (SecondsPerDay * 1000.0);
}

double DateOf(DateTime value)
{
    return std::trunc(value);
}

double TimeOf(DateTime value)
{
    return std::fabs(value - std::trunc(value));
}

QDate QDateFromDateTime(DateTime value)
{
    return epoch().addDays(qint64(std::trunc(value)));
}

QTime QTimeFromDateTime(DateTime value)
{
    qint64 ms = qint64(std::llround(TimeOf(value) * SecondsPerDay * 1000.0));
    if (ms >= qint64(SecondsPerDay) * 1000)
        ms = qint64(SecondsPerDay) * 1000 - 1;
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDateTime QDateTimeFromDateTime(DateTime value)
{
    // Rounding to the millisecond may carry into the next day.
    const qint64 totalMs = qint64(std::llround(value * SecondsPerDay * 1000.0));
    const qint64 dayMs = qint64(SecondsPerDay) * 1000;
    qint64 days = totalMs / dayMs;
    qint64 rest = totalMs % dayMs;
    if (rest < 0) {
        rest += dayMs;
        --days;
    }
    return QDateTime(epoch().addDays(days), QTime::fromMSecsSinceStartOfDay(int(rest)));
}

int IsoDayOfWeek(DateTime value)
{
    return QDateFromDateTime(value).dayOfWeek();
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear)
{
    const int earliest = currentYear - TwoDigitYearWindow;
    int year = (earliest / 100) * 100 + twoDigitYear;
    if (year < earliest)
        year += 100;
    return year;
}

DateTime StrToDate(const QString &text, int currentYear)
{
    return StrToDate(text, currentYear, shortDateOrder());
}

DateTime StrToDate(const QString &text, int currentYear, const QString &dateOrder)
{
    static const QRegularExpression numberPattern(QStringLiteral("\\d+"));
    const auto invalid = [&text]() {
        return ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    };
    const QString trimmed = text.trimmed();
    // Only digits and single separators between them.
    static const QRegularExpression shape(QStringLiteral("^\\d{1,4}([^\\d\\s]|\\s)\\d{1,4}(([^\\d\\s]|\\s)\\d{1,4})?$"));
    if (!shape.match(trimmed).hasMatch())
        throw invalid();
    QList<int> numbers;
    QList<int> widths;
    auto it = numberPattern.globalMatch(trimmed);
    while (it.hasNext()) {
        const auto m = it.next();
        numbers.append(m.captured().toInt());
        widths.append(int(m.capturedLength()));
    }
    QString order = dateOrder;
    int day = 0, month = 0, year = currentYear;
    if (numbers.size() == 2) {
        order.remove(QLatin1Char('Y'));
        for (int i = 0; i < 2; ++i)
            (order[i] == QLatin1Char('D') ? day : month) = numbers[i];
    } else if (numbers.size() == 3) {
        for (int i = 0; i < 3; ++i) {
            if (order[i] == QLatin1Char('D'))
                day = numbers[i];
            else if (order[i] == QLatin1Char('M'))
                month = numbers[i];
            else
                year = widths[i] <= 2 ? ExpandTwoDigitYear(numbers[i], currentYear) : numbers[i];
        }
    } else {
        throw invalid();
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        throw invalid();
    return DateTimeFromQDate(date);
}

DateTime StrToTime(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2})(?:[:.](\\d{1,2}))?(?:[:.](\\d{1,2}))?\\s*([AaPp][Mm])?\\s*$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString marker = m.captured(4).toUpper();
    if (!marker.isEmpty()) {
        if (hour < 1 || hour > 12)
            throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
        if (marker == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (marker == QLatin1String("PM") && hour != 12)
            hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59)
        throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return EncodeTime(hour, minute, second);
}

QString ShortDateFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

QString FormatShortDate(DateTime value)
{
    return QLocale().toString(QDateFromDateTime(value), QLocale::ShortFormat);
}

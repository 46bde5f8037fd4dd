#include "reports/ReportGraph.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "session/SessionRecord.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QStringList WeekdayLabels{QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                                QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                                QStringLiteral("Sun")};
const QStringList MonthLabels{QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                              QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                              QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                              QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};

bool averagedKind(int infoKind)
{
    return infoKind == ReportAverageDownload || infoKind == ReportAverageUpload;
}

// One day's share of the graph.
struct DaySums {
    qint64 sessions = 0;   // N(d), all ISPs
    double value = 0;      // S(d), included sessions only
};

// The days of one walk, read in one query and summed as they are visited.
class DayWalk
{
public:
    DayWalk(AppContext &ctx, const GraphRequest &request, GraphData &data, DateTime first, DateTime last)
        : m_field(ReportFieldCode(request.infoKind)), m_filter(request.ispFilter), m_data(data)
    {
        if (last < first)
            return;
        for (const SessionDay &day : ReadSessionDays(ctx.store, ctx.login.CurrentUser, first, last))
            m_days.insert(qint64(day.day), day);
    }

    DaySums visit(DateTime day)
    {
        DaySums sums;
        const auto found = m_days.constFind(qint64(DateOf(day)));
        if (found == m_days.constEnd())
            return sums;
        sums.sessions = found->sessions.size();
        m_data.connections += sums.sessions;
        for (const SessionRecord &session : found->sessions) {
            if (!included(session))
                continue;
            sums.value += session.field(m_field);
            m_data.seconds += std::llround(session.timeOnline);
            m_data.cost += session.cost;
        }
        return sums;
    }

private:
    bool included(const SessionRecord &session) const
    {
        if (m_filter.isEmpty())
            return true;
        QString connection = session.connection.value_or(QString());
        // As in the account window's lists: "ANY" and no entry at all are
        // the default connection.
        if (connection.isEmpty() || connection.compare(QLatin1String("ANY"), Qt::CaseInsensitive) == 0)
            connection = QStringLiteral("Default");
        return connection.compare(m_filter, Qt::CaseInsensitive) == 0;
    }

    int m_field;
    QString m_filter;
    GraphData &m_data;
    QHash<qint64, SessionDay> m_days;
};

// Bars and the running average over buckets numbered from 1.
class Buckets
{
public:
    Buckets(int infoKind, GraphData &data) : m_averaged(averagedKind(infoKind)), m_unit(ReportUnitDivisor(infoKind)), m_data(data) {}

    void add(const QString &label, double sum, qint64 sessions)
    {
        const double amount = m_averaged ? sum / double(sessions > 0 ? sessions : 1) : sum;
        ++m_number;
        m_running += amount;
        m_data.labels.append(label);
        m_data.bars.append(amount / m_unit);
        m_data.line.append(m_running / m_unit / m_number);
    }

private:
    bool m_averaged;
    double m_unit;
    GraphData &m_data;
    int m_number = 0;
    double m_running = 0;
};

void dayBuckets(AppContext &ctx, const GraphRequest &request, GraphData &data, DateTime first, DateTime last,
                const QString &labelFormat)
{
    DayWalk walk(ctx, request, data, first, last);
    Buckets buckets(request.infoKind, data);
    data.firstDay = first;
    for (DateTime day = first; day <= last; day += 1) {
        const DaySums sums = walk.visit(day);
        buckets.add(QDateFromDateTime(day).toString(labelFormat), sums.value, sums.sessions);
    }
}

void weekdayBuckets(AppContext &ctx, const GraphRequest &request, GraphData &data, DateTime first, DateTime last)
{
    std::array<DaySums, 7> week{};
    std::array<qint64, 7> daysUsed{};
    DayWalk walk(ctx, request, data, first, last);
    for (DateTime day = first; day <= last; day += 1) {
        const DaySums sums = walk.visit(day);
        const int w = IsoDayOfWeek(day) - 1;
        week[w].sessions += sums.sessions;
        week[w].value += sums.value;
        if (sums.sessions > 0)
            ++daysUsed[w];
    }
    const bool averaged = averagedKind(request.infoKind);
    const double unit = ReportUnitDivisor(request.infoKind);
    double running = 0;
    for (int w = 0; w < 7; ++w) {
        const double days = double(daysUsed[w] > 0 ? daysUsed[w] : 1);
        const double sessions = double(week[w].sessions > 0 ? week[w].sessions : 1);
        const double amount = averaged ? week[w].value / days / sessions : week[w].value / days;
        running += amount;
        data.labels.append(WeekdayLabels[w]);
        data.bars.append(amount / unit);
        data.line.append(running / unit / (w + 1));
    }
}

// The custom range's days: the start alone when the end comes before it.
QPair<DateTime, DateTime> customDays(const GraphRequest &request)
{
    const DateTime first = DateOf(request.customStart);
    const DateTime last = DateOf(request.customEnd);
    return {first, last < first ? first : last};
}

} // namespace

GraphData LoadGraphData(AppContext &ctx, const GraphRequest &request)
{
    PROCEDURE_GUARD(ctx, "Report", "LoadGraphData");
    GraphData data;
    if (!ctx.login.LoggedIn)
        return data;
    switch (request.periodKind) {
    case ReportSelectedAccount:
        dayBuckets(ctx, request, data, DateOf(request.account.start), DateOf(request.account.end) - 1,
                   QStringLiteral("dd"));
        break;
    case ReportSelectedMonth: {
        const DateTime first = EncodeDate(request.year, request.month, 1);
        dayBuckets(ctx, request, data, first, first + DaysPerMonth(request.month, request.year) - 1,
                   QStringLiteral("d"));
        break;
    }
    case ReportSelectedYear: {
        const DateTime first = EncodeDate(request.year, 1, 1);
        const DateTime last = EncodeDate(request.year, 12, 31);
        DayWalk walk(ctx, request, data, first, last);
        Buckets buckets(request.infoKind, data);
        for (int month = 1; month <= 12; ++month) {
            DaySums sums;
            const DateTime start = EncodeDate(request.year, month, 1);
            for (int d = 0; d < DaysPerMonth(month, request.year); ++d) {
                const DaySums day = walk.visit(start + d);
                sums.sessions += day.sessions;
                sums.value += day.value;
            }
            buckets.add(MonthLabels[month - 1], sums.value, sums.sessions);
        }
        break;
    }
    case ReportCustomPeriod: {
        const auto [first, last] = customDays(request);
        dayBuckets(ctx, request, data, first, last, QStringLiteral("dd"));
        break;
    }
    case ReportWeekOfAccount:
        weekdayBuckets(ctx, request, data, DateOf(request.account.start), DateOf(request.account.end) - 1);
        break;
    case ReportWeekOfCustomPeriod: {
        const auto [first, last] = customDays(request);
        weekdayBuckets(ctx, request, data, first, last);
        break;
    }
    default:
        break;
    }
    return data;
}

int ReportFieldCode(int infoKind)
{
    return SessionTimeOnline + qBound(0, infoKind, ReportKindCount - 1);
}

double ReportUnitDivisor(int infoKind)
{
    static constexpr std::array<double, ReportKindCount> divisors{60, 1, 1048576, 1048576, 1024, 1024};
    return divisors[qBound(0, infoKind, ReportKindCount - 1)];
}

double ReportAxisIncrement(int infoKind)
{
    static constexpr std::array<double, ReportKindCount> increments{1, 0.1, 0.1, 0.1, 0.5, 0.1};
    return increments[qBound(0, infoKind, ReportKindCount - 1)];
}

QString ReportLeftAxisTitle(const AppContext &ctx, int infoKind)
{
    switch (infoKind) {
    case ReportOnlineCost: return QStringLiteral("Cost (") + ctx.currencySymbol + QStringLiteral(")");
    case ReportDownloaded: return QStringLiteral("Data Downloaded (Megabytes)");
    case ReportUploaded: return QStringLiteral("Data uploaded (Megabytes)");
    case ReportAverageDownload: return QStringLiteral("Average Data Downloaded (kilobytes)");
    case ReportAverageUpload: return QStringLiteral("Average Data uploaded (kilobytes)");
    default: return QStringLiteral("Time online (Minutes)");
    }
}

QString ReportBottomAxisTitle(int periodKind)
{
    return periodKind == ReportSelectedYear ? QStringLiteral("Month") : QStringLiteral("Day");
}

QString ReportTitlePrefix(int periodKind, int infoKind)
{
    static const std::array<std::array<const char *, 3>, ReportKindCount> prefixes{{
        {"Online times for ", "Online times from ", "Average online time "},
        {"Online cost for ", "Online cost from ", "Average online cost "},
        {"Data downloaded for ", "Data downloaded from ", "Average downloaded "},
        {"Data uploaded for ", "Data uploaded from ", "Average uploaded "},
        {"Average download speed for ", "Average download speed from ", "Average download speed "},
        {"Average upload speed for ", "Average upload speed from ", "Average upload speed "},
    }};
    const int column = periodKind == ReportCustomPeriod ? 1 : periodKind >= ReportWeekOfAccount ? 2 : 0;
    return QLatin1String(prefixes[qBound(0, infoKind, ReportKindCount - 1)][column]);
}

QString ReportInfoCaption(int infoKind)
{
    static const std::array<const char *, ReportKindCount> captions{
        "Time Online", "Online Cost", "Total Downloaded", "Total Uploaded", "Average Downloaded", "Average Uploaded"};
    return QLatin1String(captions[qBound(0, infoKind, ReportKindCount - 1)]);
}

QStringList ReportMonthNames()
{
    return {QStringLiteral("January"), QStringLiteral("Febuary"), QStringLiteral("March"),
            QStringLiteral("April"),   QStringLiteral("May"),     QStringLiteral("June"),
            QStringLiteral("July"),    QStringLiteral("August"),  QStringLiteral("September"),
            QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
}

QStringList ReportYears(int currentYear)
{
    QStringList years;
    for (int year = 1998; year <= std::max(2009, currentYear); ++year)
        years.append(QString::number(year));
    return years;
}

QStringList ReportStatusTexts(const AppContext &ctx, const GraphData &data)
{
    return {QStringLiteral("Total Connections : ") + QString::number(data.connections),
            QStringLiteral("Total Time Online : ") + OnlineIntegerToString(data.seconds),
            QStringLiteral("Total Cost : ") + FormatMoney(ctx, data.cost)};
}

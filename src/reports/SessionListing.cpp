#include "reports/SessionListing.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "core/Errors.h"
#include "session/SessionRecord.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"

#include <QFile>
#include <QLocale>

#include <cmath>

namespace {

const QString DefaultConnection = QStringLiteral("Default");

QString spaces(int count)
{
    return QString(count, QLatin1Char(' '));
}

// FloatToStr's general format: up to fifteen significant digits, no
// trailing zeros, the locale's decimal point.
QString generalFloatText(double value)
{
    QString text = QString::number(value, 'g', 15);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

} // namespace

QList<SessionListingLine> ReadSessionListing(AppContext &ctx, const AccountPeriod &span, const QString &ispFilter)
{
    QList<SessionListingLine> lines;
    if (!ctx.login.LoggedIn || span.end <= span.start)
        return lines;
    double total = 0;
    const QList<SessionDay> days =
        ReadSessionDays(ctx.store, ctx.login.CurrentUser, DateOf(span.start), DateOf(span.end) - 1);
    for (const SessionDay &day : days) {
        for (const SessionRecord &session : day.sessions) {
            const QString connection = session.connection.value_or(QString());
            if (!ispFilter.isNull()) {
                const QString shown = connection.isEmpty() ? DefaultConnection : connection;
                if (shown.compare(ispFilter, Qt::CaseInsensitive) != 0)
                    continue;
            }
            total += session.cost;
            SessionListingLine line;
            line.day = day.day;
            line.startTime = session.startTime;
            line.endTime = session.endTime;
            line.secondsOnline = std::llround(session.timeOnline);
            line.cost = session.cost;
            line.listTotal = total;
            line.connection = connection;
            lines.append(line);
        }
    }
    return lines;
}

AccountPeriod PeriodListSpan(const AccountPeriodList &list, int entry)
{
    if (entry < 0 || entry >= list.periods.size())
        return {};
    return list.periods[entry];
}

QString SessionListingTitle(const QString &userName)
{
    return QStringLiteral("Tallyline Session Information for User : ") + userName;
}

QStringList SessionExportLines(AppContext &ctx, const QString &periodText, const AccountPeriod &span)
{
    const PricingState &p = ctx.pricing;
    QStringList lines{
        SessionListingTitle(ctx.login.CurrentUserName),
        QString(),
        QStringLiteral("Account Period : ") + periodText,
        QString(),
        QStringLiteral("Number of connections : ") + QString::number(p.AccountSessions),
        QStringLiteral("Total Time Online : ") + OnlineIntegerToString(p.AccountSeconds),
        QStringLiteral("Total Cost : ") + generalFloatText(p.AccountCost),
        QString(),
        QString(),
        QStringLiteral("Date            Start Time      End Time      Time Online       Cost       List Total    ISP"),
        QString(93, QLatin1Char('-')),
    };
    for (const SessionListingLine &s : ReadSessionListing(ctx, span)) {
        lines.append(FormatShortDate(s.day) + spaces(8) + FormatClockTime(s.startTime) + spaces(8) +
                     FormatClockTime(s.endTime) + spaces(8) + OnlineIntegerToString(s.secondsOnline) + spaces(8) +
                     FormatMoney(ctx, s.cost) + spaces(8) + FormatMoney(ctx, s.listTotal) + spaces(3) +
                     s.connection);
    }
    return lines;
}

QByteArray SessionExportText(const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines) {
        text += line.toUtf8();
        text += "\r\n";
    }
    return text;
}

void WriteSessionExport(AppContext &ctx, const QString &path, const QString &periodText, const AccountPeriod &span)
{
    PROCEDURE_GUARD(ctx, "Properties", "Savesessioninfoas1Click");
    const QByteArray text = SessionExportText(SessionExportLines(ctx, periodText, span));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw TallylineError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()),
                             "EInOutError");
    if (file.write(text) != text.size() || !file.flush())
        throw TallylineError(QStringLiteral("Cannot write to \"%1\". %2").arg(path, file.errorString()),
                             "EInOutError");
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw TallylineError(QStringLiteral("Cannot close \"%1\". %2").arg(path, file.errorString()), "EInOutError");
}

QString SessionExportFileName(const QString &userName)
{
    return userName + QStringLiteral(" Session info.txt");
}

QStringList SessionPrintout::headings()
{
    return {QStringLiteral("Date"),        QStringLiteral("Start time"), QStringLiteral("End time"),
            QStringLiteral("Time online"), QStringLiteral("Cost"),       QStringLiteral("Total cost"),
            QStringLiteral("ISP")};
}

QList<double> SessionPrintout::headingLefts()
{
    return {4.0, 22.2, 53.9, 79.7, 114.8, 132.3, 156.1};
}

QString PrintoutPageNumberText(int page)
{
    return QStringLiteral("Page - ") + QString::number(page);
}

SessionPrintout BuildSessionPrintout(AppContext &ctx, const QString &periodText, const AccountPeriod &span,
                                     int ispEntry, const QString &ispText)
{
    PROCEDURE_GUARD(ctx, "SessionPrint", "BuildPrintout");
    SessionPrintout printout;
    printout.title = SessionListingTitle(ctx.login.CurrentUserName);
    printout.period = periodText;
    const QString filter = ispEntry > 0 ? ispText : QString();
    for (const SessionListingLine &s : ReadSessionListing(ctx, span, filter)) {
        const QString isp = s.connection.isEmpty() ? DefaultConnection : s.connection;
        printout.lines.append(FormatShortDate(s.day) + spaces(8) + FormatClockTime(s.startTime) + spaces(16) +
                              FormatClockTime(s.endTime) + spaces(16) + OnlineIntegerToString(s.secondsOnline) +
                              spaces(16) + FormatMoney(ctx, s.cost) + spaces(13) + FormatMoney(ctx, s.listTotal) +
                              spaces(5) + isp);
    }
    return printout;
}

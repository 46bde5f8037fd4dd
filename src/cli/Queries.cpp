#include "cli/Queries.h"

#include "account_window/SessionLists.h"
#include "core/AppContext.h"
#include "reports/AccountBill.h"
#include "session/SessionRecord.h"
#include "store/SessionDaySummary.h"
#include "store/SettingsRecord.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"
#include "users/UserRecord.h"

#include <QJsonObject>
#include <QLocale>
#include <QMap>

#include <cmath>

namespace cli {

namespace {

// A damaged stored number (not finite, or beyond any real total) counts as
// 0, as the account window's lists count it.
double sane(double value)
{
    return std::isfinite(value) && std::fabs(value) <= 9.0e15 ? value : 0.0;
}

qint64 whole(double value)
{
    return qint64(std::llround(sane(value)));
}

QString isoDate(DateTime day)
{
    return QDateFromDateTime(day).toString(Qt::ISODate);
}

QString isoMoment(DateTime moment)
{
    return QDateTimeFromDateTime(moment).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

Cell textCell(const QString &text)
{
    return Cell{text, text};
}

Cell dateCell(DateTime day)
{
    return Cell{FormatShortDate(day), isoDate(day)};
}

Cell countCell(qint64 n)
{
    return Cell{QString::number(n), n};
}

Cell secondsCell(qint64 seconds)
{
    return Cell{OnlineIntegerToString(seconds), seconds};
}

// A sum of costs, without the last-digit dust of adding binary fractions
// (8.857149999999997 for 8.85715): ten decimals are far below any tariff's.
double tidySum(double cost)
{
    return std::isfinite(cost) ? QString::number(cost, 'f', 10).toDouble() : cost;
}

Cell moneyCell(const AppContext &ctx, double cost)
{
    return Cell{FormatMoney(ctx, cost), tidySum(cost)};
}

Cell bytesCell(qint64 bytes)
{
    return Cell{FormatBytes(bytes), bytes};
}

// Older records hold the start as a time of day only; the day is their key's.
DateTime startMoment(const SessionRecord &record, DateTime day)
{
    const double start = sane(record.startTime);
    return DateOf(start) == 0 ? day + TimeOf(start) : start;
}

DateTime endMoment(const SessionRecord &record, DateTime start)
{
    const double endDay = sane(record.endDate);
    return (DateOf(endDay) == 0 ? DateOf(start) : DateOf(endDay)) + TimeOf(sane(record.endTime));
}

struct Sums {
    qint64 sessions = 0;
    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;
    qint64 uploaded = 0;
};

QJsonObject sumsJson(const Sums &s, bool withUploads)
{
    QJsonObject o{{QStringLiteral("sessions"), s.sessions},
                  {QStringLiteral("seconds"), s.seconds},
                  {QStringLiteral("cost"), tidySum(s.cost)},
                  {QStringLiteral("downloaded"), s.downloaded}};
    if (withUploads)
        o.insert(QStringLiteral("uploaded"), s.uploaded);
    return o;
}

Column column(const char *key, const char *caption, bool right = false)
{
    return Column{QString::fromLatin1(key), QString::fromLatin1(caption), right};
}

QString unitWordOf(int accountType)
{
    const QString word = PeriodUnitWord(accountType);
    return word.isEmpty() ? QStringLiteral("period") : word;
}

} // namespace

ChosenUser ChooseUser(AppContext &ctx, const QString &login)
{
    const int count = StoredUserCount(ctx.store);
    QStringList names;
    for (int n = 1; n <= count; ++n)
        names.append(ReadUserRecord(ctx.store, n).loginName);
    QStringList known = names;
    known.removeAll(QString());

    if (!login.isEmpty()) {
        const int index = int(names.indexOf(login));
        if (index < 0) {
            throw UnknownUserError{known.isEmpty()
                                       ? QStringLiteral("no user '%1': the database has no users").arg(login)
                                       : QStringLiteral("no user '%1' (users: %2)").arg(login, known.join(QStringLiteral(", ")))};
        }
        return ChosenUser{index + 1, login, QString()};
    }
    const int previous = ctx.settings.PreviousUser;
    if (previous >= 1 && previous <= count && !names[previous - 1].isEmpty())
        return ChosenUser{previous, names[previous - 1], QStringLiteral("the user logged in last")};
    if (known.size() == 1)
        return ChosenUser{int(names.indexOf(known.first())) + 1, known.first(), QStringLiteral("the only user")};
    if (known.isEmpty())
        throw UnknownUserError{QStringLiteral("the database has no users")};
    throw UnknownUserError{QStringLiteral("nobody has logged in yet; choose a user with --user (users: %1)")
                               .arg(known.join(QStringLiteral(", ")))};
}

void ActAsLoggedIn(AppContext &ctx, const ChosenUser &user)
{
    ctx.login.CurrentUser = user.number;
    ctx.login.CurrentUserName = user.login;
    ctx.login.LoggedIn = true;
}

std::optional<PeriodChoice> ParsePeriodChoice(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("current"))
        return PeriodChoice{PeriodChoice::Kind::Current, 0};
    if (t == QLatin1String("previous"))
        return PeriodChoice{PeriodChoice::Kind::Previous, 0};
    if (t == QLatin1String("all"))
        return PeriodChoice{PeriodChoice::Kind::All, 0};
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok && n >= 1)
        return PeriodChoice{PeriodChoice::Kind::Number, n};
    return std::nullopt;
}

SelectedPeriod SelectPeriod(AppContext &ctx, const PeriodChoice &choice, const QString &asWritten)
{
    const AccountPeriodList list = FillAccountComboBox(ctx);
    const int last = int(list.periods.size()) - 1;  // the current period
    if (last < 1)
        throw UsageError{QStringLiteral("--period %1: the user has no account periods").arg(asWritten)};
    int entry = last;
    switch (choice.kind) {
    case PeriodChoice::Kind::Current:
        break;
    case PeriodChoice::Kind::Previous:
        entry = last - 1;
        if (entry < 1)
            throw UsageError{QStringLiteral("--period %1: there is no period before the current one").arg(asWritten)};
        break;
    case PeriodChoice::Kind::All:
        entry = 0;
        break;
    case PeriodChoice::Kind::Number:
        entry = choice.number;
        if (entry > last)
            throw UsageError{QStringLiteral("--period %1: the periods are numbered 1 to %2").arg(asWritten).arg(last)};
        break;
    }
    return SelectedPeriod{entry, list.texts[entry], list.periods[entry]};
}

Report SessionsReport(AppContext &ctx, const QString &login, const QString &rangeText, DayRange range)
{
    Report report;
    report.heading.append(QStringLiteral("Sessions of %1, %2").arg(login, rangeText));
    report.columns = {column("date", "Date"),
                      column("number", "No.", true),
                      column("start", "Start time"),
                      column("end", "End time"),
                      column("seconds", "Time Online", true),
                      column("cost", "Cost", true),
                      column("downloaded", "Download", true),
                      column("uploaded", "Upload", true),
                      column("connection", "Connection")};
    Sums total;
    const QList<SessionDay> days = ReadSessionDays(ctx.store, ctx.login.CurrentUser, range.first, range.last);
    for (const SessionDay &day : days) {
        for (int k = 1; k <= day.sessions.size(); ++k) {
            const SessionRecord &record = day.sessions[k - 1];
            const DateTime start = startMoment(record, day.day);
            const DateTime end = endMoment(record, start);
            const qint64 seconds = whole(record.timeOnline);
            const double cost = sane(record.cost);
            const qint64 down = whole(record.totalDownloaded);
            const qint64 up = whole(record.totalUploaded);
            report.rows.append(Row{dateCell(day.day),
                                   countCell(k),
                                   Cell{FormatClockTime(start), isoMoment(start)},
                                   Cell{FormatClockTime(end), isoMoment(end)},
                                   secondsCell(seconds),
                                   Cell{FormatSessionMoney(ctx, cost), cost},
                                   bytesCell(down),
                                   bytesCell(up),
                                   textCell(SessionHistoryModel::displayConnection(record.connection.value_or(QString())))});
            ++total.sessions;
            total.seconds += seconds;
            total.cost += cost;
            total.downloaded += down;
            total.uploaded += up;
        }
    }
    report.footer.append(Row{textCell(QStringLiteral("Total")), countCell(total.sessions), Cell{}, Cell{},
                             secondsCell(total.seconds), moneyCell(ctx, total.cost), bytesCell(total.downloaded),
                             bytesCell(total.uploaded), Cell{}});
    report.json.insert(QStringLiteral("user"), login);
    report.json.insert(QStringLiteral("from"), isoDate(range.first));
    report.json.insert(QStringLiteral("to"), isoDate(range.last));
    report.json.insert(QStringLiteral("total"), sumsJson(total, true));
    report.jsonRowsKey = QStringLiteral("sessions");
    return report;
}

Report TotalsReport(AppContext &ctx, const QString &login)
{
    const DateTime today = ctx.clock.today();
    const int user = ctx.login.CurrentUser;
    // The account period as the program keeps its totals (which for a yearly
    // account may end a day later than the list's entry), without storing
    // its end as logging in does.
    const UserRecord record = ReadUserRecord(ctx.store, user);
    ctx.tariff.AccountType = AccountTypeStringToInteger(record.accountType);
    SelectedPeriod period = SelectPeriod(ctx, PeriodChoice{}, QStringLiteral("current"));
    const DateTime start = AccountPeriodStartOn(ctx.tariff.AccountType, record.billDate, today);
    const DateTime end = NextAccountPeriodStart(ctx.tariff.AccountType, record.billDate, start);
    if (period.span.start != start || period.span.end != end) {
        period.text = QLocale().toString(QDateFromDateTime(start), QStringLiteral("dd MMM yy")) + QStringLiteral(" - ")
                    + QLocale().toString(QDateFromDateTime(end), QStringLiteral("dd MMM yy"));
        period.span = AccountPeriod{start, end};
    }
    // The same sums as the program's daily and account totals.
    const SessionTotals day = SumSessionDays(ctx.store, user, today, today + 1);
    const SessionTotals account = SumSessionDays(ctx.store, user, period.span.start, period.span.end);

    // Per connection, from the records as the account window lists them.
    QMap<QString, Sums> byConnection;
    QMap<QString, QString> shownName;
    const QList<SessionDay> days = ReadSessionDays(ctx.store, user, period.span.start, period.span.end - 1);
    for (const SessionDay &d : days) {
        for (const SessionRecord &record : d.sessions) {
            const QString name = SessionHistoryModel::displayConnection(record.connection.value_or(QString()));
            const QString sortKey = name.toCaseFolded() + QChar(0) + name;
            shownName.insert(sortKey, name);
            Sums &s = byConnection[sortKey];
            ++s.sessions;
            s.seconds += whole(record.timeOnline);
            s.cost += sane(record.cost);
            s.downloaded += whole(record.totalDownloaded);
        }
    }

    const DateTime lastDay = period.span.end - 1;
    Report report;
    report.heading.append(QStringLiteral("Totals of %1 on %2, %3").arg(login, FormatShortDate(today), period.text));
    report.columns = {column("scope", "Totals"),
                      column("connection", "Connection"),
                      column("from", "From"),
                      column("to", "To"),
                      column("sessions", "Sessions", true),
                      column("seconds", "Time Online", true),
                      column("cost", "Cost", true),
                      column("downloaded", "Download", true)};
    const auto row = [&](const QString &scopeText, const QString &scope, const QString &connection, DateTime from,
                         DateTime to, qint64 sessions, qint64 seconds, double cost, qint64 downloaded) {
        report.rows.append(Row{Cell{scopeText, scope}, connection.isEmpty() ? Cell{} : textCell(connection),
                               dateCell(from), dateCell(to), countCell(sessions), secondsCell(seconds),
                               moneyCell(ctx, cost), bytesCell(downloaded)});
    };
    row(QStringLiteral("Today"), QStringLiteral("today"), QString(), today, today, day.sessions, day.seconds, day.cost,
        day.downloaded);
    row(QStringLiteral("This ") + unitWordOf(ctx.tariff.AccountType), QStringLiteral("period"), QString(),
        period.span.start, lastDay, account.sessions, account.seconds, account.cost, account.downloaded);
    for (auto it = byConnection.cbegin(); it != byConnection.cend(); ++it) {
        row(QStringLiteral("Connection"), QStringLiteral("connection"), shownName.value(it.key()), period.span.start,
            lastDay, it->sessions, it->seconds, it->cost, it->downloaded);
    }
    report.json.insert(QStringLiteral("user"), login);
    report.json.insert(QStringLiteral("today"), isoDate(today));
    report.json.insert(QStringLiteral("period"), QJsonObject{{QStringLiteral("number"), period.entry},
                                                             {QStringLiteral("text"), period.text},
                                                             {QStringLiteral("from"), isoDate(period.span.start)},
                                                             {QStringLiteral("to"), isoDate(lastDay)}});
    report.jsonRowsKey = QStringLiteral("totals");
    return report;
}

Report BillReport(AppContext &ctx, const QString &login, const SelectedPeriod &period)
{
    const AccountPeriodList list = FillAccountComboBox(ctx);
    const BillStatistics shown = ShowBillStatistics(ctx, list, period.entry);
    const DateTime lastDay = period.span.end - 1;
    const QString unit = unitWordOf(ctx.tariff.AccountType);

    Report report;
    report.heading.append(QStringLiteral("Bill of %1, %2").arg(login, period.text));
    report.lines = {period.entry == 0 ? QStringLiteral("Statistics for all %1s are shown below :").arg(unit)
                                      : QStringLiteral("Statistics for this %1 are shown below :").arg(unit),
                    QStringLiteral("Number of connections : %1").arg(shown.connections),
                    QStringLiteral("Total time online : %1").arg(OnlineIntegerToString(shown.seconds)),
                    QStringLiteral("Total cost : %1").arg(FormatMoney(ctx, shown.cost))};
    report.columns = {column("period", "Period"),      column("from", "From"),
                      column("to", "To"),              column("connections", "Connections", true),
                      column("seconds", "Time Online", true), column("cost", "Cost", true)};
    report.rows.append(Row{Cell{period.text, period.entry == 0 ? QVariant(QStringLiteral("all")) : QVariant(qint64(period.entry))},
                           dateCell(period.span.start), dateCell(lastDay), countCell(shown.connections),
                           secondsCell(shown.seconds), moneyCell(ctx, shown.cost)});
    report.json = QJsonObject{{QStringLiteral("user"), login},
                              {QStringLiteral("period"), period.entry == 0 ? QJsonValue(QStringLiteral("all"))
                                                                           : QJsonValue(period.entry)},
                              {QStringLiteral("text"), period.text},
                              {QStringLiteral("from"), isoDate(period.span.start)},
                              {QStringLiteral("to"), isoDate(lastDay)},
                              {QStringLiteral("connections"), shown.connections},
                              {QStringLiteral("seconds"), shown.seconds},
                              {QStringLiteral("cost"), tidySum(shown.cost)}};
    return report;
}

} // namespace cli

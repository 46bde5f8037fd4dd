#include "tariff/AccountPeriods.h"

#include "core/AppContext.h"
#include "session/DesktopNotices.h"
#include "store/Store.h"
#include "store/FloatText.h"
#include "store/SessionDaySummary.h"
#include "tariff/Formatting.h"
#include "users/UserRecord.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The day-of-period number a weekly or monthly "Bill Date" gives; a text
// that is not a number in range counts as 1 (a damaged record must not stop
// the period check, which runs on every tick).
int billDay(const QString &text, int highest)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > highest)
        return 1;
    return value;
}

// Day and month of a quarterly or yearly "Bill Date" (a date as float text;
// the year is not used). A text that is not a date gives 1 January.
QDate billDayAndMonth(const QString &text)
{
    double value = 0;
    if (TryStoreTextToFloat(text, value) && std::fabs(value) < 3.0e6) {
        const QDate date = QDateFromDateTime(value);
        if (date.isValid())
            return date;
    }
    return QDate(2000, 1, 1);
}

DateTime dateOf(int year, int month, int day)
{
    return DateTimeFromQDate(QDate(year, month, qMin(day, DaysPerMonth(month, year))));
}

// Month arithmetic on (year, month) pairs.
void addMonths(int &year, int &month, int delta)
{
    int index = year * 12 + (month - 1) + delta;
    year = index / 12;
    month = index % 12 + 1;
}

// A stored "CUSTOM" type has no period rule of its own; it runs monthly.
int periodRule(int code)
{
    return code == AccountCustom ? AccountMonthly : code;
}

} // namespace

int AccountTypeStringToInteger(const QString &text)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("WEEKLY"))
        return AccountWeekly;
    if (upper == QLatin1String("MONTHLY"))
        return AccountMonthly;
    if (upper == QLatin1String("QUARTERLY"))
        return AccountQuarterly;
    if (upper == QLatin1String("YEARLY"))
        return AccountYearly;
    if (upper == QLatin1String("CUSTOM"))
        return AccountCustom;
    return AccountWeekly;
}

int DaysPerMonth(int month, int year)
{
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && isLeapYear(year))
        return 29;
    return lengths[month - 1];
}

DateTime AccountPeriodStartOn(int accountType, const QString &billDate, DateTime day)
{
    day = DateOf(day);
    const QDate date = QDateFromDateTime(day);
    const int d = date.day();
    int m = date.month();
    int y = date.year();

    switch (periodRule(accountType)) {
    case AccountWeekly: {
        const int b = billDay(billDate, 7);
        DateTime base = day;
        if (IsoDayOfWeek(day) < b)
            base -= 7;
        return base - IsoDayOfWeek(base) + b;
    }
    case AccountMonthly: {
        const int q = billDay(billDate, 31);
        if (d < qMin(q, DaysPerMonth(m, y)))
            addMonths(y, m, -1);
        return dateOf(y, m, q);
    }
    case AccountQuarterly: {
        const QDate bill = billDayAndMonth(billDate);
        int startMonth = ((m - 1) / 3) * 3 + 1 + (bill.month() - 1) % 3;
        int startYear = y;
        DateTime start = dateOf(startYear, startMonth, bill.day());
        if (day < start) {
            addMonths(startYear, startMonth, -3);
            start = dateOf(startYear, startMonth, bill.day());
        }
        return start;
    }
    case AccountYearly: {
        const QDate bill = billDayAndMonth(billDate);
        DateTime start = dateOf(y, bill.month(), bill.day());
        if (start > day)
            start = dateOf(y - 1, bill.month(), bill.day());
        return start;
    }
    }
    return day;
}

DateTime NextAccountPeriodStart(int accountType, const QString &billDate, DateTime start)
{
    const QDate startDate = QDateFromDateTime(start);
    int y = startDate.year();
    int m = startDate.month();
    switch (periodRule(accountType)) {
    case AccountWeekly:
        return start + 7;
    case AccountMonthly:
        addMonths(y, m, 1);
        return dateOf(y, m, billDay(billDate, 31));
    case AccountQuarterly:
        addMonths(y, m, 3);
        return dateOf(y, m, billDayAndMonth(billDate).day());
    case AccountYearly:
        return start + (isLeapYear(y) ? 366 : 365);
    }
    return start;
}

DateTime CalculateAccountStartDate(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateAccountStartDate");
    const UserRecord user = ReadUserRecord(ctx.store, ctx.login.CurrentUser);
    const int code = AccountTypeStringToInteger(user.accountType);
    ctx.tariff.AccountType = code;
    return AccountPeriodStartOn(code, user.billDate, ctx.clock.today());
}

DateTime CalculateEndAccountDate(AppContext &ctx, DateTime start)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateEndAccountDate");
    const UserRecord user = ReadUserRecord(ctx.store, ctx.login.CurrentUser);
    const DateTime end = NextAccountPeriodStart(AccountTypeStringToInteger(user.accountType), user.billDate, start);
    if (ctx.login.LoggedIn) {
        UserRecord ending;
        ending.endAccountDate = end;
        WriteUserRecord(ctx.store, ctx.login.CurrentUser, ending, UserEndAccountDate);
    }
    return end;
}

namespace {

AccountTotals accountTotalsOf(const PricingState &p, DateTime start, DateTime end)
{
    AccountTotals totals;
    totals.start = start;
    totals.end = end;
    totals.sessions = p.AccountSessions;
    totals.seconds = p.AccountSeconds;
    totals.cost = p.AccountCost;
    totals.downloaded = p.AccountDownloaded;
    return totals;
}

} // namespace

void CalculateAccountTotals(AppContext &ctx, DateTime end, DateTime start)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateAccountTotals");
    PricingState &p = ctx.pricing;
    p.AccountSessions = 0;
    p.AccountCost = 0;
    p.AccountSeconds = 0;
    p.AccountDownloaded = 0;
    // The per-day totals beside the tree: one query, however long the period.
    const SessionTotals t = SumSessionDays(ctx.store, ctx.login.CurrentUser, start, end);
    // Damaged counts can add up past what the shared count holds.
    p.AccountSessions = int(std::min<qint64>(t.sessions, std::numeric_limits<int>::max()));
    p.AccountSeconds = t.seconds;
    p.AccountCost = t.cost;
    p.AccountDownloaded = t.downloaded;
    Q_EMIT ctx.events.accountTotalsChanged(accountTotalsOf(p, start, end));
}

void CalculateDailyTotals(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateDailyTotals");
    const DateTime today = ctx.clock.today();
    const SessionTotals t = SumSessionDays(ctx.store, ctx.login.CurrentUser, today, today + 1);
    ctx.pricing.DailyCost = t.cost;
    ctx.pricing.DailySeconds = t.seconds;
    ctx.pricing.DailyDownloaded = t.downloaded;
}

void CheckEndOfAccountPeriod(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckEndOfAccountPeriod");
    if (ctx.tariff.AccountPeriodCheckRunning)
        return;
    struct Running {
        bool &flag;
        explicit Running(bool &f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(ctx.tariff.AccountPeriodCheckRunning);

    if (ctx.tariff.AccountCheckDay.today(ctx.clock) < ctx.tariff.AccountEndDate)
        return;
    if (ctx.settings.DisplayBillWindow)
        ctx.ui.showWindow(UiWindow::EndOfPeriodBill);
    const DateTime start = CalculateAccountStartDate(ctx);
    const DateTime end = CalculateEndAccountDate(ctx, start);
    ctx.tariff.AccountStartDate = start;
    ctx.tariff.AccountEndDate = end;
    CalculateAccountTotals(ctx, end, start);
    NotifyNewAccountPeriod(ctx, start, end);
    Q_EMIT ctx.events.accountPeriodRolledOver(accountTotalsOf(ctx.pricing, start, end));
}

QString OnlineIntegerToString(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 rest = seconds - 3600 * hours;
    const qint64 minutes = rest / 60;
    const qint64 secs = rest - 60 * minutes;
    return QString::asprintf("%.2lld:%.2lld:%.2lld", static_cast<long long>(hours), static_cast<long long>(minutes),
                             static_cast<long long>(secs));
}

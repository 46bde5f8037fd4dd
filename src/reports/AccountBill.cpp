#include "reports/AccountBill.h"
#include "tariff/Ordinal.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "core/SessionSnapshot.h"
#include "store/FloatText.h"
#include "store/SessionDaySummary.h"
#include "tariff/AccountPeriods.h"
#include "users/UserRecord.h"

#include <QPair>

namespace {

int numberOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

BillStatistics ShowBillStatistics(AppContext &ctx, const AccountPeriodList &periods, int entry)
{
    PROCEDURE_GUARD(ctx, "Bill", "AccountComboBoxChange");
    BillStatistics shown;
    if (!ctx.login.LoggedIn)
        return shown;
    if (entry >= 0 && entry < periods.periods.size()) {
        const AccountPeriod span = periods.periods[entry];
        // Summed on their own, so that no past period's figures go out as
        // the account's totals, even for a moment.
        const SessionTotals t = SumSessionDays(ctx.store, ctx.login.CurrentUser, span.start, span.end);
        shown.connections = t.sessions;
        shown.seconds = t.seconds;
        shown.cost = t.cost;
    }
    CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);
    return shown;
}

QString PeriodUnitWord(int accountType)
{
    switch (accountType) {
    case AccountWeekly: return QStringLiteral("week");
    case AccountMonthly: return QStringLiteral("month");
    case AccountQuarterly: return QStringLiteral("quarter");
    case AccountYearly: return QStringLiteral("year");
    default: return QString();
    }
}

QStringList BillDateChoices(int accountType)
{
    QStringList choices;
    if (accountType == AccountWeekly) {
        choices = {QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"), QStringLiteral("Thu"),
                   QStringLiteral("Fri"), QStringLiteral("Sat"), QStringLiteral("Sun")};
    } else if (accountType == AccountMonthly) {
        for (int day = 1; day <= 31; ++day)
            choices.append(Ordinal(day));
    }
    return choices;
}

int BillDateChoiceOf(int accountType, const QString &billDate)
{
    const int count = int(BillDateChoices(accountType).size());
    const int entry = numberOr(billDate, 0) - 1;
    return entry >= 0 && entry < count ? entry : -1;
}

QPair<QString, QString> BillDateDayMonth(const QString &billDate)
{
    double number = 0;
    if (!TryStoreTextToFloat(billDate, number))
        number = 0;
    const QDate date = QDateFromDateTime(number);
    return {date.toString(QStringLiteral("dd")), date.toString(QStringLiteral("MM"))};
}

QString BillDateFromChoice(int entry)
{
    return QString::number(entry + 1);
}

std::optional<QString> BillDateFromDayMonth(const QString &day, const QString &month)
{
    const QDate date(1998, numberOr(month, 0), numberOr(day, 0));
    if (!date.isValid())
        return std::nullopt;
    return QString::number(qint64(DateTimeFromQDate(date)));
}

void ChangeBillDate(AppContext &ctx, const QString &billDate)
{
    PROCEDURE_GUARD(ctx, "Bill", "ComboBox1Click");
    if (!ctx.login.LoggedIn)
        return;
    UserRecord record;
    record.billDate = billDate;
    WriteUserRecord(ctx.store, ctx.login.CurrentUser, record, UserBillDate);
    const DateTime start = CalculateAccountStartDate(ctx);
    const DateTime end = CalculateEndAccountDate(ctx, start);
    ctx.tariff.AccountStartDate = start;
    ctx.tariff.AccountEndDate = end;
    CalculateAccountTotals(ctx, end, start);
    AccountTotals totals;
    totals.start = start;
    totals.end = end;
    totals.sessions = ctx.pricing.AccountSessions;
    totals.seconds = ctx.pricing.AccountSeconds;
    totals.cost = ctx.pricing.AccountCost;
    totals.downloaded = ctx.pricing.AccountDownloaded;
    Q_EMIT ctx.events.accountPeriodRolledOver(totals);
}

QString TrimBillDateBox(const QString &text)
{
    return text.size() > 2 ? text.left(2) : text;
}

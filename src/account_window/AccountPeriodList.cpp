#include "account_window/AccountPeriodList.h"

#include "core/AppContext.h"
#include "platform/DialUpNetwork.h"
#include "tariff/AccountPeriods.h"
#include "users/UserRecord.h"

#include <QLocale>

namespace {

// Weekly from a missing (zero) creation date to today is some 6,600
// entries; this only stops a damaged date from running away.
constexpr int MostPeriods = 20000;

QString unitWord(int accountType)
{
    switch (accountType) {
    case AccountMonthly:
    case AccountCustom:
        return QStringLiteral("Month");
    case AccountQuarterly:
        return QStringLiteral("Quarter");
    case AccountYearly:
        return QStringLiteral("Year");
    default:
        return QStringLiteral("Week");
    }
}

QString periodDateText(DateTime day)
{
    return QLocale().toString(QDateFromDateTime(day), QStringLiteral("dd MMM yy"));
}

bool usableDay(DateTime day)
{
    return QDateFromDateTime(day).isValid() && day >= 0;
}

} // namespace

AccountPeriodList FillAccountComboBox(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Properties", "FillAccountComboBox");
    AccountPeriodList list;
    if (!ctx.login.LoggedIn)
        return list;
    const UserRecord user = ReadUserRecord(ctx.store, ctx.login.CurrentUser);
    const int type = AccountTypeStringToInteger(user.accountType);
    ctx.tariff.AccountType = type;
    const DateTime today = ctx.clock.today();
    DateTime created = DateOf(user.creationDate);
    if (!usableDay(created) || created > today)
        created = today;

    const QString unit = unitWord(type);
    list.texts.append(QStringLiteral("All ") + unit + QStringLiteral("s"));
    list.periods.append(AccountPeriod{});

    DateTime start = AccountPeriodStartOn(type, user.billDate, created);
    for (int k = 1; k <= MostPeriods; ++k) {
        // A yearly period runs to the next bill date, not start + 365/366:
        // the next start is the start of the period holding a day 366 days on.
        const DateTime end = type == AccountYearly ? AccountPeriodStartOn(type, user.billDate, start + 366)
                                                   : NextAccountPeriodStart(type, user.billDate, start);
        list.periods.append(AccountPeriod{start, end});
        list.texts.append(unit + QLatin1Char(' ') + QString::number(k) + QStringLiteral(" : ") + periodDateText(start)
                          + QStringLiteral(" - ") + periodDateText(end));
        // The last entry is the current period: the one holding today.
        if (end > today || end <= start)
            break;
        start = end;
    }
    list.periods[0] = AccountPeriod{list.periods[1].start, list.periods.last().end};
    if (list.texts.size() > 1)
        list.selected = int(list.texts.size()) - 1;
    return list;
}

QStringList IspFilterEntries(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Properties", "FillISPFilterComboBox");
    QStringList entries{QStringLiteral("All ISP's"), QStringLiteral("Default")};
    if (ctx.platform.dialUp)
        entries += ctx.platform.dialUp->entries();
    return entries;
}

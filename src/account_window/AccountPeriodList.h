#pragma once

#include "core/DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppContext;

// One account period, start <= day < end.
struct AccountPeriod {
    DateTime start = 0;
    DateTime end = 0;
};

// The period selector of the account, report and bill windows.
struct AccountPeriodList {
    QStringList texts;            // entry 0 "All Weeks"/"All Months"/..., then "Month 1 : 01 Jan 25 - 01 Feb 25" ...
    QList<AccountPeriod> periods; // periods[i] for texts[i]; periods[0] = start of entry 1 .. end of the last
    int selected = -1;            // the last entry when there is more than one, else -1
};

// Every account period of the logged-in user from the one holding the
// user's creation date to the one holding today (empty when nobody is
// logged in). Weekly, monthly and quarterly periods step as the account
// period does; yearly ones from one bill date to the next, so that twenty
// years of leap days do not walk the list off the calendar date. A
// "CUSTOM" account runs monthly.
AccountPeriodList FillAccountComboBox(AppContext &ctx);

// "All ISP's", "Default", then the dial-up entry names of ctx.platform.dialUp (none when null).
QStringList IspFilterEntries(AppContext &ctx);

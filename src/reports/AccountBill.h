#pragma once

#include "account_window/AccountPeriodList.h"

#include <QString>
#include <QPair>
#include <QStringList>
#include <optional>

struct AppContext;

// What the bill shows for one entry of its period list.
struct BillStatistics {
    qint64 connections = 0;
    qint64 seconds = 0;
    double cost = 0;
};

// The totals of the entry's span (entry 0 spans every period). The shared
// account totals are computed again for the current period afterwards, so
// that the monitor, the alarms and the status bar keep describing it.
BillStatistics ShowBillStatistics(AppContext &ctx, const AccountPeriodList &periods, int entry);

// "week", "month", "quarter", "year"; empty for a custom account.
QString PeriodUnitWord(int accountType);

// The bill-date list of a weekly ("Mon".."Sun") or monthly ("1st".."31st")
// account; empty for the others.
QStringList BillDateChoices(int accountType);
// The entry of that list the stored "Bill Date" selects; -1 for none.
int BillDateChoiceOf(int accountType, const QString &billDate);
// Day and month ("dd", "mm") of a quarterly or yearly "Bill Date" (a value
// that is not a number reads as day number 0, 30 December 1899).
QPair<QString, QString> BillDateDayMonth(const QString &billDate);

// The "Bill Date" text a weekly or monthly list entry stands for.
QString BillDateFromChoice(int entry);
// The "Bill Date" of a quarterly or yearly day and month: the day number of
// that day in 1998. Nothing when they make no date (a missing or
// non-numeric entry reads 0).
std::optional<QString> BillDateFromDayMonth(const QString &day, const QString &month);

// Stores the user's new "Bill Date" and moves the account onto the period
// it gives: start and end recomputed, totals summed again, and the account
// window told through the rolled-over event.
void ChangeBillDate(AppContext &ctx, const QString &billDate);

// The text of a two-character day or month box after an edit.
QString TrimBillDateBox(const QString &text);

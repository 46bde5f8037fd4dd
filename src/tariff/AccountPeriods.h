#pragma once

#include "core/DateTime.h"

#include <QString>

struct AppContext;

enum AccountTypeCode { AccountWeekly = 0, AccountMonthly = 1, AccountQuarterly = 2, AccountYearly = 3, AccountCustom = 4 };

// "WEEKLY" 0, "MONTHLY" 1, "QUARTERLY" 2, "YEARLY" 3, "CUSTOM" 4 (any letter
// case); anything else 0.
int AccountTypeStringToInteger(const QString &text);

// Length of a month in the Gregorian calendar.
int DaysPerMonth(int month, int year);

// The period rules on their own: the start of the period of an account
// type (code) and "Bill Date" that contains day, and the start of the
// period after the one that starts on start. "CUSTOM" runs monthly.
DateTime AccountPeriodStartOn(int accountType, const QString &billDate, DateTime day);
DateTime NextAccountPeriodStart(int accountType, const QString &billDate, DateTime start);

// Start of the current user's account period that contains today; sets
// ctx.tariff.AccountType. A "CUSTOM" account runs monthly.
DateTime CalculateAccountStartDate(AppContext &ctx);

// The day after the period that starts on start (the next period's start).
// Writes it as the user's "EndAccountDate" while a user is logged in.
DateTime CalculateEndAccountDate(AppContext &ctx, DateTime start);

// Sums the sessions filed under start <= day < end into the account totals
// (ctx.pricing.AccountSessions, AccountCost, AccountSeconds, AccountDownloaded).
void CalculateAccountTotals(AppContext &ctx, DateTime end, DateTime start);

// Sums today's sessions into ctx.pricing.DailyCost, DailySeconds, DailyDownloaded.
void CalculateDailyTotals(AppContext &ctx);

// At the end of the account period: shows the bill (when the setting asks
// for it), moves to the new period and recomputes its totals. Does nothing
// when called again while it runs (the bill is modal and ticks go on).
void CheckEndOfAccountPeriod(AppContext &ctx);

// Seconds as "hh:mm:ss" (hours may have more digits): 3725 -> "01:02:05".
QString OnlineIntegerToString(qint64 seconds);

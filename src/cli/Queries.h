#pragma once

#include "account_window/AccountPeriodList.h"
#include "cli/Report.h"
#include "core/DateTime.h"

#include <QString>
#include <optional>

struct AppContext;

namespace cli {

// A request that cannot be answered as asked (exit status 2).
struct UsageError {
    QString message;
};

// A user that the store does not have, or no way to choose one (exit status 5).
struct UnknownUserError {
    QString message;
};

// The user a query is about.
struct ChosenUser {
    int number = 0;
    QString login;
    QString reason;  // why it was chosen when nobody asked for it; empty when asked for
};

// The user named `login` (exactly as stored), or without a name the user
// logged in last, or else the only user.
ChosenUser ChooseUser(AppContext &ctx, const QString &login);

// Makes `user` the logged-in user of ctx, in memory only.
void ActAsLoggedIn(AppContext &ctx, const ChosenUser &user);

// "current", "previous", "all" or a period number as the account window
// numbers them (1 is the period holding the user's creation date).
struct PeriodChoice {
    enum class Kind { Current, Previous, All, Number } kind = Kind::Current;
    int number = 0;
};
std::optional<PeriodChoice> ParsePeriodChoice(const QString &text);

// One entry of the account window's period list.
struct SelectedPeriod {
    int entry = 0;       // 0: all periods
    QString text;        // as the list shows it
    AccountPeriod span;  // start <= day < end
};
// Throws UsageError for a period the user's list does not have.
SelectedPeriod SelectPeriod(AppContext &ctx, const PeriodChoice &choice, const QString &asWritten);

// Whole days, both included.
struct DayRange {
    DateTime first = 0;
    DateTime last = 0;
};

Report SessionsReport(AppContext &ctx, const QString &login, const QString &rangeText, DayRange range);
Report TotalsReport(AppContext &ctx, const QString &login);
Report BillReport(AppContext &ctx, const QString &login, const SelectedPeriod &period);

} // namespace cli

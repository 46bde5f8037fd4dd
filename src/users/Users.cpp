#include "users/Users.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "session/SessionLifecycle.h"
#include "store/FloatText.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "users/Passwords.h"
#include "users/UserRecord.h"

namespace {

QString loginNameOf(AppContext &ctx, int n)
{
    return ReadUserRecord(ctx.store, n).loginName;
}

bool isAdminName(const QString &name)
{
    return name.toUpper() == QLatin1String("ADMIN");
}

// A weekly or monthly bill date has to be a day number; anything else
// (empty, 0, a word) is put back to the first day of the period.
void repairBillDate(AppContext &ctx, int accountType, const QString &billDate)
{
    if (accountType != AccountWeekly && accountType != AccountMonthly)
        return;
    bool ok = false;
    const int day = billDate.trimmed().toInt(&ok);
    if (!ok || day == 0) {
        UserRecord repaired;
        repaired.billDate = QStringLiteral("1");
        WriteUserRecord(ctx.store, ctx.login.CurrentUser, repaired, UserBillDate);
    }
}

void menuChanged(AppContext &ctx)
{
    Q_EMIT ctx.events.menuStateChanged();
}

} // namespace

QStringList RestrictionLabels()
{
    return {
        QStringLiteral("Disable timezone editing"),
        QStringLiteral("Disable user editing"),
        QStringLiteral("Disable alarm editing"),
        QStringLiteral("Disable logon outside of timezones"),
        QStringLiteral("Disable session editing"),
        QStringLiteral("Disable session applications editing"),
        QStringLiteral("Disable manual session open & close"),
    };
}

bool RestrictionApplies(const AppContext &ctx, int bit)
{
    if ((ctx.login.Restrictions & bit) == 0)
        return false;
    return bit == DisableManualSessionOpenClose || !ctx.login.AdminSession;
}

QStringList UserLoginNames(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "UserLoginNames");
    QStringList names;
    for (int n = 1; n <= ctx.settings.NumberOfUsers; ++n)
        names.append(loginNameOf(ctx, n));
    return names;
}

void ShowLoginForm(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "ShowLoginForm");
    ctx.ui.showWindow(UiWindow::Login);
}

void LoginUser(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "LoginUser");
    LoginState &login = ctx.login;
    if (ctx.settings.NumberOfUsers == 0 || login.CurrentUser == 0) {
        ShowLoginForm(ctx);
        return;
    }

    // Read over what memory holds: a value missing from the record keeps it.
    UserRecord record;
    record.creationDate = login.CreationDate;
    record.restrictions = login.Restrictions;
    record.numberOfAlarms = login.NumberOfAlarms;
    record.numberOfPrograms = login.NumberOfPrograms;
    record.numberOfISPs = login.NumberOfISPs;
    record.currentTimeZoneISP = ctx.tariff.CurrentTimeZoneISP;
    ReadUserRecord(ctx.store, login.CurrentUser, record);
    login.CreationDate = record.creationDate;
    login.CurrentUserName = record.loginName;
    login.Restrictions = record.restrictions;
    login.NumberOfAlarms = record.numberOfAlarms;
    login.NumberOfPrograms = record.numberOfPrograms;
    login.NumberOfISPs = record.numberOfISPs;
    ctx.tariff.CurrentTimeZoneISP = record.currentTimeZoneISP;
    ctx.tariff.AccountType = AccountTypeStringToInteger(record.accountType);

    repairBillDate(ctx, ctx.tariff.AccountType, record.billDate);

    if (login.CurrentUserName.isEmpty()) {
        ctx.settings.PreviousUser = 0;
        // The record is not a usable account: leave nobody logged in rather
        // than the previous account under this user's number.
        login.LoggedIn = false;
        login.CurrentUser = 0;
        ShowLoginForm(ctx);
        return;
    }

    login.LoggedIn = true;
    ctx.tariff.AccountStartDate = CalculateAccountStartDate(ctx);
    ctx.tariff.AccountEndDate = CalculateEndAccountDate(ctx, ctx.tariff.AccountStartDate);

    ctx.shell.AutoDetectionEnabled = false;
    ToggleOnlineDetection(ctx);

    CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);

    TrayMenuState &menu = ctx.shell.Menu;
    menu.AutoDetectionItemEnabled = ctx.settings.AutoOpenSession;
    menu.CloseSessionEnabled = false;
    menu.OpenSessionEnabled = true;
    menu.SettingsEnabled = true;
    menu.LogOutEnabled = true;

    ctx.tariff.CurrentDayType = CalculateCurrentDay(ctx);
    CalculateDailyTotals(ctx);

    menu.AutoDetectionItemEnabled = (login.Restrictions & DisableTimezoneEditing) == 0;
    menuChanged(ctx);

    Q_EMIT ctx.events.userLoggedIn();

    CheckEndOfAccountPeriod(ctx);
}

void LogOutUser(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "LogOutUser");
    if (ctx.shell.SessionOpen) {
        ctx.ui.showMessage(MessageKind::Plain, QStringLiteral("You must close this session before logging out."));
        return;
    }
    ctx.login.LoggedIn = false;
    ctx.login.CurrentUser = 0;
    ctx.login.NumberOfAlarms = 0;
    Q_EMIT ctx.events.userLoggedOut();

    TrayMenuState &menu = ctx.shell.Menu;
    menu.LogOutEnabled = false;
    menu.AutoDetectionItemEnabled = false;
    menu.OpenSessionEnabled = false;
    menu.CloseSessionEnabled = false;
    menu.SettingsEnabled = false;
    menuChanged(ctx);
}

void StartUpLogon(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "StartUpLogon");
    const Settings &s = ctx.settings;
    LogOutUser(ctx);
    if (!s.AutoLogonLastUser || s.NumberOfUsers <= 0)
        return;
    ctx.login.AdminSession = s.PreviousUser == 1 && !s.AlwaysPromptPassword;
    if (s.AlwaysPromptPassword || s.PreviousUser == 0) {
        ShowLoginForm(ctx);
        return;
    }
    ctx.login.CurrentUser = s.PreviousUser;
    LoginUser(ctx);
}

void CheckRestrictions(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckRestrictions");
    ctx.shell.Menu.AutoDetectionItemEnabled = !RestrictionApplies(ctx, DisableTimezoneEditing);
    menuChanged(ctx);
    Q_EMIT ctx.events.restrictionsChanged();
}

bool SettingsUnlocked(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "SettingsUnlocked");
    if (ctx.settings.AdminSettingsLockOut && !isAdminName(ctx.login.CurrentUserName) && !ctx.login.AdminSession) {
        ctx.ui.showMessage(MessageKind::Information, QStringLiteral("Only the administrator can change settings!"));
        return false;
    }
    return true;
}

bool WizardUnlocked(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "WizardUnlocked");
    if (ctx.settings.AdminSettingsLockOut && !isAdminName(ctx.login.CurrentUserName)) {
        ctx.ui.showMessage(MessageKind::Information, QStringLiteral("Only the administrator can change settings!"));
        return false;
    }
    return true;
}

LoginResult LogInWithPassword(AppContext &ctx, const QString &name, const QString &password)
{
    PROCEDURE_GUARD(ctx, "Password", "Button1Click");
    if (ctx.settings.NumberOfUsers <= 0)
        return LoginResult::NoUsers;
    if (ctx.shell.SessionOpen) {
        ctx.ui.showMessage(MessageKind::Plain,
                           QStringLiteral("Please close this session before loging on as a different user"));
        return LoginResult::SessionOpen;
    }
    bool found = false;
    for (int n = 1; n <= ctx.settings.NumberOfUsers; ++n) {
        if (loginNameOf(ctx, n) != name)
            continue;
        found = true;
        if (VerifyUserPassword(ctx, n, password)) {
            ctx.settings.PreviousUser = n;
            ctx.login.CurrentUser = n;
            ctx.login.AdminSession = n == 1;
            LoginUser(ctx);
            return LoginResult::LoggedIn;
        }
        ctx.ui.showMessage(MessageKind::Information,
                           QStringLiteral("Password entered is incorrect for user ") + name + QLatin1Char('.'));
    }
    if (found)
        return LoginResult::Refused;
    ctx.ui.showMessage(MessageKind::Information,
                       QStringLiteral("User ") + name + QStringLiteral(" was not found in the database."));
    return LoginResult::NotFound;
}

bool SwitchUserAccount(AppContext &ctx, const QString &name)
{
    PROCEDURE_GUARD(ctx, "Properties", "UserNameComboClick");
    if (ctx.shell.SessionOpen) {
        ctx.ui.showMessage(MessageKind::Plain, QStringLiteral("Please close this session first."));
        return false;
    }
    for (int n = 1; n <= ctx.settings.NumberOfUsers; ++n) {
        if (loginNameOf(ctx, n) == name) {
            ctx.login.CurrentUser = n;
            LoginUser(ctx);
            return true;
        }
    }
    ctx.ui.showMessage(MessageKind::Information,
                       QStringLiteral("User ") + name + QStringLiteral(" was not found in the database."));
    return false;
}

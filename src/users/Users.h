#pragma once

#include <QString>
#include <QStringList>

struct AppContext;

// Restriction bits of a user's "Restrictions" value.
enum RestrictionBit {
    DisableTimezoneEditing = 1,
    DisableUserEditing = 2,
    DisableAlarmEditing = 4,
    DisableLogonOutsideTimezones = 8,
    DisableSessionEditing = 16,
    DisableSessionApplicationsEditing = 32,
    DisableManualSessionOpenClose = 64,
};

// The labels of the seven bits in bit order, as the user editor lists them.
QStringList RestrictionLabels();

// Whether a restriction bit holds for the session logged in now. An
// administrator session is never restricted, except from opening and
// closing sessions by hand.
bool RestrictionApplies(const AppContext &ctx, int bit);

// "Login Name" of users 1..NumberOfUsers in record order.
QStringList UserLoginNames(AppContext &ctx);

// Raises the login dialog through the Ui.
void ShowLoginForm(AppContext &ctx);

// Makes user ctx.login.CurrentUser the current account (the caller sets it
// first): copies the record's counters, restrictions, account type and
// creation date into memory, repairs a weekly or monthly "Bill Date" that
// is not a whole number above 0, computes the account period and totals
// and today's totals, switches automatic online detection on and sets the
// tray menu. Without users, or with CurrentUser 0, only shows the login
// dialog; so does a record without a login name (nobody is then logged in).
void LoginUser(AppContext &ctx);

// Ends the login; refused with a message while a session is open.
// CurrentUserName, AdminSession and PreviousUser stay as they were.
void LogOutUser(AppContext &ctx);

// The log-in step of start-up: everybody logged out, then the previous
// user logged in again without a password, or the login dialog, as the
// settings "AutoLogonLastUser" and "AlwaysPromptPassword" say.
void StartUpLogon(AppContext &ctx);

// Applies the restrictions in force to the tray menu and tells the windows
// to apply theirs (restrictionsChanged).
void CheckRestrictions(AppContext &ctx);

// The settings lock: true when the settings dialog may open now. When it
// may not, the user is told "Only the administrator can change settings!".
// The tray's and the account window's settings commands ask this first.
bool SettingsUnlocked(AppContext &ctx);
// The same lock for the setup wizard, on the login name alone.
bool WizardUnlocked(AppContext &ctx);

// What the login dialog's OK button came to.
enum class LoginResult {
    LoggedIn,
    NoUsers,        // nothing to log in to; nothing was shown
    SessionOpen,    // refused: a session is open
    Refused,        // every record of that name refused the password
    NotFound,       // no record has that login name
};

// The login dialog's OK: tries every record whose login name equals name
// exactly, in record order, and logs in the first whose password matches
// (a plain stored password is replaced by its hash then). Each record of
// that name whose password differs is reported. A dialog login remembers
// the user in PreviousUser and is an administrator session for user 1.
LoginResult LogInWithPassword(AppContext &ctx, const QString &name, const QString &password);

// The administrator's "User account to access :" list: makes the first
// user whose login name equals name the current account, without a
// password, keeping the administrator session. False when refused (a
// session is open) or when no user has that name; the list then goes back
// to the current user.
bool SwitchUserAccount(AppContext &ctx, const QString &name);

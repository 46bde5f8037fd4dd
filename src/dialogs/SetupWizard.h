#pragma once

#include "core/Ui.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>

struct AppContext;
struct Settings;

// The setup wizard's engine: its pages, the checks made when leaving one,
// the bill-date rows, the reminder boxes and the finishing steps. The
// window (TWizardForm) only shows these and collects WizardAnswers.

enum WizardPage {
    WelcomePage = 0,
    UserPage1 = 1,
    UserPage2 = 2,   // the administrator
    UserPage3 = 3,   // the first ordinary user (multiple users only)
    PresetPage = 4,
    IspPage = 5,
    AlarmPage = 6,
    SecurityPage = 7,
    FinishedPage = 8,
};
constexpr int WizardPageCount = 9;

// Page titles, in page order.
QString WizardPageTitle(int page);

// The account types of the lists, in list order (the list position is the code).
QStringList AccountTypeNames();
constexpr int MonthlyAccountType = 1;

// The bill-date row of an account type as it is rebuilt on every change.
struct BillDateRow {
    bool listShown = false;     // Weekly and Monthly pick from a list ...
    QStringList items;
    int selected = -1;
    bool dayMonthShown = false;  // ... Quarterly and Yearly type a day and month
    QString day;                 // today's "dd" and "mm"
    QString month;
    QString ofEach;              // "of each " while the list is shown
    QString period;              // "week" or "month"
};
BillDateRow WizardBillDateRow(int accountType, const QDate &today);

// The bill date text of an account type: the list position + 1 for Weekly
// and Monthly, the date day/month/1998 as float text for Quarterly and
// Yearly. Empty when the typed day and month are no date of 1998.
QString WizardBillDate(int accountType, int listIndex, const QString &day, const QString &month);

// Hours and minutes boxes: clamped to 0..23 and 0..59, two digits.
QString ClampHoursText(const QString &text);
QString ClampMinutesText(const QString &text);
// The cost box on leaving: "%5.4f" of its value (0 when it is not a
// number), cut to five characters.
QString CostBoxText(const QString &text);
constexpr int CostBoxLength = 5;

// The six security rows in row order: caption and the setting they carry.
QStringList SecurityRowCaptions();
std::array<bool, 6> SecurityRowsFromSettings(const Settings &settings);
void ApplySecurityRows(Settings &settings, const std::array<bool, 6> &rows);

// Everything the pages collect.
struct WizardAnswers {
    bool singleUser = true;
    bool adminOnlySettings = true;

    QString adminPassword, adminConfirm;
    int adminAccountType = MonthlyAccountType;
    int adminBillIndex = 0;
    QString adminDay, adminMonth;

    QString userLogin;
    QString userPassword, userConfirm;
    int userAccountType = MonthlyAccountType;
    int userBillIndex = 0;
    QString userDay, userMonth;

    QString preset;  // empty: none chosen
    QList<std::pair<QString, QString>> isps;  // dial-up connection, preset

    bool onlineReminder = false;
    QString onlineHours = QStringLiteral("00"), onlineMinutes = QStringLiteral("00");
    bool onlineHangUp = false;
    bool costReminder = false;
    QString cost = QStringLiteral("00.00");
    bool costHangUp = false;

    std::array<bool, 6> security{};
};

// What "&Next >" found on a page: a message to show (or none) and whether
// the wizard moves on.
struct PageCheck {
    bool proceed = true;
    std::optional<MessageKind> kind;
    QString message;
};
PageCheck CheckWizardPage(int page, const WizardAnswers &answers);

// The page "&Next >" and "< &Back" lead to; single-user mode skips page 3.
int NextWizardPage(int page, bool singleUser);
int PreviousWizardPage(int page, bool singleUser);

// What "&Cancel" does on a page: on a first run (no users) pages 0 to 7
// ask whether to end the program; otherwise page 0 closes at once, pages 1
// to 7 ask whether to quit, and page 8 finishes.
enum class WizardCancel { CloseNow, AskFirstRun, AskQuit, Finish };
WizardCancel WizardCancelAction(int page, int numberOfUsers);

// The wizard's texts that are asked or told.
QString FirstRunCancelText();
QString QuitWizardText();
QString DuplicateConnectionText();
QString NoConnectionPresetText();

// The finishing steps, in order: administrator, settings lock, first user,
// presets of ISP 1 and of the added ISPs, the two reminders, security
// settings and the settings record, then the login. False (with the
// warning shown and nothing written) when the administrator's bill date is
// invalid.
bool FinishSetupWizard(AppContext &ctx, const WizardAnswers &answers);

// After the wizard has closed: user 1 is the previous user; the login
// dialog when nobody is logged in, then the account window for whoever is.
void AfterSetupWizard(AppContext &ctx);

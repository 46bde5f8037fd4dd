#include "dialogs/SetupWizard.h"
#include "tariff/Ordinal.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "store/FloatText.h"
#include "store/SettingsRecord.h"
#include "alarms/AlarmRecord.h"
#include "tariff/IspRecord.h"
#include "tariff/TariffKeys.h"
#include "tariff/TimeZonePresets.h"
#include "users/UserAccounts.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QLocale>
#include <QScopeGuard>

#include <algorithm>

namespace {

constexpr int QuarterlyAccountType = 2;
constexpr int YearlyAccountType = 3;
constexpr int WeeklyAccountType = 0;
constexpr int MaxAlarms = 255;
constexpr int DisableUserEditingRestriction = 2;

QString clampText(const QString &text, int high)
{
    bool ok = false;
    const int value = std::clamp(text.trimmed().toInt(&ok), 0, high);
    return QStringLiteral("%1").arg(ok ? value : 0, 2, 10, QLatin1Char('0'));
}

PageCheck refuse(MessageKind kind, const QString &message)
{
    return {false, kind, message};
}

const QString PasswordsDiffer = QStringLiteral("Passwords do not match, please re-enter.");
const QString BillDateInvalid = QStringLiteral("Bill date entered is invalid.");

struct Reminder {
    int alarmType;
    bool hangUp;
};

void appendReminders(AppContext &ctx, int user, const WizardAnswers &a)
{
    QList<Reminder> reminders;
    if (a.onlineReminder)
        reminders.append({0, a.onlineHangUp});
    if (a.costReminder)
        reminders.append({1, a.costHangUp});
    if (reminders.isEmpty())
        return;
    UserRecord counts = ReadUserRecord(ctx.store, user);
    const int allowance = ClampHoursText(a.onlineHours).toInt() * 60 + ClampMinutesText(a.onlineMinutes).toInt();
    for (const Reminder &r : reminders) {
        // The alarm checker keeps one fire counter per alarm, 255 at most.
        if (counts.numberOfAlarms >= MaxAlarms)
            break;
        ++counts.numberOfAlarms;
        AlarmRecord alarm;
        alarm.AlarmType = r.alarmType;
        alarm.UseTimeZone = 0;
        alarm.Days = 255;
        alarm.StartTime = 0;
        alarm.EndTime = 0;
        alarm.HangUpPhone = r.hangUp ? 1 : 0;
        alarm.AllowanceTime = allowance;
        alarm.TotalCost = a.cost;
        alarm.AlarmWaveFile = ctx.startup.programDirectory + QStringLiteral("Uh oh.wav");
        // What a reminder does not say is left unwritten, as it always was.
        WriteAlarmRecord(ctx.store, user, counts.numberOfAlarms, alarm,
                         AlarmTypeValue | AlarmUseTimeZoneValue | AlarmDaysValue | AlarmStartTimeValue
                             | AlarmEndTimeValue | AlarmHangUpPhoneValue | AlarmAllowanceTimeValue
                             | AlarmTotalCostValue | AlarmWaveFileValue);
        WriteUserRecord(ctx.store, user, counts, UserNumberOfAlarms);
    }
}

} // namespace

QString WizardPageTitle(int page)
{
    static const QStringList titles = {
        QStringLiteral("Tallyline Setup Wizard"), QStringLiteral("User information - 1"),
        QStringLiteral("User information - 2"),   QStringLiteral("User information - 3"),
        QStringLiteral("Phone charges"),          QStringLiteral("ISP's (Dial-Up)"),
        QStringLiteral("Online alarms"),          QStringLiteral("Security Options"),
        QStringLiteral("Setup wizard finished!"),
    };
    return page >= 0 && page < titles.size() ? titles[page] : QString();
}

QStringList AccountTypeNames()
{
    return {QStringLiteral("Weekly"), QStringLiteral("Monthly"), QStringLiteral("Quarterly"), QStringLiteral("Yearly")};
}

BillDateRow WizardBillDateRow(int accountType, const QDate &today)
{
    BillDateRow row;
    row.day = today.toString(QStringLiteral("dd"));
    row.month = today.toString(QStringLiteral("MM"));
    if (accountType == WeeklyAccountType) {
        for (int day = 1; day <= 7; ++day)
            row.items.append(TariffKeys::dayTypeName(day));
        row.selected = today.dayOfWeek() - 1;
        row.period = QStringLiteral("week");
    } else if (accountType == MonthlyAccountType) {
        for (int day = 1; day <= 31; ++day)
            row.items.append(Ordinal(day));
        row.selected = today.day() - 1;
        row.period = QStringLiteral("month");
    } else {
        row.dayMonthShown = true;
        return row;
    }
    row.listShown = true;
    row.ofEach = QStringLiteral("of each ");
    return row;
}

QString WizardBillDate(int accountType, int listIndex, const QString &day, const QString &month)
{
    if (accountType != QuarterlyAccountType && accountType != YearlyAccountType)
        return QString::number(std::max(listIndex, 0) + 1);
    bool dayOk = false;
    bool monthOk = false;
    const QDate date(1998, month.trimmed().toInt(&monthOk), day.trimmed().toInt(&dayOk));
    if (!dayOk || !monthOk || !date.isValid())
        return QString();
    return FloatToStoreText(DateTimeFromQDate(date));
}

QString ClampHoursText(const QString &text)
{
    return clampText(text, 23);
}

QString ClampMinutesText(const QString &text)
{
    return clampText(text, 59);
}

QString CostBoxText(const QString &text)
{
    QString formatted = QString::asprintf("%5.4f", SafeStrToFloat(text.trimmed()));
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        formatted.replace(QLatin1Char('.'), point);
    return formatted.left(CostBoxLength);
}

QStringList SecurityRowCaptions()
{
    return {
        QStringLiteral("Disconnect internet connection on exit"),
        QStringLiteral("Allow tallyline to be exited"),
        QStringLiteral("Disable dial-up access until user login"),
        QStringLiteral("Always prompt for user password"),
        QStringLiteral("Don't backup database as a reg file on exit"),
        QStringLiteral("Prevent system clock tampering"),
    };
}

std::array<bool, 6> SecurityRowsFromSettings(const Settings &s)
{
    return {s.DisconnectOnExit, s.AllowToBeExited, s.DisableDialUp,
            s.AlwaysPromptPassword, s.DontBackupDatabase, s.CheckClockTamper};
}

void ApplySecurityRows(Settings &s, const std::array<bool, 6> &rows)
{
    s.DisconnectOnExit = rows[0];
    s.AllowToBeExited = rows[1];
    s.DisableDialUp = rows[2];
    s.AlwaysPromptPassword = rows[3];
    s.DontBackupDatabase = rows[4];
    s.CheckClockTamper = rows[5];
}

PageCheck CheckWizardPage(int page, const WizardAnswers &a)
{
    switch (page) {
    case UserPage2:
        if (a.adminPassword != a.adminConfirm)
            return refuse(MessageKind::Information, PasswordsDiffer);
        if (WizardBillDate(a.adminAccountType, a.adminBillIndex, a.adminDay, a.adminMonth).isEmpty())
            return refuse(MessageKind::Warning, BillDateInvalid);
        break;
    case UserPage3:
        if (a.userPassword != a.userConfirm)
            return refuse(MessageKind::Information, PasswordsDiffer);
        if (a.userLogin.isEmpty())
            return refuse(MessageKind::Information, QStringLiteral("You must enter a login name."));
        if (WizardBillDate(a.userAccountType, a.userBillIndex, a.userDay, a.userMonth).isEmpty())
            return refuse(MessageKind::Warning, BillDateInvalid);
        break;
    case PresetPage:
        if (a.preset.isEmpty())
            return {true, MessageKind::Information,
                    QStringLiteral("You have not chosen any timezone presets, you will need to manually define them "
                                   "if your phone company was'nt in the list.")};
        break;
    case AlarmPage:
        if (a.onlineReminder && ClampHoursText(a.onlineHours) == QLatin1String("00")
            && ClampMinutesText(a.onlineMinutes) == QLatin1String("00"))
            return refuse(MessageKind::Information, QStringLiteral("00:00 is an invalid online time limit."));
        if (a.costReminder && SafeStrToFloat(a.cost.trimmed()) == 0)
            return refuse(MessageKind::Information, QStringLiteral("0 is an invalid session cost limit."));
        break;
    default:
        break;
    }
    return {};
}

int NextWizardPage(int page, bool singleUser)
{
    if (page == UserPage2 && singleUser)
        return PresetPage;
    return std::min(page + 1, int(FinishedPage));
}

int PreviousWizardPage(int page, bool singleUser)
{
    if (page == PresetPage && singleUser)
        return UserPage2;
    return std::max(page - 1, 0);
}

WizardCancel WizardCancelAction(int page, int numberOfUsers)
{
    if (page == FinishedPage)
        return WizardCancel::Finish;
    if (numberOfUsers == 0)
        return WizardCancel::AskFirstRun;
    return page == WelcomePage ? WizardCancel::CloseNow : WizardCancel::AskQuit;
}

QString FirstRunCancelText()
{
    return QStringLiteral("You have to complete the setup wizard when you first run Tallyline.\r"
                          "To continue with the setup wizard press OK, else press Cancel.");
}

QString QuitWizardText()
{
    return QStringLiteral("You haven't completed the setup wizard. Are you sure you want to quit?");
}

QString DuplicateConnectionText()
{
    return QStringLiteral(
        "That Dial-up connection is already added to the list. Please choose a different connection.");
}

QString NoConnectionPresetText()
{
    return QStringLiteral("Please select a time-zone preset to use with this connection, or press cancel.");
}

bool FinishSetupWizard(AppContext &ctx, const WizardAnswers &a)
{
    PROCEDURE_GUARD(ctx, "Wizard", "FinishSetupWizard");
    const QString adminBillDate = WizardBillDate(a.adminAccountType, a.adminBillIndex, a.adminDay, a.adminMonth);
    if (adminBillDate.isEmpty()) {
        ctx.ui.showMessage(MessageKind::Warning, BillDateInvalid);
        return false;
    }
    const QStringList types = AccountTypeNames();
    const bool wasOpen = ctx.tariff.SetupWizardOpen;
    ctx.tariff.SetupWizardOpen = true;
    const auto restore = qScopeGuard([&ctx, wasOpen] { ctx.tariff.SetupWizardOpen = wasOpen; });

    // One set-up or none: a store failure half way leaves the database, and
    // the settings in memory, as they were.
    const Settings settingsBefore = ctx.settings;
    auto restoreSettings = qScopeGuard([&ctx, &settingsBefore] { ctx.settings = settingsBefore; });
    Store::Transaction transaction(ctx.store);

    TUserInfo admin;
    admin.loginName = QStringLiteral("Admin");
    admin.realName = QStringLiteral("Admin");
    admin.password = a.adminPassword;
    admin.accountType = types.value(a.adminAccountType);
    admin.billDate = adminBillDate;
    admin.restrictions = 0;
    admin.userNumber = 1;
    admin.isEdit = ctx.settings.NumberOfUsers > 0;
    AddEditUser(ctx, admin);

    ctx.settings.AdminSettingsLockOut = a.adminOnlySettings;

    if (!a.singleUser) {
        TUserInfo user;
        user.loginName = a.userLogin;
        user.realName = a.userLogin;
        user.password = a.userPassword;
        user.accountType = types.value(a.userAccountType);
        user.billDate = WizardBillDate(a.userAccountType, a.userBillIndex, a.userDay, a.userMonth);
        user.restrictions = DisableUserEditingRestriction;
        user.isEdit = false;
        AddEditUser(ctx, user);
    }
    const int last = ctx.settings.NumberOfUsers;
    const QList<int> targets = last == 1 ? QList<int>{1} : QList<int>{1, last};

    if (!a.preset.isEmpty()) {
        ctx.tariff.CurrentTimeZoneISP = 1;
        ctx.currentPresetName = a.preset;
        for (int user : targets)
            LoadTimeZonePresets(ctx, a.preset + QLatin1String(PresetExtension), user, 1);
    }

    if (!a.isps.isEmpty()) {
        for (int r = 0; r < a.isps.size(); ++r) {
            const int isp = r + 2;
            const auto &[connection, preset] = a.isps[r];
            ctx.currentPresetName = preset;
            for (int user : targets) {
                IspRecord named;
                named.dialupName = connection;
                named.ispName = connection;
                WriteIspRecord(ctx.store, user, isp, named, IspDialupNameValue | IspNameValue);
                LoadTimeZonePresets(ctx, preset + QLatin1String(PresetExtension), user, isp);
            }
        }
        UserRecord counts;
        counts.numberOfISPs = int(a.isps.size()) + 1;
        for (int user : targets)
            WriteUserRecord(ctx.store, user, counts, UserNumberOfISPs);
        ctx.tariff.CurrentTimeZoneISP = 1;
    }

    appendReminders(ctx, 1, a);
    if (!a.singleUser && last != 1)
        appendReminders(ctx, last, a);

    ApplySecurityRows(ctx.settings, a.security);
    WriteSettingsToDatabase(ctx);
    transaction.commit();
    restoreSettings.dismiss();

    if (ctx.login.LoggedIn)
        Q_EMIT ctx.events.alarmListChanged();
    return true;
}

void AfterSetupWizard(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Wizard", "AfterSetupWizard");
    ctx.settings.PreviousUser = 1;
    if (!ctx.login.LoggedIn)
        ShowLoginForm(ctx);
    if (ctx.login.LoggedIn)
        ctx.ui.showWindow(UiWindow::AccountInformation);
}

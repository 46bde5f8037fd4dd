#include "users/UserList.h"

#include "alarms/AlarmRecord.h"
#include "core/AppContext.h"
#include "session/ProgramRecord.h"
#include "store/FloatText.h"
#include "store/SettingsRecord.h"
#include "store/Store.h"
#include "tariff/AccountPeriods.h"
#include "tariff/BandRecord.h"
#include "tariff/IspRecord.h"
#include "tariff/TariffKeys.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QDate>

#include <cmath>

// --- The list ---------------------------------------------------------------

int UserListModel::designWidth(int column)
{
    static const int widths[ColumnCount] = {145, 200, 110, 106};
    return column >= 0 && column < ColumnCount ? widths[column] : -1;
}

UserListModel::UserListModel(AppContext &ctx, QObject *parent) : QAbstractTableModel(parent), m_ctx(ctx) {}

void UserListModel::rebuild()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateUsersList");
    QList<Row> rows;
    if (m_ctx.login.LoggedIn) {
        for (int n = 1; n <= m_ctx.settings.NumberOfUsers; ++n) {
            const UserRecord user = ReadUserRecord(m_ctx.store, n);
            rows.append({user.loginName, user.realName, user.accountType, user.creationDate});
        }
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void UserListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString UserListModel::loginName(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].loginName : QString();
}

QString UserListModel::accountType(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].accountType : QString();
}

int UserListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UserListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UserListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows[index.row()];
    switch (index.column()) {
    case LoginName:
        return row.loginName;
    case RealName:
        return row.realName;
    case AccountType:
        return row.accountType;
    case CreationDate:
        return FormatShortDate(row.creationDate);
    }
    return {};
}

QVariant UserListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[ColumnCount] = {"User login name", "Real name", "Account type",
                                                      "Creation Date"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QLatin1String(captions[section]);
}

// --- Bill dates -------------------------------------------------------------

QStringList EditableAccountTypes()
{
    return {QStringLiteral("Weekly"), QStringLiteral("Monthly"), QStringLiteral("Quarterly"), QStringLiteral("Yearly")};
}

namespace {

// The fixed year of a quarterly or yearly bill date; only its day and month count.
constexpr int BillDateYear = 1998;

bool readNumber(const QString &text, int &value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

} // namespace

BillDateFields DecodeBillDate(int accountType, const QString &billDate)
{
    BillDateFields fields;
    if (accountType == AccountWeekly || accountType == AccountMonthly) {
        int number = 0;
        const int entries = accountType == AccountWeekly ? 7 : 31;
        if (readNumber(billDate, number) && number >= 1 && number <= entries)
            fields.entry = number - 1;
        return fields;
    }
    double value = 0;
    if (!TryStoreTextToFloat(billDate, value) || !std::isfinite(value))
        return fields;
    const QDate date = QDateFromDateTime(value);
    if (!date.isValid())
        return fields;
    fields.day = QString::asprintf("%.2d", date.day());
    fields.month = QString::asprintf("%.2d", date.month());
    return fields;
}

bool EncodeBillDate(int accountType, int entry, const QString &day, const QString &month, QString &billDate)
{
    if (accountType == AccountWeekly || accountType == AccountMonthly) {
        billDate = QString::number(entry + 1);
        return true;
    }
    int d = 0;
    int m = 0;
    if (!readNumber(day, d) || !readNumber(month, m) || !QDate::isValid(BillDateYear, m, d))
        return false;
    billDate = FloatToStoreText(EncodeDate(BillDateYear, m, d));
    return true;
}

// --- Editing ----------------------------------------------------------------

bool RefuseUserEditingWhileOnline(AppContext &ctx)
{
    if (!ctx.shell.SessionOpen)
        return false;
    ctx.ui.showMessage(MessageKind::Information, QStringLiteral("You cannot edit users while a session is open."));
    return true;
}

void StoreEditedUser(AppContext &ctx, const TUserInfo &info, bool copyFromAdministrator)
{
    PROCEDURE_GUARD(ctx, "EditUser", "Button1Click");
    AddEditUser(ctx, info);
    const int user = info.isEdit ? info.userNumber : ctx.settings.NumberOfUsers;
    if (info.isEdit && user == ctx.login.CurrentUser) {
        ctx.login.Restrictions = info.restrictions;
        // The period below is the edited one, not the one logged in with.
        ctx.tariff.AccountType = AccountTypeStringToInteger(info.accountType);
    }
    if (!info.isEdit && copyFromAdministrator && user > 1)
        CopyAdministratorSetup(ctx, user);
    if (ctx.login.LoggedIn) {
        ctx.tariff.AccountStartDate = CalculateAccountStartDate(ctx);
        ctx.tariff.AccountEndDate = CalculateEndAccountDate(ctx, ctx.tariff.AccountStartDate);
        CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);
    }
    Q_EMIT ctx.events.userListChanged();
    CheckRestrictions(ctx);
}

void CopyAdministratorSetup(AppContext &ctx, int user)
{
    PROCEDURE_GUARD(ctx, "EditUser", "CopyAdminSettings");
    constexpr int admin = 1;
    Store &store = ctx.store;
    const UserRecord source = ReadUserRecord(store, admin);
    Store::Transaction transaction(store);
    for (int i = 1; i <= source.numberOfAlarms; ++i)
        store.CopyStoreKey(AlarmKey(admin, i), AlarmKey(user, i));
    for (int p = 1; p <= source.numberOfPrograms; ++p)
        store.CopyStoreKey(ProgramKey(admin, p), ProgramKey(user, p));
    for (int i = 1; i <= source.numberOfISPs; ++i) {
        for (int day = 1; day <= 8; ++day) {
            const int bands = ReadNumberOfBands(store, admin, i, day);
            store.createKey(Store::hivePathOf(TariffKeys::dayType(user, i, day)));
            for (int k = 1; k <= bands; ++k)
                store.CopyStoreKey(TariffKeys::band(admin, i, day, k), TariffKeys::band(user, i, day, k));
            store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(user, i, day), bands);
        }
        WriteIspRecord(store, user, i, ReadIspRecord(store, admin, i));
    }
    UserRecord counts;
    counts.currentTimeZoneISP = 1;
    counts.numberOfISPs = source.numberOfISPs;
    counts.numberOfAlarms = source.numberOfAlarms;
    counts.numberOfPrograms = source.numberOfPrograms;
    WriteUserRecord(store, user, counts,
                    UserCurrentTimeZoneISP | UserNumberOfISPs | UserNumberOfAlarms | UserNumberOfPrograms);
    transaction.commit();
}

bool RemoveUser(AppContext &ctx, int user)
{
    PROCEDURE_GUARD(ctx, "Properties", "RemoveUserButtonClick");
    const int count = ctx.settings.NumberOfUsers;
    if (user < 1 || user > count)
        return false;
    if (RefuseUserEditingWhileOnline(ctx))
        return false;
    if (ReadUserRecord(ctx.store, user).loginName.toUpper() == QLatin1String("ADMIN")) {
        ctx.ui.showMessage(MessageKind::Information, QStringLiteral("You cannot remove the Admin user!"));
        return false;
    }
    if (ctx.settings.DeletePrompt && !ctx.ui.confirm(QStringLiteral("Are you sure you want to remove the user?")))
        return false;
    if (user == ctx.login.CurrentUser && ctx.login.LoggedIn) {
        ctx.ui.showMessage(MessageKind::Information,
                           QStringLiteral("You are trying to delete the currently logged in user. You will be "
                                          "logged out first."));
        LogOutUser(ctx);
    }
    ctx.store.DeleteNumberedRecord(QStringLiteral("Users"), QStringLiteral("User"), user, QStringLiteral("Users"),
                                   QStringLiteral("NumberOfUsers"));
    ctx.settings.NumberOfUsers = count - 1;
    // The numbers in memory follow their records down, so that the logged-in
    // user's sessions are not written into the next user's record, and the
    // next start does not log in whoever took a removed user's number.
    if (ctx.login.CurrentUser > user)
        --ctx.login.CurrentUser;
    if (ctx.settings.PreviousUser == user)
        ctx.settings.PreviousUser = 0;
    else if (ctx.settings.PreviousUser > user)
        --ctx.settings.PreviousUser;
    Q_EMIT ctx.events.userListChanged();
    return true;
}

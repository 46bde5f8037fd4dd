#pragma once

#include "core/DateTime.h"
#include "users/UserAccounts.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

struct AppContext;

// The Users page list: one row per user record, in record order.
class UserListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { LoginName, RealName, AccountType, CreationDate, ColumnCount };
    static int designWidth(int column);

    explicit UserListModel(AppContext &ctx, QObject *parent = nullptr);

    // UpdateUsersList's rows: users 1..NumberOfUsers while somebody is
    // logged in, none otherwise.
    void rebuild();
    void clear();

    QString loginName(int row) const;
    QString accountType(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString loginName, realName, accountType;
        DateTime creationDate = 0;
    };
    AppContext &m_ctx;
    QList<Row> m_rows;
};

// The account types the user editor offers, in list order.
QStringList EditableAccountTypes();

// The bill-date controls of the user editor for a stored "Bill Date": a
// weekly or monthly account picks list entry (number - 1), a quarterly or
// yearly one shows the date's day and month ("dd", "mm"). Texts that do not
// read leave entry -1 and the fields empty.
struct BillDateFields {
    int entry = -1;
    QString day, month;
};
BillDateFields DecodeBillDate(int accountType, const QString &billDate);

// "Bill Date" as the editor stores it: entry + 1 for a weekly or monthly
// account; for a quarterly or yearly one the date of day and month in 1998
// as float text. False for a date that does not exist (31 February, and 29
// February since 1998 is no leap year) or fields that are not numbers.
bool EncodeBillDate(int accountType, int entry, const QString &day, const QString &month, QString &billDate);

// Adding, editing and removing users is refused while a session is open:
// true, after telling the user, when it is.
bool RefuseUserEditingWhileOnline(AppContext &ctx);

// The user editor's OK once its fields are valid: AddEditUser, the new
// restrictions (and account type) in force at once when the logged-in user
// was edited, the account period and totals computed again, and for a new
// user, when asked, the administrator's tariffs, alarms and programs copied
// to it. The user list and restrictions are applied again.
void StoreEditedUser(AppContext &ctx, const TUserInfo &info, bool copyFromAdministrator);

// Copies user 1's alarms, programs and ISPs with their day tariffs (not
// their holidays) to user `user`, and gives it user 1's counts with ISP 1
// current.
void CopyAdministratorSetup(AppContext &ctx, int user);

// The Users page's "&Remove" on user `user`: refused for a login name of
// "Admin" in any case, asked first when "DeletePrompt" is on; the logged-in
// user is logged out first. Later users move down by one, and so do the
// remembered CurrentUser and PreviousUser numbers with them. True when the
// user was removed.
bool RemoveUser(AppContext &ctx, int user);

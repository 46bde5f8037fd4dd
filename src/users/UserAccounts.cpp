#include "users/UserAccounts.h"

#include "core/AppContext.h"
#include "store/SettingsRecord.h"
#include "store/Store.h"
#include "tariff/IspRecord.h"
#include "users/Passwords.h"
#include "users/UserRecord.h"

bool AddEditUser(AppContext &ctx, const TUserInfo &info)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "AddEditUser");
    Store &store = ctx.store;
    // The hash takes a moment; it is made before the write lock is taken.
    const bool keepPassword = info.isEdit && info.keepPassword;
    const QString passwordHash = keepPassword ? QString() : HashPassword(info.password, ctx.login.PasswordCost);
    Store::Transaction transaction(store);
    int numberOfUsers = ctx.settings.NumberOfUsers;
    int n = info.userNumber;
    UserRecord user;
    user.billDate = info.billDate;
    user.loginName = info.loginName;
    user.realName = info.realName;
    user.accountType = info.accountType;
    user.password = passwordHash;
    user.restrictions = info.restrictions;
    quint64 values = UserBillDate | UserLoginName | UserRealName | UserAccountType | UserRestrictions;
    if (!keepPassword)
        values |= UserPassword;
    if (!info.isEdit) {
        n = numberOfUsers + 1;
        user.numberOfAlarms = 0;
        user.numberOfPrograms = 0;
        user.numberOfISPs = 1;
        // The one ISP of a new user is ISP 1, whatever ISP the logged-in
        // user happens to have current: the count of 1 covers only ISP 1.
        user.currentTimeZoneISP = 1;
        user.creationDate = ctx.clock.today();
        values |= UserNumberOfAlarms | UserNumberOfPrograms | UserNumberOfISPs | UserCurrentTimeZoneISP
                  | UserCreationDate;
        IspRecord isp;
        isp.ispName = QStringLiteral("Default");
        isp.dialupName = QStringLiteral("Any");
        WriteUserRecord(store, n, user, values);
        WriteIspRecord(store, n, 1, isp);
        ++numberOfUsers;
    } else {
        WriteUserRecord(store, n, user, values);
    }
    WriteNumberOfUsers(store, numberOfUsers);
    transaction.commit();
    // Only once the record is in the store does memory count it.
    ctx.settings.NumberOfUsers = numberOfUsers;
    return true;
}

#include "users/UserAccounts.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "tariff/TariffKeys.h"
#include "users/Passwords.h"

bool AddEditUser(AppContext &ctx, const TUserInfo &info)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "AddEditUser");
    Store &store = ctx.store;
    Store::Transaction transaction(store);
    int numberOfUsers = ctx.settings.NumberOfUsers;
    int n = info.userNumber;
    if (!info.isEdit) {
        n = numberOfUsers + 1;
        const QString user = TariffKeys::user(n);
        store.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), user, 0);
        store.WriteStoreInteger(QStringLiteral("NumberOfPrograms"), user, 0);
        store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
        // The one ISP of a new user is ISP 1, whatever ISP the logged-in
        // user happens to have current: the count of 1 covers only ISP 1.
        store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
        const QString isp = TariffKeys::isp(n, 1);
        store.WriteStoreString(QStringLiteral("CurrentTimezonePresetName"), isp, QString());
        store.WriteStoreString(QStringLiteral("ISPName"), isp, QStringLiteral("Default"));
        store.WriteStoreString(QStringLiteral("DialupName"), isp, QStringLiteral("Any"));
    }
    const QString user = TariffKeys::user(n);
    store.WriteStoreString(QStringLiteral("Bill Date"), user, info.billDate);
    store.WriteStoreString(QStringLiteral("Login Name"), user, info.loginName);
    store.WriteStoreString(QStringLiteral("Real Name"), user, info.realName);
    store.WriteStoreString(QStringLiteral("Account Type"), user, info.accountType);
    if (!info.isEdit)
        store.WriteStoreFloat(QStringLiteral("Creation Date"), user, ctx.clock.today());
    SetUserPassword(ctx, n, info.password);
    store.WriteStoreInteger(QStringLiteral("Restrictions"), user, info.restrictions);
    if (!info.isEdit)
        ++numberOfUsers;
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), numberOfUsers);
    transaction.commit();
    // Only once the record is in the store does memory count it.
    ctx.settings.NumberOfUsers = numberOfUsers;
    return true;
}

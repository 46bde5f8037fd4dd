#pragma once

#include "platform/FakeDialUpNetwork.h"
#include "platform/ProgramLauncher.h"
#include "platform/SoundPlayer.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "tariff/TariffKeys.h"
#include "users/Passwords.h"

#include <sodium.h>

namespace testsupport {

// One user record as the user editor writes it.
struct SeedUser {
    QString loginName;
    QString password;           // stored as given (a plain, legacy password)
    QString accountType = QStringLiteral("Monthly");
    QString billDate = QStringLiteral("1");
    int restrictions = 0;
    int numberOfISPs = 1;
};

// Appends a user record as the user editor writes it and counts it in
// settings.NumberOfUsers; returns its number.
inline int AddSeedUser(Store &store, Settings &settings, const SeedUser &u)
{
    const int n = ++settings.NumberOfUsers;
    const QString key = TariffKeys::user(n);
    store.WriteStoreString(QStringLiteral("Login Name"), key, u.loginName);
    store.WriteStoreString(QStringLiteral("Real Name"), key, u.loginName + QStringLiteral(" Real"));
    store.WriteStoreString(QStringLiteral("Password"), key, u.password);
    store.WriteStoreString(QStringLiteral("Account Type"), key, u.accountType);
    store.WriteStoreString(QStringLiteral("Bill Date"), key, u.billDate);
    store.WriteStoreString(QStringLiteral("Creation Date"), key, QStringLiteral("36526"));
    store.WriteStoreInteger(QStringLiteral("Restrictions"), key, u.restrictions);
    store.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), key, 0);
    store.WriteStoreInteger(QStringLiteral("NumberOfPrograms"), key, 0);
    store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), key, u.numberOfISPs);
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), n);
    return n;
}

// An engine with the fake line, sound player and program launcher on top
// of EngineFixture, nobody logged in, cheap password hashing, and the
// sounds named as the settings name them.
struct SessionFixture : EngineFixture {
    explicit SessionFixture(const QDateTime &start = QDateTime(QDate(2001, 1, 10), QTime(12, 0)),
                            const QString &databaseFile = QString())
        : EngineFixture(start, databaseFile)
    {
        ctx.platform.dialUp = &network;
        ctx.platform.sound = &sound;
        ctx.platform.launcher = &launcher;
        ctx.login.CurrentUser = 0;
        ctx.login.LoggedIn = false;
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.settings.ConnectionSound = QStringLiteral("/data/Ringin.wav");
        ctx.settings.DisconnectionSound = QStringLiteral("/data/Ringout.wav");
    }

    // Appends a user record; returns its number.
    int addUser(const SeedUser &u) { return AddSeedUser(store(), ctx.settings, u); }

    QString userValue(int n, const char *name)
    {
        return store().ReadStoreString(QLatin1String(name), TariffKeys::user(n));
    }

    // Adds a session program to user u; returns its number.
    int addProgram(int u, const QString &filename, bool autoClose, int useTimeZone = 0, int start = 0, int end = 0,
                   int days = 0)
    {
        int count = 0;
        store().ReadStoreInteger(QStringLiteral("NumberOfPrograms"), TariffKeys::user(u), count);
        const int p = count + 1;
        const QString key = TariffKeys::user(u) + QStringLiteral("\\Programs\\Program%1").arg(p);
        store().WriteStoreString(QStringLiteral("Filename"), key, filename);
        store().WriteStoreBool(QStringLiteral("AutoProgramClose"), key, autoClose);
        store().WriteStoreInteger(QStringLiteral("Use TimeZone"), key, useTimeZone);
        store().WriteStoreInteger(QStringLiteral("Start Time"), key, start);
        store().WriteStoreInteger(QStringLiteral("End Time"), key, end);
        store().WriteStoreInteger(QStringLiteral("Days"), key, days);
        store().WriteStoreInteger(QStringLiteral("NumberOfPrograms"), TariffKeys::user(u), p);
        return p;
    }

    FakeDialUpNetwork network;
    FakeSoundPlayer sound;
    FakeProgramLauncher launcher;
};

} // namespace testsupport

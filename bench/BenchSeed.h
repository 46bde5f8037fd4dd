#pragma once

// The database the program-level benches start the program on: one user with
// a flat tariff, optionally years of history at eight sessions a day.

#include "session/HistoryGenerator.h"
#include "session/SessionRecord.h"
#include "store/Store.h"
#include "tariff/TariffKeys.h"

#include <QDir>
#include <QString>

namespace bench {

constexpr double HistoryFirstDay = 36526;  // 1 January 2000
constexpr int SessionsPerDay = 8;

inline void seedUser(Store &store, bool backupOnExit)
{
    Store::Transaction tx(store);
    const QString settings = QStringLiteral("Settings");
    store.WriteStoreString(QStringLiteral("Database Version"), settings, QStringLiteral("2"));
    store.WriteStoreBool(QStringLiteral("ShowSplashForm"), settings, false);
    store.WriteStoreBool(QStringLiteral("LoadAtStartUp"), settings, false);
    store.WriteStoreBool(QStringLiteral("PromptOnExit"), settings, false);
    store.WriteStoreBool(QStringLiteral("DontBackupDatabase"), settings, !backupOnExit);
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    store.WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);
    const QString user = TariffKeys::user(1);
    store.WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("Admin"));
    store.WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
    store.WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
    store.WriteStoreString(QStringLiteral("Creation Date"), user, QString::number(HistoryFirstDay));
    store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
    store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
    store.WriteStoreString(QStringLiteral("DialupName"), TariffKeys::isp(1, 1), QStringLiteral("Any"));
    for (int day = 1; day <= 8; ++day) {
        store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day), 1);
        const QString band = TariffKeys::band(1, 1, day, 1);
        store.WriteStoreInteger(QStringLiteral("Start Time"), band, 0);
        store.WriteStoreInteger(QStringLiteral("End Time"), band, 1439);
        store.WriteStoreFloat(QStringLiteral("Cost"), band, 0.6);
    }
    tx.commit();
}

// `days` days of sessions from HistoryFirstDay on, in one transaction: the
// history tallyline-history writes.
inline void seedHistory(Store &store, int days)
{
    WriteGeneratedSessions(store, 1, HistoryFirstDay, days, SessionsPerDay, 1);
}

inline QString storeFileIn(const QString &dataDir)
{
    return QDir(dataDir).filePath(QString::fromLatin1(Store::DefaultFileName));
}

} // namespace bench

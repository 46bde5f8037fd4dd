#pragma once

#include "app/MainTimer.h"
#include "app/Startup.h"
#include "session/ConnectionDetection.h"
#include "support/SessionFixture.h"
#include "store/SettingsRecord.h"
#include "users/Users.h"

#include <QFileInfo>

#include <QTest>

namespace testsupport {

// The running program without its windows: the fake line and clock, one
// user (Ann) on 0.60 a minute all day, and the two timers driven by hand.
// Given a database file, Ann and her tariff go into it when it has no users
// yet; otherwise the program starts again on what that file holds.
struct TickingShell : SessionFixture {
    explicit TickingShell(const QString &databaseFile = QString(),
                          const QDateTime &start = QDateTime(QDate(2001, 1, 10), QTime(12, 0)))
        : SessionFixture(start, databaseFile)
    {
        ctx.startup.programDirectory = QFileInfo(store().filePath()).absolutePath() + QLatin1Char('/');
        if (StoredUserCount(store()) > 0) {
            ReadSettingsFromDatabase(ctx);
            useTestSettings();
            user = 1;
        } else {
            useTestSettings();
            seedAnn();
        }
        ctx.connection.DunSpeed.StartStatistics(&network, true, true);
    }

    void useTestSettings()
    {
        ctx.settings.ModemCorrectionFactor = 10;
        ctx.settings.ModemDetectionType = 0;
        ctx.settings.DisplayBillWindow = false;
    }

    void seedAnn()
    {
        user = addUser({QStringLiteral("Ann"), QStringLiteral("secret")});
        TariffSeed(store(), user).isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
            .weekBands(1, {{0, 1439, 0.60, 0, 0}})
            .bands(1, 8, {{0, 1439, 0.60, 0, 0}});
    }

    void logIn()
    {
        QCOMPARE(LogInWithPassword(ctx, QStringLiteral("Ann"), QStringLiteral("secret")), LoginResult::LoggedIn);
    }
    void lineDown() { network.active.clear(); }

    // Half-second steps of the fake clock: a main tick each, a connection
    // check every other one (first).
    void run(int halfSeconds)
    {
        for (int i = 0; i < halfSeconds; ++i) {
            clock.advanceMs(500);
            if (++step % 2 == 0)
                RunTimerTick(ctx, checkFailures, RASCheckTimerTimer);
            RunMainTick(ctx, tickFailures);
        }
    }

    // A stored session field of the user; the first day when day is 0.
    double field(int session, int code, DateTime day = 0)
    {
        return GetFromDataFile(ctx, user, session, code, day == 0 ? DateTimeFromQDate(QDate(2001, 1, 10)) : day);
    }
    int sessionsOn(const QDate &date = QDate(2001, 1, 10))
    {
        int n = 0;
        store().ReadStoreInteger(QStringLiteral("NumberOfSessions"), SessionDayKey(user, DateTimeFromQDate(date)), n);
        return n;
    }

    int user = 0;
    int step = 0;
    TickFailureReport tickFailures;
    TickFailureReport checkFailures;
};

} // namespace testsupport

#pragma once

#include "account_window/MainForm.h"
#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "session/SessionRecord.h"
#include "support/SessionFixture.h"
#include "support/TempStore.h"
#include "users/Users.h"

#include <QTimer>
#include <QtTest>

#include <sodium.h>

#include <functional>

namespace testsupport {

// The program as the report windows meet it: the real owner and tray form
// on the simulated line, today 10 January 2001, an administrator and Ann
// (both monthly from the 1st, created in January 2000), and the
// administrator's sessions on the 2nd (three), the 9th and the 10th.
struct ReportsProgram {
    ReportsProgram()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.settings.DisplayBillWindow = false;
        ctx.settings.ShowTipForm = false;
        admin = AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Admin"), QStringLiteral("pw")});
        ann = AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Ann"), QStringLiteral("pw")});
        TariffSeed seed(*temp.store, admin);
        seed.session({at(2, 9), 600, 1.0, 2048, 1024, QStringLiteral("Default")});
        seed.session({at(2, 13), 1200, 2.0, 1048576, 1024, QStringLiteral("Work")});
        seed.session({at(2, 20), 1800, 3.0, 1048575, 512, QStringLiteral("ANY")});
        seed.session({at(9, 8), 60, 0.5, 100, 10, QStringLiteral("Work")});
        seed.session({at(10, 7), 120, 0.25, 100, 10, QString()});
        windows.startResidentShell(ctx);
    }

    static DateTime at(int day, int hour)
    {
        return DateTimeFromQDateTime(QDateTime(QDate(2001, 1, day), QTime(hour, 0)));
    }

    void logIn(const QString &name)
    {
        QCOMPARE(LogInWithPassword(ctx, name, QStringLiteral("pw")), LoginResult::LoggedIn);
    }

    // "Account Details" in the tray menu.
    TMainForm *openFromTray()
    {
        windows.mainAppForm()->accountInformationItem()->trigger();
        return windows.accountWindow();
    }

    // Runs what a modal window opened by trigger() is to do, once it is up.
    static void whileOpen(const std::function<void()> &trigger, const std::function<void()> &inside)
    {
        QTimer::singleShot(0, inside);
        trigger();
    }

    TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
    int admin = 0;
    int ann = 0;
};

inline void answerNextBox(const QString &button)
{
    QTimer::singleShot(0, [button] { AnswerBoxRequest(QStringLiteral("answer"), button); });
}

} // namespace testsupport

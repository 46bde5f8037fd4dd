#pragma once

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"
#include "core/Clock.h"
#include "platform/SystemClock.h"
#include "support/TempStore.h"

namespace testsupport {

// A store in a temporary directory, a fake clock, a recording Ui, a fake
// system clock that moves the fake clock, and an application context over
// them with user 1 logged in and "£" as the currency symbol. Given a
// database file, the store is that file's instead of a fresh one.
struct EngineFixture {
    explicit EngineFixture(const QDateTime &start = QDateTime(QDate(2001, 1, 10), QTime(12, 0)),
                           const QString &databaseFile = QString())
        : temp(databaseFile), clock(start), systemClock(&clock), ctx(*temp.store, clock, ui)
    {
        ctx.platform.systemClock = &systemClock;
        ctx.login.CurrentUser = 1;
        ctx.login.LoggedIn = true;
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.connection.ConnectedEntryName = QStringLiteral("Default");
        ui.tickBoxes.setTimerSwitch(&ctx.shell.Timer1Enabled);
    }

    Store &store() { return *temp.store; }

    TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    FakeSystemClock systemClock;
    AppContext ctx;
};

} // namespace testsupport

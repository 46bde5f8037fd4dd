#pragma once

#include "core/DateTime.h"
#include "core/SessionSnapshot.h"

#include <QObject>

// What the engine tells the windows has happened, as plain data; each window
// connects to what it shows and formats it itself.
class EngineEvents : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    // A pricing tick of the open session has finished and its values are
    // written. The monitor and the account window's live rows follow it.
    void sessionPriced(const SessionSnapshot &snapshot);

    // A session has been opened (its first tick is priced) or closed (its
    // final values are written). The account window disables its tariff
    // editing while a session is open and refreshes its lists on both.
    void sessionOpened();
    void sessionClosed();

    // Each main tick while a session is open on a full connection: the dial
    // window has done its job and goes away.
    void sessionFullyConnected();

    // The account period's totals were computed again.
    void accountTotalsChanged(const AccountTotals &totals);
    // A new account period began: period selectors and lists start afresh.
    void accountPeriodRolledOver(const AccountTotals &totals);

    // A tariff preset was loaded into the current ISP: the account window
    // shows the new preset name and refills its band list.
    void timezonesChanged();

    // A session record was corrected by hand (the session editor) or removed
    // (the later sessions of its day moved down by one), and the totals
    // recomputed: the account window rebuilds its lists and selects that
    // session of that day, or the row above a removed one.
    void sessionRecordChanged(DateTime day, int session);

    // The current user's alarm records, program records or the user records
    // themselves were added, changed or removed: their lists are rebuilt.
    void alarmListChanged();
    void programListChanged();
    void userListChanged();

    // ctx.shell.Menu changed: the tray mirrors it onto its items.
    void menuStateChanged();

    // A user logged in (the account window reloads everything for
    // ctx.login.CurrentUser) or out (it clears itself and closes).
    void userLoggedIn();
    void userLoggedOut();

    // The restrictions in force were applied again (ctx.login.Restrictions,
    // ctx.login.AdminSession): windows show or hide what they restrict.
    void restrictionsChanged();

    // "Automatic Online Detection" was switched (ctx.shell.AutoDetectionEnabled).
    void onlineDetectionToggled(bool enabled);

    // The settings dialog's OK has put changed settings in force (they are
    // stored right after): each open window applies what it shows of them
    // (toolbar, grid lines, list columns, exit items, monitor layout, graph).
    void settingsApplied();

    // A graph colour was picked in the settings dialog (0x00BBGGRR): an open
    // report window shows the three at once, whether or not the dialog is
    // confirmed later.
    void graphColoursPicked(int startColour, int finishColour, int seriesColour);
};

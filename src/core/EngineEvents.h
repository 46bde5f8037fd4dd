#pragma once

#include <QObject>

// What the engine tells the windows has happened; each window connects to
// what it shows and updates itself.
class EngineEvents : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    // A pricing tick of the open session has finished: the running values
    // are current. The session monitor refreshes from here.
    void sessionPriced();

    // A tariff preset was loaded into the current ISP: the account window
    // shows the new preset name and refills its band list.
    void timezonesChanged();

    // A user's alarm records were added to outside the alarm editor.
    void alarmListChanged();

    // A session has been opened (its first tick is priced) or closed (its
    // final values are written). The account window disables its tariff
    // editing while a session is open and refreshes its lists on both.
    void sessionOpened();
    void sessionClosed();

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
};

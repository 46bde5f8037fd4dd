#pragma once

#include "app/MainTimer.h"
#include "app/TickTimer.h"
#include "session/DialUp.h"
#include "tools/Ping.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class TDialForm;
struct AppContext;

// The hidden application object: the tray icon and its menu, the three
// timers that drive everything online, and the keep-alive ping. Where the
// desktop has no system tray, a small window with the same menu stands in
// for the icon.
class TMainAppForm : public QWidget
{
    Q_OBJECT

public:
    explicit TMainAppForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TMainAppForm() override;

    // Shows the tray icon (or its stand-in window); the tip is "Tallyline".
    void AddSystemTrayIcon();
    void RemoveSystemTrayIcon();
    bool usesTrayIcon() const { return m_trayIcon != nullptr; }
    // The stand-in for the tray icon; null where a system tray exists.
    QWidget *trayWindow() const { return m_trayWindow; }

    // Makes an item whose window arrives with later work do its job: the item
    // is enabled from then on (as far as the menu state allows) and runs
    // action when chosen. For the dial-up submenu, the
    // quick alarms, the settings dialog and the Internet tools.
    void plugIn(QAction *item, std::function<void()> action);

    TickTimer Timer1;
    TickTimer RASCheckTimer;
    TickTimer SntpClockTimer;
    TDialUp DialUp1;
    TPing Ping1;
    // The window shown while dialing; created with the form.
    TDialForm *DialForm() const { return m_dialForm.get(); }

    // The tray menu and its items, for the windows that plug into them.
    QMenu *trayMenu() const { return m_trayMenu; }
    QAction *accountInformationItem() const { return m_accountInformationItem; }
    QAction *dialConnectionItem() const { return m_dialConnectionItem; }
    QMenu *dialConnectionMenu() const { return m_dialConnectionMenu; }
    // "DialUp0", "DialUp1", ...: the first phone-book entries.
    const QList<QAction *> &phoneBookItems() const { return m_phoneBookItems; }
    QAction *hangUpItem() const { return m_hangUpItem; }
    QAction *logInItem() const { return m_logInItem; }
    QAction *logOutItem() const { return m_logOutItem; }
    QAction *onlineDetectionItem() const { return m_onlineDetectionItem; }
    QAction *openSessionItem() const { return m_openSessionItem; }
    QAction *closeSessionItem() const { return m_closeSessionItem; }
    QAction *quickAlarmsItem() const { return m_quickAlarmsItem; }
    QAction *onlineTimeAlarmItem() const { return m_onlineTimeAlarmItem; }
    QAction *specificTimeAlarmItem() const { return m_specificTimeAlarmItem; }
    QAction *settingsItem() const { return m_settingsItem; }
    QAction *internetToolsItem() const { return m_internetToolsItem; }
    QAction *pingItem() const { return m_pingItem; }
    QAction *fingerItem() const { return m_fingerItem; }
    QAction *dnsLookUpItem() const { return m_dnsLookUpItem; }
    QAction *hostLookUpItem() const { return m_hostLookUpItem; }
    QAction *exitItem() const { return m_exitItem; }

    // The items in the tray's reach: the menu's items and the stand-in's buttons.
    void MirrorMenuState();

Q_SIGNALS:
    // "Exit" was confirmed: close the session, tidy up and end.
    void exitRequested();
    // The resident window was closed: close the session, tidy up, end, and
    // start again (relaunch true) when this user may not end the program.
    void closeRequested(bool relaunch);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenu();
    void buildTrayWindow();
    void runMainTick();
    void runConnectionCheck();
    void runClockTick();
    void followClockTimerSwitch();
    void updateTrayClicks();

    void onTrayIconClicked();
    void onAccountInformationTriggered();
    void onHangUpTriggered();
    void buildPhoneBookMenu();
    void rebuildPhoneBookMenu();
    void onPhoneBookEntryTriggered(const QString &entry);
    void DialUp1Dialing();
    void DialUp1AsyncEvent(int state, const QString &text, int errorCode);
    void DialUp1Error(int errorCode, const QString &errorText);
    void DialUp1Connect();
    void showDialError(const QString &reason);
    void DialUp1ActiveConnection(qint64 handle);
    void hideDialWindow();
    void onLogInTriggered();
    void onLogOutTriggered();
    void onOnlineDetectionTriggered();
    void onOpenSessionTriggered();
    void onCloseSessionTriggered();
    void onExitTriggered();
    void CloseTallylineMessage();

    AppContext &m_ctx;
    QMenu *m_trayMenu = nullptr;
    QAction *m_accountInformationItem = nullptr;
    QMenu *m_dialConnectionMenu = nullptr;
    QAction *m_dialConnectionItem = nullptr;
    QList<QAction *> m_phoneBookItems;
    QAction *m_hangUpItem = nullptr;
    QAction *m_logInItem = nullptr;
    QAction *m_logOutItem = nullptr;
    QAction *m_onlineDetectionItem = nullptr;
    QAction *m_openSessionItem = nullptr;
    QAction *m_closeSessionItem = nullptr;
    QMenu *m_quickAlarmsMenu = nullptr;
    QAction *m_quickAlarmsItem = nullptr;
    QAction *m_onlineTimeAlarmItem = nullptr;
    QAction *m_specificTimeAlarmItem = nullptr;
    QAction *m_settingsItem = nullptr;
    QMenu *m_internetToolsMenu = nullptr;
    QAction *m_internetToolsItem = nullptr;
    QAction *m_pingItem = nullptr;
    QAction *m_fingerItem = nullptr;
    QAction *m_dnsLookUpItem = nullptr;
    QAction *m_hostLookUpItem = nullptr;
    QAction *m_exitItem = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QWidget *m_trayWindow = nullptr;
    QPushButton *m_menuButton = nullptr;
    QActionGroup *m_detectionGroup = nullptr;
    bool m_trayClicksOn = false;
    bool m_closing = false;
    QList<QAction *> m_pluggedIn;
    std::unique_ptr<TDialForm> m_dialForm;

    TickFailureReport m_mainTickFailure;
    TickFailureReport m_connectionCheckFailure;
    TickFailureReport m_clockTickFailure;
};

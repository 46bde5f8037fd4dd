#pragma once

#include "app/MainTimer.h"
#include "session/DialUp.h"
#include "tools/Ping.h"

#include <QTimer>
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
    // action when chosen. For the account window, the dial-up submenu, the
    // quick alarms, the settings dialog and the Internet tools.
    void plugIn(QAction *item, std::function<void()> action);

    QTimer Timer1;
    QTimer RASCheckTimer;
    QTimer SntpClockTimer;
    TDialUp DialUp1;
    TPing Ping1;
    // The window shown while dialing; created with the form.
    TDialForm *DialForm() const { return m_dialForm.get(); }

    QMenu *PopupMenu1;
    QAction *AccountInformation1;
    QMenu *DialConnectionMenu;
    QAction *DialConnection1;
    // "DialUp0", "DialUp1", ...: the first phone-book entries.
    QList<QAction *> PhoneBookItems;
    QAction *HangUpCurrentConnection1;
    QAction *Logonasadifferentuser1;
    QAction *LogOut1;
    QAction *Disableautosessionopenclose1;
    QAction *Opennewsession1;
    QAction *Closethissession1;
    QMenu *QuickAlarmsMenu;
    QAction *QuickAlarms1;
    QAction *Afteraspecifiedtime1;
    QAction *Ataspecifiedtime1;
    QAction *Settings;
    QMenu *InternetToolsMenu;
    QAction *InternetTools1;
    QAction *Ping2;
    QAction *Finger1;
    QAction *DNSLookUp1;
    QAction *HostLookUp1;
    QAction *Exit;

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

    void SystemTrayLeftClick();
    void AccountInformation1Click();
    void HangUpCurrentConnection1Click();
    void buildPhoneBookMenu();
    void DialUpEntryClick(const QString &entry);
    void DialUp1Dialing();
    void DialUp1AsyncEvent(int state, const QString &text, int errorCode);
    void DialUp1Error(int errorCode, const QString &errorText);
    void DialUp1Connect();
    void showDialError(const QString &reason);
    void DialUp1ActiveConnection(qint64 handle);
    void hideDialWindow();
    void Logonasadifferentuser1Click();
    void LogOut1Click();
    void Disableautosessionopenclose1Click();
    void Opennewsession1Click();
    void Closethissession1Click();
    void ExitClick();
    void CloseTallylineMessage();

    AppContext &m_ctx;
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

#include "app/MainAppForm.h"

#include "core/AppContext.h"
#include "session/ConnectionDetection.h"
#include "platform/DialUpNetwork.h"
#include "session/DialForm.h"
#include "session/DialUp.h"
#include "session/SessionLifecycle.h"
#include "users/Users.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

// The icon lives in the GUI library's resources, which a static library
// has to register itself.
static void initTallylineResources()
{
    Q_INIT_RESOURCE(tallyline);
}

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *addSubmenu(QMenu *menu, const char *name, const QString &caption, QAction **item)
{
    QMenu *submenu = menu->addMenu(caption);
    *item = submenu->menuAction();
    (*item)->setObjectName(QLatin1String(name));
    return submenu;
}

} // namespace

TMainAppForm::TMainAppForm(AppContext &ctx, QWidget *parent)
    : QWidget(parent), DialUp1(ctx.platform.dialUp), m_ctx(ctx)
{
    initTallylineResources();
    setObjectName(QStringLiteral("MainAppForm"));
    setWindowTitle(QStringLiteral("Tallyline Main App Window"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tallyline.svg")));

    Ping1.Size = 56;
    Ping1.Timeout = 4000;
    Ping1.TTL = 64;

    buildMenu();
    DialUp1.setObjectName(QStringLiteral("DialUp1"));
    DialUp1.DialMode = TDialMode::dmAsync;
    m_dialForm = std::make_unique<TDialForm>(ctx, DialUp1);
    connect(&DialUp1, &TDialUp::OnDialing, this, &TMainAppForm::DialUp1Dialing);
    connect(&DialUp1, &TDialUp::OnAsyncEvent, this, &TMainAppForm::DialUp1AsyncEvent);
    connect(&DialUp1, &TDialUp::OnError, this, &TMainAppForm::DialUp1Error);
    connect(&DialUp1, &TDialUp::OnNotConnected, this, &TMainAppForm::DialUp1Error);
    connect(&DialUp1, &TDialUp::OnConnect, this, &TMainAppForm::DialUp1Connect);
    connect(&DialUp1, &TDialUp::OnActiveConnection, this,
            [this](qint64 handle) { DialUp1ActiveConnection(handle); });

    // FormCreate: the tray form's part of the menu state, and its timers.
    m_exitItem->setEnabled(ctx.settings.AllowToBeExited);
    ctx.shell.Menu.QuickAlarmsEnabled = false;
    buildPhoneBookMenu();
    // A line that learns its phone book after start (NetworkManager answers
    // later), or whose entries others add and remove, updates the menu.
    if (ctx.platform.dialUp)
        connect(ctx.platform.dialUp, &DialUpNetwork::entriesChanged, this, &TMainAppForm::rebuildPhoneBookMenu);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(500);
    RASCheckTimer.setObjectName(QStringLiteral("RASCheckTimer"));
    RASCheckTimer.setInterval(1000);
    SntpClockTimer.setObjectName(QStringLiteral("SntpClockTimer"));
    SntpClockTimer.setInterval(1000);
    // Tick timers go on firing in the event loop of a box opened inside a
    // tick: pricing, line drops and alarms carry on while any box waits.
    connect(&Timer1, &QTimer::timeout, this, &TMainAppForm::runMainTick);
    connect(&RASCheckTimer, &QTimer::timeout, this, &TMainAppForm::runConnectionCheck);
    connect(&SntpClockTimer, &QTimer::timeout, this, &TMainAppForm::runClockTick);
    Timer1.start();
    RASCheckTimer.start();

    // The address is taken at each echo: the settings may have changed it.
    ctx.hooks.sendKeepAliveEcho = [this](AppContext &c) {
        Ping1.setAddress(c.settings.AlivePingAddress);
        Ping1.Ping();
    };
    ctx.hooks.dialEntry = [this](AppContext &, const QString &entry) {
        DialUp1.Entry = entry;
        DialUp1.Dial();
    };
    ctx.hooks.startDialUpStatistics = [this](AppContext &) { DialUp1.StartStatistics(true, true); };

    connect(&ctx.events, &EngineEvents::menuStateChanged, this, &TMainAppForm::MirrorMenuState);
    connect(&ctx.events, &EngineEvents::sessionFullyConnected, this, &TMainAppForm::hideDialWindow);
    connect(&ctx.events, &EngineEvents::settingsApplied, this,
            [this] { Ping1.setAddress(m_ctx.settings.AlivePingAddress); });
    MirrorMenuState();
}

TMainAppForm::~TMainAppForm()
{
    m_ctx.hooks.sendKeepAliveEcho = nullptr;
    m_ctx.hooks.dialEntry = nullptr;
    m_ctx.hooks.startDialUpStatistics = nullptr;
    delete m_trayWindow;
    delete m_trayMenu;
}

void TMainAppForm::buildMenu()
{
    // No parent: a menu owned by a hidden window would not show on its own.
    m_trayMenu = new QMenu;
    m_trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    QMenu *menu = m_trayMenu;

    m_accountInformationItem = addItem(menu, "AccountInformationItem", QStringLiteral("Account Details"));
    menu->addSeparator();
    m_dialConnectionMenu =
        addSubmenu(menu, "DialConnectionItem", QStringLiteral("Dial Connection"), &m_dialConnectionItem);
    m_hangUpItem = addItem(menu, "HangUpItem", QStringLiteral("&Hang Up Current Connection"));
    menu->addSeparator();
    m_logInItem = addItem(menu, "LogInItem", QStringLiteral("User Log In"));
    m_logOutItem = addItem(menu, "LogOutItem", QStringLiteral("User Log Out"));
    menu->addSeparator();
    m_onlineDetectionItem = addItem(menu, "OnlineDetectionItem", QStringLiteral("Automatic Online Detection"));
    m_onlineDetectionItem->setCheckable(true);
    m_onlineDetectionItem->setChecked(true);
    // A one-item group draws the item as a radio item and may leave it unchecked.
    m_detectionGroup = new QActionGroup(menu);
    m_detectionGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_detectionGroup->addAction(m_onlineDetectionItem);
    m_openSessionItem = addItem(menu, "OpenSessionItem", QStringLiteral("Open Session."));
    m_closeSessionItem = addItem(menu, "CloseSessionItem", QStringLiteral("Close Session"));
    m_quickAlarmsMenu =
        addSubmenu(menu, "QuickAlarmsItem", QStringLiteral("Quick Alarms (one shot)"), &m_quickAlarmsItem);
    m_onlineTimeAlarmItem = addItem(m_quickAlarmsMenu, "OnlineTimeAlarmItem", QStringLiteral("Online time alarm"));
    m_specificTimeAlarmItem =
        addItem(m_quickAlarmsMenu, "SpecificTimeAlarmItem", QStringLiteral("Specific time alarm"));
    menu->addSeparator();
    m_settingsItem = addItem(menu, "SettingsItem", QStringLiteral("&Settings"));
    m_internetToolsMenu =
        addSubmenu(menu, "InternetToolsItem", QStringLiteral("&Internet Tools..."), &m_internetToolsItem);
    m_pingItem = addItem(m_internetToolsMenu, "PingItem", QStringLiteral("&Ping"));
    m_fingerItem = addItem(m_internetToolsMenu, "FingerItem", QStringLiteral("&Finger User"));
    m_dnsLookUpItem = addItem(m_internetToolsMenu, "DnsLookUpItem", QStringLiteral("&DNS Look Up"));
    m_hostLookUpItem = addItem(m_internetToolsMenu, "HostLookUpItem", QStringLiteral("&Host Look Up"));
    menu->addSeparator();
    m_exitItem = addItem(menu, "ExitItem", QStringLiteral("Exit"));

    connect(m_accountInformationItem, &QAction::triggered, this, &TMainAppForm::onAccountInformationTriggered);
    connect(m_hangUpItem, &QAction::triggered, this, &TMainAppForm::onHangUpTriggered);
    connect(m_logInItem, &QAction::triggered, this, &TMainAppForm::onLogInTriggered);
    connect(m_logOutItem, &QAction::triggered, this, &TMainAppForm::onLogOutTriggered);
    connect(m_onlineDetectionItem, &QAction::triggered, this, &TMainAppForm::onOnlineDetectionTriggered);
    connect(m_openSessionItem, &QAction::triggered, this, &TMainAppForm::onOpenSessionTriggered);
    connect(m_closeSessionItem, &QAction::triggered, this, &TMainAppForm::onCloseSessionTriggered);
    connect(m_exitItem, &QAction::triggered, this, &TMainAppForm::onExitTriggered);

    connect(m_trayMenu, &QMenu::aboutToShow, this, [this] {
        m_ctx.shell.PopupShowing = true;
        MirrorMenuState();
    });
    connect(m_trayMenu, &QMenu::aboutToHide, this, [this] { m_ctx.shell.PopupShowing = false; });
}

void TMainAppForm::plugIn(QAction *item, std::function<void()> action)
{
    if (!m_pluggedIn.contains(item))
        m_pluggedIn.append(item);
    connect(item, &QAction::triggered, this, [action = std::move(action)] { action(); });
    MirrorMenuState();
}

void TMainAppForm::MirrorMenuState()
{
    const TrayMenuState &state = m_ctx.shell.Menu;
    const auto available = [this](QAction *item) { return m_pluggedIn.contains(item); };

    m_dialConnectionItem->setEnabled(!m_phoneBookItems.isEmpty() || available(m_dialConnectionItem));
    m_hangUpItem->setEnabled(state.HangUpEnabled);
    m_logOutItem->setEnabled(state.LogOutEnabled);
    m_onlineDetectionItem->setEnabled(state.AutoDetectionItemEnabled);
    m_onlineDetectionItem->setChecked(state.AutoDetectionItemChecked);
    m_openSessionItem->setEnabled(state.OpenSessionEnabled);
    m_closeSessionItem->setEnabled(state.CloseSessionEnabled);
    m_quickAlarmsItem->setEnabled(available(m_onlineTimeAlarmItem) || available(m_specificTimeAlarmItem));
    for (QAction *alarm : {m_onlineTimeAlarmItem, m_specificTimeAlarmItem})
        alarm->setEnabled(available(alarm) && state.QuickAlarmsEnabled);
    // An armed quick alarm shows a check mark.
    const bool onlineTimeArmed = state.OnlineTimeAlarmChecked || m_ctx.alarms.OnlineTimeAlarmArmed;
    const bool clockTimeArmed = state.SpecificTimeAlarmChecked || m_ctx.alarms.ClockTimeAlarmArmed;
    m_onlineTimeAlarmItem->setCheckable(onlineTimeArmed);
    m_onlineTimeAlarmItem->setChecked(onlineTimeArmed);
    m_specificTimeAlarmItem->setCheckable(clockTimeArmed);
    m_specificTimeAlarmItem->setChecked(clockTimeArmed);
    m_settingsItem->setEnabled(available(m_settingsItem) && state.SettingsEnabled);
    bool anyTool = false;
    for (QAction *tool : {m_pingItem, m_fingerItem, m_dnsLookUpItem, m_hostLookUpItem}) {
        tool->setEnabled(available(tool));
        anyTool = anyTool || available(tool);
    }
    m_internetToolsItem->setEnabled(anyTool);
    m_exitItem->setEnabled(m_ctx.settings.AllowToBeExited);
}

void TMainAppForm::AddSystemTrayIcon()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "AddSystemTrayIcon");
    const QIcon icon(QStringLiteral(":/icons/tallyline.svg"));
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!m_trayIcon) {
            m_trayIcon = new QSystemTrayIcon(icon, this);
            m_trayIcon->setToolTip(QStringLiteral("Tallyline"));
            connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    onTrayIconClicked();
            });
        }
        updateTrayClicks();
        m_trayIcon->show();
    } else {
        if (!m_trayWindow)
            buildTrayWindow();
        updateTrayClicks();
        m_trayWindow->show();
    }
}

void TMainAppForm::RemoveSystemTrayIcon()
{
    if (m_trayIcon)
        m_trayIcon->hide();
    if (m_trayWindow)
        m_trayWindow->hide();
}

void TMainAppForm::buildTrayWindow()
{
    m_trayWindow = new QWidget(nullptr, Qt::Window);
    m_trayWindow->setObjectName(QStringLiteral("TrayWindow"));
    m_trayWindow->setWindowTitle(QStringLiteral("Tallyline"));
    m_trayWindow->setWindowIcon(QIcon(QStringLiteral(":/icons/tallyline.svg")));

    auto *iconLabel = new QLabel(m_trayWindow);
    iconLabel->setPixmap(QIcon(QStringLiteral(":/icons/tallyline.svg")).pixmap(32, 32));
    auto *text = new QLabel(QStringLiteral("Tallyline is running.\nThis desktop has no system tray,\n"
                                           "so its menu is here."),
                            m_trayWindow);
    m_menuButton = new QPushButton(QStringLiteral("&Menu"), m_trayWindow);
    m_menuButton->setObjectName(QStringLiteral("MenuButton"));
    auto *helpButton = new QPushButton(QStringLiteral("&Help"), m_trayWindow);
    helpButton->setObjectName(QStringLiteral("HelpButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_menuButton);
    buttons->addStretch();
    buttons->addWidget(helpButton);
    auto *layout = new QVBoxLayout(m_trayWindow);
    layout->addLayout(top);
    layout->addLayout(buttons);
    m_trayWindow->setFixedSize(m_trayWindow->sizeHint());

    connect(m_menuButton, &QPushButton::clicked, this, [this] {
        if (m_ctx.settings.NumberOfUsers > 0)
            m_trayMenu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });
    connect(helpButton, &QPushButton::clicked, this, [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_tray_menu")); });
    m_trayWindow->installEventFilter(this);
}

bool TMainAppForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_trayWindow) {
        if (event->type() == QEvent::Close) {
            event->ignore();
            CloseTallylineMessage();
            return true;
        }
        if (event->type() == QEvent::ContextMenu && m_ctx.settings.NumberOfUsers > 0) {
            m_trayMenu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Clicks do nothing while there are no users: the setup wizard comes first.
void TMainAppForm::updateTrayClicks()
{
    const bool on = m_ctx.settings.NumberOfUsers > 0;
    if (on == m_trayClicksOn)
        return;
    m_trayClicksOn = on;
    if (m_trayIcon)
        m_trayIcon->setContextMenu(on ? m_trayMenu : nullptr);
    if (m_menuButton)
        m_menuButton->setEnabled(on);
}

void TMainAppForm::runMainTick()
{
    RunMainTick(m_ctx, m_mainTickFailure);
    followClockTimerSwitch();
    updateTrayClicks();
}

void TMainAppForm::runConnectionCheck()
{
    RunTimerTick(m_ctx, m_connectionCheckFailure, RASCheckTimerTimer);
}

void TMainAppForm::runClockTick()
{
    RunTimerTick(m_ctx, m_clockTickFailure, SntpClockTimerTimer);
    followClockTimerSwitch();
}

void TMainAppForm::followClockTimerSwitch()
{
    const bool on = m_ctx.shell.SntpClockTimerEnabled;
    if (on == SntpClockTimer.isActive())
        return;
    if (on)
        SntpClockTimer.start();
    else
        SntpClockTimer.stop();
}

void TMainAppForm::onTrayIconClicked()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "SystemTrayMessage");
    if (m_ctx.settings.NumberOfUsers <= 0 || m_ctx.shell.PopupShowing)
        return;
    try {
        onAccountInformationTriggered();
    } catch (...) {
        // A click on the icon never ends in an error box.
    }
}

void TMainAppForm::onAccountInformationTriggered()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "AccountInformation1Click");
    if (!NoEditorWindowOpen(m_ctx))
        return;
    if (!m_ctx.login.LoggedIn) {
        ShowLoginForm(m_ctx);
        if (!m_ctx.login.LoggedIn)
            return;
    }
    m_ctx.ui.showWindow(UiWindow::AccountInformation);
}

void TMainAppForm::onHangUpTriggered()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "HangUpCurrentConnection1Click");
    if (m_ctx.settings.PromptHangUp
        && !m_ctx.ui.confirm(QStringLiteral("Are you sure you want to hang up the current connection?")))
        return;
    HangUpAllConnections(m_ctx);
}

// The first 30 phone-book entries, in the phone book's order.
void TMainAppForm::buildPhoneBookMenu()
{
    constexpr int MaxMenuEntries = 30;
    DialUp1.GetEntries();
    const QStringList entries = DialUp1.Entries.mid(0, MaxMenuEntries);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString entry = entries[i];
        // An "&" in an entry name is part of the name, not a shortcut.
        auto *item = new QAction(QString(entry).replace(QLatin1Char('&'), QLatin1String("&&")), m_dialConnectionMenu);
        item->setObjectName(QStringLiteral("DialUp%1").arg(i));
        item->setData(entry);
        item->setIcon(QIcon(QStringLiteral(":/icons/tallyline.svg")));
        const QList<QAction *> present = m_dialConnectionMenu->actions();
        m_dialConnectionMenu->insertAction(i < present.size() ? present[i] : nullptr, item);
        connect(item, &QAction::triggered, this, [this, entry] { onPhoneBookEntryTriggered(entry); });
        m_phoneBookItems.append(item);
    }
}

void TMainAppForm::rebuildPhoneBookMenu()
{
    for (QAction *item : std::as_const(m_phoneBookItems)) {
        m_dialConnectionMenu->removeAction(item);
        item->deleteLater();
    }
    m_phoneBookItems.clear();
    buildPhoneBookMenu();
    MirrorMenuState();
}

void TMainAppForm::onPhoneBookEntryTriggered(const QString &entry)
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "DialUpClick");
    ShellState &shell = m_ctx.shell;
    if (shell.CancelInProgress)
        return;
    shell.KeepRedialing = false;
    if (m_ctx.connection.ModemConnected) {
        if (!m_ctx.ui.confirm(QStringLiteral("The modem is already connected. Do you want to hang up that "
                                             "connection and dial this one?")))
            return;
        // The answer was to hang up that connection: a call placed by
        // another program has to go too, or the line stays busy.
        if (DialUp1.network()) {
            const QList<DialUpConnection> active = DialUp1.network()->connections();
            for (const DialUpConnection &c : active) {
                if (DialUp1.HangUpHandle(c.handle))
                    continue;
                // A connection the line refuses to end stays: the user is
                // told why, and nothing is dialled over it.
                const QString why = DialUp1.network()->hangUpFailure();
                if (!why.isEmpty()) {
                    m_ctx.ui.showMessage(MessageKind::Error, why);
                    return;
                }
            }
        }
        ForgetConnectionFlags(m_ctx.connection);
    }
    DialUp1.Entry = entry;
    DialUp1.Dial();
}

void TMainAppForm::DialUp1Dialing()
{
    ShellState &shell = m_ctx.shell;
    shell.LastDialledEntry = DialUp1.Entry;
    m_dialForm->setWindowTitle(QStringLiteral("Tallyline - Connecting to ") + DialUp1.Entry);
    m_dialForm->statusLabel()->setText(QStringLiteral("Dialing..."));
    shell.DialHandle = -1;
    m_dialForm->show();
}

void TMainAppForm::DialUp1AsyncEvent(int state, const QString &text, int errorCode)
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "DialUp1AsyncEvent");
    ShellState &shell = m_ctx.shell;
    if (errorCode != 0) {
        if (!shell.KeepRedialing)
            m_dialForm->hide();
        shell.LastDialledEntry.clear();
        shell.ReconnectArmed = false;
        if (shell.KeepRedialing) {
            HangUpAllConnections(m_ctx);
            m_dialForm->RedialTimer.start();
            m_dialForm->statusLabel()->setText(QStringLiteral("Redialing..."));
        } else if (errorCode != DialError::UserDisconnection) {
            HangUpAllConnections(m_ctx);
            showDialError(text);
        }
    } else {
        m_dialForm->statusLabel()->setText(text);
    }
    if (state == RasState::Connected)
        m_dialForm->hide();
}

void TMainAppForm::DialUp1Error(int errorCode, const QString &errorText)
{
    Q_UNUSED(errorCode);
    ShellState &shell = m_ctx.shell;
    shell.LastDialledEntry.clear();
    shell.ReconnectArmed = false;
    m_dialForm->hide();
    showDialError(errorText);
}

void TMainAppForm::showDialError(const QString &reason)
{
    m_ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Error connecting to ") + DialUp1.Entry
                                                   + QStringLiteral(" :\r\r") + reason);
}

void TMainAppForm::DialUp1Connect()
{
    m_dialForm->statusLabel()->setText(QStringLiteral("Connected"));
    m_dialForm->hide();
}

void TMainAppForm::DialUp1ActiveConnection(qint64 handle)
{
    m_ctx.shell.DialHandle = handle;
}

void TMainAppForm::hideDialWindow()
{
    if (m_dialForm->isVisible())
        m_dialForm->hide();
}

void TMainAppForm::onLogInTriggered()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "Logonasadifferentuser1Click");
    if (NoEditorWindowOpen(m_ctx))
        ShowLoginForm(m_ctx);
}

void TMainAppForm::onLogOutTriggered()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "LogOut1Click");
    if (NoEditorWindowOpen(m_ctx))
        LogOutUser(m_ctx);
}

void TMainAppForm::onOnlineDetectionTriggered()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "Disableautosessionopenclose1Click");
    ToggleOnlineDetection(m_ctx);
    // The check mark shows the switch, not the click.
    MirrorMenuState();
}

void TMainAppForm::onOpenSessionTriggered()
{
    OpenSessionByHand(m_ctx);
}

void TMainAppForm::onCloseSessionTriggered()
{
    CloseSessionByHand(m_ctx);
}

void TMainAppForm::onExitTriggered()
{
    if (!m_ctx.settings.AllowToBeExited || !ConfirmExit(m_ctx))
        return;
    Q_EMIT exitRequested();
}

void TMainAppForm::CloseTallylineMessage()
{
    PROCEDURE_GUARD(m_ctx, "MainApp", "CloseTallylineMessage");
    if (m_closing)
        return;
    m_closing = true;
    m_ctx.ui.beep();
    Q_EMIT closeRequested(RelaunchAfterClose(m_ctx));
}

#include "account_window/MainForm.h"

#include "account_window/LiveRows.h"
#include "account_window/SessionLists.h"
#include "account_window/SessionRemoval.h"
#include "account_window/gui/AlarmsPageWidget.h"
#include "account_window/gui/ApplicationsPageWidget.h"
#include "account_window/gui/UsersPageWidget.h"
#include "account_window/gui/PhoneChargesPage.h"
#include "app/MainTimer.h"
#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "core/GlobalErrorHandler.h"
#include "reports/SessionListing.h"
#include "reports/gui/SessionExportDialog.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecord.h"
#include "store/SettingsRecord.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"
#include "users/Users.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

// The window's size as designed; a saved size of 0 means this one.
constexpr int DesignWidth = 860;
constexpr int DesignHeight = 560;

const char *const PageTitles[TMainForm::PageCount] = {"Applications", "Sessions", "Performance", "Phone Charges",
                                                      "Special Charges", "Alarms", "Users"};

// The help topic of each page, for the tool bar's help button.
const char *const PageHelpTopics[TMainForm::PageCount] = {
    "IDH_session_open_programs", "IDH_session_information", "IDH_Performance_Tab", "IDH_time_zone_settings",
    "IDH_time_zone_settings",    "IDH_online_alarms",       "IDH_users"};

// The hourglass while a list is rebuilt.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QAction *addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    return item;
}

QAction *addButton(QToolBar *bar, const char *name, QStyle::StandardPixmap icon, const QString &hint)
{
    QAction *button = bar->addAction(bar->style()->standardIcon(icon), hint);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    return button;
}

QTableView *makeList(QAbstractItemModel *model, const char *name)
{
    auto *list = new QTableView;
    list->setObjectName(QLatin1String(name));
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->setAlternatingRowColors(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setSectionsMovable(false);
    return list;
}

QComboBox *makePickList(const char *name)
{
    auto *combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

// The period and ISP pick lists above a list, one under the other.
QGridLayout *pickerRows(const QString &periodCaption, QComboBox *period, const QString &ispCaption, QComboBox *isp)
{
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(periodCaption), 0, 0);
    grid->addWidget(period, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(ispCaption), 1, 0);
    grid->addWidget(isp, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    return grid;
}

} // namespace

TMainForm::TMainForm(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Tallyline Account Information"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tallyline.svg")));

    m_sessionModel = new SessionListModel(ctx, this);
    m_performanceModel = new PerformanceListModel(ctx, this);

    buildMenusAndToolBar();

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl"));
    for (int p = 0; p < PageCount; ++p) {
        QWidget *widget = nullptr;
        if (p == SessionsPage)
            widget = buildSessionsPage();
        else if (p == PerformancePage)
            widget = buildPerformancePage();
        else if (p == ApplicationsPage)
            widget = m_applicationsPage = new ApplicationsPageWidget(ctx);
        else if (p == AlarmsPage)
            widget = m_alarmsPage = new AlarmsPageWidget(ctx);
        else if (p == UsersPage)
            widget = m_usersPage = new UsersPageWidget(ctx);
        else if (p == PhoneChargesPage) {
            m_phoneChargesPage = new ::PhoneChargesPage(ctx);
            connect(m_phoneChargesPage, &::PhoneChargesPage::dialogRequested, this, &TMainForm::dialogRequested);
            widget = m_phoneChargesPage;
        } else {
            // The special charges page has nothing on it and is never shown.
            widget = new QWidget;
            widget->setEnabled(false);
        }
        widget->setObjectName(QStringLiteral("%1Page").arg(QString::fromLatin1(PageTitles[p]).remove(QLatin1Char(' '))));
        m_pageWidgets[p] = widget;
        m_pages->addTab(widget, QString::fromLatin1(PageTitles[p]));
    }
    m_pages->setTabVisible(SpecialChargesPage, false);
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        QTimer::singleShot(0, this, [this] { scrollPendingLists(); });
    });
    layout->addWidget(m_pages, 1);

    auto *bottom = new QHBoxLayout;
    m_userAccountLabel = new QLabel(QStringLiteral("User account to access :"));
    m_userAccountCombo = makePickList("UserNameCombo");
    m_userAccountCombo->setMinimumContentsLength(12);
    m_closeButton = new QPushButton(QStringLiteral("&Close"));
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    bottom->addWidget(m_userAccountLabel);
    bottom->addWidget(m_userAccountCombo);
    bottom->addStretch(1);
    bottom->addWidget(m_closeButton);
    layout->addLayout(bottom);
    setCentralWidget(central);

    for (int i = 0; i < 4; ++i) {
        m_statusPanels[i] = new QLabel;
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(m_statusPanels[i], i == 0 ? 1 : 2);
    }
    statusBar()->setSizeGripEnabled(true);

    connect(m_closeButton, &QPushButton::clicked, this, [this] {
        WriteSettingsToDatabase(m_ctx);
        close();
    });
    connect(m_userAccountCombo, &QComboBox::activated, this, &TMainForm::onUserAccountChosen);
    m_usersPage->setUserAccountList(m_userAccountCombo);
    connect(m_usersPage, &UsersPageWidget::editorRequested, this, &TMainForm::userEditorRequested);
    connect(m_alarmsPage, &AlarmsPageWidget::editorRequested, this, &TMainForm::alarmEditorRequested);
    connect(m_applicationsPage, &ApplicationsPageWidget::editorRequested, this, &TMainForm::programEditorRequested);

    m_tipTimer.setSingleShot(true);
    m_tipTimer.setInterval(200);
    connect(&m_tipTimer, &QTimer::timeout, this, &TMainForm::onTipTimer);

    applyToolBarStyle();
    m_closeAndExitItem->setEnabled(ctx.settings.AllowToBeExited);
    resize(DesignWidth, DesignHeight);
    connectEngineEvents();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildMenusAndToolBar()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    m_logInItem = addItem(file, "LogInItem", QStringLiteral("User Log In"));
    m_logOutItem = addItem(file, "LogOutItem", QStringLiteral("User Log Out"));
    file->addSeparator();
    m_onlineDetectionItem = addItem(file, "OnlineDetectionItem", QStringLiteral("Automatic Online Detection"));
    m_onlineDetectionItem->setCheckable(true);
    m_openSessionItem = addItem(file, "OpenSessionItem", QStringLiteral("&Open Session"));
    m_closeSessionItem = addItem(file, "CloseSessionItem", QStringLiteral("&Close Session"));
    file->addSeparator();
    QAction *printSetup = addItem(file, "PrintSetupItem", QStringLiteral("Print &Setup"));
    QAction *print = addItem(file, "PrintItem", QStringLiteral("&Print Session Information"), QKeySequence::Print);
    QAction *exportInfo = addItem(file, "ExportItem", QStringLiteral("&Export Session Info..."),
                                  QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    QAction *closeWindow = addItem(file, "CloseWindowItem", QStringLiteral("&Close Account Window"),
                                   QKeySequence(Qt::CTRL | Qt::Key_W));
    m_closeAndExitItem = addItem(file, "CloseAndExitItem", QStringLiteral("Close And &Exit Tallyline"));

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction *bill = addItem(view, "BillItem", QStringLiteral("Account &Bill"), QKeySequence(Qt::CTRL | Qt::Key_B));
    QAction *reports = addItem(view, "ReportsItem", QStringLiteral("&Session Reports"),
                               QKeySequence(Qt::CTRL | Qt::Key_R));
    view->addSeparator();
    QAction *tools = addItem(view, "InternetToolsItem", QStringLiteral("Internet Tools"));

    QMenu *options = menuBar()->addMenu(QStringLiteral("&Options"));
    QAction *settings = addItem(options, "SettingsItem", QStringLiteral("&Settings"));
    QAction *wizard = addItem(options, "WizardItem", QStringLiteral("Setup &Wizard"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction *helpIndex = addItem(help, "HelpIndexItem", QStringLiteral("&Help Index"), QKeySequence::HelpContents);
    QAction *tip = addItem(help, "TipItem", QStringLiteral("&Tip Of The Day"));
    help->addSeparator();
    QAction *about = addItem(help, "AboutItem", QStringLiteral("&About Tallyline"));
    QAction *contact = addItem(help, "ContactItem", QStringLiteral("&Contact Information"));

    m_toolBar = addToolBar(QStringLiteral("Tool bar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_logInButton = addButton(m_toolBar, "LogInButton", QStyle::SP_DialogYesButton, QStringLiteral("User Login"));
    m_logOutButton = addButton(m_toolBar, "LogOutButton", QStyle::SP_DialogNoButton, QStringLiteral("User Logout"));
    m_toolBar->addSeparator();
    m_openSessionButton = addButton(m_toolBar, "OpenSessionButton", QStyle::SP_MediaPlay, QStringLiteral("Open Session"));
    m_closeSessionButton =
        addButton(m_toolBar, "CloseSessionButton", QStyle::SP_MediaStop, QStringLiteral("Close Session"));
    m_toolBar->addSeparator();
    QAction *printButton = addButton(m_toolBar, "PrintButton", QStyle::SP_FileDialogDetailedView, QStringLiteral("Print"));
    QAction *billButton = addButton(m_toolBar, "BillButton", QStyle::SP_FileDialogContentsView, QStringLiteral("Account Bill"));
    QAction *reportsButton =
        addButton(m_toolBar, "ReportsButton", QStyle::SP_FileDialogInfoView, QStringLiteral("Account Reports"));
    QAction *settingsButton = addButton(m_toolBar, "SettingsButton", QStyle::SP_ComputerIcon, QStringLiteral("Settings"));
    m_toolBar->addSeparator();
    QAction *helpButton = addButton(m_toolBar, "HelpButton", QStyle::SP_DialogHelpButton, QStringLiteral("Help"));

    for (QAction *settingsCommand : {settings, settingsButton})
        connect(settingsCommand, &QAction::triggered, this, [this] {
            PROCEDURE_GUARD(m_ctx, "Properties", "Settings1Click");
            if (SettingsUnlocked(m_ctx))
                m_ctx.ui.showWindow(UiWindow::Settings);
        });

    const auto opens = [this](QAction *item, UiWindow window) {
        connect(item, &QAction::triggered, this, [this, window] { m_ctx.ui.showWindow(window); });
    };
    opens(printSetup, UiWindow::PrintSetup);
    for (QAction *item : {print, printButton})
        opens(item, UiWindow::SessionPrint);
    for (QAction *item : {reports, reportsButton})
        opens(item, UiWindow::Reports);
    // The bill only while someone is logged in.
    for (QAction *item : {bill, billButton}) {
        opens(item, UiWindow::AccountBill);
        item->setEnabled(m_ctx.login.LoggedIn);
        connect(&m_ctx.events, &EngineEvents::userLoggedIn, item, [item] { item->setEnabled(true); });
        connect(&m_ctx.events, &EngineEvents::userLoggedOut, item, [item] { item->setEnabled(false); });
    }
    connect(exportInfo, &QAction::triggered, this, [this] {
        const int entry = m_sessionPeriodCombo->currentIndex();
        ExportSessionInfo(m_ctx, this, m_sessionPeriodCombo->currentText(), PeriodListSpan(m_sessionPeriods, entry));
    });

    for (QAction *logIn : {m_logInItem, m_logInButton})
        connect(logIn, &QAction::triggered, this, [this] {
            PROCEDURE_GUARD(m_ctx, "Properties", "UserLogin1Click");
            ShowLoginForm(m_ctx);
        });
    for (QAction *logOut : {m_logOutItem, m_logOutButton})
        connect(logOut, &QAction::triggered, this, [this] {
            PROCEDURE_GUARD(m_ctx, "Properties", "UserLogout1Click");
            LogOutUser(m_ctx);
        });
    connect(m_onlineDetectionItem, &QAction::triggered, this, [this] {
        PROCEDURE_GUARD(m_ctx, "Properties", "AutomaticOnlineDetection1Click");
        ToggleOnlineDetection(m_ctx);
        // The check mark shows the switch, not the click.
        m_onlineDetectionItem->setChecked(m_ctx.shell.AutoDetectionEnabled);
    });
    for (QAction *open : {m_openSessionItem, m_openSessionButton})
        connect(open, &QAction::triggered, this, [this] { OpenSessionByHand(m_ctx); });
    for (QAction *closeSession : {m_closeSessionItem, m_closeSessionButton})
        connect(closeSession, &QAction::triggered, this, [this] { CloseSessionByHand(m_ctx); });
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    connect(m_closeAndExitItem, &QAction::triggered, this, &TMainForm::onCloseAndExitTriggered);
    connect(wizard, &QAction::triggered, this, [this] {
        PROCEDURE_GUARD(m_ctx, "Properties", "SetupWizard1Click");
        if (WizardUnlocked(m_ctx))
            m_ctx.ui.showWindow(UiWindow::SetupWizard);
    });
    connect(helpIndex, &QAction::triggered, this, [this] { m_ctx.ui.showHelp(QString()); });
    connect(helpButton, &QAction::triggered, this, &TMainForm::onHelpButtonClicked);
    connect(tools, &QAction::triggered, this, [this] { m_ctx.ui.showWindow(UiWindow::InternetTools); });
    connect(tip, &QAction::triggered, this, [this] { m_ctx.ui.showWindow(UiWindow::TipOfTheDay); });
    connect(about, &QAction::triggered, this, [this] { Q_EMIT informationRequested(false); });
    connect(contact, &QAction::triggered, this, [this] { Q_EMIT informationRequested(true); });
}

QWidget *TMainForm::buildSessionsPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_sessionPeriodCombo = makePickList("AccountComboBox");
    m_sessionIspCombo = makePickList("SessionISPComboBox");
    layout->addLayout(pickerRows(QStringLiteral("Online session information for account period :"),
                                 m_sessionPeriodCombo, QStringLiteral("Show session information for ISP:"),
                                 m_sessionIspCombo));

    m_sessionList = makeList(m_sessionModel, "SessionListView");
    m_sessionList->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_sessionList, 1);

    auto *buttons = new QHBoxLayout;
    m_editSessionButton = new QPushButton(QStringLiteral("&Edit"));
    m_editSessionButton->setObjectName(QStringLiteral("EditSessionButton"));
    m_removeSessionButton = new QPushButton(QStringLiteral("&Remove"));
    m_removeSessionButton->setObjectName(QStringLiteral("RemoveSessionButton"));
    buttons->addStretch(1);
    buttons->addWidget(m_editSessionButton);
    buttons->addWidget(m_removeSessionButton);
    layout->addLayout(buttons);

    m_sessionListMenu = new QMenu(this);
    QAction *editItem = addItem(m_sessionListMenu, "SessionEditItem", QStringLiteral("&Edit"));
    QAction *removeItem = addItem(m_sessionListMenu, "SessionRemoveItem", QStringLiteral("&Remove"));

    for (QComboBox *combo : {m_sessionPeriodCombo, m_sessionIspCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                UpdateSessionInfoList(-1);
        });
    connect(m_editSessionButton, &QPushButton::clicked, this, &TMainForm::onEditSessionClicked);
    connect(m_removeSessionButton, &QPushButton::clicked, this, &TMainForm::onRemoveSessionClicked);
    connect(m_sessionList, &QWidget::customContextMenuRequested, this, &TMainForm::onSessionListMenu);
    connect(m_sessionList, &QAbstractItemView::doubleClicked, this, &TMainForm::onSessionDoubleClicked);
    // The pop-up items act only while session editing is allowed.
    connect(editItem, &QAction::triggered, this, [this] {
        if (!RestrictionApplies(m_ctx, DisableSessionEditing))
            onEditSessionClicked();
    });
    connect(removeItem, &QAction::triggered, this, [this] {
        if (!RestrictionApplies(m_ctx, DisableSessionEditing))
            onRemoveSessionClicked();
    });
    return page;
}

QWidget *TMainForm::buildPerformancePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_performancePeriodCombo = makePickList("AccountComboBox2");
    m_performanceIspCombo = makePickList("PerformanceISPComboBox");
    layout->addLayout(pickerRows(QStringLiteral("Show performance data for account period :"),
                                 m_performancePeriodCombo, QStringLiteral("Show performance data for ISP:"),
                                 m_performanceIspCombo));
    m_performanceList = makeList(m_performanceModel, "PerformanceListView");
    layout->addWidget(m_performanceList, 1);

    for (QComboBox *combo : {m_performancePeriodCombo, m_performanceIspCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                UpdatePerformanceList();
        });
    return page;
}

void TMainForm::connectEngineEvents()
{
    EngineEvents &events = m_ctx.events;
    connect(&events, &EngineEvents::sessionPriced, this, &TMainForm::onSessionPriced);
    connect(&events, &EngineEvents::accountTotalsChanged, this, &TMainForm::onAccountTotalsChanged);
    connect(&events, &EngineEvents::sessionRecordChanged, this, &TMainForm::onSessionRecordChanged);
    for (auto signal : {&EngineEvents::sessionOpened, &EngineEvents::sessionClosed})
        connect(&events, signal, this, [this] {
            m_liveSession = 0;
            m_liveRowSought = false;
            applySessionState();
            UpdateSessionInfoList(-1);
            UpdatePerformanceList();
        });
    connect(&events, &EngineEvents::accountPeriodRolledOver, this, [this] {
        fillPeriodLists();
        UpdateSessionInfoList(-1);
        UpdatePerformanceList();
    });
    connect(&events, &EngineEvents::userLoggedIn, this, &TMainForm::refreshForLogin);
    // A user record was stored or removed: the logged-in user's account
    // period may have changed with it.
    connect(&events, &EngineEvents::userListChanged, this, [this] {
        if (!m_ctx.login.LoggedIn)
            return;
        fillPeriodLists();
        UpdateSessionInfoList(-1);
        UpdatePerformanceList();
    });
    connect(&events, &EngineEvents::userLoggedOut, this, &TMainForm::clearForLogout);
    connect(&events, &EngineEvents::restrictionsChanged, this, &TMainForm::applyRestrictions);
    connect(&events, &EngineEvents::menuStateChanged, this, &TMainForm::applySessionState);
    connect(&events, &EngineEvents::onlineDetectionToggled, m_onlineDetectionItem, &QAction::setChecked);
    connect(&events, &EngineEvents::settingsApplied, this, &TMainForm::applySettings);
}

// The settings dialog's OK: toolbar, exit item, grid lines and shown columns
// as now set, and both lists rebuilt.
void TMainForm::applySettings()
{
    applyToolBarStyle();
    m_closeAndExitItem->setEnabled(m_ctx.settings.AllowToBeExited);
    // Widths the user dragged since the window opened are kept.
    storeWindowSizes();
    applyColumnWidths();
    UpdateSessionInfoList(-1);
    UpdatePerformanceList();
}

QAction *TMainForm::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void TMainForm::showAccountWindow()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "FormShow");
    const Settings &s = m_ctx.settings;
    if (s.MainWindowWidth > 0 && s.MainWindowHeight > 0)
        resize(s.MainWindowWidth, s.MainWindowHeight);
    fillIspLists();
    refreshForLogin();
    applyColumnWidths();
    m_logOutItem->setEnabled(true);
    m_logOutButton->setEnabled(true);
    m_tipTimer.start();
    show();
    raise();
    activateWindow();
}

// A list knows its height only once it is laid out on screen: a list
// rebuilt while its page is hidden scrolls to its end when the page shows.
void TMainForm::scrollToEnd(QTableView *list)
{
    m_scrollPending.insert(list);
    if (list->isVisible())
        QTimer::singleShot(0, this, [this] { scrollPendingLists(); });
}

void TMainForm::scrollPendingLists()
{
    for (QTableView *list : {m_sessionList, m_performanceList}) {
        if (list->isVisible() && m_scrollPending.remove(list))
            list->scrollToBottom();
    }
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, [this] { scrollPendingLists(); });
}

// What a login (or showing the window) does to it: everything reloaded for
// the current user.
void TMainForm::refreshForLogin()
{
    fillPeriodLists();
    applyRestrictions();
    UpdateSessionInfoList(-1);
    UpdatePerformanceList();
    m_alarmsPage->UpdateAlarmsList();
    m_applicationsPage->UpdateProgramsList();
    fillUserAccountList();
    m_phoneChargesPage->refresh();
    const bool admin = m_ctx.login.AdminSession;
    m_statusPanels[0]->setText(admin ? QStringLiteral("ADMIN") : m_ctx.login.CurrentUserName);
    m_userAccountLabel->setVisible(admin);
    m_userAccountCombo->setVisible(admin);
    m_pages->setCurrentIndex(SessionsPage);
    m_statusPanels[1]->setText(QStringLiteral("Time online : NA"));
    m_statusPanels[2]->setText(QStringLiteral("Session Cost : NA"));
    m_statusPanels[3]->setText(FormatAccountCostStatusText(m_ctx, m_ctx.pricing.AccountCost));
    m_onlineDetectionItem->setChecked(m_ctx.shell.AutoDetectionEnabled);
    m_logOutItem->setEnabled(true);
    m_logOutButton->setEnabled(true);
    applySessionState();
}

void TMainForm::clearForLogout()
{
    m_statusPanels[0]->setText(QStringLiteral("Not logged in"));
    m_statusPanels[1]->setText(QStringLiteral("Time online : NA"));
    m_statusPanels[2]->setText(QStringLiteral("Session Cost : NA"));
    m_statusPanels[3]->setText(QStringLiteral("Account Cost : NA"));
    m_sessionModel->clear();
    m_performanceModel->clear();
    m_alarmsPage->clear();
    m_applicationsPage->clear();
    m_usersPage->clear();
    m_filling = true;
    m_sessionPeriodCombo->clear();
    m_filling = false;
    m_sessionPeriods = {};
    for (Page p : {ApplicationsPage, SessionsPage, PerformancePage, PhoneChargesPage, SpecialChargesPage})
        showPage(p, false);
    m_logOutItem->setEnabled(false);
    m_logOutButton->setEnabled(false);
    close();
}

void TMainForm::showPage(Page page, bool shown)
{
    m_pages->setTabVisible(page, shown);
}

void TMainForm::fillPeriodLists()
{
    m_filling = true;
    m_sessionPeriods = FillAccountComboBox(m_ctx);
    for (QComboBox *combo : {m_sessionPeriodCombo, m_performancePeriodCombo}) {
        combo->clear();
        combo->addItems(m_sessionPeriods.texts);
        combo->setCurrentIndex(m_sessionPeriods.selected >= 0 ? m_sessionPeriods.selected
                                                              : (combo->count() > 0 ? 0 : -1));
    }
    m_filling = false;
}

void TMainForm::fillIspLists()
{
    m_filling = true;
    const QStringList entries = IspFilterEntries(m_ctx);
    for (QComboBox *combo : {m_sessionIspCombo, m_performanceIspCombo}) {
        combo->clear();
        combo->addItems(entries);
        if (combo->count() > 1)
            combo->setCurrentIndex(0);
    }
    m_filling = false;
}

void TMainForm::fillUserAccountList()
{
    m_usersPage->UpdateUsersList();
}

void TMainForm::onUserAccountChosen(int index)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "UserNameComboClick");
    if (index < 0 || index + 1 == m_ctx.login.CurrentUser)
        return;
    if (!SwitchUserAccount(m_ctx, m_userAccountCombo->itemText(index)))
        m_userAccountCombo->setCurrentIndex(m_ctx.login.CurrentUser - 1);
}

void TMainForm::applyColumnWidths()
{
    Settings &s = m_ctx.settings;
    // A column without a saved width starts at its design width, widened to
    // what its caption and the listed texts need in this font.
    const auto apply = [](QTableView *list, int columns, const auto &shown, auto &widths, auto designWidth) {
        QHeaderView *header = list->horizontalHeader();
        for (int c = 0; c < columns; ++c) {
            if (widths[c] <= 0) {
                const int design = designWidth(c);
                widths[c] = std::max({design > 0 ? design : header->defaultSectionSize(), header->sectionSizeHint(c),
                                      static_cast<QAbstractItemView *>(list)->sizeHintForColumn(c)});
            }
            list->setColumnWidth(c, widths[c]);
            list->setColumnHidden(c, !shown[c]);
        }
    };
    apply(m_sessionList, SessionListModel::ColumnCount, s.SessionListDisplay, s.SessionColumn,
          &SessionListModel::designWidth);
    apply(m_performanceList, PerformanceListModel::ColumnCount, s.PerformanceListDisplay, s.PerformanceColumn,
          &PerformanceListModel::designWidth);
    m_sessionList->setShowGrid(s.ShowGridLines);
    m_performanceList->setShowGrid(s.ShowGridLines);
}

void TMainForm::storeWindowSizes()
{
    Settings &s = m_ctx.settings;
    for (int c = 0; c < SessionListModel::ColumnCount; ++c)
        s.SessionColumn[c] = m_sessionList->isColumnHidden(c) ? 0 : m_sessionList->columnWidth(c);
    for (int c = 0; c < PerformanceListModel::ColumnCount; ++c)
        s.PerformanceColumn[c] = m_performanceList->isColumnHidden(c) ? 0 : m_performanceList->columnWidth(c);
    s.MainWindowWidth = width();
    s.MainWindowHeight = height();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    m_tipTimer.stop();
    storeWindowSizes();
    try {
        WriteSettingsToDatabase(m_ctx);
    } catch (...) {
        // The window closes all the same; the report says what went wrong.
        GlobalErrorHandler(m_ctx, std::current_exception());
    }
    QMainWindow::closeEvent(event);
}

void TMainForm::applyToolBarStyle()
{
    // Raised buttons with a thin border, or flat ones with a wider margin.
    const bool standard = m_ctx.settings.UseStandardToolbar;
    m_toolBar->setStyleSheet(standard ? QStringLiteral("QToolButton { border: 1px outset palette(mid); margin: 1px; }")
                                      : QStringLiteral("QToolButton { margin: 3px; }"));
}

void TMainForm::applyRestrictions()
{
    // Everything back on, then each restriction in force takes its share.
    for (int p = 0; p < PageCount; ++p)
        showPage(Page(p), p != SpecialChargesPage);
    m_editSessionButton->setVisible(true);
    m_removeSessionButton->setVisible(true);
    if (RestrictionApplies(m_ctx, DisableUserEditing))
        showPage(UsersPage, false);
    if (RestrictionApplies(m_ctx, DisableSessionEditing)) {
        m_editSessionButton->setVisible(false);
        m_removeSessionButton->setVisible(false);
    }
    m_alarmsPage->applyRestrictions();
    m_applicationsPage->applyRestrictions();
    m_phoneChargesPage->applyRestrictions();
    applySessionState();
}

void TMainForm::applySessionState()
{
    const bool open = m_ctx.shell.SessionOpen;
    m_openSessionItem->setEnabled(!open);
    m_openSessionButton->setEnabled(!open);
    m_closeSessionItem->setEnabled(open);
    m_closeSessionButton->setEnabled(open);
    m_onlineDetectionItem->setEnabled(m_ctx.settings.AutoOpenSession
                                      && !RestrictionApplies(m_ctx, DisableTimezoneEditing));
    m_onlineDetectionItem->setChecked(m_ctx.shell.AutoDetectionEnabled);
    m_phoneChargesPage->applySessionState();
}

// The period a pick list has chosen; none while it is empty. Both lists
// hold the same periods.
std::optional<AccountPeriod> TMainForm::chosenPeriod(const QComboBox *combo) const
{
    const int entry = combo->currentIndex();
    if (entry < 0 || entry >= m_sessionPeriods.periods.size())
        return std::nullopt;
    return m_sessionPeriods.periods[entry];
}

bool TMainForm::currentPeriodSelected() const
{
    return m_sessionPeriodCombo->count() > 0 && m_sessionPeriodCombo->currentIndex() == m_sessionPeriodCombo->count() - 1;
}

namespace {

// The ISP filter of a pick list: none while "All ISP's" is chosen.
QString ispFilterOf(const QComboBox *combo)
{
    return combo->currentIndex() <= 0 ? QString() : combo->currentText();
}

} // namespace

void TMainForm::UpdateSessionInfoList(int row)
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateSessionInfoList");
    if (!m_ctx.login.LoggedIn)
        return;
    const std::optional<AccountPeriod> period = chosenPeriod(m_sessionPeriodCombo);
    if (!period) {
        m_sessionModel->clear();
        return;
    }
    {
        BusyCursor busy;
        m_sessionList->setShowGrid(m_ctx.settings.ShowGridLines);
        m_sessionModel->rebuild(period->start, period->end, ispFilterOf(m_sessionIspCombo));
    }
    const int rows = m_sessionModel->rowCount();
    if (rows == 0)
        return;
    if (row < 0 || row >= rows) {
        scrollToEnd(m_sessionList);
        return;
    }
    m_scrollPending.remove(m_sessionList);
    const QModelIndex index = m_sessionModel->index(row, 0);
    m_sessionList->scrollTo(index);
    m_sessionList->selectRow(row);
}

void TMainForm::UpdatePerformanceList()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdatePerformanceList");
    if (!m_ctx.login.LoggedIn)
        return;
    const std::optional<AccountPeriod> period = chosenPeriod(m_performancePeriodCombo);
    if (!period) {
        m_performanceModel->clear();
        return;
    }
    {
        BusyCursor busy;
        m_performanceModel->rebuild(period->start, period->end, ispFilterOf(m_performanceIspCombo));
    }
    m_performanceList->clearSelection();
    scrollToEnd(m_performanceList);
}

void TMainForm::onSessionPriced(const SessionSnapshot &snapshot)
{
    const std::array<QString, 3> panels = FormatSessionStatusTexts(m_ctx, snapshot);
    for (int i = 0; i < 3; ++i)
        m_statusPanels[i + 1]->setText(panels[i]);

    // The open session's rows follow each tick while the current period is
    // shown. Its record is the last of its day once the first write made it.
    if (!currentPeriodSelected() || m_sessionModel->rowCount() <= 1 || m_ctx.recordWrites.openRecordUnnumbered)
        return;
    if (m_liveSession <= 0)
        m_liveSession = ReadNumberOfSessions(m_ctx.store, m_ctx.login.CurrentUser, snapshot.sessionDay);
    int sessionRow = m_sessionModel->rowOf(snapshot.sessionDay, m_liveSession);
    if (sessionRow < 0 && !m_liveRowSought) {
        // The record was made after the lists were last built.
        m_liveRowSought = true;
        UpdateSessionInfoList(-1);
        UpdatePerformanceList();
        sessionRow = m_sessionModel->rowOf(snapshot.sessionDay, m_liveSession);
    }
    if (sessionRow >= 0) {
        m_sessionModel->setLiveTexts(sessionRow, FormatLiveSessionRow(m_ctx, snapshot));
        blinkRow(m_sessionList, sessionRow);
    }
    const int performanceRow = m_performanceModel->rowOf(snapshot.sessionDay, m_liveSession);
    if (performanceRow >= 0) {
        m_performanceModel->setLiveTexts(performanceRow, FormatLivePerformanceRow(snapshot));
        blinkRow(m_performanceList, performanceRow);
    }
}

void TMainForm::blinkRow(QTableView *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->select(index, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TMainForm::onAccountTotalsChanged(const AccountTotals &totals)
{
    if (m_ctx.login.LoggedIn)
        m_statusPanels[3]->setText(FormatAccountCostStatusText(m_ctx, totals.cost));
}

void TMainForm::onSessionRecordChanged(DateTime day, int session)
{
    m_liveSession = 0;
    int row = m_rowAfterRemoval;
    m_rowAfterRemoval = -2;
    if (row == -2) {
        // An edit: the list comes back at the edited session.
        UpdateSessionInfoList(-1);
        row = m_sessionModel->rowOf(day, session);
        if (row >= 0) {
            m_sessionList->scrollTo(m_sessionModel->index(row, 0));
            m_sessionList->selectRow(row);
        }
    } else {
        UpdateSessionInfoList(row);
    }
    UpdatePerformanceList();
}

int TMainForm::selectedSessionRow() const
{
    const QModelIndexList rows = m_sessionList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// The selected row when it is a session that may be changed now; -1 for no
// selection or a separator row. While a session is open the user is told
// to close it first.
int TMainForm::changeableSessionRow()
{
    const int row = selectedSessionRow();
    if (row < 0)
        return -1;
    if (m_ctx.shell.SessionOpen) {
        m_ctx.ui.showMessage(MessageKind::Confirmation, QStringLiteral("Please close the current session first."));
        return -1;
    }
    return m_sessionModel->sessionNumber(row) > 0 ? row : -1;
}

void TMainForm::onRemoveSessionClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "RemoveSessionButtonClick");
    const int row = changeableSessionRow();
    if (row < 0)
        return;
    const int session = m_sessionModel->sessionNumber(row);
    m_rowAfterRemoval = RowAfterRemoval(row, [this](int r) { return m_sessionModel->sessionNumber(r) < 0; });
    if (!RemoveListedSession(m_ctx, m_sessionModel->rowDay(row), session))
        m_rowAfterRemoval = -2;
}

void TMainForm::onEditSessionClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "EditSessionButtonClick");
    const int row = changeableSessionRow();
    if (row >= 0)
        Q_EMIT editSessionRequested(m_sessionModel->rowDay(row), m_sessionModel->sessionNumber(row),
                                    m_sessionModel->rowConnection(row));
}

void TMainForm::onSessionListMenu(const QPoint &position)
{
    m_sessionListMenu->popup(m_sessionList->viewport()->mapToGlobal(position));
}

void TMainForm::onSessionDoubleClicked()
{
    if (!RestrictionApplies(m_ctx, DisableSessionEditing))
        onEditSessionClicked();
}

void TMainForm::onCloseAndExitTriggered()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "CloseAndExit1Click");
    if (m_ctx.settings.PromptOnExit
        && !m_ctx.ui.confirm(QStringLiteral("Are you sure you want to exit Tallyline?, doing so will mean internet "
                                            "sessions will no longer be monitored.")))
        return;
    Q_EMIT exitRequested();
}

void TMainForm::onHelpButtonClicked()
{
    const int page = m_pages->currentIndex();
    if (page >= 0 && page < PageCount)
        m_ctx.ui.showHelp(QString::fromLatin1(PageHelpTopics[page]));
}

void TMainForm::onTipTimer()
{
    if (m_ctx.settings.ShowTipForm)
        Q_EMIT startupTipDue();
}

#pragma once

#include "account_window/AccountPeriodList.h"
#include "core/DateTime.h"

#include <QDialog>
#include <QMainWindow>
#include <QSet>
#include <QTimer>

#include <array>
#include <optional>

class AlarmsPageWidget;
class ApplicationsPageWidget;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolBar;
class PerformanceListModel;
class PhoneChargesPage;
class SessionListModel;
class UsersPageWidget;
struct AppContext;
struct AccountTotals;
struct SessionSnapshot;

// "Tallyline Account Information": the logged-in user's sessions and their
// traffic, period by period, with the pages of tariffs, programs, alarms and
// users. It follows the engine's events (a priced tick, a session opened or
// closed, totals recomputed, a login) and asks the owner for the windows it
// opens.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // The pages in tab order.
    enum Page { ApplicationsPage, SessionsPage, PerformancePage, PhoneChargesPage, SpecialChargesPage, AlarmsPage,
                UsersPage, PageCount };

    explicit TMainForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Brings the window up for the logged-in user: saved sizes, both lists
    // filled for the current period, restrictions, menus, status bar.
    void showAccountWindow();

    // Rebuilds the session list; row -1 scrolls to the last row, any other
    // row is scrolled to and selected.
    void UpdateSessionInfoList(int row);
    void UpdatePerformanceList();

    // Puts the window's size and its 22 column widths into the settings
    // (closing the window also saves them).
    void storeWindowSizes();

    QTabWidget *pages() const { return m_pages; }
    QWidget *page(Page page) const { return m_pageWidgets[page]; }
    QTableView *sessionList() const { return m_sessionList; }
    QTableView *performanceList() const { return m_performanceList; }
    SessionListModel *sessionModel() const { return m_sessionModel; }
    PerformanceListModel *performanceModel() const { return m_performanceModel; }
    QComboBox *sessionPeriodCombo() const { return m_sessionPeriodCombo; }
    QComboBox *performancePeriodCombo() const { return m_performancePeriodCombo; }
    QComboBox *sessionIspCombo() const { return m_sessionIspCombo; }
    QComboBox *performanceIspCombo() const { return m_performanceIspCombo; }
    UsersPageWidget *usersPage() const { return m_usersPage; }
    AlarmsPageWidget *alarmsPage() const { return m_alarmsPage; }
    ApplicationsPageWidget *applicationsPage() const { return m_applicationsPage; }
    QComboBox *userAccountCombo() const { return m_userAccountCombo; }
    QLabel *userAccountLabel() const { return m_userAccountLabel; }
    QPushButton *editSessionButton() const { return m_editSessionButton; }
    QPushButton *removeSessionButton() const { return m_removeSessionButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QLabel *statusPanel(int index) const { return m_statusPanels[index]; }
    QToolBar *toolBar() const { return m_toolBar; }
    QMenu *sessionListMenu() const { return m_sessionListMenu; }
    ::PhoneChargesPage *phoneChargesPage() const { return m_phoneChargesPage; }
    // A menu item or tool button by its object name.
    QAction *action(const QString &objectName) const;
    const AccountPeriodList &sessionPeriods() const { return m_sessionPeriods; }
    // The one-shot timer of the tip of the day after showing.
    const QTimer &tipTimer() const { return m_tipTimer; }

Q_SIGNALS:
    // The owner opens the session editor on the row's session.
    void editSessionRequested(DateTime day, int session, const QString &connection);
    // The owner opens the user editor, the alarm editor or the program
    // dialog, modally, on a record of the current user (0: a new one).
    void userEditorRequested(int user);
    void alarmEditorRequested(int alarm);
    void programEditorRequested(int program);
    // "Close And &Exit Tallyline" was confirmed.
    void exitRequested();
    // "&About Tallyline" or "&Contact Information".
    void informationRequested(bool contact);
    // 200 ms after showing, when the settings want the tip of the day; the
    // owner shows it once per run.
    void startupTipDue();
    // A modal editor of a page (the tariff dialogs) for the owner to run.
    void dialogRequested(QDialog *dialog);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenusAndToolBar();
    QWidget *buildSessionsPage();
    QWidget *buildPerformancePage();
    void connectEngineEvents();

    void fillPeriodLists();
    void fillIspLists();
    void fillUserAccountList();
    void applyColumnWidths();
    void applyRestrictions();
    void applySessionState();
    void applyToolBarStyle();
    void applySettings();
    void refreshForLogin();
    void clearForLogout();
    void showPage(Page page, bool shown);

    void onSessionPriced(const SessionSnapshot &snapshot);
    void onAccountTotalsChanged(const AccountTotals &totals);
    void onSessionRecordChanged(DateTime day, int session);
    void onRemoveSessionClicked();
    void onEditSessionClicked();
    void onSessionListMenu(const QPoint &position);
    void onSessionDoubleClicked();
    void onCloseAndExitTriggered();
    void onUserAccountChosen(int index);
    void onHelpButtonClicked();
    void onTipTimer();
    void blinkRow(QTableView *list, int row);
    void scrollToEnd(QTableView *list);
    void scrollPendingLists();
    int selectedSessionRow() const;
    int changeableSessionRow();
    std::optional<AccountPeriod> chosenPeriod(const QComboBox *combo) const;
    bool currentPeriodSelected() const;

    AppContext &m_ctx;
    SessionListModel *m_sessionModel = nullptr;
    PerformanceListModel *m_performanceModel = nullptr;
    AccountPeriodList m_sessionPeriods;
    // The open session's record number within its day, once known.
    int m_liveSession = 0;
    // The lists were rebuilt once to find the open session's row.
    bool m_liveRowSought = false;
    // The row to select once a removal has rebuilt the list; -2 for none.
    int m_rowAfterRemoval = -2;
    bool m_filling = false;
    QSet<QTableView *> m_scrollPending;

    QTabWidget *m_pages = nullptr;
    std::array<QWidget *, PageCount> m_pageWidgets{};
    UsersPageWidget *m_usersPage = nullptr;
    AlarmsPageWidget *m_alarmsPage = nullptr;
    ApplicationsPageWidget *m_applicationsPage = nullptr;
    QToolBar *m_toolBar = nullptr;
    QTableView *m_sessionList = nullptr;
    QTableView *m_performanceList = nullptr;
    QComboBox *m_sessionPeriodCombo = nullptr;
    QComboBox *m_performancePeriodCombo = nullptr;
    QComboBox *m_sessionIspCombo = nullptr;
    QComboBox *m_performanceIspCombo = nullptr;
    QComboBox *m_userAccountCombo = nullptr;
    QLabel *m_userAccountLabel = nullptr;
    QPushButton *m_editSessionButton = nullptr;
    QPushButton *m_removeSessionButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QMenu *m_sessionListMenu = nullptr;
    ::PhoneChargesPage *m_phoneChargesPage = nullptr;
    std::array<QLabel *, 4> m_statusPanels{};

    QAction *m_logInItem = nullptr;
    QAction *m_logOutItem = nullptr;
    QAction *m_onlineDetectionItem = nullptr;
    QAction *m_openSessionItem = nullptr;
    QAction *m_closeSessionItem = nullptr;
    QAction *m_closeAndExitItem = nullptr;
    QAction *m_logInButton = nullptr;
    QAction *m_logOutButton = nullptr;
    QAction *m_openSessionButton = nullptr;
    QAction *m_closeSessionButton = nullptr;

    QTimer m_tipTimer;
};

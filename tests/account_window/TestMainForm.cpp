#include "account_window/LiveRows.h"
#include "account_window/MainForm.h"
#include "account_window/SessionLists.h"
#include "app/MainAppForm.h"
#include "app/MainTimer.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "dialogs/TipOfTheDayForm.h"
#include "session/EditSessionForm.h"
#include "core/AppContext.h"
#include "session/SessionRecord.h"
#include "store/SettingsRecord.h"
#include "support/Screenshot.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "users/Users.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <sodium.h>

using testsupport::SeedSession;
using testsupport::SeedUser;
using testsupport::TariffSeed;

// The account window as the program opens it: the real owner, tray form and
// boxes on the simulated line, over a store with a little history.
class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensFromTheTrayOnTheCurrentPeriod();
    void theIspFilterNarrowsBothLists();
    void removesTheSelectedSessionAfterAsking();
    void editsTheSelectedSessionInItsEditor();
    void theTipOfTheDayOpensOncePerRun();
    void restrictionsHideWhatTheyMust_data();
    void restrictionsHideWhatTheyMust();
    void liveRowsAndPanelsFollowTheSession_data();
    void liveRowsAndPanelsFollowTheSession();
    void closingKeepsItsSizesAndLoggingOutClosesIt();
    void closeAndExitAsksFirst_data();
    void closeAndExitAsksFirst();
};

namespace {

DateTime at(int day, int hour, int minute = 0)
{
    return DateTimeFromQDateTime(QDateTime(QDate(2001, 1, day), QTime(hour, minute)));
}

DateTime dayOf(int day)
{
    return DateTimeFromQDate(QDate(2001, 1, day));
}

struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.settings.DisplayBillWindow = false;
        ctx.settings.ShowTipForm = false;
        admin = testsupport::AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Admin"), QStringLiteral("pw")});
        ann = testsupport::AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Ann"), QStringLiteral("pw")});
        for (int user : {admin, ann})
            TariffSeed(*temp.store, user)
                .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
                .weekBands(1, {{0, 1439, 0.60, 0, 0}})
                .bands(1, 8, {{0, 1439, 0.60, 0, 0}});
        // Three sessions on the 2nd, one each on the 9th and the 10th (today).
        TariffSeed seed(*temp.store, admin);
        seed.session({at(2, 9), 600, 1.0, 2048, 1024, QStringLiteral("Default")});
        seed.session({at(2, 13), 1200, 2.0, 1048576, 1024, QStringLiteral("Work")});
        seed.session({at(2, 20), 1800, 3.0, 1048575, 512, QStringLiteral("ANY")});
        seed.session({at(9, 8), 60, 0.5, 100, 10, QStringLiteral("Work")});
        seed.session({at(10, 7), 120, 0.25, 100, 10, QString()});
        windows.startResidentShell(ctx);
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

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
    int admin = 0;
    int ann = 0;
};

QString cell(const QAbstractItemModel *model, int row, int column)
{
    return model->index(row, column).data().toString();
}

int selectedRow(const QTableView *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void answerNextBox(const QString &button)
{
    QTimer::singleShot(0, [button] { AnswerBoxRequest(QStringLiteral("answer"), button); });
}

} // namespace

void TestMainForm::opensFromTheTrayOnTheCurrentPeriod()
{
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Tallyline Account Information"));
    QCOMPARE(window->pages()->currentIndex(), int(TMainForm::SessionsPage));
    QVERIFY(!window->pages()->isTabVisible(TMainForm::SpecialChargesPage));

    // Monthly from the account's creation in January 2000: the thirteenth
    // period is this one, and it is chosen.
    QComboBox *periods = window->sessionPeriodCombo();
    QCOMPARE(periods->itemText(0), QStringLiteral("All Months"));
    QCOMPARE(periods->currentIndex(), periods->count() - 1);
    QCOMPARE(periods->currentText(), QStringLiteral("Month 13 : 01 Jan 01 - 01 Feb 01"));
    QCOMPARE(window->sessionIspCombo()->currentText(), QStringLiteral("All ISP's"));

    // Three days, each followed by its separator, scrolled to the end.
    const SessionListModel *sessions = window->sessionModel();
    QCOMPARE(sessions->rowCount(), 8);
    QCOMPARE(cell(sessions, 0, SessionListModel::Day), QStringLiteral("Tue"));
    QCOMPARE(cell(sessions, 2, SessionListModel::Isp), QStringLiteral("Default"));
    QCOMPARE(sessions->sessionNumber(3), -1);
    QCOMPARE(cell(sessions, 6, SessionListModel::ListTime), QStringLiteral("01:03:00"));
    QCOMPARE(window->performanceModel()->rowCount(), 8);

    // The status bar and the administrator's account switch.
    QCOMPARE(window->statusPanel(0)->text(), QStringLiteral("ADMIN"));
    QCOMPARE(window->statusPanel(3)->text(), QStringLiteral("Account Cost : \u00a36.75"));
    QVERIFY(window->userAccountCombo()->isVisible());
    QCOMPARE(window->userAccountCombo()->currentText(), QStringLiteral("Admin"));

    // Every window's command is there; the session commands follow the line.
    for (const char *name : {"ReportsItem", "BillButton", "SettingsItem", "PrintItem", "ExportItem", "InternetToolsItem"})
        QVERIFY2(window->action(QLatin1String(name))->isEnabled(), name);
    QVERIFY(window->action(QStringLiteral("OpenSessionItem"))->isEnabled());
    QVERIFY(!window->action(QStringLiteral("CloseSessionButton"))->isEnabled());

    testsupport::screenshot(window, QStringLiteral("account-window-sessions"));
    window->pages()->setCurrentIndex(TMainForm::PerformancePage);
    testsupport::screenshot(window, QStringLiteral("account-window-performance"));

    // A second "Account Details" brings up the same window.
    QCOMPARE(p.openFromTray(), window);
}

void TestMainForm::theIspFilterNarrowsBothLists()
{
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    // "Default" lists what was stored as "Default", "ANY" or nothing.
    window->sessionIspCombo()->setCurrentText(QStringLiteral("Default"));
    const SessionListModel *sessions = window->sessionModel();
    QCOMPARE(sessions->rowCount(), 5);
    QCOMPARE(sessions->sessionNumber(0), 1);
    QCOMPARE(sessions->sessionNumber(1), 3);
    QCOMPARE(cell(sessions, 1, SessionListModel::DailyTime), QStringLiteral("00:40:00"));
    QCOMPARE(cell(sessions, 3, SessionListModel::ListCost), QStringLiteral("\u00a34.25"));
    // The performance list has its own filter and is left as it was.
    QCOMPARE(window->performanceModel()->rowCount(), 8);
    window->performanceIspCombo()->setCurrentText(QStringLiteral("Default"));
    QCOMPARE(window->performanceModel()->rowCount(), 5);
    QCOMPARE(cell(window->performanceModel(), 1, PerformanceListModel::Download), QStringLiteral("1024.00 k"));
}

void TestMainForm::removesTheSelectedSessionAfterAsking()
{
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    const SessionRecord third = ReadSessionDay(*p.temp.store, p.admin, dayOf(2)).sessions[2];

    // Answered No, nothing goes.
    window->sessionList()->selectRow(1);
    answerNextBox(QStringLiteral("no"));
    window->removeSessionButton()->click();
    QCOMPARE(ReadNumberOfSessions(*p.temp.store, p.admin, dayOf(2)), 3);

    // Yes: session 2 of 3 goes, the third takes its number with all its
    // values, the row above is selected and the totals drop.
    window->sessionList()->selectRow(1);
    answerNextBox(QStringLiteral("yes"));
    window->removeSessionButton()->click();
    const SessionDay day = ReadSessionDay(*p.temp.store, p.admin, dayOf(2));
    QCOMPARE(day.sessions.size(), 2);
    QCOMPARE(day.sessions[1], third);
    QCOMPARE(window->sessionModel()->rowCount(), 7);
    QCOMPARE(selectedRow(window->sessionList()), 0);
    QCOMPARE(window->statusPanel(3)->text(), QStringLiteral("Account Cost : \u00a34.75"));
    QCOMPARE(window->performanceModel()->rowCount(), 7);

    // A separator row removes nothing, and neither does anything while a
    // session is open.
    window->sessionList()->selectRow(2);
    window->removeSessionButton()->click();
    QCOMPARE(ReadNumberOfSessions(*p.temp.store, p.admin, dayOf(2)), 2);
    p.ctx.shell.SessionOpen = true;
    window->sessionList()->selectRow(0);
    answerNextBox(QStringLiteral("ok"));
    window->removeSessionButton()->click();
    p.ctx.shell.SessionOpen = false;
    QCOMPARE(ReadNumberOfSessions(*p.temp.store, p.admin, dayOf(2)), 2);
    QCOMPARE(AnswerBoxRequest(QStringLiteral("boxes"), QString()), std::optional<QString>(QStringLiteral("ok\n")));
}

void TestMainForm::editsTheSelectedSessionInItsEditor()
{
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    // The second session of the 2nd ("Work", 13:00 to 13:20) ends at 13:50 now.
    window->sessionList()->selectRow(1);
    QWidget *editorOwner = nullptr;
    bool editorCounted = false;
    QTimer::singleShot(0, [&] {
        TEditSessionForm *editor = p.windows.editSessionForm();
        editorCounted = p.windows.editorWindowOpen();
        if (!editor)
            return;
        editorOwner = editor->parentWidget();
        editor->endTimeEdit()->setText(QStringLiteral("13:50:00"));
        editor->costEdit()->setText(QStringLiteral("5"));
        editor->okButton()->click();
    });
    window->editSessionButton()->click();
    QVERIFY(editorCounted);
    QCOMPARE(editorOwner, window);
    const SessionRecord edited = ReadSessionDay(*p.temp.store, p.admin, dayOf(2)).sessions[1];
    QCOMPARE(edited.timeOnline, 3000.0);
    QCOMPARE(edited.connection, std::optional<QString>(QStringLiteral("Work")));
    // The list comes back at the edited row, with the new totals.
    QCOMPARE(selectedRow(window->sessionList()), 1);
    QCOMPARE(cell(window->sessionModel(), 1, SessionListModel::TimeOnline), QStringLiteral("00:50:00"));
    QCOMPARE(window->statusPanel(3)->text(), QStringLiteral("Account Cost : \u00a39.75"));
}

void TestMainForm::theTipOfTheDayOpensOncePerRun()
{
    Program p;
    p.ctx.settings.ShowTipForm = true;
    p.logIn(QStringLiteral("Admin"));
    QStringList tips;
    QObject closer;
    // Each tip window that comes up is read and closed.
    QTimer watch;
    connect(&watch, &QTimer::timeout, &closer, [&] {
        if (TTipOfTheDayForm *tip = p.windows.tipOfTheDayForm(); tip && tip->isVisible()) {
            tips.append(tip->tipLabel()->text());
            tip->closeButton()->click();
        }
    });
    watch.start(20);
    TMainForm *window = p.openFromTray();
    QTRY_COMPARE(tips.size(), 1);
    // Closed and opened again in the same run: no second tip.
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window = p.openFromTray();
    QTRY_VERIFY(!window->tipTimer().isActive());
    QCoreApplication::processEvents();
    QCOMPARE(tips.size(), 1);
    // The menu item shows the next one.
    window->action(QStringLiteral("TipItem"))->trigger();
    QTRY_COMPARE(tips.size(), 2);
    QVERIFY(tips[0] != tips[1]);
}

void TestMainForm::restrictionsHideWhatTheyMust_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("restrictions");
    QTest::addColumn<bool>("sessionButtons");
    QTest::addColumn<bool>("usersPage");
    QTest::addColumn<bool>("onlineDetection");
    QTest::newRow("none") << "Ann" << 0 << true << true << true;
    QTest::newRow("session editing") << "Ann" << int(DisableSessionEditing) << false << true << true;
    QTest::newRow("user editing") << "Ann" << int(DisableUserEditing) << true << false << true;
    QTest::newRow("timezone editing") << "Ann" << int(DisableTimezoneEditing) << true << true << false;
    QTest::newRow("administrator exempt") << "Admin" << (DisableSessionEditing | DisableUserEditing) << true << true
                                          << true;
}

void TestMainForm::restrictionsHideWhatTheyMust()
{
    QFETCH(QString, user);
    QFETCH(int, restrictions);
    QFETCH(bool, sessionButtons);
    QFETCH(bool, usersPage);
    QFETCH(bool, onlineDetection);
    Program p;
    const int n = user == QStringLiteral("Admin") ? p.admin : p.ann;
    p.temp.store->WriteStoreInteger(QStringLiteral("Restrictions"), TariffKeys::user(n), restrictions);
    p.logIn(user);
    TMainForm *window = p.openFromTray();
    QCOMPARE(window->editSessionButton()->isVisible(), sessionButtons);
    QCOMPARE(window->removeSessionButton()->isVisible(), sessionButtons);
    QCOMPARE(window->pages()->isTabVisible(TMainForm::UsersPage), usersPage);
    QCOMPARE(window->action(QStringLiteral("OnlineDetectionItem"))->isEnabled(), onlineDetection);
    QCOMPARE(window->userAccountCombo()->isVisible(), user == QStringLiteral("Admin"));
    QCOMPARE(window->statusPanel(0)->text(), user == QStringLiteral("Admin") ? QStringLiteral("ADMIN") : user);

    // The pop-up's "&Remove" does nothing while session editing is refused.
    if (user == QStringLiteral("Ann")) {
        TariffSeed(*p.temp.store, p.ann).session({at(10, 9), 60, 0.5, 0, 0});
        window->UpdateSessionInfoList(-1);
        p.ctx.settings.DeletePrompt = false;
        window->sessionList()->selectRow(0);
        window->sessionListMenu()->findChild<QAction *>(QStringLiteral("SessionRemoveItem"))->trigger();
        QCOMPARE(ReadNumberOfSessions(*p.temp.store, p.ann, dayOf(10)), sessionButtons ? 0 : 1);
    }
}

void TestMainForm::liveRowsAndPanelsFollowTheSession_data()
{
    // Without separators the open session's row is the last one, and the
    // row before it is today's earlier session, which must stay as it is.
    QTest::addColumn<bool>("separateDays");
    QTest::newRow("days separated") << true;
    QTest::newRow("days run on") << false;
}

void TestMainForm::liveRowsAndPanelsFollowTheSession()
{
    QFETCH(bool, separateDays);
    Program p;
    p.ctx.settings.SeperateDays = separateDays;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    TickFailureReport failures;
    window->action(QStringLiteral("OpenSessionButton"))->trigger();
    QVERIFY(p.ctx.shell.SessionOpen);
    QVERIFY(!window->action(QStringLiteral("OpenSessionItem"))->isEnabled());
    QVERIFY(window->action(QStringLiteral("CloseSessionItem"))->isEnabled());

    QList<int> selectedEachTick;
    SessionSnapshot last;
    connect(&p.ctx.events, &EngineEvents::sessionPriced, window, [&](const SessionSnapshot &s) { last = s; });
    for (int i = 0; i < 4; ++i) {
        p.clock.advanceSeconds(1);
        RunMainTick(p.ctx, failures);
        selectedEachTick.append(selectedRow(window->sessionList()));
    }
    QVERIFY(last.secondsOnline > 0);
    QCOMPARE(window->statusPanel(1)->text(), FormatSessionStatusTexts(p.ctx, last)[0]);
    QCOMPARE(window->statusPanel(2)->text(), FormatSessionStatusTexts(p.ctx, last)[1]);

    // The open session is today's second record: its row shows the tick's
    // texts and blinks.
    const SessionListModel *sessions = window->sessionModel();
    const int row = sessions->rowOf(dayOf(10), 2);
    QVERIFY(row >= 0);
    const LiveSessionRow live = FormatLiveSessionRow(p.ctx, last);
    QCOMPARE(cell(sessions, row, SessionListModel::TimeOnline), live.timeOnline);
    QCOMPARE(cell(sessions, row, SessionListModel::ListCost), live.accountCost);
    QCOMPARE(selectedEachTick, (QList<int>{row, -1, row, -1}));
    QCOMPARE(cell(sessions, sessions->rowOf(dayOf(10), 1), SessionListModel::TimeOnline), QStringLiteral("00:02:00"));
    const int performanceRow = window->performanceModel()->rowOf(dayOf(10), 2);
    QCOMPARE(cell(window->performanceModel(), performanceRow, PerformanceListModel::TimeOnline), live.timeOnline);

    // Closed by hand, the commands turn back and the list holds the record.
    window->action(QStringLiteral("CloseSessionItem"))->trigger();
    QVERIFY(!p.ctx.shell.SessionOpen);
    QVERIFY(window->action(QStringLiteral("OpenSessionButton"))->isEnabled());
    QCOMPARE(ReadNumberOfSessions(*p.temp.store, p.admin, dayOf(10)), 2);
    QCOMPARE(window->sessionModel()->rowOf(dayOf(10), 2), row);
}

void TestMainForm::closingKeepsItsSizesAndLoggingOutClosesIt()
{
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    window->resize(900, 600);
    window->sessionList()->setColumnWidth(SessionListModel::StartTime, 111);
    window->closeButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!p.windows.accountWindow());

    // Saved in the store: a fresh read finds them.
    p.ctx.settings.MainWindowWidth = 0;
    p.ctx.settings.SessionColumn = {};
    ReadSettingsFromDatabase(p.ctx);
    QCOMPARE(p.ctx.settings.MainWindowWidth, 900);
    QCOMPARE(p.ctx.settings.MainWindowHeight, 600);
    QCOMPARE(p.ctx.settings.SessionColumn[SessionListModel::StartTime], 111);
    // A hidden column is stored as 0 and comes back at its design width.
    QCOMPARE(p.ctx.settings.SessionColumn[SessionListModel::DailyTime], 0);

    window = p.openFromTray();
    QCOMPARE(window->size(), QSize(900, 600));
    QCOMPARE(window->sessionList()->columnWidth(SessionListModel::StartTime), 111);
    QVERIFY(window->sessionList()->isColumnHidden(SessionListModel::DailyTime));

    window->action(QStringLiteral("LogOutItem"))->trigger();
    QVERIFY(!window->isVisible());
    QCOMPARE(window->statusPanel(0)->text(), QStringLiteral("Not logged in"));
    QCOMPARE(window->statusPanel(3)->text(), QStringLiteral("Account Cost : NA"));
    QVERIFY(!window->pages()->isTabVisible(TMainForm::SessionsPage));
    QCOMPARE(window->sessionModel()->rowCount(), 0);
}

void TestMainForm::closeAndExitAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("yes") << "yes";
    QTest::newRow("no") << "no";
}

void TestMainForm::closeAndExitAsksFirst()
{
    QFETCH(QString, answer);
    Program p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QVERIFY(window->action(QStringLiteral("CloseAndExitItem"))->isEnabled());
    answerNextBox(answer);
    window->action(QStringLiteral("CloseAndExitItem"))->trigger();
    QCOMPARE(p.windows.exitRequested(), answer == QStringLiteral("yes"));
}

TALLYLINE_TEST_MAIN(TestMainForm)
#include "TestMainForm.moc"

#include "app/HelpForm.h"
#include "alarms/AlarmChecking.h"
#include "alarms/QuickAlarms.h"
#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/MessageBoxUi.h"
#include "app/gui/Windows.h"
#include "session/ConnectionDetection.h"
#include "session/SessionLifecycle.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "users/Users.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

using namespace testsupport;

namespace {

// The tray menu as the user reads it: captions with their submenus
// indented, "-" for a separator.
QStringList menuLines(const QMenu *menu, const QString &indent = QString())
{
    QStringList lines;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            lines.append(indent + QStringLiteral("-"));
            continue;
        }
        lines.append(indent + action->text());
        if (action->menu())
            lines += menuLines(action->menu(), indent + QStringLiteral("  "));
    }
    return lines;
}

// The names of the enabled items, in menu order.
QStringList enabledItems(const TMainAppForm &form)
{
    QStringList names;
    const QList<QAction *> items = {
        form.accountInformationItem(), form.dialConnectionItem(),    form.hangUpItem(),
        form.logInItem(),              form.logOutItem(),            form.onlineDetectionItem(),
        form.openSessionItem(),        form.closeSessionItem(),      form.quickAlarmsItem(),
        form.onlineTimeAlarmItem(),    form.specificTimeAlarmItem(), form.settingsItem(),
        form.internetToolsItem(),      form.pingItem(),              form.fingerItem(),
        form.dnsLookUpItem(),          form.hostLookUpItem(),        form.exitItem()};
    for (const QAction *item : items)
        if (item->isEnabled())
            names.append(item->objectName());
    return names;
}

struct FormFixture : SessionFixture {
    FormFixture()
    {
        addUser({QStringLiteral("Ann"), QStringLiteral("pw")});
        TariffSeed(store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 1439, 0.6, 0, 0}});
        ctx.connection.DunSpeed.StartStatistics(&network, true, true);
    }
};

} // namespace

class TestMainAppForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuCaptionsInOrder();
    void phoneBookMenuFollowsTheLine_data();
    void phoneBookMenuFollowsTheLine();
    void enabledStatesFollowLoginAndSession();
    void laterWindowsPlugIntoTheirItems();
    void quickAlarmCheckMarks();
    void exitItemAndConfirmation_data();
    void exitItemAndConfirmation();
    void trayWindowWithoutSystemTray();
    void timersAsTheFormRunsThem();
    void helpTopics_data();
    void helpTopics();
    void helpWindowShowsTheKeywordsPage();
    void boxRequests_data();
    void boxRequests();
};

void TestMainAppForm::menuCaptionsInOrder()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallyline Main App Window"));
    const QStringList expected = {
        QStringLiteral("Account Details"),
        QStringLiteral("-"),
        QStringLiteral("Dial Connection"),
        QStringLiteral("&Hang Up Current Connection"),
        QStringLiteral("-"),
        QStringLiteral("User Log In"),
        QStringLiteral("User Log Out"),
        QStringLiteral("-"),
        QStringLiteral("Automatic Online Detection"),
        QStringLiteral("Open Session."),
        QStringLiteral("Close Session"),
        QStringLiteral("Quick Alarms (one shot)"),
        QStringLiteral("  Online time alarm"),
        QStringLiteral("  Specific time alarm"),
        QStringLiteral("-"),
        QStringLiteral("&Settings"),
        QStringLiteral("&Internet Tools..."),
        QStringLiteral("  &Ping"),
        QStringLiteral("  &Finger User"),
        QStringLiteral("  &DNS Look Up"),
        QStringLiteral("  &Host Look Up"),
        QStringLiteral("-"),
        QStringLiteral("Exit"),
    };
    QCOMPARE(menuLines(form.trayMenu()), expected);
    QVERIFY(form.onlineDetectionItem()->isCheckable());
    QVERIFY(form.onlineDetectionItem()->isChecked());
    QVERIFY(form.onlineDetectionItem()->actionGroup());
}

void TestMainAppForm::phoneBookMenuFollowsTheLine_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");

    const QStringList two{QStringLiteral("DSL"), QStringLiteral("Mobile")};
    QTest::newRow("learnt after start") << QStringList() << two;
    QTest::newRow("one added") << two << QStringList{QStringLiteral("Backup"), QStringLiteral("DSL"), QStringLiteral("Mobile")};
    QTest::newRow("one removed") << two << QStringList{QStringLiteral("Mobile")};
    QTest::newRow("all gone") << two << QStringList();
    QTest::newRow("an ampersand stays a character") << two << QStringList{QStringLiteral("R&D line")};
}

// A line that learns or changes its phone book while the program runs
// (NetworkManager) has the menu rebuilt: no entry twice, none stale.
void TestMainAppForm::phoneBookMenuFollowsTheLine()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);

    FormFixture f;
    f.network.phoneBook = before;
    TMainAppForm form(f.ctx);
    LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw"));
    QCOMPARE(form.phoneBookItems().size(), before.size());

    f.network.phoneBook = after;
    Q_EMIT f.network.entriesChanged();
    QStringList entries;
    for (const QAction *item : form.phoneBookItems())
        entries.append(item->data().toString());
    QCOMPARE(entries, after);
    QMenu *dialMenu = form.dialConnectionItem()->menu();
    QStringList shown;
    for (const QAction *action : dialMenu->actions())
        shown.append(action->text());
    QStringList expected;
    for (const QString &entry : after)
        expected.append(QString(entry).replace(QLatin1Char('&'), QLatin1String("&&")));
    QCOMPARE(shown, expected);
    for (qsizetype i = 0; i < after.size(); ++i)
        QCOMPARE(form.phoneBookItems().at(i)->objectName(), QStringLiteral("DialUp%1").arg(i));
    QCOMPARE(form.dialConnectionItem()->isEnabled(), !after.isEmpty());

    // An item of the new menu dials its own entry.
    if (!after.isEmpty()) {
        form.phoneBookItems().constLast()->trigger();
        QCOMPARE(f.network.dialled, QStringList{after.constLast()});
    }
}

void TestMainAppForm::enabledStatesFollowLoginAndSession()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    // Start-up logs everybody out first.
    LogOutUser(f.ctx);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("AccountInformationItem"), QStringLiteral("LogInItem"), QStringLiteral("ExitItem")}));

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("AccountInformationItem"), QStringLiteral("LogInItem"), QStringLiteral("LogOutItem"),
                                              QStringLiteral("OnlineDetectionItem"), QStringLiteral("OpenSessionItem"),
                                              QStringLiteral("ExitItem")}));
    QVERIFY(form.onlineDetectionItem()->isChecked());

    // Online: the hang-up item, then the session.
    f.network.addConnection(3, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
    RASCheckTimerTimer(f.ctx);
    Timer1Timer(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("AccountInformationItem"), QStringLiteral("HangUpItem"), QStringLiteral("LogInItem"),
                                              QStringLiteral("LogOutItem"), QStringLiteral("OnlineDetectionItem"),
                                              QStringLiteral("CloseSessionItem"), QStringLiteral("ExitItem")}));

    // The item's check mark shows the switch.
    form.onlineDetectionItem()->trigger();
    QVERIFY(!f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(!form.onlineDetectionItem()->isChecked());
    form.onlineDetectionItem()->trigger();
    QVERIFY(f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(form.onlineDetectionItem()->isChecked());

    // Closed by hand while online: detection off, and so is its check mark.
    form.closeSessionItem()->trigger();
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!form.onlineDetectionItem()->isChecked());
    QVERIFY(form.openSessionItem()->isEnabled());
    QVERIFY(!form.closeSessionItem()->isEnabled());

    // Logging out is refused while a session is open, allowed after.
    form.openSessionItem()->trigger();
    QVERIFY(f.ctx.shell.SessionOpen);
    form.logOutItem()->trigger();
    QVERIFY(f.ctx.login.LoggedIn);
    form.closeSessionItem()->trigger();
    form.logOutItem()->trigger();
    QVERIFY(!f.ctx.login.LoggedIn);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("AccountInformationItem"), QStringLiteral("HangUpItem"), QStringLiteral("LogInItem"),
                                              QStringLiteral("ExitItem")}));
}

void TestMainAppForm::laterWindowsPlugIntoTheirItems()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    QVERIFY(!form.settingsItem()->isEnabled());
    QVERIFY(!form.quickAlarmsItem()->isEnabled());
    QVERIFY(!form.internetToolsItem()->isEnabled());

    QStringList opened;
    form.plugIn(form.settingsItem(), [&] { opened.append(QStringLiteral("settings")); });
    form.plugIn(form.onlineTimeAlarmItem(), [&] { opened.append(QStringLiteral("online time")); });
    form.plugIn(form.pingItem(), [&] { opened.append(QStringLiteral("ping")); });
    QVERIFY(form.settingsItem()->isEnabled());
    QVERIFY(form.internetToolsItem()->isEnabled());
    QVERIFY(form.pingItem()->isEnabled());
    QVERIFY(!form.fingerItem()->isEnabled());
    // Quick alarms only while a session is open.
    QVERIFY(form.quickAlarmsItem()->isEnabled());
    QVERIFY(!form.onlineTimeAlarmItem()->isEnabled());
    OpenSessionByHand(f.ctx);
    QVERIFY(form.onlineTimeAlarmItem()->isEnabled());
    QVERIFY(!form.specificTimeAlarmItem()->isEnabled());
    form.settingsItem()->trigger();
    form.onlineTimeAlarmItem()->trigger();
    form.pingItem()->trigger();
    QCOMPARE(opened, (QStringList{QStringLiteral("settings"), QStringLiteral("online time"), QStringLiteral("ping")}));
    CloseSessionByHand(f.ctx);
    QVERIFY(!form.onlineTimeAlarmItem()->isEnabled());

    // Logged out, the settings item goes grey again.
    LogOutUser(f.ctx);
    QVERIFY(!form.settingsItem()->isEnabled());

    // Account Details without a login asks for one first, and opens nothing when it fails.
    form.accountInformationItem()->trigger();
    QCOMPARE(f.ui.shows(UiWindow::Login), 1);
    QCOMPARE(f.ui.shows(UiWindow::AccountInformation), 0);
    f.ui.onShowWindow = [&](UiWindow window) {
        if (window == UiWindow::Login)
            LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw"));
    };
    form.accountInformationItem()->trigger();
    QCOMPARE(f.ui.shows(UiWindow::Login), 2);
    QCOMPARE(f.ui.shows(UiWindow::AccountInformation), 1);
}

void TestMainAppForm::exitItemAndConfirmation_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("exits");
    QTest::newRow("confirmed") << true << true << true;
    QTest::newRow("declined") << true << false << false;
    QTest::newRow("not allowed") << false << true << false;
}

void TestMainAppForm::exitItemAndConfirmation()
{
    QFETCH(bool, allowed);
    QFETCH(bool, answer);
    QFETCH(bool, exits);
    FormFixture f;
    f.ctx.settings.AllowToBeExited = allowed;
    f.ui.defaultAnswer = answer;
    TMainAppForm form(f.ctx);
    QCOMPARE(form.exitItem()->isEnabled(), allowed);
    QSignalSpy exitSpy(&form, &TMainAppForm::exitRequested);
    form.exitItem()->activate(QAction::Trigger);
    QCOMPARE(exitSpy.size(), exits ? 1 : 0);
    QCOMPARE(f.ui.messages.size(), allowed ? 1 : 0);
}

void TestMainAppForm::trayWindowWithoutSystemTray()
{
    FormFixture f;
    f.ctx.settings.AllowToBeExited = false;
    TMainAppForm form(f.ctx);
    form.AddSystemTrayIcon();
    // The offscreen desktop has no tray: the window stands in.
    QVERIFY(!form.usesTrayIcon());
    QWidget *window = form.trayWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Tallyline"));
    QVERIFY(!form.isVisible());
    auto *menuButton = window->findChild<QPushButton *>(QStringLiteral("MenuButton"));
    QVERIFY(menuButton->isEnabled());

    window->findChild<QPushButton *>(QStringLiteral("HelpButton"))->click();
    QCOMPARE(f.ui.helpTopics, QStringList{QStringLiteral("IDH_tray_menu")});

    // Closing it is the close request: a user who may not exit gets a new instance.
    QSignalSpy closeSpy(&form, &TMainAppForm::closeRequested);
    window->close();
    QCOMPARE(closeSpy.size(), 1);
    QCOMPARE(closeSpy[0][0].toBool(), true);
    QCOMPARE(f.ui.beeps, 1);
    window->close();
    QCOMPARE(closeSpy.size(), 1);
    form.RemoveSystemTrayIcon();
    QVERIFY(!window->isVisible());
}

void TestMainAppForm::timersAsTheFormRunsThem()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    QCOMPARE(form.Timer1.interval(), 500);
    QCOMPARE(form.RASCheckTimer.interval(), 1000);
    QCOMPARE(form.SntpClockTimer.interval(), 1000);
    QVERIFY(form.Timer1.isActive());
    QVERIFY(form.RASCheckTimer.isActive());
    QVERIFY(!form.SntpClockTimer.isActive());
    QCOMPARE(form.Ping1.Timeout, 4000);

    // A session on a full connection arms the clock timer through the real
    // timers, where something can correct the clock (here: nothing answers).
    f.ctx.hooks.getTimeFromServer = [](AppContext &) {};
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    f.network.addConnection(3, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
    QTRY_VERIFY_WITH_TIMEOUT(f.ctx.shell.SessionOpen, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(form.SntpClockTimer.isActive(), 5000);
    f.ctx.shell.ClockCorrected = true;
    QTRY_VERIFY_WITH_TIMEOUT(!form.SntpClockTimer.isActive(), 5000);
    f.network.active.clear();
    QTRY_VERIFY_WITH_TIMEOUT(!f.ctx.shell.SessionOpen, 5000);
}

void TestMainAppForm::helpTopics_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("page");
    QTest::newRow("login window") << QStringLiteral("IDH_login_window") << QStringLiteral("IDH_login_window.html");
    QTest::newRow("tray menu") << QStringLiteral("IDH_tray_menu") << QStringLiteral("IDH_tray_menu.html");
    QTest::newRow("no page yet") << QStringLiteral("IDH_online_alarms") << QStringLiteral("index.html");
    QTest::newRow("empty") << QString() << QStringLiteral("index.html");
    QTest::newRow("no way out") << QStringLiteral("../help/IDH_tray_menu") << QStringLiteral("index.html");
}

void TestMainAppForm::helpTopics()
{
    QFETCH(QString, keyword);
    QFETCH(QString, page);
    const QString dir = QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/help");
    QCOMPARE(THelpForm::topicFile(dir, keyword), QDir(dir).filePath(page));
    QTemporaryDir empty;
    QCOMPARE(THelpForm::topicFile(empty.path(), keyword), QString());
}

void TestMainAppForm::helpWindowShowsTheKeywordsPage()
{
    FakeClock clock;
    Windows windows(clock, QStringLiteral("simulated"));
    windows.setHelpDirectory(QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/help"));
    windows.showHelp(QStringLiteral("IDH_login_window"));
    THelpForm *window = windows.helpWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->helpBrowser()->documentTitle(), QStringLiteral("Logging in"));
    // The same window, another topic; its links lead on.
    windows.showHelp(QStringLiteral("IDH_tray_menu"));
    QCOMPARE(windows.helpWindow(), window);
    QCOMPARE(window->helpBrowser()->documentTitle(), QStringLiteral("The tray icon and its menu"));
    window->helpBrowser()->setSource(QUrl(QStringLiteral("IDH_login_window.html")));
    QCOMPARE(window->helpBrowser()->documentTitle(), QStringLiteral("Logging in"));
    QVERIFY(window->backButton()->isEnabled());
    window->contentsButton()->click();
    QCOMPARE(window->helpBrowser()->documentTitle(), QStringLiteral("Tallyline Help"));
    window->close();
    QTRY_VERIFY(!windows.helpWindow());
}

void TestMainAppForm::quickAlarmCheckMarks()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    form.plugIn(form.onlineTimeAlarmItem(), [] {});
    form.plugIn(form.specificTimeAlarmItem(), [] {});
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    OpenSessionByHand(f.ctx);
    const auto marks = [&] {
        // The menu shows the alarms as they are when it opens.
        Q_EMIT form.trayMenu()->aboutToShow();
        Q_EMIT form.trayMenu()->aboutToHide();
        return QList<bool>{form.onlineTimeAlarmItem()->isChecked(), form.specificTimeAlarmItem()->isChecked()};
    };
    QCOMPARE(marks(), (QList<bool>{false, false}));

    QuickAlarmChoice choice;
    choice.onlineTimeArmed = true;
    choice.onlineMinutes = 1;
    choice.clockTimeArmed = true;
    choice.clockHours = 23;
    ApplyQuickAlarms(f.ctx, choice);
    QCOMPARE(marks(), (QList<bool>{true, true}));

    // The online-time alarm fires and loses its mark; the other keeps it.
    f.ctx.pricing.SecondsOnline = 60;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts().last(), QStringLiteral("You have been online for 00:01"));
    QCOMPARE(marks(), (QList<bool>{false, true}));

    // Closing the session forgets both.
    CloseSessionByHand(f.ctx);
    QCOMPARE(marks(), (QList<bool>{false, false}));
}

// What the line companion may ask of the program's boxes, with and without
// a Yes/No question open: bad requests get a clear answer and press nothing.
void TestMainAppForm::boxRequests_data()
{
    QTest::addColumn<bool>("questionOpen");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("answer");   // "-" when the request is not one of these
    QTest::addColumn<bool>("answered");    // the question was answered Yes

    QTest::newRow("none open") << false << "boxes" << "" << "ok\n" << false;
    QTest::newRow("one open") << true << "boxes" << "" << "ok\nbox: Hang up?\\nNow.\n" << false;
    QTest::newRow("boxes with words") << true << "boxes" << "all" << "error boxes takes no arguments\n" << false;
    QTest::newRow("no button") << true << "answer" << "" << "error answer needs a button: ok, yes, no or cancel\n"
                               << false;
    QTest::newRow("unknown button") << true << "answer" << "maybe"
                                    << "error answer needs a button: ok, yes, no or cancel\n" << false;
    QTest::newRow("nothing to answer") << false << "answer" << "ok" << "error no box is open\n" << false;
    QTest::newRow("not on this box") << true << "answer" << "OK" << "error the box has no ok button\n" << false;
    QTest::newRow("yes") << true << "answer" << "Yes" << "ok answered yes\n" << true;
    QTest::newRow("not ours") << false << "drop" << "" << "-" << false;
}

void TestMainAppForm::boxRequests()
{
    QFETCH(bool, questionOpen);
    QFETCH(QString, command);
    QFETCH(QString, rest);
    QFETCH(QString, answer);
    QFETCH(bool, answered);

    MessageBoxUi boxes;
    std::optional<QString> got;
    bool yes = false;
    if (questionOpen) {
        QTimer::singleShot(0, [&] {
            got = AnswerBoxRequest(command, rest);
            // Whatever the request did, the question ends here.
            QTimer::singleShot(0, [] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::No)->click();
            });
        });
        yes = boxes.confirm(QStringLiteral("Hang up?\rNow."));
    } else {
        got = AnswerBoxRequest(command, rest);
    }
    QCOMPARE(got.value_or(QStringLiteral("-")), answer);
    QCOMPARE(yes, answered);
}

TALLYLINE_TEST_MAIN(TestMainAppForm)
#include "TestMainAppForm.moc"

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
        form.AccountInformation1, form.DialConnection1,  form.HangUpCurrentConnection1,
        form.Logonasadifferentuser1, form.LogOut1,       form.Disableautosessionopenclose1,
        form.Opennewsession1,     form.Closethissession1, form.QuickAlarms1,
        form.Afteraspecifiedtime1, form.Ataspecifiedtime1, form.Settings,
        form.InternetTools1,      form.Ping2,             form.Finger1,
        form.DNSLookUp1,          form.HostLookUp1,       form.Exit};
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
    QCOMPARE(menuLines(form.PopupMenu1), expected);
    QVERIFY(form.Disableautosessionopenclose1->isCheckable());
    QVERIFY(form.Disableautosessionopenclose1->isChecked());
    QVERIFY(form.Disableautosessionopenclose1->actionGroup());
}

void TestMainAppForm::enabledStatesFollowLoginAndSession()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    // Start-up logs everybody out first.
    LogOutUser(f.ctx);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("Logonasadifferentuser1"), QStringLiteral("Exit")}));

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("Logonasadifferentuser1"), QStringLiteral("LogOut1"),
                                              QStringLiteral("Disableautosessionopenclose1"),
                                              QStringLiteral("Opennewsession1"), QStringLiteral("Exit")}));
    QVERIFY(form.Disableautosessionopenclose1->isChecked());

    // Online: the hang-up item, then the session.
    f.network.addConnection(3, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0"));
    RASCheckTimerTimer(f.ctx);
    Timer1Timer(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("HangUpCurrentConnection1"),
                                              QStringLiteral("Logonasadifferentuser1"), QStringLiteral("LogOut1"),
                                              QStringLiteral("Disableautosessionopenclose1"),
                                              QStringLiteral("Closethissession1"), QStringLiteral("Exit")}));

    // The item's check mark shows the switch.
    form.Disableautosessionopenclose1->trigger();
    QVERIFY(!f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(!form.Disableautosessionopenclose1->isChecked());
    form.Disableautosessionopenclose1->trigger();
    QVERIFY(f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(form.Disableautosessionopenclose1->isChecked());

    // Closed by hand while online: detection off, and so is its check mark.
    form.Closethissession1->trigger();
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!form.Disableautosessionopenclose1->isChecked());
    QVERIFY(form.Opennewsession1->isEnabled());
    QVERIFY(!form.Closethissession1->isEnabled());

    // Logging out is refused while a session is open, allowed after.
    form.Opennewsession1->trigger();
    QVERIFY(f.ctx.shell.SessionOpen);
    form.LogOut1->trigger();
    QVERIFY(f.ctx.login.LoggedIn);
    form.Closethissession1->trigger();
    form.LogOut1->trigger();
    QVERIFY(!f.ctx.login.LoggedIn);
    QCOMPARE(enabledItems(form), (QStringList{QStringLiteral("HangUpCurrentConnection1"),
                                              QStringLiteral("Logonasadifferentuser1"), QStringLiteral("Exit")}));
}

void TestMainAppForm::laterWindowsPlugIntoTheirItems()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    QVERIFY(!form.Settings->isEnabled());
    QVERIFY(!form.QuickAlarms1->isEnabled());
    QVERIFY(!form.InternetTools1->isEnabled());

    QStringList opened;
    form.plugIn(form.Settings, [&] { opened.append(QStringLiteral("settings")); });
    form.plugIn(form.Afteraspecifiedtime1, [&] { opened.append(QStringLiteral("online time")); });
    form.plugIn(form.Ping2, [&] { opened.append(QStringLiteral("ping")); });
    QVERIFY(form.Settings->isEnabled());
    QVERIFY(form.InternetTools1->isEnabled());
    QVERIFY(form.Ping2->isEnabled());
    QVERIFY(!form.Finger1->isEnabled());
    // Quick alarms only while a session is open.
    QVERIFY(form.QuickAlarms1->isEnabled());
    QVERIFY(!form.Afteraspecifiedtime1->isEnabled());
    OpenSessionByHand(f.ctx);
    QVERIFY(form.Afteraspecifiedtime1->isEnabled());
    QVERIFY(!form.Ataspecifiedtime1->isEnabled());
    form.Settings->trigger();
    form.Afteraspecifiedtime1->trigger();
    form.Ping2->trigger();
    QCOMPARE(opened, (QStringList{QStringLiteral("settings"), QStringLiteral("online time"), QStringLiteral("ping")}));
    CloseSessionByHand(f.ctx);
    QVERIFY(!form.Afteraspecifiedtime1->isEnabled());

    // Logged out, the settings item goes grey again.
    LogOutUser(f.ctx);
    QVERIFY(!form.Settings->isEnabled());

    // Account Details without a login asks for one first, and opens nothing when it fails.
    form.plugIn(form.AccountInformation1, [] {});
    form.AccountInformation1->trigger();
    QCOMPARE(f.ui.shows(UiWindow::Login), 1);
    QCOMPARE(f.ui.shows(UiWindow::AccountInformation), 0);
    f.ui.onShowWindow = [&](UiWindow window) {
        if (window == UiWindow::Login)
            LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw"));
    };
    form.AccountInformation1->trigger();
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
    QCOMPARE(form.Exit->isEnabled(), allowed);
    QSignalSpy exitSpy(&form, &TMainAppForm::exitRequested);
    form.Exit->activate(QAction::Trigger);
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
    QCOMPARE(window->HelpBrowser->documentTitle(), QStringLiteral("Logging in"));
    // The same window, another topic; its links lead on.
    windows.showHelp(QStringLiteral("IDH_tray_menu"));
    QCOMPARE(windows.helpWindow(), window);
    QCOMPARE(window->HelpBrowser->documentTitle(), QStringLiteral("The tray icon and its menu"));
    window->HelpBrowser->setSource(QUrl(QStringLiteral("IDH_login_window.html")));
    QCOMPARE(window->HelpBrowser->documentTitle(), QStringLiteral("Logging in"));
    QVERIFY(window->BackButton->isEnabled());
    window->ContentsButton->click();
    QCOMPARE(window->HelpBrowser->documentTitle(), QStringLiteral("Tallyline Help"));
    window->close();
    QTRY_VERIFY(!windows.helpWindow());
}

void TestMainAppForm::quickAlarmCheckMarks()
{
    FormFixture f;
    TMainAppForm form(f.ctx);
    form.plugIn(form.Afteraspecifiedtime1, [] {});
    form.plugIn(form.Ataspecifiedtime1, [] {});
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Ann"), QStringLiteral("pw")), LoginResult::LoggedIn);
    OpenSessionByHand(f.ctx);
    const auto marks = [&] {
        // The menu shows the alarms as they are when it opens.
        Q_EMIT form.PopupMenu1->aboutToShow();
        Q_EMIT form.PopupMenu1->aboutToHide();
        return QList<bool>{form.Afteraspecifiedtime1->isChecked(), form.Ataspecifiedtime1->isChecked()};
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

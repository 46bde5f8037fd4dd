#include "alarms/QuickAlarmsForm.h"
#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "session/SessionLifecycle.h"
#include "session/TaskBarWindowForm.h"
#include "support/TariffSeed.h"
#include "support/TempStore.h"
#include "support/TestMain.h"
#include "users/LoginForm.h"
#include "users/Users.h"

#include <QAction>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// The one owner of the windows, as the program builds it: the real tray
// form, monitor and boxes on the simulated line.
class TestWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxesReachTheScreenUntilQuiet_data();
    void boxesReachTheScreenUntilQuiet();
    void boxesFromTicksKeepTheTimerRunningAndDoNotStack();
    void anOpenEditorKeepsTheTrayFromOpeningOthers();
    void theMonitorFollowsTheSession();
};

namespace {

// Runs action with stderr going to a file; returns what it wrote.
template<typename Action>
QByteArray captureStderr(Action &&action)
{
    QTemporaryFile file;
    if (!file.open())
        return "cannot capture";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// The context and the windows in the order the program makes them: the
// windows go before the context they use.
struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        // Users are logged in by hand here, with no account period: closing
        // a session would find it ended and bring up the bill.
        ctx.settings.DisplayBillWindow = false;
        windows.startResidentShell(ctx);
    }

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
};

} // namespace

void TestWindows::boxesReachTheScreenUntilQuiet_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QByteArray>("stderrText");
    QTest::newRow("program running") << false << QByteArray();
    QTest::newRow("ended by a signal")
        << true << QByteArray("Tallyline: An internal error has occured. Procedure : CloseSession Unit : Global Unit\n");
}

void TestWindows::boxesReachTheScreenUntilQuiet()
{
    QFETCH(bool, quiet);
    QFETCH(QByteArray, stderrText);
    Program p;
    p.windows.setQuiet(quiet);
    bool confirmed = false;
    bool okayed = false;
    // Quiet, no box may come up to be answered.
    const auto answerNextBox = [quiet](const QString &button) {
        if (!quiet)
            QTimer::singleShot(0, [button] { AnswerBoxRequest(QStringLiteral("answer"), button); });
    };
    const QByteArray errors = captureStderr([&] {
        answerNextBox(QStringLiteral("ok"));
        p.windows.showMessage(MessageKind::Error,
                              QStringLiteral("An internal error has occured.\r\rProcedure : CloseSession\nUnit : Global Unit"));
        answerNextBox(QStringLiteral("yes"));
        confirmed = p.windows.confirm(QStringLiteral("Do you wish to reconnect to My ISP ?"));
        answerNextBox(QStringLiteral("ok"));
        okayed = p.windows.confirmOkCancel(MessageKind::Warning, QStringLiteral("Hang up?"));
        // The login would wait for an answer: it is taken away at once.
        if (!quiet)
            QTimer::singleShot(0, [&p] { p.windows.loginForm()->reject(); });
        p.windows.showWindow(UiWindow::Login);
        p.windows.showWindow(UiWindow::FloatingMonitor);
    });
    // Quiet, nothing reaches the screen and every question answers No.
    QCOMPARE(confirmed, !quiet);
    QCOMPARE(okayed, !quiet);
    QCOMPARE(p.windows.monitor()->isVisible(), !quiet);
    QCOMPARE(errors, stderrText);
    // No box was left behind either way.
    QCOMPARE(AnswerBoxRequest(QStringLiteral("boxes"), QString()), std::optional<QString>(QStringLiteral("ok\n")));
}

void TestWindows::boxesFromTicksKeepTheTimerRunningAndDoNotStack()
{
    Program p;
    const QString text = QStringLiteral("Dial-up access has been disabled until you login to Tallyline.");
    bool timerOnDuringBox = false;
    bool stackedAgain = true;
    QStringList showing;
    QTimer::singleShot(0, [&] {
        timerOnDuringBox = p.ctx.shell.Timer1Enabled;
        showing = p.windows.tickBoxesShowing();
        // A tick meanwhile that wants the same box gets no second one.
        stackedAgain = p.windows.showMessageFromTick(MessageKind::Information, text);
        AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("ok"));
    });
    // As inside a tick: the timer is off while the tick runs.
    p.ctx.shell.Timer1Enabled = false;
    QVERIFY(p.windows.showMessageFromTick(MessageKind::Information, text));
    QVERIFY(timerOnDuringBox);
    QCOMPARE(showing, QStringList{text});
    QVERIFY(!stackedAgain);
    // Answered, the timer is off again until the tick ends.
    QVERIFY(!p.ctx.shell.Timer1Enabled);
    QVERIFY(p.windows.tickBoxesShowing().isEmpty());

    // A question from a tick answers as pressed, and No while it is up already.
    QTimer::singleShot(0, [&] {
        stackedAgain = p.windows.confirmFromTick(QStringLiteral("Do you wish to reconnect to My ISP ?"));
        AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("yes"));
    });
    QVERIFY(p.windows.confirmFromTick(QStringLiteral("Do you wish to reconnect to My ISP ?")));
    QVERIFY(!stackedAgain);
}

void TestWindows::anOpenEditorKeepsTheTrayFromOpeningOthers()
{
    Program p;
    QVERIFY(!p.windows.editorWindowOpen());
    bool openMeanwhile = false;
    TQuickAlarmsForm *stacked = nullptr;
    bool loginOpened = true;
    QTimer::singleShot(0, [&] {
        openMeanwhile = p.windows.editorWindowOpen();
        TQuickAlarmsForm *form = p.windows.quickAlarmsForm();
        // The other quick alarm item while the dialog is up: the same dialog.
        p.windows.showWindow(UiWindow::SpecificTimeAlarm);
        stacked = p.windows.quickAlarmsForm() == form ? nullptr : p.windows.quickAlarmsForm();
        // "Log on as a different user" opens nothing over an editor.
        p.windows.mainAppForm()->logInItem()->trigger();
        loginOpened = p.windows.loginForm() != nullptr;
        form->reject();
    });
    p.windows.showWindow(UiWindow::OnlineTimeAlarm);
    QVERIFY(openMeanwhile);
    QVERIFY(!stacked);
    QVERIFY(!loginOpened);
    QVERIFY(!p.windows.editorWindowOpen());
}

void TestWindows::theMonitorFollowsTheSession()
{
    Program p;
    p.ctx.login.CurrentUser = 1;
    p.ctx.login.LoggedIn = true;
    testsupport::TariffSeed(*p.temp.store, 1)
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .weekBands(1, {{0, 1439, 0.6, 0, 0}});
    p.ctx.settings.ShowFloatingWindow = true;
    p.ctx.settings.TaskBarWindowX = 40;
    p.ctx.settings.TaskBarWindowY = 30;
    QVERIFY(p.ctx.startup.monitorWindowWidth > 0);
    QCOMPARE(p.ctx.startup.monitorWindowWidth, p.windows.monitor()->width());

    OpenSessionByHand(p.ctx);
    QVERIFY(p.ctx.shell.SessionOpen);
    QVERIFY(p.windows.monitor()->isVisible());
    QCOMPARE(p.windows.monitor()->pos(), QPoint(40, 30));
    CloseSessionByHand(p.ctx);
    QVERIFY(!p.windows.monitor()->isVisible());
}

TALLYLINE_TEST_MAIN(TestWindows)
#include "TestWindows.moc"

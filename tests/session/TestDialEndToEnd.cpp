#include "alarms/AlarmChecking.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/MessageBoxUi.h"
#include "app/MainAppForm.h"
#include "platform/SimulatedDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "session/DialForm.h"
#include "session/SessionRecords.h"
#include "support/SessionFixture.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"
#include "users/Users.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

using namespace testsupport;

namespace {

// The tray form dialing the simulated line, with a user, a tariff and one
// alarm that hangs up after a minute online. The test runs the ticks.
struct SimulatedDialFixture : SessionFixture {
    SimulatedDialFixture() : line(clock)
    {
        line.setStepInterval(5);
        ctx.platform.dialUp = &line;
        addUser({QStringLiteral("Ann"), QStringLiteral("pw")});
        TariffSeed(store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 1439, 0.6, 0, 0}});
        ctx.connection.DunSpeed.StartStatistics(&line, true, true);
        ctx.settings.PromptForReconnection = true;

        const QString key = AlarmKey(1, 1);
        store().WriteStoreInteger(QStringLiteral("AlarmType"), key, SessionTimeAlarm);
        store().WriteStoreInteger(QStringLiteral("AllowanceTime"), key, 1);
        store().WriteStoreInteger(QStringLiteral("HangUpPhone"), key, 1);
        store().WriteStoreInteger(QStringLiteral("Days"), key, 255);
        store().WriteStoreString(QStringLiteral("AlarmWaveFile"), key, QStringLiteral("None"));
        store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), 1);

        form = std::make_unique<TMainAppForm>(ctx);
        form->Timer1.stop();
        form->RASCheckTimer.stop();
        QObject::connect(&form->DialUp1, &TDialUp::OnAsyncEvent, [this] {
            shownTexts.append(form->DialForm()->statusLabel()->text());
        });
        QObject::connect(&form->DialUp1, &TDialUp::OnDialing, [this] { ++dials; });
        LogInWithPassword(ctx, QStringLiteral("Ann"), QStringLiteral("pw"));
    }

    void ticks()
    {
        RASCheckTimerTimer(ctx);
        Timer1Timer(ctx);
    }

    SimulatedDialUpNetwork line;
    std::unique_ptr<TMainAppForm> form;
    QStringList shownTexts;
    int dials = 0;
};

} // namespace

class TestDialEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialConnectAndAlarmHangUp();
    void keepRedialingThroughBusyLines();
    void eightMenuHangUpsRecordEightSessions();
};

void TestDialEndToEnd::dialConnectAndAlarmHangUp()
{
    SimulatedDialFixture f;
    QCOMPARE(f.form->phoneBookItems().size(), 2);
    QCOMPARE(f.form->phoneBookItems()[1]->text(), QStringLiteral("Simulated Backup ISP"));
    TDialForm &w = *f.form->DialForm();

    f.form->phoneBookItems()[0]->trigger();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Tallyline - Connecting to Simulated ISP"));
    QTRY_VERIFY_WITH_TIMEOUT(f.shownTexts.contains(QStringLiteral("Connecting device")), 5000);
    screenshot(&w, QStringLiteral("dial-window"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 5000);
    QCOMPARE(f.shownTexts, (QStringList{QStringLiteral("Opening port"), QStringLiteral("Port opened"),
                                        QStringLiteral("Connecting device"), QStringLiteral("Device connected"),
                                        QStringLiteral("All devices connected"), QStringLiteral("Start authenticating"),
                                        QStringLiteral("Authenticated"), QStringLiteral("Connected")}));
    QVERIFY(f.line.isUp());

    f.ticks();
    f.ticks();
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(f.ctx.shell.ReconnectArmed);
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Simulated ISP"));

    // A minute online: the alarm hangs up, and the session is closed before its box.
    bool openAtTheBox = true;
    bool lineUpAtTheBox = true;
    f.ui.onMessage = [&](const RecordingUi::Message &) {
        openAtTheBox = f.ctx.shell.SessionOpen;
        lineUpAtTheBox = f.line.isUp();
    };
    f.clock.advanceSeconds(61);
    f.ticks();
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("You have been online for 00:01. Limit exceeded!")});
    QVERIFY(!openAtTheBox);
    QVERIFY(!lineUpAtTheBox);

    // The session's record has the minute, and nothing offers to reconnect.
    for (int i = 0; i < 4; ++i) {
        f.clock.advanceMs(500);
        f.ticks();
    }
    QCOMPARE(f.ui.messages.size(), 1);
    QCOMPARE(f.dials, 1);
    QVERIFY(!f.line.isUp());
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!f.form->hangUpItem()->isEnabled());
}

void TestDialEndToEnd::keepRedialingThroughBusyLines()
{
    SimulatedDialFixture f;
    TDialForm &w = *f.form->DialForm();
    w.RedialTimer.setInterval(20);
    f.line.setBusyCalls(3);

    f.form->phoneBookItems()[1]->trigger();
    QTest::mouseClick(w.keepRedialingCheck(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.line.isUp(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 5000);

    QCOMPARE(f.dials, 4);
    // Each busy line shows "Redialing..." instead of an error box.
    QCOMPARE(f.shownTexts.count(QStringLiteral("Redialing...")), 3);
    QCOMPARE(f.ui.messages.size(), 0);
    QCOMPARE(f.line.entry(), QStringLiteral("Simulated Backup ISP"));
    QCOMPARE(f.ctx.shell.LastDialledEntry, QStringLiteral("Simulated Backup ISP"));

    // Connected in a session, the call is armed for reconnection; a drop from
    // the far end offers it.
    f.ticks();
    f.ticks();
    QVERIFY(f.ctx.shell.ReconnectArmed);
    f.ui.answers.enqueue(false);
    QVERIFY(f.line.drop());
    f.ticks();
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Do you wish to reconnect to Simulated Backup ISP ?")});
}

// The tray form with its own running timers and the program's real boxes:
// the hang-up item asks first, the box is answered a moment later, and the
// ticks that run under it must not take the call going down for a new one.
void TestDialEndToEnd::eightMenuHangUpsRecordEightSessions()
{
    SessionFixture seed;
    seed.addUser({QStringLiteral("Ann"), QStringLiteral("pw")});
    TariffSeed(seed.store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 1439, 0.6, 0, 0}});

    LocalClock clock;
    SimulatedDialUpNetwork line(clock);
    MessageBoxUi boxes;
    AppContext ctx(seed.store(), clock, boxes);
    ctx.settings = seed.ctx.settings;
    ctx.settings.PromptHangUp = true;
    ctx.settings.PlaySoundOnConnect = false;
    ctx.settings.PlaySoundOnDisconnect = false;
    ctx.login.PasswordCost = seed.ctx.login.PasswordCost;
    ctx.platform.dialUp = &line;
    ctx.connection.DunSpeed.StartStatistics(&line, true, true);
    TMainAppForm form(ctx);
    QCOMPARE(int(LogInWithPassword(ctx, QStringLiteral("Ann"), QStringLiteral("pw"))), int(LoginResult::LoggedIn));

    // Answers the question once it has been up for a while.
    int questions = 0;
    QTimer answerer;
    QElapsedTimer boxUp;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        const QStringList open = AnswerBoxRequest(QStringLiteral("boxes"), QString())->split(QLatin1Char('\n'));
        if (!open.contains(QStringLiteral("box: Are you sure you want to hang up the current connection?"))) {
            boxUp.invalidate();
            return;
        }
        if (!boxUp.isValid())
            boxUp.start();
        if (boxUp.elapsed() < 1500)
            return;
        ++questions;
        AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("yes"));
        boxUp.invalidate();
    });
    answerer.start(50);

    QStringList entries;
    for (int i = 1; i <= 8; ++i) {
        const QString entry = QStringLiteral("ISP %1").arg(i);
        entries.append(entry);
        line.connectNow(entry);
        QTRY_VERIFY_WITH_TIMEOUT(ctx.shell.SessionOpen && ctx.connection.FullyConnected, 10000);
        QCOMPARE(ctx.connection.ConnectedEntryName, entry);
        QTRY_VERIFY_WITH_TIMEOUT(form.hangUpItem()->isEnabled(), 5000);
        // Chosen from the menu: the question's box waits while ticks go on.
        QMetaObject::invokeMethod(form.hangUpItem(), &QAction::trigger, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(questions == i, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!ctx.shell.SessionOpen, 5000);
        QVERIFY(!line.isUp());
        // A few more ticks with the line down open nothing.
        QTest::qWait(1200);
        QVERIFY(!ctx.shell.SessionOpen);
    }

    QStringList recorded;
    const QString day = SessionDayKey(1, ctx.pricing.SessionDay);
    int count = 0;
    seed.store().ReadStoreInteger(QStringLiteral("NumberOfSessions"), day, count);
    for (int m = 1; m <= count; ++m)
        recorded.append(seed.store().ReadStoreString(QStringLiteral("Session%1-Connection").arg(m), day));
    QCOMPARE(recorded, entries);
}

TALLYLINE_TEST_MAIN(TestDialEndToEnd)
#include "TestDialEndToEnd.moc"

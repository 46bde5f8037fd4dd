#include "alarms/AlarmChecking.h"
#include "app/MainTimer.h"
#include "session/DialUp.h"
#include "session/ConnectionDetection.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecords.h"
#include "core/Errors.h"
#include "support/TickingShell.h"
#include "support/TestMain.h"
#include "users/Users.h"

#include <QTest>

using namespace testsupport;

namespace {

const QString NoTimezoneClosed =
    QStringLiteral("There is no timezone defined for the current time. Session has been closed.");
const QString NoTimezoneOpen =
    QStringLiteral("There is no timezone defined for the current time. Session cannot be opened.");
const QString DialUpLocked = QStringLiteral("Dial-up access has been disabled until you login to Tallyline.");
const QString ManualRefused = QStringLiteral("You are not permitted to manually open && close sessions.");
const QString ManualCloseOnline =
    QStringLiteral("Manually closing a session whilst online will disable auto online detection.\rTo re-enable auto "
                   "online detection, select it from the file menu or by right clicking on the system tray icon.");

// 0.60 a minute: one penny a second.
constexpr double PencePerSecond = 0.01;

// The ticking shell with the connection sounds on.
struct Shell : TickingShell {
    Shell()
    {
        ctx.settings.PlaySoundOnConnect = true;
        ctx.settings.PlaySoundOnDisconnect = true;
    }

    // The line as the connection check will find it.
    void lineAt(int state, const QString &entry = QStringLiteral("My ISP"))
    {
        network.active.clear();
        network.addConnection(7, entry, state, QStringLiteral("ppp0"));
    }
    // One connection check, then one main tick, with no time passing.
    void checkAndTick()
    {
        RunTimerTick(ctx, checkFailures, RASCheckTimerTimer);
        RunMainTick(ctx, tickFailures);
    }
};

} // namespace

class TestMainTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeSessionThroughTheTicks();
    void noSessionUntilDetectionStage_data();
    void noSessionUntilDetectionStage();
    void twoSessionsOnOneDay();
    void noTimezoneClosesOnceAndReopensWithABand();
    void tickGoesOnWhileItsBoxWaits();
    void manualOpenAndClose_data();
    void manualOpenAndClose();
    void manualCommandsRefusedByRestriction();
    void dialUpLockedForLoggedOutUser();
    void hangUpItemFollowsTheModem();
    void idleHangUp_data();
    void idleHangUp();
    void refusedIdleHangUpIsRetriedAfterAnotherIdlePeriod();
    void keepAliveEcho_data();
    void keepAliveEcho();
    void reconnectionOffer_data();
    void reconnectionOffer();
    void noReconnection_data();
    void noReconnection();
    void alarmBoxLetsTheTickGoOn_data();
    void alarmBoxLetsTheTickGoOn();
    void clockCorrectionTimer();
    void failingTickReportedOnceAndTimerRuns();
    void exitConfirmationAndRelaunch();
};

void TestMainTimer::wholeSessionThroughTheTicks()
{
    Shell s;
    const int program = s.addProgram(s.user, QStringLiteral("/opt/tools/mailcheck"), true);
    QCOMPARE(program, 1);
    s.logIn();
    s.run(4);
    QVERIFY(!s.ctx.shell.SessionOpen);

    // Authenticating is online at detection stage 0; the next main tick opens.
    s.lineAt(RasState::Authenticate);
    RunTimerTick(s.ctx, s.checkFailures, RASCheckTimerTimer);
    QVERIFY(s.ctx.connection.OnlineDetected);
    QVERIFY(!s.ctx.shell.SessionOpen);
    const DateTime opened = s.clock.nowDateTime();
    RunMainTick(s.ctx, s.tickFailures);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 1);
    QCOMPARE(s.sound.played, QStringList{QStringLiteral("/data/Ringin.wav")});
    // Put back by the modem correction: ten seconds before the opening tick.
    QCOMPARE(qRound64((opened - s.field(1, SessionStartTime)) * SecondsPerDay), 10);
    QCOMPARE(s.field(1, SessionTimeOnline), 11.0);
    // The programs wait for the full connection.
    QVERIFY(s.launcher.starts.isEmpty());
    QVERIFY(!s.ctx.shell.Menu.OpenSessionEnabled);
    QVERIFY(s.ctx.shell.Menu.CloseSessionEnabled);

    s.lineAt(RasState::Connected);
    s.network.setCounters(QStringLiteral("ppp0"), 1000, 100);
    s.run(2);
    QVERIFY(s.ctx.connection.FullyConnected);
    QCOMPARE(s.launcher.starts.size(), 1);
    QCOMPARE(s.launcher.starts[0].program, QStringLiteral("/opt/tools/mailcheck"));

    // A minute and a half of ticks: each rewrites the record.
    for (int minute = 0; minute < 3; ++minute) {
        s.network.setCounters(QStringLiteral("ppp0"), 1000 + 50000 * (minute + 1), 100 + 5000 * (minute + 1));
        s.run(60);
        const double seconds = s.field(1, SessionTimeOnline);
        QCOMPARE(seconds, double(s.ctx.pricing.SecondsOnline));
        QCOMPARE(seconds, 11.0 + 1 + 30 * (minute + 1));
        QCOMPARE(s.field(1, SessionCost), s.ctx.pricing.SessionCost);
        QVERIFY(qAbs(s.field(1, SessionCost) - seconds * PencePerSecond) < 1e-9);
    }

    // The line drops: within a second the flag falls, the next tick closes.
    s.lineDown();
    s.run(2);
    QVERIFY(!s.ctx.shell.SessionOpen);
    const double secondsOnline = s.field(1, SessionTimeOnline);
    QCOMPARE(secondsOnline, 11.0 + 1 + 90 + 1);
    QVERIFY(qAbs(s.field(1, SessionCost) - secondsOnline * PencePerSecond) < 1e-9);
    // Counted from the opening, when the link had not moved a byte yet.
    QCOMPARE(s.field(1, SessionTotalDownloaded), 151000.0);
    QCOMPARE(s.field(1, SessionTotalUploaded), 15100.0);
    QCOMPARE(s.field(1, SessionEndDate), DateTimeFromQDate(QDate(2001, 1, 10)));
    QCOMPARE(s.sound.played.last(), QStringLiteral("/data/Ringout.wav"));
    QCOMPARE(s.launcher.quitRequests.size(), 1);
    QVERIFY(s.ui.messages.isEmpty());

    // Nothing more is written once it is closed.
    s.run(6);
    QCOMPARE(s.field(1, SessionTimeOnline), secondsOnline);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 1);
}

void TestMainTimer::noSessionUntilDetectionStage_data()
{
    QTest::addColumn<int>("detectionType");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("opens");
    QTest::newRow("password stage, dialling") << 0 << RasState::ConnectDevice << false;
    QTest::newRow("password stage, authenticating") << 0 << RasState::Authenticate << true;
    QTest::newRow("modem dial, dialling") << 1 << RasState::ConnectDevice << true;
    QTest::newRow("internet, authenticated") << 2 << RasState::Authenticated << false;
    QTest::newRow("internet, connected") << 2 << RasState::Connected << true;
    QTest::newRow("unknown stage never") << 3 << RasState::Connected << false;
}

void TestMainTimer::noSessionUntilDetectionStage()
{
    QFETCH(int, detectionType);
    QFETCH(int, state);
    QFETCH(bool, opens);
    Shell s;
    s.ctx.settings.ModemDetectionType = detectionType;
    s.logIn();
    s.lineAt(state);
    s.run(4);
    QCOMPARE(s.ctx.shell.SessionOpen, opens);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), opens ? 1 : 0);
}

void TestMainTimer::twoSessionsOnOneDay()
{
    Shell s;
    s.logIn();
    // Nobody logged in, nothing opens; the opening needs a login.
    LogOutUser(s.ctx);
    s.lineAt(RasState::Connected);
    s.run(4);
    QVERIFY(!s.ctx.shell.SessionOpen);
    s.logIn();
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);
    s.run(20);
    s.lineDown();
    s.run(2);
    QVERIFY(!s.ctx.shell.SessionOpen);
    const double first = s.field(1, SessionTimeOnline);

    s.run(40);
    s.lineAt(RasState::Connected);
    s.run(12);
    s.lineDown();
    s.run(2);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 2);
    QCOMPARE(s.field(1, SessionTimeOnline), first);
    QVERIFY(s.field(2, SessionStartTime) > s.field(1, SessionStartTime) + 20.0 / SecondsPerDay);
    QVERIFY(s.field(2, SessionTimeOnline) > 10);
    QVERIFY(s.field(2, SessionTimeOnline) < first);
}

void TestMainTimer::noTimezoneClosesOnceAndReopensWithABand()
{
    Shell s;
    // Bands 12:00 to 12:01 and from 12:03 on; a gap of two minutes between.
    TariffSeed(s.store(), s.user).bands(1, 3, {{720, 721, 0.60, 0, 0}, {723, 1439, 0.60, 0, 0}});
    s.logIn();
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);
    s.run(120);  // into 12:01:xx
    s.run(120);  // into the gap
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.ui.texts(), QStringList{NoTimezoneClosed});
    // The rest of the gap: no second box, no session.
    s.run(100);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.ui.texts(), QStringList{NoTimezoneClosed});
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 1);
    const double closedAfter = s.field(1, SessionTimeOnline);

    // A band again: a new session, and a later gap would close it again.
    s.run(120);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 2);
    QCOMPARE(s.field(1, SessionTimeOnline), closedAfter);
    QVERIFY(!s.ctx.shell.NoTimezoneWarned);
}

void TestMainTimer::tickGoesOnWhileItsBoxWaits()
{
    Shell s;
    TariffSeed(s.store(), s.user).bands(1, 3, {{720, 721, 0.60, 0, 0}});
    s.logIn();
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);

    int nestedTicks = 0;
    bool timerOnDuringBox = false;
    s.ui.onMessage = [&](const RecordingUi::Message &) {
        timerOnDuringBox = s.ctx.shell.Timer1Enabled;
        // The main timer fires while the box waits.
        for (int i = 0; i < 4; ++i) {
            s.clock.advanceMs(500);
            RunMainTick(s.ctx, s.tickFailures);
            ++nestedTicks;
        }
    };
    s.run(250);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QVERIFY(timerOnDuringBox);
    QCOMPARE(nestedTicks, 4);
    QCOMPARE(s.ui.texts(), QStringList{NoTimezoneClosed});
    // After the box the tick finished and left the timer on.
    QVERIFY(s.ctx.shell.Timer1Enabled);
    QVERIFY(s.ui.tickBoxes.showing().isEmpty());
}

void TestMainTimer::manualOpenAndClose_data()
{
    QTest::addColumn<bool>("online");
    QTest::newRow("offline") << false;
    QTest::newRow("online") << true;
}

void TestMainTimer::manualOpenAndClose()
{
    QFETCH(bool, online);
    Shell s;
    s.logIn();
    if (online) {
        s.lineAt(RasState::Connected);
        // Automatic detection off: the line alone opens nothing.
        ToggleOnlineDetection(s.ctx);
        s.run(4);
        QVERIFY(!s.ctx.shell.SessionOpen);
        ToggleOnlineDetection(s.ctx);
        QVERIFY(s.ctx.shell.AutoDetectionEnabled);
        s.ctx.shell.Menu.AutoDetectionItemChecked = true;
    }

    OpenSessionByHand(s.ctx);
    QVERIFY(s.ctx.shell.SessionOpen);
    QVERIFY(s.ctx.shell.ManualSession);
    // A session opened by hand is not closed by the line being down.
    s.run(20);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.field(1, SessionTimeOnline), 11.0 + 10);

    CloseSessionByHand(s.ctx);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.ui.texts(), online ? QStringList{ManualCloseOnline} : QStringList{});
    QCOMPARE(s.ctx.shell.ManualSession, online);
    QCOMPARE(s.ctx.shell.AutoDetectionEnabled, !online);
    QCOMPARE(s.ctx.shell.Menu.AutoDetectionItemChecked, !online);
    // Still online, the next ticks do not open a new session behind the user's back.
    s.run(10);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(QDate(2001, 1, 10)), 1);
}

void TestMainTimer::manualCommandsRefusedByRestriction()
{
    Shell s;
    s.store().WriteStoreInteger(QStringLiteral("Restrictions"), TariffKeys::user(s.user), 64);
    s.logIn();
    OpenSessionByHand(s.ctx);
    QVERIFY(!s.ctx.shell.SessionOpen);
    // The automatic session still opens, and the close command is refused too.
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);
    CloseSessionByHand(s.ctx);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.ui.texts(), (QStringList{ManualRefused, ManualRefused}));
}

void TestMainTimer::dialUpLockedForLoggedOutUser()
{
    Shell s;
    s.ctx.settings.DisableDialUp = true;
    s.network.removeOnHangUp = true;
    s.lineAt(RasState::ConnectDevice);
    int loginShows = 0;
    s.ui.onShowWindow = [&](UiWindow window) { loginShows += window == UiWindow::Login; };
    // Boxes that would come again while this one waits do not.
    s.ui.onMessage = [&](const RecordingUi::Message &) {
        s.lineAt(RasState::ConnectDevice);
        s.checkAndTick();
    };
    s.run(2);
    QCOMPARE(s.ui.texts(), QStringList{DialUpLocked});
    QCOMPARE(loginShows, 1);
    QVERIFY(s.network.hungUp.size() >= 1);
    QVERIFY(!s.ctx.shell.SessionOpen);

    // Logged in, dialling is the user's own business.
    s.ui.onMessage = nullptr;
    s.logIn();
    s.network.hungUp.clear();
    s.lineAt(RasState::ConnectDevice);
    s.run(4);
    QVERIFY(s.network.hungUp.isEmpty());
    QCOMPARE(s.ui.texts(), QStringList{DialUpLocked});
}

void TestMainTimer::hangUpItemFollowsTheModem()
{
    Shell s;
    int changes = 0;
    QObject::connect(&s.ctx.events, &EngineEvents::menuStateChanged, [&] { ++changes; });
    s.run(4);
    QVERIFY(!s.ctx.shell.Menu.HangUpEnabled);
    QCOMPARE(changes, 0);
    s.lineAt(RasState::ConnectDevice);
    s.run(4);
    QVERIFY(s.ctx.shell.Menu.HangUpEnabled);
    QCOMPARE(changes, 1);
    s.lineDown();
    s.run(4);
    QVERIFY(!s.ctx.shell.Menu.HangUpEnabled);
    QCOMPARE(changes, 2);
}

void TestMainTimer::idleHangUp_data()
{
    QTest::addColumn<int>("hangupTime");
    QTest::addColumn<int>("minimumBytes");
    QTest::addColumn<qint64>("bytesPerSecond");  // each way, all along
    QTest::addColumn<qint64>("burst");           // received once, five seconds in
    QTest::addColumn<int>("hangUpSecond");       // -1: not within the run
    // Activity is more than HangupMinimumBytes since the last mark.
    QTest::newRow("busy line") << 1 << 1000 << qint64(600) << qint64(0) << -1;
    QTest::newRow("idle, no grace") << 0 << 1000 << qint64(0) << qint64(0) << 1;
    QTest::newRow("idle for a minute") << 1 << 1000 << qint64(0) << qint64(0) << 61;
    QTest::newRow("burst of exactly the minimum is idle") << 1 << 1000 << qint64(0) << qint64(1000) << 61;
    QTest::newRow("burst above the minimum moves the mark") << 1 << 1000 << qint64(0) << qint64(1001) << 66;
    QTest::newRow("minimum 0: a byte a second keeps it up") << 1 << 0 << qint64(1) << qint64(0) << -1;
    QTest::newRow("minimum 0: one byte moves the mark") << 1 << 0 << qint64(0) << qint64(1) << 66;
    QTest::newRow("minimum 0, no traffic at all") << 1 << 0 << qint64(0) << qint64(0) << 61;
    QTest::newRow("a byte a second below the minimum") << 1 << 1000 << qint64(1) << qint64(0) << 61;
}

void TestMainTimer::idleHangUp()
{
    QFETCH(int, hangupTime);
    QFETCH(int, minimumBytes);
    QFETCH(qint64, bytesPerSecond);
    QFETCH(qint64, burst);
    QFETCH(int, hangUpSecond);
    Shell s;
    s.ctx.settings.ModemCorrectionFactor = 0;
    s.ctx.settings.AutoHangupConnection = true;
    s.ctx.settings.HangupTime = hangupTime;
    s.ctx.settings.HangupMinimumBytes = minimumBytes;
    s.logIn();
    s.lineAt(RasState::Connected);
    s.network.setCounters(QStringLiteral("ppp0"), 0, 0);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);

    int hungUpAfter = -1;
    qint64 idleWhenHungUp = -1;
    for (int second = 1; second <= 80 && hungUpAfter < 0; ++second) {
        const qint64 received = bytesPerSecond * second + (second >= 5 ? burst : 0);
        s.network.setCounters(QStringLiteral("ppp0"), received, bytesPerSecond * second);
        for (int half = 0; half < 2 && hungUpAfter < 0; ++half) {
            s.run(1);
            if (!s.network.hungUp.isEmpty()) {
                hungUpAfter = second;
                idleWhenHungUp = s.ctx.pricing.SecondsOnline - s.ctx.shell.LastActivitySeconds;
            }
        }
    }
    if (hangUpSecond < 0) {
        QCOMPARE(hungUpAfter, -1);
        return;
    }
    QVERIFY2(qAbs(hungUpAfter - hangUpSecond) <= 1, qPrintable(QString::number(hungUpAfter)));
    // Exactly HangupTime minutes of idling is not yet enough; the tick one
    // second later hangs up.
    QCOMPARE(idleWhenHungUp, qint64(hangupTime) * 60 + 1);
}

void TestMainTimer::refusedIdleHangUpIsRetriedAfterAnotherIdlePeriod()
{
    Shell s;
    s.ctx.settings.ModemCorrectionFactor = 0;
    s.ctx.settings.AutoHangupConnection = true;
    s.ctx.settings.HangupTime = 1;
    s.ctx.settings.HangupMinimumBytes = 1000;
    s.network.hangUpRefusal = QStringLiteral("Tallyline may not take the network interface wwan0 down.");
    s.logIn();
    s.lineAt(RasState::Connected);
    s.network.setCounters(QStringLiteral("ppp0"), 0, 0);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);

    // Three idle minutes and a bit: a try after each idle minute, not one
    // on every tick after the first.
    QList<qint64> triedAt;
    for (int tick = 0; tick < 2 * 190; ++tick) {
        const qsizetype before = s.network.hungUp.size();
        s.run(1);
        if (s.network.hungUp.size() > before)
            triedAt.append(s.ctx.pricing.SecondsOnline);
    }
    QCOMPARE(triedAt.size(), 3);
    QVERIFY(triedAt[1] - triedAt[0] >= 60);
    QVERIFY(triedAt[2] - triedAt[1] >= 60);
    // The line stayed up: one session all along, and the user was told.
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.ctx.connection.FullyConnected, true);
    int refusals = 0;
    for (const RecordingUi::Message &m : std::as_const(s.ui.messages))
        refusals += m.text == s.network.hangUpRefusal;
    QCOMPARE(refusals, 3);
}

void TestMainTimer::keepAliveEcho_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("echoes");
    QTest::newRow("every minute, 119 ticks") << 1 << 119 << 0;
    QTest::newRow("every minute, 120 ticks") << 1 << 120 << 1;
    QTest::newRow("every minute, 240 ticks") << 1 << 240 << 2;
    QTest::newRow("interval 0: every tick") << 0 << 5 << 5;
}

void TestMainTimer::keepAliveEcho()
{
    QFETCH(int, interval);
    QFETCH(int, ticks);
    QFETCH(int, echoes);
    Shell s;
    int sent = 0;
    s.ctx.hooks.sendKeepAliveEcho = [&](AppContext &) { ++sent; };
    s.ctx.settings.KeepConnectionAlive = true;
    s.ctx.settings.KeepConnectionAliveInterval = interval;
    s.logIn();
    s.lineAt(RasState::Connected);
    s.checkAndTick();
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(sent, interval == 0 ? 1 : 0);
    sent = 0;
    s.ctx.shell.KeepAliveTicks = 0;
    for (int i = 0; i < ticks; ++i) {
        s.clock.advanceMs(500);
        RunMainTick(s.ctx, s.tickFailures);
    }
    QCOMPARE(sent, echoes);
}

void TestMainTimer::reconnectionOffer_data()
{
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("autoReconnect");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("dialled");
    QTest::newRow("ask, yes") << true << false << true << true << true;
    QTest::newRow("ask, no") << true << false << false << true << false;
    QTest::newRow("automatic") << false << true << false << false << true;
    QTest::newRow("neither") << false << false << false << false << false;
}

void TestMainTimer::reconnectionOffer()
{
    QFETCH(bool, prompt);
    QFETCH(bool, autoReconnect);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, dialled);
    Shell s;
    QStringList dials;
    s.ctx.hooks.dialEntry = [&](AppContext &, const QString &entry) { dials.append(entry); };
    s.ctx.settings.PromptForReconnection = prompt;
    s.ctx.settings.AutoReconnectConnection = autoReconnect;
    s.ui.defaultAnswer = answer;
    s.logIn();
    // The program dialled this entry; once fully connected in a session it may be redialled.
    s.ctx.shell.LastDialledEntry = QStringLiteral("My ISP");
    s.lineAt(RasState::Connected);
    s.run(4);
    QVERIFY(s.ctx.shell.ReconnectArmed);
    s.lineDown();
    s.run(4);
    QCOMPARE(s.ui.texts(), asked ? QStringList{QStringLiteral("Do you wish to reconnect to My ISP ?")} : QStringList{});
    QCOMPARE(dials, dialled ? QStringList{QStringLiteral("My ISP")} : QStringList{});
    // Without either setting the line is left alone and stays armed.
    QCOMPARE(s.ctx.shell.ReconnectArmed, !prompt && !autoReconnect);
    // Asked once only.
    s.run(10);
    QCOMPARE(s.ui.texts().size(), asked ? 1 : 0);
}

void TestMainTimer::noReconnection_data()
{
    QTest::addColumn<QString>("cause");
    QTest::newRow("dialled outside the program") << QStringLiteral("outside");
    QTest::newRow("hung up from the menu") << QStringLiteral("menu");
    QTest::newRow("hung up when idle") << QStringLiteral("idle");
    QTest::newRow("hung up by an alarm") << QStringLiteral("alarm");
}

void TestMainTimer::noReconnection()
{
    QFETCH(QString, cause);
    Shell s;
    QStringList dials;
    s.ctx.hooks.dialEntry = [&](AppContext &, const QString &entry) { dials.append(entry); };
    s.ctx.settings.PromptForReconnection = true;
    s.ctx.settings.AutoReconnectConnection = true;
    s.ui.defaultAnswer = true;
    s.logIn();
    if (cause != QLatin1String("outside"))
        s.ctx.shell.LastDialledEntry = QStringLiteral("My ISP");
    s.lineAt(RasState::Connected);
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.ctx.shell.ReconnectArmed, cause != QLatin1String("outside"));

    if (cause == QLatin1String("outside")) {
        s.lineDown();
    } else if (cause == QLatin1String("menu")) {
        HangUpAllConnections(s.ctx);
    } else if (cause == QLatin1String("idle")) {
        s.ctx.settings.AutoHangupConnection = true;
        s.ctx.settings.HangupTime = 0;
    } else {
        const QString key = AlarmKey(s.user, 1);
        s.store().WriteStoreInteger(QStringLiteral("AlarmType"), key, SessionTimeAlarm);
        s.store().WriteStoreInteger(QStringLiteral("AllowanceTime"), key, 1);
        s.store().WriteStoreInteger(QStringLiteral("HangUpPhone"), key, 1);
        s.store().WriteStoreString(QStringLiteral("AlarmWaveFile"), key, QStringLiteral("None"));
        s.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), TariffKeys::user(s.user), 1);
    }
    s.run(200);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.network.hungUp.isEmpty(), cause == QLatin1String("outside"));
    QVERIFY(!s.ui.texts().contains(QStringLiteral("Do you wish to reconnect to My ISP ?")));
    QVERIFY(dials.isEmpty());
    QVERIFY(!s.ctx.shell.ReconnectArmed);
    QCOMPARE(s.ui.texts().contains(QStringLiteral("You have been online for 00:01. Limit exceeded!")),
             cause == QLatin1String("alarm"));
}

namespace {

struct StoredAlarm {
    int type;
    int minutes;
    int repeat;
    QString message;
};

} // namespace

Q_DECLARE_METATYPE(StoredAlarm)

void TestMainTimer::alarmBoxLetsTheTickGoOn_data()
{
    QTest::addColumn<QList<StoredAlarm>>("alarms");
    QTest::addColumn<int>("boxSeconds");       // how long the first box waits
    QTest::addColumn<int>("untilSecond");      // session time at the end of the run
    QTest::addColumn<QStringList>("texts");    // every box raised, in order
    QTest::addColumn<int>("raisedOverFirst");  // of those, raised while the first waited
    const QString tea = QStringLiteral("Time for tea");
    QTest::newRow("repeating alarm, one box while it waits")
        << QList<StoredAlarm>{{CustomMessageAlarm, 1, 1, tea}} << 150 << 270 << QStringList{tea, tea} << 0;
    QTest::newRow("another alarm with the same text")
        << QList<StoredAlarm>{{CustomMessageAlarm, 1, 0, tea}, {CustomMessageAlarm, 2, 0, tea}} << 90 << 200
        << QStringList{tea} << 0;
    QTest::newRow("another alarm's box opens over it")
        << QList<StoredAlarm>{{SessionTimeAlarm, 1, 0, {}}, {SessionTimeAlarm, 2, 0, {}}} << 90 << 200
        << QStringList{QStringLiteral("You have been online for 00:01. Limit exceeded!"),
                       QStringLiteral("You have been online for 00:02. Limit exceeded!")}
        << 1;
}

void TestMainTimer::alarmBoxLetsTheTickGoOn()
{
    QFETCH(QList<StoredAlarm>, alarms);
    QFETCH(int, boxSeconds);
    QFETCH(int, untilSecond);
    QFETCH(QStringList, texts);
    QFETCH(int, raisedOverFirst);
    Shell s;
    for (int i = 0; i < alarms.size(); ++i) {
        const QString key = AlarmKey(s.user, i + 1);
        s.store().WriteStoreInteger(QStringLiteral("AlarmType"), key, alarms[i].type);
        s.store().WriteStoreInteger(QStringLiteral("AllowanceTime"), key, alarms[i].minutes);
        s.store().WriteStoreInteger(QStringLiteral("RepeatAlarm"), key, alarms[i].repeat);
        s.store().WriteStoreString(QStringLiteral("CustomMessage"), key, alarms[i].message);
        s.store().WriteStoreString(QStringLiteral("AlarmWaveFile"), key, QStringLiteral("None"));
    }
    s.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), TariffKeys::user(s.user), int(alarms.size()));
    s.logIn();
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);

    int boxesUp = 0;
    int raisedOver = 0;
    bool firstBoxDone = false;
    qint64 secondsWhenRaised = -1;
    qint64 secondsWhenAnswered = -1;
    double recordWhenAnswered = -1;
    bool timerOnDuringBox = false;
    s.ui.onMessage = [&](const RecordingUi::Message &) {
        if (boxesUp > 0) {
            ++raisedOver;
            return;
        }
        if (firstBoxDone)
            return;
        ++boxesUp;
        secondsWhenRaised = s.ctx.pricing.SecondsOnline;
        timerOnDuringBox = s.ctx.shell.Timer1Enabled;
        s.run(2 * boxSeconds);
        secondsWhenAnswered = s.ctx.pricing.SecondsOnline;
        recordWhenAnswered = s.field(1, SessionTimeOnline);
        --boxesUp;
        firstBoxDone = true;
    };
    while (s.ctx.pricing.SecondsOnline < untilSecond)
        s.run(1);

    QCOMPARE(s.ui.texts(), texts);
    QCOMPARE(raisedOver, raisedOverFirst);
    QVERIFY(timerOnDuringBox);
    // The session was priced and its record kept up to date while the box waited.
    QVERIFY2(qAbs(secondsWhenAnswered - secondsWhenRaised - boxSeconds) <= 1,
             qPrintable(QStringLiteral("%1 .. %2").arg(secondsWhenRaised).arg(secondsWhenAnswered)));
    QCOMPARE(recordWhenAnswered, double(secondsWhenAnswered));
    QVERIFY(s.ctx.shell.Timer1Enabled);
    QVERIFY(s.ui.tickBoxes.showing().isEmpty());
    QVERIFY(s.ctx.shell.SessionOpen);
}

void TestMainTimer::clockCorrectionTimer()
{
    Shell s;
    int corrections = 0;
    s.ctx.hooks.getTimeFromServer = [&](AppContext &c) {
        ++corrections;
        c.shell.ClockCorrected = true;
    };
    s.logIn();
    s.lineAt(RasState::Authenticate);
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    // Not fully connected yet: not armed.
    QVERIFY(!s.ctx.shell.SntpClockTimerEnabled);
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SntpClockTimerEnabled);
    SntpClockTimerTimer(s.ctx);
    QCOMPARE(corrections, 1);
    SntpClockTimerTimer(s.ctx);
    QVERIFY(!s.ctx.shell.SntpClockTimerEnabled);
    // Corrected in this session: the ticks leave the timer off.
    s.run(4);
    QVERIFY(!s.ctx.shell.SntpClockTimerEnabled);
    QCOMPARE(corrections, 1);

    // Switched off in the settings: armed no more.
    s.lineDown();
    s.run(2);
    s.ctx.settings.AutoClockCorrect = false;
    s.lineAt(RasState::Connected);
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    QVERIFY(!s.ctx.shell.SntpClockTimerEnabled);

    // Switched on, but with nothing that corrects the clock the timer would
    // only wake every second for nothing.
    s.lineDown();
    s.run(2);
    s.ctx.settings.AutoClockCorrect = true;
    s.ctx.hooks.getTimeFromServer = nullptr;
    s.lineAt(RasState::Connected);
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    QVERIFY(!s.ctx.shell.SntpClockTimerEnabled);
}

void TestMainTimer::failingTickReportedOnceAndTimerRuns()
{
    Shell s;
    s.logIn();
    s.lineAt(RasState::Connected);
    s.run(2);
    QVERIFY(s.ctx.shell.SessionOpen);
    // A keep-alive echo on every tick, and every one of them fails.
    s.ctx.settings.KeepConnectionAlive = true;
    s.ctx.settings.KeepConnectionAliveInterval = 0;
    int failures = 0;
    s.ctx.hooks.sendKeepAliveEcho = [&](AppContext &c) {
        PROCEDURE_GUARD(c, "MainApp", "Ping1Echo");
        ++failures;
        throw StoreError(QStringLiteral("disk full"));
    };
    s.run(6);
    QCOMPARE(failures, 6);
    QVERIFY(s.ctx.shell.Timer1Enabled);
    QCOMPARE(s.ui.messages.size(), 1);
    QCOMPARE(s.ui.messages[0].kind, MessageKind::Error);
    const QString text = s.ui.messages[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("An internal error has occured in Tallyline.\r\rProcedure : Ping1Echo\r"
                                            "Unit : MainApp\rClass Name : ")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("\r\rError : disk full\r\r")));
    // The record is still rewritten by the part of the tick before the failure.
    QCOMPARE(s.field(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));

    // Once a tick gets through, the next failure is a new one.
    s.ctx.hooks.sendKeepAliveEcho = nullptr;
    s.run(1);
    s.ctx.hooks.sendKeepAliveEcho = [&](AppContext &) { throw StoreError(QStringLiteral("disk full")); };
    s.run(2);
    QCOMPARE(s.ui.messages.size(), 2);
}

void TestMainTimer::exitConfirmationAndRelaunch()
{
    Shell s;
    const QString question = QStringLiteral(
        "Are you sure you want exit Tallyline?, doing so will mean internet sessions will no longer be monitored");
    s.ui.answers.enqueue(false);
    s.ui.answers.enqueue(true);
    QVERIFY(!ConfirmExit(s.ctx));
    QVERIFY(ConfirmExit(s.ctx));
    QCOMPARE(s.ui.texts(), (QStringList{question, question}));
    s.ctx.settings.PromptOnExit = false;
    QVERIFY(ConfirmExit(s.ctx));
    QCOMPARE(s.ui.texts().size(), 2);

    QVERIFY(!RelaunchAfterClose(s.ctx));
    s.ctx.settings.AllowToBeExited = false;
    QVERIFY(RelaunchAfterClose(s.ctx));
    s.ctx.settings.NumberOfUsers = 0;
    QVERIFY(!RelaunchAfterClose(s.ctx));

    QCOMPARE(RelaunchArguments({QStringLiteral("--data-dir"), QStringLiteral("/d"), QStringLiteral("quitreload")}),
             (QStringList{QStringLiteral("--data-dir"), QStringLiteral("/d"), QStringLiteral("QuitReload")}));
}

TALLYLINE_ENGINE_TEST_MAIN(TestMainTimer)
#include "TestMainTimer.moc"

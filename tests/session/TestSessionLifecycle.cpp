#include "platform/DialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecords.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "tariff/DayTypes.h"
#include "tariff/SessionPricing.h"
#include "users/Users.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using testsupport::SeedBand;
using testsupport::SeedUser;
using testsupport::SessionFixture;
using testsupport::TariffSeed;

namespace {

constexpr double Tolerance = 1e-9;

// A user "Fred" (user 1) on a flat tariff of 0.60 a minute, charged per
// second from the first second (Minimum fee 0), logged in.
void loginFred(SessionFixture &f, const QList<SeedBand> &bands = {{0, 1439, 0.6, 0, 0}})
{
    f.addUser({QStringLiteral("Fred"), QStringLiteral("pw")});
    TariffSeed(f.store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, bands);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("pw")), LoginResult::LoggedIn);
}

// The session opening and closing part of the main tick, as the shell runs
// it every 500 ms.
void mainTick(SessionFixture &f)
{
    AppContext &ctx = f.ctx;
    if (ctx.connection.OnlineDetected && !ctx.shell.SessionOpen && ctx.login.LoggedIn && !ctx.shell.ManualSession
        && ctx.shell.AutoDetectionEnabled && ctx.settings.AutoOpenSession)
        OpenSession(ctx);
    if (ctx.shell.SessionOpen) {
        ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(ctx);
        if (ctx.tariff.CurrentTimezone != -1)
            UpdateSessionInformation(ctx);
        if (!ctx.connection.OnlineDetected && !ctx.shell.ManualSession && ctx.shell.AutoDetectionEnabled)
            CloseSession(ctx);
    }
}

// Runs the connection check every second and the main tick every 500 ms.
void runFor(SessionFixture &f, int seconds)
{
    for (int s = 0; s < seconds; ++s) {
        f.clock.advanceMs(500);
        mainTick(f);
        f.clock.advanceMs(500);
        RASCheckTimerTimer(f.ctx);
        mainTick(f);
    }
}

double field(SessionFixture &f, int session, int code, DateTime day)
{
    return GetFromDataFile(f.ctx, 1, session, code, day);
}

int sessionsOn(SessionFixture &f, DateTime day)
{
    int n = 0;
    f.store().ReadStoreInteger(QStringLiteral("NumberOfSessions"), SessionDayKey(1, day), n);
    return n;
}

DateTime at(const QDate &date, const QTime &time)
{
    return DateTimeFromQDateTime(QDateTime(date, time));
}

} // namespace

class TestSessionLifecycle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeSessionFromLoginToDrop();
    void startIsPutBackByModemCorrection_data();
    void startIsPutBackByModemCorrection();
    void twoSessionsOnOneDay();
    void sessionAcrossMidnightStaysUnderItsOpeningDay();
    void noBandMeansNoSessionAndOneMessage();
    void withoutLoginOnlyQuickAlarmsAreEnabled();
    void soundsFollowTheSettings();
    void programWindowAndDays_data();
    void programWindowAndDays();
    void programsClosedAtSessionEnd();
    void programsWaitForFullConnectionWhenAsked();
    void splitProgramCommand_data();
    void splitProgramCommand();
    void manualOpenAndClose();
    void manualCommandsRefusedByRestriction_data();
    void manualCommandsRefusedByRestriction();
    void closeWithoutSessionDoesNothing();
};

void TestSessionLifecycle::wholeSessionFromLoginToDrop()
{
    SessionFixture f;
    f.ctx.settings.ProgramRunOnFullConnect = false;
    loginFred(f);
    f.addProgram(1, QStringLiteral("/usr/bin/browser --home"), true);
    f.addProgram(1, QStringLiteral("/usr/bin/mail"), false);
    QSignalSpy opened(&f.ctx.events, &EngineEvents::sessionOpened);
    f.ctx.alarms.FireCounters = {3, 2};  // left over from an earlier session
    QSignalSpy closed(&f.ctx.events, &EngineEvents::sessionClosed);
    const DateTime day = f.clock.today();

    // Offline: ticks do nothing.
    runFor(f, 2);
    QVERIFY(!f.ctx.shell.SessionOpen);

    f.network.addConnection(7, QStringLiteral("Provider"), RasState::Connected);
    const QDateTime online = f.clock.now().addSecs(1);
    f.clock.advanceSeconds(1);
    RASCheckTimerTimer(f.ctx);
    QVERIFY(f.ctx.connection.OnlineDetected);
    mainTick(f);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(sessionsOn(f, day), 1);
    // Opened at `online`, lengthened by the default correction of 10 s.
    QVERIFY(qAbs(f.ctx.pricing.SessionStart - DateTimeFromQDateTime(online.addSecs(-10))) < 1e-8);
    QCOMPARE(field(f, 1, SessionTimeOnline, day), 11.0);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("Session1-Connection"), SessionDayKey(1, day)),
             QStringLiteral("Provider"));
    QCOMPARE(f.sound.played, QStringList{QStringLiteral("/data/Ringin.wav")});
    QCOMPARE(f.launcher.startedPrograms(), (QStringList{QStringLiteral("/usr/bin/browser"),
                                                          QStringLiteral("/usr/bin/mail")}));
    QCOMPARE(f.launcher.starts[0].arguments, QStringList{QStringLiteral("--home")});
    QCOMPARE(f.launcher.starts[0].workingDirectory, QStringLiteral("/usr/bin"));
    QVERIFY(f.ctx.shell.ProgramsRun);
    QVERIFY(!f.ctx.shell.Menu.OpenSessionEnabled);
    QVERIFY(f.ctx.shell.Menu.CloseSessionEnabled);
    QVERIFY(f.ctx.shell.Menu.QuickAlarmsEnabled);
    QVERIFY(f.ctx.alarms.FireCounters.isEmpty());
    f.ctx.alarms.OnlineTimeAlarmArmed = true;
    f.ctx.alarms.OnlineTimeAlarmMinutes = 90;
    f.ctx.alarms.ClockTimeAlarmArmed = true;
    f.ctx.alarms.ClockTimeAlarmMinutes = 23 * 60;

    // Every tick rewrites the record with the priced values.
    runFor(f, 49);
    QCOMPARE(field(f, 1, SessionTimeOnline, day), 60.0);
    QVERIFY(qAbs(field(f, 1, SessionCost, day) - 0.60) < Tolerance);

    // The line drops: the next check clears the flag, the next tick closes.
    const qint64 browser = f.ctx.shell.StartedPrograms.value(1).pid;
    QVERIFY(browser > 0);
    f.network.hangUp(7);
    f.clock.advanceMs(500);
    RASCheckTimerTimer(f.ctx);
    QVERIFY(!f.ctx.connection.OnlineDetected);
    mainTick(f);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(sessionsOn(f, day), 1);
    const DateTime now = f.clock.nowDateTime();
    QVERIFY(qAbs(field(f, 1, SessionEndTime, day) - TimeOf(now)) < 1e-8);
    QCOMPARE(field(f, 1, SessionEndDate, day), day);
    QCOMPARE(field(f, 1, SessionStartTime, day), f.ctx.pricing.SessionStart);
    QCOMPARE(field(f, 1, SessionTimeOnline, day), double(f.ctx.pricing.SecondsOnline));
    QCOMPARE(field(f, 1, SessionCost, day), f.ctx.pricing.SessionCost);
    QCOMPARE(f.sound.played.last(), QStringLiteral("/data/Ringout.wav"));
    // Only the program marked for closing is asked to quit.
    QCOMPARE(f.launcher.quitRequests, QList<qint64>{browser});
    QVERIFY(!f.ctx.shell.ProgramsRun);
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Default"));
    QVERIFY(f.ctx.shell.Menu.OpenSessionEnabled);
    QVERIFY(!f.ctx.shell.Menu.CloseSessionEnabled);
    QVERIFY(!f.ctx.shell.Menu.QuickAlarmsEnabled);
    QVERIFY(!f.ctx.alarms.OnlineTimeAlarmArmed);
    QVERIFY(!f.ctx.alarms.ClockTimeAlarmArmed);
    QVERIFY(!f.ui.floatingMonitorVisible);
    QCOMPARE(f.ui.shows(UiWindow::FloatingMonitor), 1);
    QVERIFY(f.ui.messages.isEmpty());
}

void TestSessionLifecycle::startIsPutBackByModemCorrection_data()
{
    QTest::addColumn<int>("correction");
    QTest::addColumn<QTime>("expectedStart");
    QTest::addColumn<double>("firstTickSeconds");

    QTest::newRow("default 10") << 10 << QTime(11, 59, 50) << 11.0;
    QTest::newRow("none") << 0 << QTime(12, 0, 0) << 1.0;
    // The start lies ahead: no time online yet, never a negative one.
    QTest::newRow("negative shortens") << -5 << QTime(12, 0, 5) << 0.0;
}

void TestSessionLifecycle::startIsPutBackByModemCorrection()
{
    QFETCH(int, correction);
    QFETCH(QTime, expectedStart);
    QFETCH(double, firstTickSeconds);
    SessionFixture f;
    f.ctx.settings.ModemCorrectionFactor = correction;
    loginFred(f);
    OpenSession(f.ctx);
    const DateTime day = f.clock.today();
    const DateTime start = field(f, 1, SessionStartTime, day);
    QVERIFY(qAbs(start - at(QDate(2001, 1, 10), expectedStart)) < 1e-8);
    QCOMPARE(field(f, 1, SessionTimeOnline, day), firstTickSeconds);
}

void TestSessionLifecycle::twoSessionsOnOneDay()
{
    SessionFixture f;
    loginFred(f);
    const DateTime day = f.clock.today();
    f.network.addConnection(1, QStringLiteral("Any"), RasState::Connected);
    RASCheckTimerTimer(f.ctx);
    mainTick(f);
    runFor(f, 50);
    f.network.hangUp(1);
    runFor(f, 1);
    QVERIFY(!f.ctx.shell.SessionOpen);
    const double firstCost = field(f, 1, SessionCost, day);
    QVERIFY(firstCost > 0);

    f.clock.advanceSeconds(600);
    f.network.addConnection(2, QStringLiteral("Any"), RasState::Connected);
    runFor(f, 20);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(sessionsOn(f, day), 2);
    // The second session's running totals start from the first one's.
    QVERIFY(qAbs(f.ctx.pricing.Opening.DailyCost - firstCost) < Tolerance);
    QVERIFY(qAbs(f.ctx.pricing.DailyCost - (firstCost + f.ctx.pricing.SessionCost)) < Tolerance);
    f.network.hangUp(2);
    runFor(f, 1);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(sessionsOn(f, day), 2);
    QCOMPARE(field(f, 1, SessionCost, day), firstCost);
    QVERIFY(field(f, 2, SessionTimeOnline, day) > 20);
    QVERIFY(field(f, 2, SessionStartTime, day) > field(f, 1, SessionEndTime, day) + day);
}

void TestSessionLifecycle::sessionAcrossMidnightStaysUnderItsOpeningDay()
{
    SessionFixture f(QDateTime(QDate(2001, 1, 10), QTime(23, 50)));
    loginFred(f);
    const DateTime first = f.clock.today();
    f.network.addConnection(1, QStringLiteral("Any"), RasState::Connected);
    RASCheckTimerTimer(f.ctx);
    mainTick(f);
    QVERIFY(f.ctx.shell.SessionOpen);
    runFor(f, 30 * 60);
    f.network.hangUp(1);
    runFor(f, 1);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(sessionsOn(f, first), 1);
    QCOMPARE(sessionsOn(f, first + 1), 0);
    QCOMPARE(field(f, 1, SessionEndDate, first), first + 1);
    // 30 minutes, the second it took to notice the drop, the correction and the added second.
    QCOMPARE(field(f, 1, SessionTimeOnline, first), 1800.0 + 1 + 10 + 1);
    QVERIFY(qAbs(field(f, 1, SessionEndTime, first) - TimeOf(f.clock.nowDateTime())) < 1e-8);
}

void TestSessionLifecycle::noBandMeansNoSessionAndOneMessage()
{
    SessionFixture f;
    loginFred(f, {{0, 600, 0.6, 0, 0}});
    const QString text =
        QStringLiteral("There is no timezone defined for the current time. Session cannot be opened.");
    OpenSession(f.ctx);
    OpenSession(f.ctx);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(f.ui.texts(), QStringList{text});
    QCOMPARE(f.ui.messages[0].kind, MessageKind::Information);
    QVERIFY(f.ctx.shell.NoTimezoneWarned);
    QCOMPARE(sessionsOn(f, f.clock.today()), 0);
    QVERIFY(f.sound.played.isEmpty());
    QCOMPARE(f.ui.shows(UiWindow::FloatingMonitor), 0);

    // A band later in the day: the session opens, and its close re-arms the message.
    f.clock.set(QDateTime(QDate(2001, 1, 10), QTime(9, 0)));
    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    CloseSession(f.ctx);
    QVERIFY(!f.ctx.shell.NoTimezoneWarned);
    f.clock.set(QDateTime(QDate(2001, 1, 10), QTime(11, 0)));
    OpenSession(f.ctx);
    QCOMPARE(f.ui.texts(), (QStringList{text, text}));
}

void TestSessionLifecycle::withoutLoginOnlyQuickAlarmsAreEnabled()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Fred"), QString()});
    TariffSeed(f.store(), 1).weekBands(1, {{0, 1439, 0.6, 0, 0}});
    QVERIFY(!f.ctx.shell.Menu.QuickAlarmsEnabled);
    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.Menu.QuickAlarmsEnabled);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(QStringLiteral("Users\\User1\\Sessions"))));
    QVERIFY(f.sound.played.isEmpty());
}

void TestSessionLifecycle::soundsFollowTheSettings()
{
    SessionFixture f;
    f.ctx.settings.PlaySoundOnConnect = false;
    f.ctx.settings.PlaySoundOnDisconnect = true;
    loginFred(f);
    OpenSession(f.ctx);
    QVERIFY(f.sound.played.isEmpty());
    CloseSession(f.ctx);
    QCOMPARE(f.sound.played, QStringList{QStringLiteral("/data/Ringout.wav")});

    f.ctx.settings.PlaySoundOnConnect = true;
    f.ctx.settings.PlaySoundOnDisconnect = false;
    f.ctx.platform.sound = nullptr;  // no player at all is harmless
    OpenSession(f.ctx);
    CloseSession(f.ctx);
    QCOMPARE(f.sound.played.size(), 1);
}

void TestSessionLifecycle::programWindowAndDays_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("useTimeZone");
    QTest::addColumn<bool>("starts");

    const QTime ten(10, 0);
    const QTime six(18, 0);
    // 2001-01-10 is a Wednesday, 2001-01-13 a Saturday.
    QTest::newRow("weekday inside the window") << QDateTime(QDate(2001, 1, 10), ten) << 1 << true;
    QTest::newRow("weekday at its first minute") << QDateTime(QDate(2001, 1, 10), QTime(9, 0)) << 1 << true;
    QTest::newRow("weekday at its last minute") << QDateTime(QDate(2001, 1, 10), QTime(17, 0)) << 1 << true;
    QTest::newRow("weekday after the window") << QDateTime(QDate(2001, 1, 10), six) << 1 << false;
    QTest::newRow("Saturday inside the window") << QDateTime(QDate(2001, 1, 13), ten) << 1 << false;
    QTest::newRow("no window, Saturday evening") << QDateTime(QDate(2001, 1, 13), six) << 0 << true;
}

void TestSessionLifecycle::programWindowAndDays()
{
    QFETCH(QDateTime, now);
    QFETCH(int, useTimeZone);
    QFETCH(bool, starts);
    SessionFixture f(now);
    loginFred(f);
    f.addProgram(1, QStringLiteral("/opt/news"), false, useTimeZone, 540, 1020, 31);
    RunSessionPrograms(f.ctx);
    QVERIFY(f.ctx.shell.ProgramsRun);
    QCOMPARE(f.launcher.starts.size(), starts ? 1 : 0);
    QCOMPARE(f.ctx.shell.StartedPrograms.contains(1), starts);
}

void TestSessionLifecycle::programsClosedAtSessionEnd()
{
    SessionFixture f;
    f.ctx.settings.ProgramRunOnFullConnect = false;
    loginFred(f);
    // More than twenty programs, every one tracked.
    for (int p = 1; p <= 25; ++p)
        f.addProgram(1, QStringLiteral("/opt/tool%1").arg(p), true);
    const int failing = f.addProgram(1, QStringLiteral("/opt/broken"), true);
    const int keepsRunning = f.addProgram(1, QStringLiteral("/opt/stays"), false);
    const int empty = f.addProgram(1, QString(), true);
    f.launcher.failing.insert(QStringLiteral("/opt/broken"));
    OpenSession(f.ctx);
    QCOMPARE(f.launcher.starts.size(), 27);
    QCOMPARE(f.ctx.shell.StartedPrograms.size(), 26);
    QVERIFY(!f.ctx.shell.StartedPrograms.contains(failing));
    QVERIFY(!f.ctx.shell.StartedPrograms.contains(empty));

    // Program 3 has ended by itself meanwhile; its id must not be signalled.
    const qint64 ended = f.ctx.shell.StartedPrograms.value(3).pid;
    f.launcher.ended.insert(ended);
    const qint64 staying = f.ctx.shell.StartedPrograms.value(keepsRunning).pid;
    CloseSession(f.ctx);
    QCOMPARE(f.launcher.quitRequests.size(), 24);
    QVERIFY(!f.launcher.quitRequests.contains(ended));
    QVERIFY(!f.launcher.quitRequests.contains(staying));
    QVERIFY(f.ctx.shell.StartedPrograms.isEmpty());

    // A session whose programs never ran asks nothing at its end.
    f.ctx.settings.ProgramRunOnFullConnect = true;
    OpenSession(f.ctx);
    CloseSession(f.ctx);
    QCOMPARE(f.launcher.starts.size(), 27);
    QCOMPARE(f.launcher.quitRequests.size(), 24);
}

void TestSessionLifecycle::programsWaitForFullConnectionWhenAsked()
{
    SessionFixture f;
    f.ctx.settings.ProgramRunOnFullConnect = true;
    loginFred(f);
    f.addProgram(1, QStringLiteral("/opt/news"), true);
    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.ProgramsRun);
    QVERIFY(f.launcher.starts.isEmpty());
}

void TestSessionLifecycle::splitProgramCommand_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("directory");

    QTest::newRow("plain path") << "/usr/bin/xterm" << true << "/usr/bin/xterm" << QStringList() << "/usr/bin";
    QTest::newRow("arguments") << "/usr/bin/xterm -e top" << true << "/usr/bin/xterm"
                               << QStringList{"-e", "top"} << "/usr/bin";
    QTest::newRow("quoted argument") << "/opt/mail \"my inbox\"; rm -rf ~" << true << "/opt/mail"
                                     << QStringList{"my inbox;", "rm", "-rf", "~"} << "/opt";
    QTest::newRow("program on the PATH") << "firefox" << true << "firefox" << QStringList() << "";
    QTest::newRow("root directory") << "/tool" << true << "/tool" << QStringList() << "/";
    QTest::newRow("empty") << "" << false << "" << QStringList() << "";
    QTest::newRow("blank") << "   " << false << "" << QStringList() << "";
}

void TestSessionLifecycle::splitProgramCommand()
{
    QFETCH(QString, filename);
    QFETCH(bool, ok);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, directory);
    ProgramCommand command;
    QCOMPARE(SplitProgramCommand(filename, command), ok);
    QCOMPARE(command.program, program);
    QCOMPARE(command.arguments, arguments);
    QCOMPARE(command.workingDirectory, directory);
}

void TestSessionLifecycle::manualOpenAndClose()
{
    SessionFixture f;
    loginFred(f);
    const QString closingText = QStringLiteral(
        "Manually closing a session whilst online will disable auto online detection.\rTo re-enable auto online "
        "detection, select it from the file menu or by right clicking on the system tray icon.");

    // Offline: open by hand, close by hand; the manual flag goes with it.
    OpenSessionByHand(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(f.ctx.shell.ManualSession);
    runFor(f, 3);  // offline, but a manual session is not closed automatically
    QVERIFY(f.ctx.shell.SessionOpen);
    CloseSessionByHand(f.ctx);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.ManualSession);
    QVERIFY(f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(f.ui.messages.isEmpty());

    // Online: closing by hand switches automatic detection off and says so.
    f.network.addConnection(1, QStringLiteral("Any"), RasState::Connected);
    runFor(f, 1);
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.ManualSession);
    CloseSessionByHand(f.ctx);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(!f.ctx.shell.Menu.AutoDetectionItemChecked);
    QCOMPARE(f.ui.texts(), QStringList{closingText});
    runFor(f, 2);
    QVERIFY(!f.ctx.shell.SessionOpen);

    // Opened by hand while online; closing leaves the manual flag set.
    OpenSessionByHand(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.Menu.AutoDetectionItemChecked);
    CloseSessionByHand(f.ctx);
    QVERIFY(f.ctx.shell.ManualSession);
    QVERIFY(!f.ctx.shell.AutoDetectionEnabled);
    QCOMPARE(f.ui.texts().size(), 2);

    // Detection back on, line gone: the manual flag is cleared by the next manual close only.
    ToggleOnlineDetection(f.ctx);
    QVERIFY(f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(f.ctx.shell.Menu.AutoDetectionItemChecked);
}

void TestSessionLifecycle::manualCommandsRefusedByRestriction_data()
{
    QTest::addColumn<bool>("asAdministrator");
    QTest::newRow("restricted user") << false;
    QTest::newRow("administrator session too") << true;
}

void TestSessionLifecycle::manualCommandsRefusedByRestriction()
{
    QFETCH(bool, asAdministrator);
    SessionFixture f;
    if (!asAdministrator)
        f.addUser({QStringLiteral("Admin"), QString()});
    f.addUser({QStringLiteral("Fred"), QStringLiteral("pw"), QStringLiteral("Monthly"), QStringLiteral("1"), 64});
    const int fred = f.ctx.settings.NumberOfUsers;
    TariffSeed(f.store(), fred).weekBands(1, {{0, 1439, 0.6, 0, 0}});
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("pw")), LoginResult::LoggedIn);
    QCOMPARE(f.ctx.login.AdminSession, asAdministrator);
    const QString refusal = QStringLiteral("You are not permitted to manually open && close sessions.");

    OpenSessionByHand(f.ctx);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QVERIFY(!f.ctx.shell.ManualSession);
    QCOMPARE(f.ui.texts(), QStringList{refusal});
    QCOMPARE(f.ui.messages[0].kind, MessageKind::Warning);

    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    CloseSessionByHand(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(f.ui.texts(), (QStringList{refusal, refusal}));
}

void TestSessionLifecycle::closeWithoutSessionDoesNothing()
{
    SessionFixture f;
    loginFred(f);
    f.ctx.shell.ProgramsRun = true;
    QSignalSpy closed(&f.ctx.events, &EngineEvents::sessionClosed);
    CloseSession(f.ctx);
    QCOMPARE(closed.count(), 0);
    QVERIFY(f.sound.played.isEmpty());
    QVERIFY(f.ctx.shell.ProgramsRun);

    // A session that cannot open by hand (no band) does not stay "manual".
    SessionFixture g;
    loginFred(g, {{0, 600, 0.6, 0, 0}});
    OpenSessionByHand(g.ctx);
    QVERIFY(!g.ctx.shell.SessionOpen);
    QVERIFY(!g.ctx.shell.ManualSession);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionLifecycle)
#include "TestSessionLifecycle.moc"

#include "platform/DialUpNetwork.h"
#include "platform/DesktopNotifier.h"
#include "session/ConnectionDetection.h"
#include "session/DialUp.h"
#include "support/FakeLineContext.h"
#include "support/TestMain.h"

using testsupport::FakeLineContext;

class TestConnectionDetection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stageTable_data();
    void stageTable();
    void noConnectionsKeepsEntryName();
    void disconnectedEntryIsSkipped();
    void firstQualifyingConnectionNamesTheEntry();
    void checkTickSetsFlagsAndReadsTrafficOnlyInFullSession();
    void droppedLineNotice_data();
    void droppedLineNotice();
};

void TestConnectionDetection::stageTable_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("online");

    QTest::newRow("verify, opening port") << 0 << 0 << false;
    QTest::newRow("verify, device connected") << 0 << 3 << false;
    QTest::newRow("verify, authenticate") << 0 << 5 << true;
    QTest::newRow("verify, paused") << 0 << 0x1000 << true;
    QTest::newRow("verify, connected") << 0 << 0x2000 << true;
    QTest::newRow("verify, disconnected") << 0 << 0x2001 << false;
    QTest::newRow("dial, port opened") << 1 << 1 << false;
    QTest::newRow("dial, connecting device") << 1 << 2 << true;
    QTest::newRow("dial, device connected") << 1 << 3 << true;
    QTest::newRow("dial, authenticate") << 1 << 5 << true;
    QTest::newRow("dial, disconnected") << 1 << 0x2001 << false;
    QTest::newRow("internet, authenticate") << 2 << 5 << false;
    QTest::newRow("internet, authenticated") << 2 << 14 << false;
    QTest::newRow("internet, connected") << 2 << 0x2000 << true;
    QTest::newRow("internet, disconnected") << 2 << 0x2001 << false;
    QTest::newRow("stage 3, connected") << 3 << 0x2000 << false;
    QTest::newRow("stage -1, connected") << -1 << 0x2000 << false;
}

void TestConnectionDetection::stageTable()
{
    QFETCH(int, stage);
    QFETCH(int, state);
    QFETCH(bool, online);
    FakeLineContext f;
    f.network.addConnection(7, QStringLiteral("Provider"), state);
    QCOMPARE(IsConnectedAtStage(f.ctx, stage), online);
    QCOMPARE(f.ctx.connection.ConnectedEntryName,
             online ? QStringLiteral("Provider") : QStringLiteral("Default"));
}

void TestConnectionDetection::noConnectionsKeepsEntryName()
{
    FakeLineContext f;
    f.ctx.connection.ConnectedEntryName = QStringLiteral("Earlier ISP");
    for (int stage = 0; stage <= 3; ++stage)
        QVERIFY(!IsConnectedAtStage(f.ctx, stage));
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Earlier ISP"));

    f.ctx.platform.dialUp = nullptr;
    QVERIFY(!IsConnectedAtStage(f.ctx, 1));
}

void TestConnectionDetection::disconnectedEntryIsSkipped()
{
    FakeLineContext f;
    f.network.addConnection(1, QStringLiteral("Gone"), RasState::Disconnected);
    f.network.addConnection(2, QStringLiteral("Live"), RasState::Connected);
    QVERIFY(IsConnectedAtStage(f.ctx, 2));
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Live"));
}

void TestConnectionDetection::firstQualifyingConnectionNamesTheEntry()
{
    FakeLineContext f;
    f.network.addConnection(1, QStringLiteral("Dialling"), 2);
    f.network.addConnection(2, QStringLiteral("Up"), RasState::Connected);
    QVERIFY(IsConnectedAtStage(f.ctx, 1));
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Dialling"));
    QVERIFY(IsConnectedAtStage(f.ctx, 2));
    QCOMPARE(f.ctx.connection.ConnectedEntryName, QStringLiteral("Up"));
}

void TestConnectionDetection::checkTickSetsFlagsAndReadsTrafficOnlyInFullSession()
{
    FakeLineContext f;
    f.ctx.settings.ModemDetectionType = 0;
    f.network.addConnection(1, QStringLiteral("Provider"), RasState::Authenticate, QStringLiteral("ppp0"));
    f.network.setCounters(QStringLiteral("ppp0"), 100, 50);
    f.ctx.shell.SessionOpen = true;

    RASCheckTimerTimer(f.ctx);
    QVERIFY(f.ctx.connection.OnlineDetected);
    QVERIFY(f.ctx.connection.ModemConnected);
    QVERIFY(!f.ctx.connection.FullyConnected);
    QCOMPARE(f.network.counterReads, 0);
    QVERIFY(!f.ctx.shell.TrafficBaselineTaken);

    f.network.active[0].state = RasState::Connected;
    RASCheckTimerTimer(f.ctx);
    QVERIFY(f.ctx.connection.FullyConnected);
    QVERIFY(f.ctx.shell.TrafficBaselineTaken);
    QVERIFY(f.network.counterReads > 0);

    f.network.active.clear();
    RASCheckTimerTimer(f.ctx);
    QVERIFY(!f.ctx.connection.OnlineDetected);
    QVERIFY(!f.ctx.connection.ModemConnected);
    QVERIFY(!f.ctx.connection.FullyConnected);
}

void TestConnectionDetection::droppedLineNotice_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("sessionOpen");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("goneAtHangUp");
    QTest::addColumn<int>("notices");
    QTest::newRow("drops in a session") << "up check drop check check" << true << true << true << 1;
    QTest::newRow("no session open") << "up check drop check" << false << true << true << 0;
    QTest::newRow("notices off") << "up check drop check" << true << false << true << 0;
    QTest::newRow("own hang-up, line gone at once") << "up check hangup check" << true << true << true << 0;
    QTest::newRow("own hang-up, line goes a check later")
        << "up check hangup check drop check" << true << true << false << 0;
    QTest::newRow("the next call drops") << "up check hangup check up check drop check" << true << true << true << 1;
    QTest::newRow("the next call drops after a slow hang-up")
        << "up check hangup check drop check up check drop check" << true << true << false << 1;
    QTest::newRow("never online") << "check check" << true << true << true << 0;
}

void TestConnectionDetection::droppedLineNotice()
{
    QFETCH(QString, steps);
    QFETCH(bool, sessionOpen);
    QFETCH(bool, enabled);
    QFETCH(bool, goneAtHangUp);
    QFETCH(int, notices);
    FakeLineContext f;
    FakeDesktopNotifier notifier;
    f.ctx.platform.notifier = &notifier;
    f.ctx.settings.DesktopNotifications = enabled;
    f.ctx.shell.SessionOpen = sessionOpen;
    f.network.removeOnHangUp = goneAtHangUp;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        if (step == QLatin1String("up"))
            f.network.addConnection(1, QStringLiteral("Provider"), RasState::Connected);
        else if (step == QLatin1String("drop"))
            f.network.active.clear();
        else if (step == QLatin1String("hangup"))
            HangUpAllConnections(f.ctx);
        else
            RASCheckTimerTimer(f.ctx);
    }
    QCOMPARE(notifier.sent.size(), notices);
    for (const FakeDesktopNotifier::Notice &n : notifier.sent) {
        QCOMPARE(n.summary, QStringLiteral("Connection dropped"));
        QCOMPARE(n.body, QStringLiteral("The connection to Provider has dropped."));
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestConnectionDetection)
#include "TestConnectionDetection.moc"

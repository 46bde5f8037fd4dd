#include "platform/DialUpNetwork.h"
#include "session/ConnectionDetection.h"
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

TALLYLINE_ENGINE_TEST_MAIN(TestConnectionDetection)
#include "TestConnectionDetection.moc"

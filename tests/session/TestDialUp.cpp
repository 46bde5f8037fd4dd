#include "platform/DialUpNetwork.h"
#include "session/DialUp.h"
#include "support/FakeLineContext.h"
#include "support/TestMain.h"

#include <QSignalSpy>
#include <QTimer>

using testsupport::FakeLineContext;

class TestDialUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hangUpAllClearsReconnectionAndHangsUpEveryLine();
    void hangUpAllWithoutLines();
    void refusedHangUpIsToldAndKeepsTheLine_data();
    void refusedHangUpIsToldAndKeepsTheLine();
    void asyncEventsCarryStatusOrErrorText();
    void eventsOfAnEarlierCallAreIgnored();
    void synchronousDial_data();
    void synchronousDial();
    void entriesAndConnections();
    void hangUpHandleGivesUpOnACallThatNeverEnds();
};

void TestDialUp::hangUpAllClearsReconnectionAndHangsUpEveryLine()
{
    FakeLineContext f;
    f.ctx.shell.ReconnectArmed = true;
    f.ctx.shell.LastDialledEntry = QStringLiteral("Provider");
    f.network.removeOnHangUp = false;   // hang-up is asked for, not waited on
    f.network.addConnection(11, QStringLiteral("Provider"), RasState::Connected);
    f.network.addConnection(12, QStringLiteral("Other"), RasState::ConnectDevice);
    HangUpAllConnections(f.ctx);
    QVERIFY(!f.ctx.shell.ReconnectArmed);
    QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
    QCOMPARE(f.network.hungUp, (QList<qint64>{11, 12}));
    QCOMPARE(f.network.activeQueries, 0);
}

void TestDialUp::hangUpAllWithoutLines()
{
    FakeLineContext f;
    f.ctx.shell.ReconnectArmed = true;
    f.ctx.shell.LastDialledEntry = QStringLiteral("Provider");
    f.ctx.platform.dialUp = nullptr;
    HangUpAllConnections(f.ctx);
    QVERIFY(!f.ctx.shell.ReconnectArmed);
    QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
}

void TestDialUp::refusedHangUpIsToldAndKeepsTheLine_data()
{
    QTest::addColumn<QString>("refusal");   // empty: the line lets go
    QTest::addColumn<int>("connections");
    QTest::newRow("hung up") << QString() << 2;
    QTest::newRow("refused, one connection") << QStringLiteral("Needs CAP_NET_ADMIN.") << 1;
    // The same reason twice is one box.
    QTest::newRow("refused, two connections") << QStringLiteral("Needs CAP_NET_ADMIN.") << 2;
}

void TestDialUp::refusedHangUpIsToldAndKeepsTheLine()
{
    QFETCH(QString, refusal);
    QFETCH(int, connections);
    FakeLineContext f;
    f.network.hangUpRefusal = refusal;
    for (int i = 0; i < connections; ++i)
        f.network.addConnection(11 + i, QStringLiteral("wwan0"), RasState::Connected, QStringLiteral("wwan0"));
    f.ctx.connection.OnlineDetected = f.ctx.connection.ModemConnected = f.ctx.connection.FullyConnected = true;
    f.ctx.shell.ReconnectArmed = true;

    const bool hungUp = HangUpAllConnections(f.ctx);
    QCOMPARE(f.network.hungUp.size(), connections);
    QVERIFY(!f.ctx.shell.ReconnectArmed);
    QCOMPARE(hungUp, refusal.isEmpty());
    // A refused hang-up leaves the line up as far as the program knows.
    QCOMPARE(f.ctx.connection.OnlineDetected, !refusal.isEmpty());
    QCOMPARE(f.ctx.connection.FullyConnected, !refusal.isEmpty());
    if (refusal.isEmpty()) {
        QVERIFY(f.ui.messages.isEmpty());
    } else {
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages.first().kind, MessageKind::Error);
        QCOMPARE(f.ui.messages.first().text, refusal);
    }
}

void TestDialUp::asyncEventsCarryStatusOrErrorText()
{
    FakeLineContext f;
    f.network.phoneBook = {QStringLiteral("Provider")};
    TDialUp dialUp(&f.network);
    QSignalSpy dialing(&dialUp, &TDialUp::OnDialing);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    dialUp.Entry = QStringLiteral("Provider");
    QCOMPARE(dialUp.Dial(), 0);
    QCOMPARE(dialing.count(), 1);
    QCOMPARE(f.network.dialled, QStringList{QStringLiteral("Provider")});
    const qint64 handle = dialUp.currentHandle();

    f.network.emitProgress(handle, 3);
    f.network.emitProgress(handle, 2, 1016);
    QCOMPARE(events.count(), 2);
    QCOMPARE(events[0][0].toInt(), 3);
    QCOMPARE(events[0][1].toString(), QStringLiteral("Device connected"));
    QCOMPARE(events[0][2].toInt(), 0);
    QCOMPARE(events[1][1].toString(), f.network.errorText(1016).left(100));
    QCOMPARE(events[1][2].toInt(), 1016);
    QCOMPARE(dialUp.currentHandle(), 0);   // a failed call leaves nothing to hang up
}

void TestDialUp::eventsOfAnEarlierCallAreIgnored()
{
    FakeLineContext f;
    f.network.phoneBook = {QStringLiteral("Provider")};
    TDialUp dialUp(&f.network);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    dialUp.Entry = QStringLiteral("Provider");
    QCOMPARE(dialUp.Dial(), 0);
    const qint64 first = dialUp.currentHandle();
    f.network.addConnection(first, QStringLiteral("Provider"), 2);
    QCOMPARE(dialUp.Dial(), 0);   // hangs up its own earlier call first
    QCOMPARE(f.network.hungUp, QList<qint64>{first});
    QVERIFY(dialUp.currentHandle() != first);
    f.network.emitProgress(first, 2, 631);
    QCOMPARE(events.count(), 0);
}

void TestDialUp::synchronousDial_data()
{
    QTest::addColumn<int>("error");
    QTest::newRow("connects") << 0;
    QTest::newRow("fails") << 1008;
}

void TestDialUp::synchronousDial()
{
    QFETCH(int, error);
    FakeLineContext f;
    f.network.phoneBook = {QStringLiteral("Provider")};
    TDialUp dialUp(&f.network);
    dialUp.DialMode = TDialMode::dmSync;
    dialUp.Entry = QStringLiteral("Provider");
    QSignalSpy connected(&dialUp, &TDialUp::OnConnect);
    QSignalSpy notConnected(&dialUp, &TDialUp::OnNotConnected);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    const qint64 handle = f.network.nextHandle;
    QTimer::singleShot(0, this, [&] {
        f.network.emitProgress(handle, 2);
        f.network.emitProgress(handle, error ? 2 : 0x2000, error);
    });
    QCOMPARE(dialUp.Dial(), error);
    QCOMPARE(connected.count(), error ? 0 : 1);
    QCOMPARE(notConnected.count(), error ? 1 : 0);
    QCOMPARE(events.count(), 0);
    if (error)
        QCOMPARE(notConnected[0][0].toInt(), error);
}

void TestDialUp::entriesAndConnections()
{
    FakeLineContext f;
    for (int i = 0; i < 120; ++i)
        f.network.phoneBook.append(QStringLiteral("Entry %1").arg(i));
    f.network.addConnection(5, QStringLiteral("Entry 3"), RasState::Authenticate, QStringLiteral("ppp0"));
    TDialUp dialUp(&f.network);
    QSignalSpy found(&dialUp, &TDialUp::OnEntryGet);
    QSignalSpy active(&dialUp, &TDialUp::OnActiveConnection);
    QCOMPARE(dialUp.GetEntries(), 0);
    QCOMPARE(dialUp.Entries.size(), 100);
    QCOMPARE(found.count(), 100);
    QCOMPARE(found[99][0].toString(), QStringLiteral("Entry 99"));
    QCOMPARE(dialUp.GetConnections(), 0);
    QCOMPARE(active.count(), 1);
    QCOMPARE(active[0][0].toLongLong(), 5);
    QCOMPARE(active[0][1].toString(), QStringLiteral("ppp0"));
    QCOMPARE(active[0][3].toString(), QStringLiteral("Entry 3"));
    QCOMPARE(active[0][4].toString(), QStringLiteral("Start authenticating"));
}

void TestDialUp::hangUpHandleGivesUpOnACallThatNeverEnds()
{
    FakeLineContext f;
    f.network.removeOnHangUp = false;
    f.network.addConnection(9, QStringLiteral("Stuck"), RasState::Connected);
    TDialUp dialUp(&f.network);
    dialUp.hangUpTimeoutMs = 100;
    QVERIFY(!dialUp.HangUpHandle(9));
    QVERIFY(f.network.activeQueries > 1);
    f.network.removeOnHangUp = true;
    QVERIFY(dialUp.HangUpHandle(9));
    QVERIFY(!dialUp.HangUpHandle(9));
}

TALLYLINE_ENGINE_TEST_MAIN(TestDialUp)
#include "TestDialUp.moc"

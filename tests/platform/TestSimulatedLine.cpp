#include "platform/LineControl.h"
#include "platform/SimulatedDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "session/DialUp.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"

#include <QProcess>
#include <QSignalSpy>

namespace {
QString companionPath()
{
    return QFileInfo(QStringLiteral(TALLYLINE_EXECUTABLE)).dir().filePath(QStringLiteral("tallyline-line"));
}

struct Companion {
    int exitCode = -1;
    QString out;
    QString err;
};
}

class TestSimulatedLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialWalksThroughTheStates();
    void callEndsWithError_data();
    void callEndsWithError();
    void busyCallsFailThenOneConnects();
    void oneCallAtATime();
    void trafficAtSteadyRates();
    void companionDrivesTheLine();
    void companionRequestErrors_data();
    void companionRequestErrors();
    void companionWithoutProgram();

private:
    Companion runCompanion(const QString &dataDir, const QStringList &args);
};

Companion TestSimulatedLine::runCompanion(const QString &dataDir, const QStringList &args)
{
    // The server lives in this process, so the event loop must keep running
    // while the companion waits for its answer.
    QProcess p;
    p.start(companionPath(), QStringList{QStringLiteral("--data-dir"), dataDir} + args);
    if (!p.waitForStarted(5000))
        return {};
    QDeadlineTimer deadline(10000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void TestSimulatedLine::dialWalksThroughTheStates()
{
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    line.setStepInterval(1);
    QCOMPARE(line.entries(), (QStringList{QStringLiteral("Simulated ISP"), QStringLiteral("Simulated Backup ISP")}));

    TDialUp dialUp(&line);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    QList<QString> interfaces;
    connect(&dialUp, &TDialUp::OnAsyncEvent, this, [&] {
        const QList<DialUpConnection> list = line.connections();
        interfaces.append(list.isEmpty() ? QStringLiteral("none") : list.first().interfaceName);
    });
    dialUp.Entry = QStringLiteral("Simulated Backup ISP");
    QCOMPARE(dialUp.Dial(), 0);
    QCOMPARE(events.count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty() && events.last()[0].toInt() == 0x2000, 5000);

    QList<int> states;
    QStringList texts;
    for (const QList<QVariant> &e : events) {
        states.append(e[0].toInt());
        texts.append(e[1].toString());
        QCOMPARE(e[2].toInt(), 0);
    }
    QCOMPARE(states, (QList<int>{0, 1, 2, 3, 4, 5, 14, 0x2000}));
    QCOMPARE(texts.first(), QStringLiteral("Opening port"));
    QCOMPARE(texts[5], QStringLiteral("Start authenticating"));
    QCOMPARE(texts.last(), QStringLiteral("Connected"));
    QCOMPARE(interfaces, (QList<QString>{QString(), QString(), QString(), QString(), QStringLiteral("sim0"),
                                         QStringLiteral("sim0"), QStringLiteral("sim0"), QStringLiteral("sim0")}));
    QCOMPARE(line.connections().first().entryName, QStringLiteral("Simulated Backup ISP"));

    // Once connected, hanging up is silent.
    QVERIFY(dialUp.HangUpHandle(dialUp.currentHandle()));
    QTest::qWait(20);
    QCOMPARE(events.count(), 8);
    QVERIFY(line.connections().isEmpty());
}

void TestSimulatedLine::callEndsWithError_data()
{
    QTest::addColumn<bool>("fromOutside");
    QTest::addColumn<int>("error");
    QTest::newRow("hung up by us") << false << 631;
    QTest::newRow("dropped by the far end") << true << 629;
}

void TestSimulatedLine::callEndsWithError()
{
    QFETCH(bool, fromOutside);
    QFETCH(int, error);
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    line.setStepInterval(60000);
    QSignalSpy spy(&line, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(line.dial(QStringLiteral("Simulated ISP"), &handle), 0);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QVERIFY(line.isActive(handle));
    if (fromOutside)
        QVERIFY(line.drop());
    else
        QVERIFY(line.hangUp(handle));
    QVERIFY(!line.isActive(handle));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QCOMPARE(spy[1][0].toLongLong(), handle);
    QCOMPARE(spy[1][3].toInt(), error);
    QCOMPARE(spy[1][4].toString(), line.errorText(error));
    QVERIFY(!line.drop());
}

void TestSimulatedLine::busyCallsFailThenOneConnects()
{
    QTemporaryDir dir;
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    line.setStepInterval(1);
    LineControlServer server(line, LineControl::socketName(dir.path()));
    QVERIFY(server.listen());
    const Companion c = runCompanion(dir.path(), {QStringLiteral("busy"), QStringLiteral("2")});
    QCOMPARE(c.exitCode, 0);
    QCOMPARE(c.out, QStringLiteral("ok the next 2 calls find the line busy\n"));
    QCOMPARE(line.busyCalls(), 2);

    TDialUp dialUp(&line);
    dialUp.Entry = QStringLiteral("Simulated ISP");
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    for (int call = 0; call < 3; ++call) {
        events.clear();
        QCOMPARE(dialUp.Dial(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty() && (events.last()[2].toInt() != 0 || events.last()[0].toInt() == 0x2000),
                                 5000);
        QList<int> states;
        for (const QList<QVariant> &e : events)
            states.append(e[0].toInt());
        if (call < 2) {
            // The device connects, then finds the line busy; nothing is left up.
            QCOMPARE(states, (QList<int>{0, 1, 2, 2}));
            QCOMPARE(events.last()[2].toInt(), int(DialError::LineBusy));
            QCOMPARE(events.last()[1].toString(), QStringLiteral("The line is busy."));
            QVERIFY(line.connections().isEmpty());
        } else {
            QCOMPARE(states.last(), 0x2000);
            QCOMPARE(events.last()[2].toInt(), 0);
        }
    }
    QCOMPARE(line.busyCalls(), 0);
    QVERIFY(line.isUp());
}

void TestSimulatedLine::oneCallAtATime()
{
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    qint64 handle = 0;
    QCOMPARE(line.dial(QStringLiteral("Nowhere"), &handle), int(DialError::NoSuchEntry));
    line.connectNow(QStringLiteral("Outside"));
    QCOMPARE(line.dial(QStringLiteral("Simulated ISP"), &handle), int(DialError::PortInUse));
    QCOMPARE(line.connections().size(), 1);
    QCOMPARE(line.connections().first().state, 0x2000);
    QCOMPARE(line.connections().first().entryName, QStringLiteral("Outside"));
}

void TestSimulatedLine::trafficAtSteadyRates()
{
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    const QString link = QStringLiteral("sim0");
    QVERIFY(!line.linkCounters(link));
    line.setTraffic(1000, 100);
    line.connectNow(QStringLiteral("ISP"));
    clock.advanceSeconds(5);
    QCOMPARE(line.linkCounters(link)->receivedBytes, 5000);
    QCOMPARE(line.linkCounters(link)->transmittedBytes, 500);
    line.setTraffic(0, 3000);
    clock.advanceMs(1500);
    QCOMPARE(line.linkCounters(link)->receivedBytes, 5000);
    QCOMPARE(line.linkCounters(link)->transmittedBytes, 5000);
    QVERIFY(!line.linkCounters(QStringLiteral("ppp0")));

    line.drop();
    QVERIFY(!line.linkCounters(link));
    clock.advanceSeconds(10);
    line.connectNow(QStringLiteral("ISP"));
    QCOMPARE(line.linkCounters(link)->transmittedBytes, 0);
    clock.advanceSeconds(1);
    QCOMPARE(line.linkCounters(link)->transmittedBytes, 3000);
}

void TestSimulatedLine::companionDrivesTheLine()
{
    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx(*temp.store, clock, ui);
    SimulatedDialUpNetwork line(clock);
    ctx.platform.dialUp = &line;
    LineControlServer server(line, LineControl::socketName(temp.dir.path()));
    QVERIFY2(server.listen(), qPrintable(server.errorString()));
    server.setStatusReport([&] {
        return QStringLiteral("OnlineDetected: %1\n").arg(ctx.connection.OnlineDetected ? 1 : 0);
    });

    RASCheckTimerTimer(ctx);
    QVERIFY(!ctx.connection.OnlineDetected);

    Companion c = runCompanion(temp.dir.path(), {QStringLiteral("connect"), QStringLiteral("My ISP")});
    QCOMPARE(c.exitCode, 0);
    QCOMPARE(c.out, QStringLiteral("ok connected My ISP\n"));
    RASCheckTimerTimer(ctx);
    QVERIFY(ctx.connection.OnlineDetected);
    QVERIFY(ctx.connection.FullyConnected);
    QCOMPARE(ctx.connection.ConnectedEntryName, QStringLiteral("My ISP"));

    c = runCompanion(temp.dir.path(), {QStringLiteral("traffic"), QStringLiteral("2000"), QStringLiteral("300")});
    QCOMPARE(c.exitCode, 0);
    clock.advanceSeconds(2);
    c = runCompanion(temp.dir.path(), {QStringLiteral("status")});
    QCOMPARE(c.exitCode, 0);
    QVERIFY2(c.out.contains(QLatin1String("line: up\nentry: My ISP\nstate: 8192 (Connected)\n")), qPrintable(c.out));
    QVERIFY2(c.out.contains(QLatin1String("received: 4000\ntransmitted: 600\n")), qPrintable(c.out));
    QVERIFY2(c.out.contains(QLatin1String("traffic: 2000 300\n")), qPrintable(c.out));
    QVERIFY2(c.out.contains(QLatin1String("OnlineDetected: 1\n")), qPrintable(c.out));

    c = runCompanion(temp.dir.path(), {QStringLiteral("drop")});
    QCOMPARE(c.exitCode, 0);
    QCOMPARE(c.out, QStringLiteral("ok dropped\n"));
    RASCheckTimerTimer(ctx);
    QVERIFY(!ctx.connection.OnlineDetected);
    QVERIFY(!ctx.connection.ModemConnected);
    c = runCompanion(temp.dir.path(), {QStringLiteral("status")});
    QVERIFY2(c.out.contains(QLatin1String("line: down\n")), qPrintable(c.out));
}

void TestSimulatedLine::companionRequestErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown") << QStringList{QStringLiteral("dial")} << "error unknown request \"dial\"";
    QTest::newRow("connect without entry") << QStringList{QStringLiteral("connect")} << "error connect needs an entry name";
    QTest::newRow("traffic not a number") << QStringList{QStringLiteral("traffic"), QStringLiteral("x"), QStringLiteral("1")}
                                          << "error traffic needs two byte rates";
    QTest::newRow("traffic negative") << QStringList{QStringLiteral("traffic"), QStringLiteral("-5"), QStringLiteral("1")}
                                      << "error traffic needs two byte rates";
    QTest::newRow("busy without a number") << QStringList{QStringLiteral("busy")} << "error busy needs a number of calls";
    QTest::newRow("busy negative") << QStringList{QStringLiteral("busy"), QStringLiteral("-1")}
                                   << "error busy needs a number of calls";
    QTest::newRow("traffic one value") << QStringList{QStringLiteral("traffic"), QStringLiteral("5")}
                                       << "error traffic needs two byte rates";
}

void TestSimulatedLine::companionRequestErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    LineControlServer server(line, LineControl::socketName(dir.path()));
    QVERIFY(server.listen());
    const Companion c = runCompanion(dir.path(), args);
    QCOMPARE(c.exitCode, 1);
    QVERIFY2(c.err.startsWith(message), qPrintable(c.err));
    QVERIFY(line.connections().isEmpty());
    QCOMPARE(line.receiveRate(), 4000);
}

void TestSimulatedLine::companionWithoutProgram()
{
    QTemporaryDir running;
    QTemporaryDir other;
    FakeClock clock;
    SimulatedDialUpNetwork line(clock);
    LineControlServer server(line, LineControl::socketName(running.path()));
    QVERIFY(server.listen());
    QVERIFY(LineControl::socketName(running.path()) != LineControl::socketName(other.path()));
    const Companion c = runCompanion(other.path(), {QStringLiteral("connect"), QStringLiteral("ISP")});
    QCOMPARE(c.exitCode, 3);
    QVERIFY2(c.err.contains(QLatin1String("no Tallyline with a simulated line is running")), qPrintable(c.err));
    QVERIFY(line.connections().isEmpty());
}

TALLYLINE_ENGINE_TEST_MAIN(TestSimulatedLine)
#include "TestSimulatedLine.moc"

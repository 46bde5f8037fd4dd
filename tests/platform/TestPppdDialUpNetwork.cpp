#include "platform/PppdDialUpNetwork.h"
#include "session/DialUp.h"
#include "support/FakePppd.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QSignalSpy>

#include <csignal>

using testsupport::FakePppd;

namespace {
struct Progress {
    int state;
    int error;
    QString text;
};

QList<Progress> progressOf(const QSignalSpy &spy, qint64 handle)
{
    QList<Progress> list;
    for (const QList<QVariant> &args : spy)
        if (args[0].toLongLong() == handle)
            list.append({args[1].toInt(), args[3].toInt(), args[3].toInt() ? args[4].toString() : args[2].toString()});
    return list;
}

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

const QString Established = QStringLiteral(
    "echo 'Serial connection established.'\n"
    "echo 'Using interface ppp5'\n"
    "echo 'Connect: ppp5 <--> /dev/ttyS0'\n"
    "echo 'PAP authentication succeeded'\n"
    "echo 'local  IP address 10.0.0.2'\n"
    "echo 'remote IP address 10.0.0.1'\n");
}

class TestPppdDialUpNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phoneBookIsThePeersFolder();
    void dialWalksThroughTheStates();
    void exitStatusBecomesError_data();
    void exitStatusBecomesError();
    void dialFailuresAreReportedAtOnce();
    void hangUpDuringDialEndsByRequest();
    void hangUpHandleWaitsUntilPppdIsGone();
    void connectionsFollowTheInterface();
    void connectionStartedElsewhereIsFoundThroughPidFile();
    void countersAre64Bit();
    void outputReadInPieces_data();
    void outputReadInPieces();
    void pidFiles_data();
    void pidFiles();
    void processRecords();
};

void TestPppdDialUpNetwork::phoneBookIsThePeersFolder()
{
    FakePppd f;
    for (const char *name : {"provider", "Backup ISP", "provider~", ".hidden", "old.dpkg-old", "old.bak"})
        f.addPeer(QString::fromLatin1(name), QString());
    PppdDialUpNetwork network(f.paths);
    QCOMPARE(network.entries(), (QStringList{QStringLiteral("Backup ISP"), QStringLiteral("provider")}));

    PppdPaths missing = f.paths;
    missing.peersDirectory = f.dir.filePath(QStringLiteral("no-such-folder"));
    QVERIFY(PppdDialUpNetwork(missing).entries().isEmpty());
}

void TestPppdDialUpNetwork::dialWalksThroughTheStates()
{
    FakePppd f;
    f.addPeer(QStringLiteral("good"), Established + FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    QSignalSpy spy(&network, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(network.dial(QStringLiteral("good"), &handle), 0);
    QVERIFY(handle > 0);
    QCOMPARE(spy.count(), 0);   // nothing arrives inside dial()

    QTRY_VERIFY_WITH_TIMEOUT(!progressOf(spy, handle).isEmpty() && progressOf(spy, handle).last().state == 0x2000, 10000);
    QList<int> states;
    for (const Progress &p : progressOf(spy, handle)) {
        states.append(p.state);
        QCOMPARE(p.error, 0);
        QCOMPARE(p.text, RasStateText(p.state));
    }
    QCOMPARE(states, (QList<int>{0, 2, 3, 4, 5, 14, 0x2000}));

    // After the connected state the line is watched, not notified: hanging
    // up reports nothing more.
    QVERIFY(network.hangUp(handle));
    QTRY_VERIFY_WITH_TIMEOUT(!network.isActive(handle), 10000);
    QTest::qWait(50);
    QCOMPARE(progressOf(spy, handle).size(), 7);
}

void TestPppdDialUpNetwork::exitStatusBecomesError_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("connect script failed") << QStringLiteral("exit 8\n") << 2 << 1008
                                           << "The connect script failed: no dial tone, busy, or no answer.";
    QTest::newRow("port locked") << QStringLiteral("exit 6\n") << 2 << 1006
                                 << "The serial port could not be locked; another program may be using it.";
    QTest::newRow("we failed to authenticate")
        << QStringLiteral("echo 'Serial connection established.'\necho 'Connect: ppp0 <--> /dev/ttyS0'\nexit 19\n")
        << 5 << 1019 << "The user name or password was refused by the remote computer.";
    QTest::newRow("modem hung up during negotiation")
        << QStringLiteral("echo 'Serial connection established.'\nexit 16\n") << 3 << 1016 << "The modem hung up.";
    QTest::newRow("peer closed before connected")
        << QStringLiteral("echo 'Serial connection established.'\nexit 0\n") << 3 << 1000
        << "The remote computer ended the connection before it was established.";
    QTest::newRow("ended by signal") << QStringLiteral("exit 5\n") << 2 << 631 << "The connection was ended on request.";
    QTest::newRow("unknown status") << QStringLiteral("exit 42\n") << 2 << 1042 << "pppd ended with exit status 42.";
    QTest::newRow("crash") << QStringLiteral("trap - SEGV\nkill -SEGV $$\n") << 2 << 1301
                           << "The dialer program ended abnormally.";
}

void TestPppdDialUpNetwork::exitStatusBecomesError()
{
    QFETCH(QString, script);
    QFETCH(int, state);
    QFETCH(int, error);
    QFETCH(QString, text);

    FakePppd f;
    f.addPeer(QStringLiteral("peer"), script);
    PppdDialUpNetwork network(f.paths);
    QSignalSpy spy(&network, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(network.dial(QStringLiteral("peer"), &handle), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!progressOf(spy, handle).isEmpty() && progressOf(spy, handle).last().error != 0, 10000);
    const QList<Progress> list = progressOf(spy, handle);
    QCOMPARE(list.last().state, state);
    QCOMPARE(list.last().error, error);
    QCOMPARE(list.last().text, text);
    for (qsizetype i = 0; i + 1 < list.size(); ++i)
        QCOMPARE(list[i].error, 0);
    QVERIFY(!network.isActive(handle));
}

void TestPppdDialUpNetwork::dialFailuresAreReportedAtOnce()
{
    FakePppd f;
    f.addPeer(QStringLiteral("good"), Established);
    {
        PppdDialUpNetwork network(f.paths);
        qint64 handle = 0;
        QCOMPARE(network.dial(QStringLiteral("absent"), &handle), int(DialError::NoSuchEntry));
        QCOMPARE(network.dial(QStringLiteral("../peers/good"), &handle), int(DialError::NoSuchEntry));
        QCOMPARE(network.dial(QStringLiteral("-good"), &handle), int(DialError::NoSuchEntry));
        QCOMPARE(handle, 0);
    }
    PppdPaths noProgram = f.paths;
    noProgram.pppdProgram = f.dir.filePath(QStringLiteral("bin/missing-pppd"));
    PppdDialUpNetwork network(noProgram);
    QSignalSpy spy(&network, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(network.dial(QStringLiteral("good"), &handle), int(DialError::CannotStart));
    QTest::qWait(50);
    QCOMPARE(spy.count(), 0);

    // The component reports such a failure as a dial that could not start.
    TDialUp dialUp(&network);
    QSignalSpy errors(&dialUp, &TDialUp::OnError);
    dialUp.Entry = QStringLiteral("good");
    QCOMPARE(dialUp.Dial(), int(DialError::CannotStart));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors[0][1].toString(), QStringLiteral("The dialer program could not be started."));
    dialUp.Entry = QStringLiteral("absent");
    QCOMPARE(dialUp.Dial(), int(DialError::NoSuchEntry));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors[1][1].toString(), QStringLiteral("GetEntryDialParams failed"));
}

void TestPppdDialUpNetwork::hangUpDuringDialEndsByRequest()
{
    FakePppd f;
    f.addPeer(QStringLiteral("slow"), FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    TDialUp dialUp(&network);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    dialUp.Entry = QStringLiteral("slow");
    QCOMPARE(dialUp.Dial(), 0);
    const qint64 handle = dialUp.currentHandle();
    QTRY_COMPARE_WITH_TIMEOUT(events.count(), 2, 5000);
    QCOMPARE(events[1][0].toInt(), 2);
    QCOMPARE(events[1][1].toString(), QStringLiteral("Connecting device"));

    QCOMPARE(network.connections().size(), 1);
    QCOMPARE(network.connections().first().entryName, QStringLiteral("slow"));
    QCOMPARE(network.connections().first().state, 2);

    QVERIFY(f.waitUntilReady(handle));
    QVERIFY(network.hangUp(handle));
    QTRY_VERIFY_WITH_TIMEOUT(events.count() == 3, 5000);
    QCOMPARE(events[2][2].toInt(), 631);
    QVERIFY(network.connections().isEmpty());
}

void TestPppdDialUpNetwork::hangUpHandleWaitsUntilPppdIsGone()
{
    FakePppd f;
    // This pppd takes its time to close the link when told to.
    f.addPeer(QStringLiteral("lingering"),
              QStringLiteral("trap 'sleep 0.7; exit 5' TERM\n") + Established + FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    TDialUp dialUp(&network);
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    dialUp.Entry = QStringLiteral("lingering");
    QCOMPARE(dialUp.Dial(), 0);
    const qint64 handle = dialUp.currentHandle();
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty() && events.last()[0].toInt() == 0x2000, 10000);

    // Asked to end, the call is over for everyone who looks, although pppd
    // is still closing its link.
    QVERIFY(network.hangUp(handle));
    QCOMPARE(network.connections().size(), 1);
    QCOMPARE(network.connections().first().state, RasState::Disconnected);
    QVERIFY(network.isActive(handle));

    QVERIFY(dialUp.HangUpHandle(handle));
    QVERIFY(!processExists(handle));
    QVERIFY(!network.isActive(handle));
    QVERIFY(!dialUp.HangUpHandle(handle));   // nothing left to hang up
}

void TestPppdDialUpNetwork::connectionsFollowTheInterface()
{
    FakePppd f;
    f.addPeer(QStringLiteral("isp"), Established + FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    bool hasAddress = false;
    network.setAddressProbe([&](const QString &name) { return name == QLatin1String("ppp5") && hasAddress; });
    QSignalSpy spy(&network, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(network.dial(QStringLiteral("isp"), &handle), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!progressOf(spy, handle).isEmpty() && progressOf(spy, handle).last().state == 0x2000, 10000);

    auto only = [&] {
        const QList<DialUpConnection> list = network.connections();
        return list.size() == 1 ? list.first() : DialUpConnection{};
    };
    // pppd says it uses ppp5, but the interface is not there (yet).
    QCOMPARE(only().handle, handle);
    QCOMPARE(only().entryName, QStringLiteral("isp"));
    QCOMPARE(only().interfaceName, QStringLiteral("ppp5"));
    QCOMPARE(only().state, 2);

    f.setCounters(QStringLiteral("ppp5"), "10", "20", "0x1091");
    QCOMPARE(only().state, 5);
    hasAddress = true;
    QCOMPARE(only().state, 0x2000);
    f.write(QStringLiteral("ppp5/flags"), "0x1090\n");   // address set, link not yet up
    QCOMPARE(only().state, 5);

    QVERIFY(network.hangUp(handle));
    QTRY_VERIFY_WITH_TIMEOUT(network.connections().isEmpty(), 10000);
}

void TestPppdDialUpNetwork::connectionStartedElsewhereIsFoundThroughPidFile()
{
    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    QProcess outside;
    outside.start(f.paths.pppdProgram, {QStringLiteral("call"), QStringLiteral("other"), QStringLiteral("nodetach")});
    QVERIFY(outside.waitForStarted());
    const qint64 pid = outside.processId();
    QVERIFY(f.waitUntilReady(pid));
    QFile pidFile(QDir(f.paths.runDirectory).filePath(QStringLiteral("ppp7.pid")));
    QVERIFY(pidFile.open(QIODevice::WriteOnly));
    pidFile.write(QByteArray::number(pid) + '\n');
    pidFile.close();
    f.setCounters(QStringLiteral("ppp7"), "1", "2");

    PppdDialUpNetwork network(f.paths);
    network.setAddressProbe([](const QString &) { return true; });
    QTRY_COMPARE_WITH_TIMEOUT(network.connections().size(), 1, 5000);
    const DialUpConnection c = network.connections().first();
    QCOMPARE(c.handle, pid);
    QCOMPARE(c.entryName, QStringLiteral("other"));
    QCOMPARE(c.interfaceName, QStringLiteral("ppp7"));
    QCOMPARE(c.state, 0x2000);

    // Only pppd processes can be hung up through a handle.
    QVERIFY(!network.hangUp(QCoreApplication::applicationPid()));
    QVERIFY(network.hangUp(pid));
    QVERIFY(outside.waitForFinished(5000));
    QCOMPARE(outside.exitCode(), 5);
}

void TestPppdDialUpNetwork::countersAre64Bit()
{
    FakePppd f;
    f.setCounters(QStringLiteral("ppp0"), "5000000000", "4294967297");
    f.write(QStringLiteral("ppp0/speed"), "-1\n");
    PppdDialUpNetwork network(f.paths);
    const std::optional<LinkCounters> c = network.linkCounters(QStringLiteral("ppp0"));
    QVERIFY(c.has_value());
    QCOMPARE(c->receivedBytes, Q_INT64_C(5000000000));
    QCOMPARE(c->transmittedBytes, Q_INT64_C(4294967297));
    QCOMPARE(c->speed, 0);

    QVERIFY(!network.linkCounters(QStringLiteral("ppp9")).has_value());
    QVERIFY(!network.linkCounters(QStringLiteral("../ppp0")).has_value());
    f.write(QStringLiteral("ppp0/statistics/tx_bytes"), "garbage\n");
    QVERIFY(!network.linkCounters(QStringLiteral("ppp0")).has_value());
}

void TestPppdDialUpNetwork::outputReadInPieces_data()
{
    QTest::addColumn<int>("piece");
    for (int piece : {1, 3, 7, 4096})
        QTest::newRow(qPrintable(QStringLiteral("%1 bytes at a time").arg(piece))) << piece;
}

void TestPppdDialUpNetwork::outputReadInPieces()
{
    QFETCH(int, piece);
    const QByteArray output("Serial connection established.\r\nUsing interface ppp3\r\nConnect: ppp3 <--> /dev/ttyUSB0\n"
                            "rcvd [LCP ConfReq id=0x1]\nMS-CHAP-v2 authentication succeeded: Access granted\n"
                            "local  IP address 10.0.0.2\nremote IP address 10.0.0.1");
    QByteArray pending;
    QList<int> states;
    QStringList interfaces;
    for (qsizetype at = 0; at < output.size(); at += piece) {
        pending += output.mid(at, piece);
        for (const QString &line : TakePppdOutputLines(pending)) {
            const PppdProgress progress = ReadPppdOutputLine(line);
            if (progress.state < 0)
                continue;
            states.append(progress.state);
            interfaces.append(progress.interfaceName);
        }
    }
    // The last line has no end yet: it waits for the rest.
    QCOMPARE(pending, QByteArray("remote IP address 10.0.0.1"));
    QCOMPARE(states, (QList<int>{RasState::DeviceConnected, RasState::AllDevicesConnected, RasState::Authenticate,
                                 RasState::Authenticated, RasState::Connected}));
    QCOMPARE(interfaces, (QStringList{QString(), QStringLiteral("ppp3"), QStringLiteral("ppp3"), QString(), QString()}));
}

void TestPppdDialUpNetwork::pidFiles_data()
{
    QTest::addColumn<QByteArray>("pidFile");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<qint64>("pid");
    QTest::addColumn<QString>("interfaceName");

    QTest::newRow("unit file") << QByteArray("2817\n") << "ppp0" << qint64(2817) << "ppp0";
    QTest::newRow("link-name file") << QByteArray("2817\nppp1\n") << "ppp-dsl" << qint64(2817) << "ppp1";
    QTest::newRow("link-name file before the link") << QByteArray("2817\n") << "ppp-dsl" << qint64(2817) << "";
    QTest::newRow("spaces and no line end") << QByteArray("  42 ") << "ppp12" << qint64(42) << "ppp12";
    QTest::newRow("empty") << QByteArray() << "ppp0" << qint64(0) << "";
    QTest::newRow("not a number") << QByteArray("pppd\nppp0\n") << "ppp0" << qint64(0) << "";
    QTest::newRow("negative") << QByteArray("-1\nppp0\n") << "ppp0" << qint64(0) << "";
    QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999\n") << "ppp0" << qint64(0) << "";
}

void TestPppdDialUpNetwork::pidFiles()
{
    QFETCH(QByteArray, pidFile);
    QFETCH(QString, baseName);
    QFETCH(qint64, pid);
    QFETCH(QString, interfaceName);

    const PppdPidFile file = ReadPppdPidFile(pidFile, baseName);
    QCOMPARE(file.pid, pid);
    QCOMPARE(file.interfaceName, interfaceName);
}

void TestPppdDialUpNetwork::processRecords()
{
    // A command name with spaces and parentheses does not move the fields.
    QCOMPARE(ReadProcStatParent("2817 (pppd (x) 1) S 1 2817 2817 0").value_or(-1), qint64(1));
    QVERIFY(!ReadProcStatParent("2818 (pppd) Z 2817 2817"));
    QVERIFY(!ReadProcStatParent("2818 pppd S 1"));
    const PppdOptions options =
        ReadPppdOptions(ReadProcCmdline(QByteArray("/usr/sbin/pppd\0unit\0""3\0call\0isp\0nodetach\0", 40)));
    QCOMPARE(options.entryName, QStringLiteral("isp"));
    QCOMPARE(options.unitInterface, QStringLiteral("ppp3"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestPppdDialUpNetwork)
#include "TestPppdDialUpNetwork.moc"

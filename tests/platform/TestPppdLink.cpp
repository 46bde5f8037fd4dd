#include "platform/PppdDialUpNetwork.h"
#include "session/DialUp.h"
#include "support/FakePppd.h"
#include "support/Namespaces.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QSignalSpy>
#include <QUdpSocket>

#include <unistd.h>

using testsupport::FakePppd;

// A real link: the fake pppd creates a veth pair named like a ppp interface,
// with its far end in a network namespace of this test, and the backend
// watches it come up, counts real bytes and sees it go.
class TestPppdLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void realLinkStatesCountersAndHangUp();
    void linkOfAPppdStartedElsewhereIsFoundByItsNotification();
    void cleanupTestCase();

private:
    static bool run(const QStringList &args);
    bool m_namespaceCreated = false;
    QString m_namespace;
    QString m_interface;
    QString m_peerInterface;
};

bool TestPppdLink::run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void TestPppdLink::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("creating network namespaces and veth links needs root");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("the ip command (iproute2) is not installed");
    const QString suffix = QString::number(QCoreApplication::applicationPid() % 100000);
    m_namespace = QStringLiteral("tallyline-test-") + suffix;
    // A unit number far above what a real dial-up uses.
    for (int unit = 90; unit < 100 && m_interface.isEmpty(); ++unit)
        if (!QFileInfo::exists(QStringLiteral("/sys/class/net/ppp%1").arg(unit)))
            m_interface = QStringLiteral("ppp%1").arg(unit);
    if (m_interface.isEmpty())
        QSKIP("no free ppp9x interface name");
    m_peerInterface = QStringLiteral("tlpeer") + suffix;
    if (!testsupport::rootIsMountPoint())
        QSKIP("network namespaces cannot be entered where / is not a mount point (a chroot)");
    if (!run({QStringLiteral("netns"), QStringLiteral("add"), m_namespace}))
        QSKIP("network namespaces are not available here");
    m_namespaceCreated = true;
}

void TestPppdLink::cleanupTestCase()
{
    if (!m_interface.isEmpty() && QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_interface))
        run({QStringLiteral("link"), QStringLiteral("del"), m_interface});
    if (m_namespaceCreated)
        run({QStringLiteral("netns"), QStringLiteral("del"), m_namespace});
}

void TestPppdLink::realLinkStatesCountersAndHangUp()
{
    FakePppd f;
    PppdPaths paths = f.paths;
    paths.sysfsNetRoot = QStringLiteral("/sys/class/net");
    const QString step1 = f.dir.filePath(QStringLiteral("step1"));
    const QString step2 = f.dir.filePath(QStringLiteral("step2"));
    const QString local = QStringLiteral("10.213.77.1");
    const QString remote = QStringLiteral("10.213.77.2");
    f.addPeer(QStringLiteral("veth"),
              QStringLiteral("echo 'Serial connection established.'\n")
                  + FakePppd::waitFor(step1)
                  + QStringLiteral("ip link add %1 type veth peer name %2 netns %3 || exit 1\n"
                                   "echo 'Using interface %1'\n"
                                   "echo 'Connect: %1 <--> /dev/ttyS9'\n")
                        .arg(m_interface, m_peerInterface, m_namespace)
                  + FakePppd::waitFor(step2)
                  + QStringLiteral("ip -n %3 link set %2 up\n"
                                   "ip -n %3 addr add %5/30 dev %2\n"
                                   "ip addr add %4/30 dev %1\n"
                                   "ip link set %1 up\n"
                                   "echo 'local  IP address %4'\n"
                                   "trap 'ip link del %1; exit 5' TERM\n")
                        .arg(m_interface, m_peerInterface, m_namespace, local, remote)
                  + FakePppd::stayUp());

    PppdDialUpNetwork network(paths);
    TDialUp dialUp(&network);
    dialUp.Entry = QStringLiteral("veth");
    QSignalSpy events(&dialUp, &TDialUp::OnAsyncEvent);
    QCOMPARE(dialUp.Dial(), 0);
    const qint64 handle = dialUp.currentHandle();

    auto state = [&] {
        const QList<DialUpConnection> list = network.connections();
        return list.size() == 1 && list.first().handle == handle ? list.first().state : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(state(), 2, 5000);
    QFile(step1).open(QIODevice::WriteOnly);
    QTRY_COMPARE_WITH_TIMEOUT(state(), 5, 5000);
    QCOMPARE(network.connections().first().interfaceName, m_interface);
    QFile(step2).open(QIODevice::WriteOnly);
    QTRY_COMPARE_WITH_TIMEOUT(state(), 0x2000, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty() && events.last()[0].toInt() == 0x2000, 5000);

    // The statistics component picks the link of the connection.
    TRAS stats;
    QVERIFY(stats.StartStatistics(&network, true, true));
    QCOMPARE(stats.KeyDUNAdap, m_interface);

    // A bounded burst, only to the namespace end of the link. Nothing listens
    // there, so its port-unreachable answers come back over the link too.
    QUdpSocket socket;
    const QByteArray payload(1000, 'x');
    for (int i = 0; i < 100; ++i)
        socket.writeDatagram(payload, QHostAddress(remote), 9);
    QTRY_VERIFY_WITH_TIMEOUT(stats.ReadStatistics(&network) && stats.StatsXmit >= 100 * 1000 && stats.StatsRecv > 0, 5000);

    QVERIFY(dialUp.HangUpHandle(handle));
    QVERIFY(network.connections().isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_interface));
    QVERIFY(!stats.ReadStatistics(&network));
}

void TestPppdLink::linkOfAPppdStartedElsewhereIsFoundByItsNotification()
{
    FakePppd f;
    PppdPaths paths = f.paths;
    paths.sysfsNetRoot = QStringLiteral("/sys/class/net");
    const QString step = f.dir.filePath(QStringLiteral("step"));
    // No pid file: the link appearing is all that tells of this pppd.
    f.addPeer(QStringLiteral("elsewhere"),
              FakePppd::waitFor(step)
                  + QStringLiteral("trap 'ip link del %1; exit 5' TERM\n"
                                   "ip link add %1 type veth peer name %2 netns %3 || exit 1\n")
                        .arg(m_interface, m_peerInterface, m_namespace)
                  + FakePppd::stayUp());

    PppdDialUpNetwork network(paths);
    QVERIFY(network.watchesEvents());
    QProcess outside;
    outside.start(paths.pppdProgram, {QStringLiteral("call"), QStringLiteral("elsewhere"), QStringLiteral("nodetach"),
                                      QStringLiteral("ifname"), m_interface});
    QVERIFY(outside.waitForStarted());
    const qint64 pid = outside.processId();
    QVERIFY(f.waitUntilReady(pid));
    // Other programs' ppp links on this machine may make the line look at
    // the process table meanwhile, so only what follows our link is counted.

    QFile(step).open(QIODevice::WriteOnly);
    QTRY_COMPARE_WITH_TIMEOUT(network.connections().size(), 1, 5000);
    const DialUpConnection c = network.connections().first();
    QCOMPARE(c.handle, pid);
    QCOMPARE(c.entryName, QStringLiteral("elsewhere"));
    QCOMPARE(c.interfaceName, m_interface);
    QCOMPARE(c.state, RasState::Authenticate);   // the link is there, without an address
    // At least one look at the process table for the new link, none for
    // the questions.
    const int scans = network.processScans();
    QVERIFY(scans >= 2);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(network.connections().size(), 1);
    QCOMPARE(network.processScans(), scans);
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.213.78.1/30"), QStringLiteral("dev"), m_interface}));
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("up")}));
    // The kernel queued its notifications before ip returned.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(network.connections().first().state, RasState::Connected);
    // What the line answers from memory follows the link both ways.
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("flush"), QStringLiteral("dev"), m_interface}));
    QCoreApplication::processEvents();
    QCOMPARE(network.connections().first().state, RasState::Authenticate);
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.213.78.1/30"), QStringLiteral("dev"), m_interface}));
    QCoreApplication::processEvents();
    QCOMPARE(network.connections().first().state, RasState::Connected);
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("down")}));
    QCoreApplication::processEvents();
    QCOMPARE(network.connections().first().state, RasState::Authenticate);

    QVERIFY(network.hangUp(pid));
    QVERIFY(outside.waitForFinished(5000));
    QCOMPARE(outside.exitCode(), 5);
    QVERIFY(network.connections().isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_interface));
}

TALLYLINE_ENGINE_TEST_MAIN(TestPppdLink)
#include "TestPppdLink.moc"

#include "platform/FakeDialUpNetwork.h"
#include "platform/LinkWatcher.h"
#include "platform/PidFileWatcher.h"
#include "platform/PppdDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "support/FakeLineContext.h"
#include "support/FakePppd.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QSignalSpy>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/inotify.h>
#include <unistd.h>

using testsupport::FakeLineContext;
using testsupport::FakePppd;

namespace {

const QString Established = QStringLiteral(
    "echo 'Serial connection established.'\n"
    "echo 'Using interface ppp5'\n"
    "echo 'Connect: ppp5 <--> /dev/ttyS0'\n"
    "echo 'PAP authentication succeeded'\n"
    "echo 'local  IP address 10.0.0.2'\n");

// A pppd started by someone else: the test's child, not the backend's.
struct OutsidePppd {
    OutsidePppd(const FakePppd &f, const QString &entry)
    {
        process.start(f.paths.pppdProgram, {QStringLiteral("call"), entry, QStringLiteral("nodetach")});
        if (process.waitForStarted() && f.waitUntilReady(process.processId()))
            pid = process.processId();
    }
    ~OutsidePppd()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess process;
    qint64 pid = 0;
};

// The connections as text, so that a failure shows what was listed.
QStringList describe(const QList<DialUpConnection> &list)
{
    QStringList lines;
    for (const DialUpConnection &c : list)
        lines.append(QStringLiteral("%1 %2 %3 %4").arg(c.handle).arg(c.entryName, c.interfaceName).arg(c.state));
    return lines;
}

// Counts how often the line is asked, and answers from a list.
class CountingNetwork : public FakeDialUpNetwork
{
public:
    QList<DialUpConnection> connections() override
    {
        ++asked;
        return FakeDialUpNetwork::connections();
    }
    int asked = 0;
};

} // namespace

// The pppd line follows pppd processes through events: one look at the
// process table at start, and none per question after that, unless an event
// source is missing.
class TestPppdEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsidePppdIsFollowedWithoutScans_data();
    void outsidePppdIsFollowedWithoutScans();
    void lostPidFileEventsAreMadeUpByAScan();
    void strangersInPidFilesAreNotListed_data();
    void strangersInPidFilesAreNotListed();
    void ownCallIsListedWithoutScans();
    void missingEventSourceFallsBackToScanning_data();
    void missingEventSourceFallsBackToScanning();
    void pidFolderRemovedFallsBackToScanning();
    void tickAsksTheLineOnce_data();
    void tickAsksTheLineOnce();
    void pidFileEventRecords_data();
    void pidFileEventRecords();
    void linkMessages_data();
    void linkMessages();
};

void TestPppdEvents::outsidePppdIsFollowedWithoutScans_data()
{
    QTest::addColumn<bool>("oldFolder");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("secondLine");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<int>("state");

    QTest::newRow("unit pid file, hung up")
        << false << "ppp7.pid" << QByteArray() << false << "hang up" << "ppp7" << RasState::Connected;
    QTest::newRow("link name pid file in the old folder, killed leaving its file")
        << true << "ppp-office.pid" << QByteArray("ppp3\n") << false << "kill" << "ppp3" << RasState::Connected;
    QTest::newRow("pid file moved into place, removed before the end")
        << false << "ppp2.pid" << QByteArray() << true << "remove file, terminate" << "ppp2" << RasState::Connected;
    QTest::newRow("link name pid file before the link exists")
        << false << "ppp-office.pid" << QByteArray() << false << "hang up" << "" << RasState::ConnectDevice;
}

void TestPppdEvents::outsidePppdIsFollowedWithoutScans()
{
    QFETCH(bool, oldFolder);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, secondLine);
    QFETCH(bool, rename);
    QFETCH(QString, ending);
    QFETCH(QString, interfaceName);
    QFETCH(int, state);

    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    if (!interfaceName.isEmpty())
        f.setCounters(interfaceName, "1", "2");
    PppdDialUpNetwork network(f.paths);
    network.setAddressProbe([](const QString &) { return true; });
    QVERIFY(network.watchesEvents());
    QCOMPARE(network.processScans(), 1);
    FakeLineContext line;
    line.ctx.platform.dialUp = &network;
    line.ctx.settings.ModemDetectionType = 1;

    OutsidePppd outside(f, QStringLiteral("other"));
    QVERIFY(outside.pid > 0);
    // Until it says which link it has, pppd is not asked about.
    QCOMPARE(describe(network.connections()), QStringList());

    const QString folder = oldFolder ? f.paths.oldRunDirectory : f.paths.runDirectory;
    f.writePidFile(folder, fileName, QByteArray::number(outside.pid) + '\n' + secondLine, rename);
    QTRY_COMPARE_WITH_TIMEOUT(network.connections().size(), 1, 5000);
    const DialUpConnection c = network.connections().first();
    QCOMPARE(c.handle, outside.pid);
    QCOMPARE(c.entryName, QStringLiteral("other"));
    QCOMPARE(c.interfaceName, interfaceName);
    QCOMPARE(c.state, state);

    for (int tick = 0; tick < 5; ++tick) {
        RASCheckTimerTimer(line.ctx);
        QCoreApplication::processEvents();
        QVERIFY(line.ctx.connection.OnlineDetected);
        QCOMPARE(line.ctx.connection.FullyConnected, state == RasState::Connected);
        QCOMPARE(line.ctx.connection.ConnectedEntryName, QStringLiteral("other"));
    }
    QCOMPARE(network.processScans(), 1);

    if (ending == QLatin1String("hang up")) {
        QVERIFY(network.hangUp(outside.pid));
    } else if (ending == QLatin1String("kill")) {
        ::kill(pid_t(outside.pid), SIGKILL);
    } else {
        QVERIFY(QFile::remove(QDir(folder).filePath(fileName)));
        ::kill(pid_t(outside.pid), SIGTERM);
    }
    QVERIFY(outside.process.waitForFinished(5000));
    QVERIFY(network.connections().isEmpty());
    QVERIFY(!network.isActive(outside.pid));
    RASCheckTimerTimer(line.ctx);
    QVERIFY(!line.ctx.connection.FullyConnected);
    QVERIFY(!line.ctx.connection.ModemConnected);
    QCOMPARE(network.processScans(), 1);
}

void TestPppdEvents::lostPidFileEventsAreMadeUpByAScan()
{
    QFile limitFile(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
    QVERIFY(limitFile.open(QIODevice::ReadOnly));
    const int limit = limitFile.readAll().trimmed().toInt();
    if (limit <= 0 || limit > 200000)
        QSKIP("the inotify queue is too long to overflow here in good time");

    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    QVERIFY(network.watchesEvents());
    OutsidePppd outside(f, QStringLiteral("other"));
    QVERIFY(outside.pid > 0);

    // More events than the queue holds, then the pid file: its own event is
    // lost with the rest.
    const QByteArray junk = QFile::encodeName(QDir(f.paths.runDirectory).filePath(QStringLiteral("junk")));
    for (int i = 0; i < limit / 2 + 100; ++i) {
        const int fd = ::open(junk.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        ::unlink(junk.constData());
    }
    f.writePidFile(f.paths.runDirectory, QStringLiteral("ppp4.pid"), QByteArray::number(outside.pid) + '\n');
    QCOMPARE(network.processScans(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(network.connections().size(), 1, 5000);
    QCOMPARE(network.connections().first().interfaceName, QStringLiteral("ppp4"));
    QCOMPARE(network.processScans(), 2);
    QVERIFY(network.watchesEvents());   // the watch goes on after the loss
}

void TestPppdEvents::strangersInPidFilesAreNotListed_data()
{
    QTest::addColumn<QString>("content");

    QTest::newRow("a process that is no pppd") << "stranger";
    QTest::newRow("this test itself") << "self";
    QTest::newRow("a process that has ended") << "ended";
    QTest::newRow("no number") << "garbage";
    QTest::newRow("process id 0") << "0";
    QTest::newRow("negative id") << "-1";
    QTest::newRow("empty") << "";
}

void TestPppdEvents::strangersInPidFilesAreNotListed()
{
    QFETCH(QString, content);

    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);

    QProcess stranger;
    QByteArray written = content.toLatin1();
    if (content == QLatin1String("stranger") || content == QLatin1String("ended")) {
        stranger.start(QStringLiteral("sleep"), {content == QLatin1String("ended") ? QStringLiteral("0") : QStringLiteral("30")});
        QVERIFY(stranger.waitForStarted());
        written = QByteArray::number(stranger.processId());
        if (content == QLatin1String("ended"))
            QVERIFY(stranger.waitForFinished(5000));
    } else if (content == QLatin1String("self")) {
        written = QByteArray::number(QCoreApplication::applicationPid());
    }
    f.writePidFile(f.paths.runDirectory, QStringLiteral("ppp0.pid"), written + '\n');

    // A real pppd's file written after it: once that one is seen, the
    // stranger's has been looked at too.
    OutsidePppd outside(f, QStringLiteral("other"));
    QVERIFY(outside.pid > 0);
    f.writePidFile(f.paths.runDirectory, QStringLiteral("ppp1.pid"), QByteArray::number(outside.pid) + '\n');
    QTRY_COMPARE_WITH_TIMEOUT(network.connections().size(), 1, 5000);
    QCOMPARE(network.connections().first().handle, outside.pid);
    QCOMPARE(network.connections().first().interfaceName, QStringLiteral("ppp1"));
    QCOMPARE(network.processScans(), 1);

    // Nor can a pid file make the line hang up a stranger.
    if (content == QLatin1String("stranger") || content == QLatin1String("self"))
        QVERIFY(!network.hangUp(written.toLongLong()));
    if (stranger.state() != QProcess::NotRunning) {
        QVERIFY(network.connections().size() == 1);
        stranger.kill();
        stranger.waitForFinished(5000);
    }
}

void TestPppdEvents::ownCallIsListedWithoutScans()
{
    FakePppd f;
    f.addPeer(QStringLiteral("isp"), Established + FakePppd::stayUp());
    f.setCounters(QStringLiteral("ppp5"), "10", "20");
    PppdDialUpNetwork network(f.paths);
    network.setAddressProbe([](const QString &) { return true; });
    QSignalSpy spy(&network, &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(network.dial(QStringLiteral("isp"), &handle), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty() && spy.last()[1].toInt() == RasState::Connected, 10000);

    FakeLineContext line;
    line.ctx.platform.dialUp = &network;
    for (int tick = 0; tick < 5; ++tick) {
        RASCheckTimerTimer(line.ctx);
        QCoreApplication::processEvents();
        QVERIFY(line.ctx.connection.FullyConnected);
        QCOMPARE(line.ctx.connection.ConnectedEntryName, QStringLiteral("isp"));
    }
    QCOMPARE(network.connections().size(), 1);
    QCOMPARE(network.connections().first().interfaceName, QStringLiteral("ppp5"));
    QCOMPARE(network.processScans(), 1);

    QVERIFY(network.hangUp(handle));
    QTRY_VERIFY_WITH_TIMEOUT(network.connections().isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!network.isActive(handle), 10000);
    QCOMPARE(network.processScans(), 1);
}

void TestPppdEvents::missingEventSourceFallsBackToScanning_data()
{
    QTest::addColumn<QString>("missing");

    QTest::newRow("pid file folder does not exist") << "pid files";
    QTest::newRow("link notifications cannot be had") << "links";
}

void TestPppdEvents::missingEventSourceFallsBackToScanning()
{
    QFETCH(QString, missing);

    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    PppdPaths paths = f.paths;
    if (missing == QLatin1String("pid files")) {
        paths.runDirectory = f.dir.filePath(QStringLiteral("no-such-run"));
    } else {
        paths.sysfsNetRoot = QStringLiteral("/sys/class/net");
        paths.linkNotifications = false;
    }
    PppdDialUpNetwork network(paths);
    QVERIFY(!network.watchesEvents());

    // Started after the line, with no pid file and no link: only the process
    // table tells of it.
    OutsidePppd outside(f, QStringLiteral("other"));
    QVERIFY(outside.pid > 0);
    const int scans = network.processScans();
    const QList<DialUpConnection> list = network.connections();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().handle, outside.pid);
    QCOMPARE(list.first().entryName, QStringLiteral("other"));
    QCOMPARE(list.first().state, RasState::ConnectDevice);
    QCOMPARE(network.processScans(), scans + 1);

    QVERIFY(network.hangUp(outside.pid));
    QVERIFY(outside.process.waitForFinished(5000));
    QVERIFY(network.connections().isEmpty());
}

void TestPppdEvents::pidFolderRemovedFallsBackToScanning()
{
    FakePppd f;
    f.addPeer(QStringLiteral("other"), FakePppd::stayUp());
    PppdDialUpNetwork network(f.paths);
    QVERIFY(network.watchesEvents());
    QVERIFY(QDir(f.paths.runDirectory).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(!network.watchesEvents(), 5000);

    OutsidePppd outside(f, QStringLiteral("other"));
    QVERIFY(outside.pid > 0);
    QCOMPARE(network.connections().size(), 1);
    QCOMPARE(network.connections().first().handle, outside.pid);
}

void TestPppdEvents::tickAsksTheLineOnce_data()
{
    QTest::addColumn<int>("detectionStage");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("full");
    QTest::addColumn<bool>("modem");
    QTest::addColumn<QString>("entryName");

    // Entries are named by their place: "c1", "c2", ...; the last stage that
    // finds a connection names the entry (the modem stage is asked last).
    QTest::newRow("nothing") << 2 << QList<int>{} << false << false << false << "Default";
    QTest::newRow("dialing, internet stage") << 2 << QList<int>{2} << false << false << true << "c1";
    QTest::newRow("authenticating, password stage") << 0 << QList<int>{5} << true << false << true << "c1";
    QTest::newRow("connected after a dialing one") << 2 << QList<int>{3, 0x2000} << true << true << true << "c1";
    QTest::newRow("hung up, then connected") << 1 << QList<int>{0x2001, 0x2000} << true << true << true << "c2";
    QTest::newRow("only hung up") << 0 << QList<int>{0x2001} << false << false << false << "Default";
    QTest::newRow("unknown stage") << 7 << QList<int>{0x2000} << false << true << true << "c1";
}

void TestPppdEvents::tickAsksTheLineOnce()
{
    QFETCH(int, detectionStage);
    QFETCH(QList<int>, states);
    QFETCH(bool, online);
    QFETCH(bool, full);
    QFETCH(bool, modem);
    QFETCH(QString, entryName);

    FakeLineContext line;
    CountingNetwork network;
    line.ctx.platform.dialUp = &network;
    line.ctx.settings.ModemDetectionType = detectionStage;
    for (qsizetype i = 0; i < states.size(); ++i)
        network.addConnection(i + 1, QStringLiteral("c%1").arg(i + 1), states[i]);

    RASCheckTimerTimer(line.ctx);
    QCOMPARE(network.asked, 1);
    QCOMPARE(line.ctx.connection.OnlineDetected, online);
    QCOMPARE(line.ctx.connection.FullyConnected, full);
    QCOMPARE(line.ctx.connection.ModemConnected, modem);
    QCOMPARE(line.ctx.connection.ConnectedEntryName, entryName);

    // The same answers as three separate questions.
    FakeLineContext separate;
    separate.ctx.platform.dialUp = &network;
    QCOMPARE(IsConnectedAtStage(separate.ctx, detectionStage), online);
    QCOMPARE(IsConnectedAtStage(separate.ctx, 2), full);
    QCOMPARE(IsConnectedAtStage(separate.ctx, 1), modem);
    QCOMPARE(separate.ctx.connection.ConnectedEntryName, entryName);
}

namespace {

// One inotify record as the kernel lays it out; nameField bytes of name
// (padded with NULs), or a claimed length of its own.
QByteArray inotifyRecord(int wd, uint32_t mask, const QByteArray &name, int nameField, int claimedLength = -1)
{
    inotify_event event{};
    event.wd = wd;
    event.mask = mask;
    event.len = uint32_t(claimedLength >= 0 ? claimedLength : nameField);
    QByteArray record(reinterpret_cast<const char *>(&event), sizeof event);
    record += name.left(nameField);
    record += QByteArray(nameField - qMin<int>(nameField, int(name.size())), '\0');
    return record;
}

} // namespace

void TestPppdEvents::pidFileEventRecords_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("overflow");
    QTest::addColumn<bool>("gone");

    const QByteArray created = inotifyRecord(1, IN_CREATE, "ppp0.pid", 16);
    QTest::newRow("pid file created") << created << true << false << false;
    QTest::newRow("link-name pid file") << inotifyRecord(1, IN_MOVED_TO, "ppp-dsl.pid", 16) << true << false << false;
    QTest::newRow("other file") << inotifyRecord(1, IN_CREATE, "resolv.conf", 16) << false << false << false;
    QTest::newRow("name filling its field") << inotifyRecord(1, IN_DELETE, "ppp12345.pid", 12) << true << false << false;
    QTest::newRow("overflow") << inotifyRecord(-1, IN_Q_OVERFLOW, QByteArray(), 0) << false << true << false;
    QTest::newRow("folder gone") << inotifyRecord(1, IN_DELETE_SELF, QByteArray(), 0) << false << false << true;
    QTest::newRow("another folder's own event") << inotifyRecord(2, IN_IGNORED, QByteArray(), 0) << false << false << false;
    // A record whose name runs past the end of what was read is no record:
    // its name must not be looked for in bytes that were never filled.
    QTest::newRow("name beyond the end") << inotifyRecord(1, IN_CREATE, QByteArray(), 0, 16) << false << false << false;
    QTest::newRow("name cut short") << inotifyRecord(1, IN_CREATE, "ppp0.p", 6, 16) << false << false << false;
    QTest::newRow("good record, then a cut one")
        << QByteArray(inotifyRecord(1, IN_DELETE_SELF, QByteArray(), 0) + inotifyRecord(1, IN_CREATE, "ppp0.pid", 8, 4096))
        << false << false << true;
    QTest::newRow("half a header") << created.left(10) << false << false << false;
}

void TestPppdEvents::pidFileEventRecords()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, changed);
    QFETCH(bool, overflow);
    QFETCH(bool, gone);

    // What lies behind the bytes read looks like a pid file's name.
    const QByteArray memory = buffer + QByteArray("ppp9.pid\0\0\0\0\0\0\0\0", 16);
    PidFileEvents events;
    ReadPidFileEvents(memory.constData(), size_t(buffer.size()), 1, events);
    QCOMPARE(events.changed, changed);
    QCOMPARE(events.overflow, overflow);
    QCOMPARE(events.gone, gone);
}

namespace {

QByteArray padded(QByteArray bytes)
{
    bytes.append(QByteArray(int(NLMSG_ALIGN(bytes.size()) - bytes.size()), '\0'));
    return bytes;
}

QByteArray attribute(int type, const QByteArray &payload)
{
    rtattr a{};
    a.rta_len = ushort(RTA_LENGTH(payload.size()));
    a.rta_type = ushort(type);
    return padded(QByteArray(reinterpret_cast<const char *>(&a), sizeof a) + payload);
}

// A netlink message as the kernel writes it; claimedLength overrides the
// length in its header.
QByteArray netlinkMessage(int type, const QByteArray &body, int claimedLength = -1)
{
    nlmsghdr h{};
    h.nlmsg_len = uint32_t(claimedLength >= 0 ? claimedLength : int(NLMSG_LENGTH(body.size())));
    h.nlmsg_type = ushort(type);
    return QByteArray(reinterpret_cast<const char *>(&h), sizeof h) + padded(body);
}

QByteArray linkMessage(int type, int index, const QByteArray &attributes)
{
    ifinfomsg info{};
    info.ifi_index = index;
    return netlinkMessage(type, QByteArray(reinterpret_cast<const char *>(&info), sizeof info) + attributes);
}

QByteArray addressMessage(int type, int index)
{
    ifaddrmsg a{};
    a.ifa_family = AF_INET;
    a.ifa_index = uint32_t(index);
    return netlinkMessage(type, QByteArray(reinterpret_cast<const char *>(&a), sizeof a) + attribute(IFA_LOCAL, QByteArray(4, '\1')));
}

} // namespace

void TestPppdEvents::linkMessages_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QStringList>("expected");   // "link INDEX NAME present|gone" or "address INDEX"

    const QByteArray ppp0 = attribute(IFLA_IFNAME, QByteArray("ppp0", 5));
    const QByteArray mtu = attribute(IFLA_MTU, QByteArray(4, '\0'));
    QTest::newRow("new link") << linkMessage(RTM_NEWLINK, 7, mtu + ppp0) << QStringList{"link 7 ppp0 present"};
    QTest::newRow("link gone") << linkMessage(RTM_DELLINK, 7, ppp0) << QStringList{"link 7 ppp0 gone"};
    QTest::newRow("name without its NUL") << linkMessage(RTM_NEWLINK, 3, attribute(IFLA_IFNAME, "dsl0")) << QStringList{"link 3 dsl0 present"};
    QTest::newRow("link without a name") << linkMessage(RTM_NEWLINK, 4, mtu) << QStringList{"link 4  present"};
    QTest::newRow("addresses and a link")
        << QByteArray(addressMessage(RTM_NEWADDR, 7) + addressMessage(RTM_DELADDR, 2) + linkMessage(RTM_NEWLINK, 7, ppp0))
        << QStringList{"address 7", "address 2", "link 7 ppp0 present"};
    QTest::newRow("other messages") << QByteArray(netlinkMessage(NLMSG_DONE, QByteArray(4, '\0')) + netlinkMessage(RTM_NEWROUTE, QByteArray(12, '\0')))
                                    << QStringList();
    QTest::newRow("address message too short") << netlinkMessage(RTM_NEWADDR, QByteArray(4, '\0')) << QStringList();
    QTest::newRow("link message too short") << netlinkMessage(RTM_NEWLINK, QByteArray(8, '\0')) << QStringList();
    // A message claiming more than the datagram holds is not read at all.
    QTest::newRow("cut short") << netlinkMessage(RTM_NEWLINK, linkMessage(RTM_NEWLINK, 9, ppp0).mid(16), 400) << QStringList();
    // The name of the next message is not this one's.
    const QByteArray bare = linkMessage(RTM_NEWLINK, 5, QByteArray());
    QTest::newRow("name only in the next message")
        << QByteArray(bare + linkMessage(RTM_DELLINK, 6, ppp0)) << QStringList{"link 5  present", "link 6 ppp0 gone"};
}

void TestPppdEvents::linkMessages()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QStringList, expected);

    QList<quint64> aligned(datagram.size() / 8 + 1);
    memcpy(aligned.data(), datagram.constData(), size_t(datagram.size()));
    QStringList found;
    for (const LinkMessage &m : ReadLinkMessages(reinterpret_cast<const char *>(aligned.constData()), size_t(datagram.size()))) {
        if (m.kind == LinkMessage::Address)
            found.append(QStringLiteral("address %1").arg(m.index));
        else
            found.append(QStringLiteral("link %1 %2 %3").arg(m.index).arg(m.name, m.present ? QStringLiteral("present") : QStringLiteral("gone")));
    }
    QCOMPARE(found, expected);
}

TALLYLINE_ENGINE_TEST_MAIN(TestPppdEvents)
#include "TestPppdEvents.moc"

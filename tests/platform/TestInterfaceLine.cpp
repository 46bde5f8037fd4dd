#include "platform/InterfaceDialUpNetwork.h"
#include "session/ProgramRecord.h"
#include "support/Namespaces.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QSignalSpy>

#include <csignal>
#include <net/if.h>
#include <unistd.h>

// The interface line on a real link: a veth pair whose far end lives in a
// network namespace of this test, watched, counted, brought up and down, by
// the backend and by the program itself.
class TestInterfaceLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void followsTheLink_data();
    void followsTheLink();
    void dialBringsItUpAndHangUpTakesItDown_data();
    void dialBringsItUpAndHangUpTakesItDown();
    void dialFailures();
    void hangUpWithoutThePermission_data();
    void hangUpWithoutThePermission();
    void dialWithoutThePermission();
    void programRecordsSessionsOfTheLink();

private:
    static bool run(const QStringList &args);
    bool inNamespace(const QStringList &args) const
    {
        return run(QStringList{QStringLiteral("-n"), m_namespace} + args);
    }
    bool makeLink() const;
    bool adminUp() const;
    static void addNotWatchedRows();
    static QStringList runHelper(const QString &mode, const QString &interfaceName, bool permitted);

    bool m_namespaceCreated = false;
    QString m_namespace;
    QString m_interface;
    QString m_peerInterface;
};

namespace {
const QString Local = QStringLiteral("10.213.79.1");
const QString Remote = QStringLiteral("10.213.79.2");

InterfaceDialUpNetwork::Options lineOptions(bool watched)
{
    InterfaceDialUpNetwork::Options options;
    options.linkNotifications = watched;
    return options;
}

// The notifications of a change the kernel queued before ip returned.
void deliverNotifications()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
} // namespace

bool TestInterfaceLine::run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void TestInterfaceLine::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("creating network namespaces and veth links needs root");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("the ip command (iproute2) is not installed");
    const QString suffix = QString::number(QCoreApplication::applicationPid() % 100000);
    m_namespace = QStringLiteral("tallyline-iface-") + suffix;
    m_interface = QStringLiteral("tlif") + suffix;
    m_peerInterface = QStringLiteral("tlifpeer") + suffix;
    if (!testsupport::rootIsMountPoint())
        QSKIP("network namespaces cannot be entered where / is not a mount point (a chroot)");
    if (!run({QStringLiteral("netns"), QStringLiteral("add"), m_namespace}))
        QSKIP("network namespaces are not available here");
    m_namespaceCreated = true;
}

void TestInterfaceLine::init()
{
    // Each case starts without the link.
    if (QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_interface))
        QVERIFY(run({QStringLiteral("link"), QStringLiteral("del"), m_interface}));
}

void TestInterfaceLine::cleanup()
{
    if (!m_interface.isEmpty() && QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_interface))
        run({QStringLiteral("link"), QStringLiteral("del"), m_interface});
}

void TestInterfaceLine::cleanupTestCase()
{
    cleanup();
    if (m_namespaceCreated)
        run({QStringLiteral("netns"), QStringLiteral("del"), m_namespace});
}

// The pair, down, with the far end up and addressed in the namespace.
bool TestInterfaceLine::makeLink() const
{
    return run({QStringLiteral("link"), QStringLiteral("add"), m_interface, QStringLiteral("type"), QStringLiteral("veth"),
                QStringLiteral("peer"), QStringLiteral("name"), m_peerInterface, QStringLiteral("netns"), m_namespace})
        && inNamespace({QStringLiteral("addr"), QStringLiteral("add"), Remote + QStringLiteral("/30"), QStringLiteral("dev"),
                        m_peerInterface})
        && inNamespace({QStringLiteral("link"), QStringLiteral("set"), m_peerInterface, QStringLiteral("up")});
}

bool TestInterfaceLine::adminUp() const
{
    QFile flags(QStringLiteral("/sys/class/net/%1/flags").arg(m_interface));
    if (!flags.open(QIODevice::ReadOnly))
        return false;
    return flags.readAll().trimmed().toUInt(nullptr, 16) & IFF_UP;
}

void TestInterfaceLine::addNotWatchedRows()
{
    QTest::addColumn<bool>("watched");
    QTest::newRow("kernel notifications") << true;
    QTest::newRow("reading on every question") << false;
}

void TestInterfaceLine::followsTheLink_data()
{
    addNotWatchedRows();
}

void TestInterfaceLine::followsTheLink()
{
    QFETCH(bool, watched);
    const QStringList addr{QStringLiteral("addr")};
    const QStringList link{QStringLiteral("link"), QStringLiteral("set"), m_interface};
    const QString dev = QStringLiteral("dev");

    // No interface yet is no error: the line is offline until it appears.
    InterfaceDialUpNetwork line(m_interface, lineOptions(watched));
    QCOMPARE(line.watchesEvents(), watched);
    QCOMPARE(line.entries(), QStringList{m_interface});
    QVERIFY(line.connections().isEmpty());
    QVERIFY(!line.linkCounters(m_interface));

    auto connected = [&] {
        const QList<DialUpConnection> list = line.connections();
        return list.size() == 1 && list.first().state == RasState::Connected;
    };
    // Down, then up without an address: offline.
    QVERIFY(makeLink());
    deliverNotifications();
    QVERIFY(line.connections().isEmpty());
    QVERIFY(run(link + QStringList{QStringLiteral("up")}));
    deliverNotifications();
    QVERIFY(line.connections().isEmpty());
    // An automatic IPv4 address is no connection either.
    QVERIFY(run(addr + QStringList{QStringLiteral("add"), QStringLiteral("169.254.7.7/16"), dev, m_interface}));
    deliverNotifications();
    QVERIFY(line.connections().isEmpty());

    QVERIFY(run(addr + QStringList{QStringLiteral("add"), Local + QStringLiteral("/30"), dev, m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(connected(), 5000);
    const DialUpConnection c = line.connections().first();
    QVERIFY(c.handle != 0);
    QCOMPARE(c.entryName, m_interface);
    QCOMPARE(c.interfaceName, m_interface);
    QCOMPARE(c.deviceName, m_interface);
    QCOMPARE(c.deviceType, QStringLiteral("interface"));
    QVERIFY(line.isActive(c.handle));

    // Asked every second, the line answers from memory while nothing changes.
    const int reads = line.statusReads();
    for (int i = 0; i < 5; ++i)
        QCOMPARE(line.connections().size(), 1);
    if (watched)
        QCOMPARE(line.statusReads(), reads);
    else
        QVERIFY(line.statusReads() >= reads + 5);

    // Real traffic across the pair moves the counters both ways.
    const std::optional<LinkCounters> before = line.linkCounters(c.interfaceName);
    QVERIFY(before);
    QProcess ping;
    ping.start(QStringLiteral("ping"), {QStringLiteral("-c"), QStringLiteral("3"), QStringLiteral("-i"),
                                        QStringLiteral("0.2"), QStringLiteral("-w"), QStringLiteral("10"), Remote});
    QVERIFY(ping.waitForFinished(15000));
    QCOMPARE(ping.exitCode(), 0);
    const std::optional<LinkCounters> after = line.linkCounters(c.interfaceName);
    QVERIFY(after);
    // Three echoes of 84 bytes of IP each way, and the Ethernet headers.
    QVERIFY2(after->transmittedBytes - before->transmittedBytes >= 3 * 98,
             qPrintable(QString::number(after->transmittedBytes - before->transmittedBytes)));
    QVERIFY2(after->receivedBytes - before->receivedBytes >= 3 * 98,
             qPrintable(QString::number(after->receivedBytes - before->receivedBytes)));

    // Each way of losing the connection, and its coming back as a new one.
    QList<qint64> handles{c.handle};
    auto backAgain = [&] {
        if (!connected())
            return false;
        if (!handles.contains(line.connections().first().handle))
            handles.append(line.connections().first().handle);
        return true;
    };
    QVERIFY(run(addr + QStringList{QStringLiteral("del"), Local + QStringLiteral("/30"), dev, m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(line.connections().isEmpty(), 5000);
    QVERIFY(!line.isActive(c.handle));
    QVERIFY(run(addr + QStringList{QStringLiteral("add"), Local + QStringLiteral("/30"), dev, m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(backAgain(), 5000);

    QVERIFY(run(link + QStringList{QStringLiteral("down")}));
    QTRY_VERIFY_WITH_TIMEOUT(line.connections().isEmpty(), 5000);
    QVERIFY(run(link + QStringList{QStringLiteral("up")}));
    QTRY_VERIFY_WITH_TIMEOUT(backAgain(), 5000);

    // The far end going down takes the carrier away.
    QVERIFY(inNamespace({QStringLiteral("link"), QStringLiteral("set"), m_peerInterface, QStringLiteral("down")}));
    QTRY_VERIFY_WITH_TIMEOUT(line.connections().isEmpty(), 5000);
    QVERIFY(inNamespace({QStringLiteral("link"), QStringLiteral("set"), m_peerInterface, QStringLiteral("up")}));
    QTRY_VERIFY_WITH_TIMEOUT(backAgain(), 5000);

    // A global IPv6 address alone is a connection; the link-local one every
    // IPv6 link has is not.
    QVERIFY(run(addr + QStringList{QStringLiteral("flush"), dev, m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(line.connections().isEmpty(), 5000);
    QVERIFY(run(addr + QStringList{QStringLiteral("add"), QStringLiteral("fe80::7/64"), dev, m_interface,
                                   QStringLiteral("nodad")}));
    deliverNotifications();
    QVERIFY(line.connections().isEmpty());
    QVERIFY(run(addr + QStringList{QStringLiteral("add"), QStringLiteral("2001:db8:79::1/64"), dev, m_interface,
                                   QStringLiteral("nodad")}));
    QTRY_VERIFY_WITH_TIMEOUT(backAgain(), 5000);

    QVERIFY(run({QStringLiteral("link"), QStringLiteral("del"), m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(line.connections().isEmpty(), 5000);
    QVERIFY(!line.linkCounters(m_interface));
    QCOMPARE(handles.size(), 5);   // each return was a connection of its own
}

void TestInterfaceLine::dialBringsItUpAndHangUpTakesItDown_data()
{
    addNotWatchedRows();
}

void TestInterfaceLine::dialBringsItUpAndHangUpTakesItDown()
{
    QFETCH(bool, watched);
    QVERIFY(makeLink());
    // Configured but down: IPv4 addresses stay on a link that is down.
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("add"), Local + QStringLiteral("/30"), QStringLiteral("dev"),
                 m_interface}));
    InterfaceDialUpNetwork line(m_interface, lineOptions(watched));
    QSignalSpy progress(&line, &DialUpNetwork::dialProgress);
    QVERIFY(line.connections().isEmpty());

    qint64 handle = 0;
    QCOMPARE(line.dial(m_interface, &handle), 0);
    QVERIFY(handle != 0);
    QVERIFY(adminUp());
    // Progress comes later, never inside dial().
    QCOMPARE(progress.size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last()[1].toInt() == RasState::Connected, 5000);
    QList<int> states;
    for (const QList<QVariant> &event : std::as_const(progress)) {
        QCOMPARE(event[0].toLongLong(), handle);
        QCOMPARE(event[3].toInt(), 0);
        states.append(event[1].toInt());
    }
    QCOMPARE(states.first(), RasState::OpenPort);
    QVERIFY(std::is_sorted(states.cbegin(), states.cend()));
    QCOMPARE(line.connections().size(), 1);
    QCOMPARE(line.connections().first().handle, handle);
    QCOMPARE(line.connections().first().state, RasState::Connected);
    QVERIFY(line.isActive(handle));

    QVERIFY(!line.hangUp(handle + 1));
    QVERIFY(line.hangUp(handle));
    QVERIFY(line.hangUpFailure().isEmpty());
    QVERIFY(!adminUp());
    QVERIFY(line.connections().isEmpty());
    QVERIFY(!line.isActive(handle));
    deliverNotifications();
    QVERIFY(line.connections().isEmpty());
    // A hang-up of a connection that is gone finds nothing, and says no more.
    QVERIFY(!line.hangUp(handle));
    QVERIFY(line.hangUpFailure().isEmpty());

    // Dialing a line that is up already finds its connection.
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("up")}));
    QTRY_COMPARE_WITH_TIMEOUT(line.connections().size(), 1, 5000);
    const qint64 outside = line.connections().first().handle;
    progress.clear();
    QCOMPARE(line.dial(m_interface, &handle), 0);
    QCOMPARE(handle, outside);
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last()[1].toInt() == RasState::Connected, 5000);
}

void TestInterfaceLine::dialFailures()
{
    InterfaceDialUpNetwork::Options options;
    options.dialTimeoutMs = 1500;
    InterfaceDialUpNetwork line(m_interface, options);
    QSignalSpy progress(&line, &DialUpNetwork::dialProgress);
    qint64 handle = 0;

    QCOMPARE(line.dial(QStringLiteral("other"), &handle), int(DialError::NoSuchEntry));
    QCOMPARE(line.dial(m_interface, &handle), InterfaceDialUpNetwork::NoSuchInterface);
    QVERIFY(line.errorText(InterfaceDialUpNetwork::NoSuchInterface).contains(m_interface));

    // Up, but no address comes: the call gives up and leaves the link as it was.
    QVERIFY(makeLink());
    QCOMPARE(line.dial(m_interface, &handle), 0);
    QVERIFY(adminUp());
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last()[3].toInt() != 0, 10000);
    QCOMPARE(progress.last()[0].toLongLong(), handle);
    QCOMPARE(progress.last()[3].toInt(), InterfaceDialUpNetwork::TimedOut);
    QVERIFY(progress.last()[4].toString().contains(QStringLiteral("no address within 1 seconds")));
    QVERIFY(!adminUp());
    QVERIFY(line.connections().isEmpty());
    QVERIFY(!line.isActive(handle));

    // Hanging up a call in progress ends it as the user's own disconnection.
    progress.clear();
    QCOMPARE(line.dial(m_interface, &handle), 0);
    QCOMPARE(line.connections().size(), 1);
    QVERIFY(line.connections().first().state < RasState::Connected);
    QVERIFY(line.hangUp(handle));
    QVERIFY(!adminUp());
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last()[3].toInt() != 0, 5000);
    QCOMPARE(progress.last()[3].toInt(), int(DialError::UserDisconnection));
    QVERIFY(line.connections().isEmpty());

    // The link vanishing under a call ends it too.
    progress.clear();
    QCOMPARE(line.dial(m_interface, &handle), 0);
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("del"), m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last()[3].toInt() != 0, 5000);
    QCOMPARE(progress.last()[3].toInt(), InterfaceDialUpNetwork::NoSuchInterface);
    QVERIFY(line.connections().isEmpty());
}

void TestInterfaceLine::hangUpWithoutThePermission_data()
{
    QTest::addColumn<bool>("permitted");
    QTest::newRow("without CAP_NET_ADMIN") << false;
    QTest::newRow("with it") << true;
}

void TestInterfaceLine::hangUpWithoutThePermission()
{
    QFETCH(bool, permitted);
    if (!permitted && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("setpriv (util-linux) is not installed");
    QVERIFY(makeLink());
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("add"), Local + QStringLiteral("/30"), QStringLiteral("dev"),
                 m_interface}));
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("up")}));

    // The helper hangs up as the tray's "Hang Up" does, in a process of its
    // own that may lack the capability.
    const QStringList lines = runHelper(QStringLiteral("hangup"), m_interface, permitted);
    QVERIFY2(lines.contains(permitted ? QStringLiteral("capability: yes") : QStringLiteral("capability: no")),
             qPrintable(lines.join(QLatin1Char('|'))));
    QVERIFY2(lines.contains(QStringLiteral("connections: 1")), qPrintable(lines.join(QLatin1Char('|'))));
    const QStringList boxes = lines.filter(QRegularExpression(QStringLiteral("^box: ")));
    if (permitted) {
        QVERIFY(lines.contains(QStringLiteral("result: 1")));
        QVERIFY(lines.contains(QStringLiteral("online: 0")));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('|'))));
        QVERIFY(!adminUp());
        return;
    }
    // Refused: the link stays up, the program goes on counting it, and the
    // user is told why and what to do.
    QVERIFY(adminUp());
    QVERIFY(lines.contains(QStringLiteral("result: 0")));
    QVERIFY(lines.contains(QStringLiteral("online: 1")));
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().contains(QStringLiteral("may not take the network interface %1 down").arg(m_interface))
                 && boxes.first().contains(QStringLiteral("CAP_NET_ADMIN"))
                 && boxes.first().contains(QStringLiteral("ip link set %1 down").arg(m_interface)),
             qPrintable(boxes.first()));
}

void TestInterfaceLine::dialWithoutThePermission()
{
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("setpriv (util-linux) is not installed");
    QVERIFY(makeLink());
    const QStringList lines = runHelper(QStringLiteral("dial"), m_interface, false);
    QVERIFY2(lines.contains(QStringLiteral("capability: no")), qPrintable(lines.join(QLatin1Char('|'))));
    const QStringList dial = lines.filter(QRegularExpression(QStringLiteral("^dial: ")));
    QCOMPARE(dial.size(), 1);
    QVERIFY2(dial.first().startsWith(QStringLiteral("dial: %1 ").arg(InterfaceDialUpNetwork::NotPermitted))
                 && dial.first().contains(QStringLiteral("CAP_NET_ADMIN")),
             qPrintable(dial.first()));
    // The dial window shows the first 100 characters of a reason.
    QVERIFY(dial.first().size() - QStringLiteral("dial: 1402 ").size() <= 100);
    QVERIFY(!adminUp());
}

QStringList TestInterfaceLine::runHelper(const QString &mode, const QString &interfaceName, bool permitted)
{
    QStringList command{QStringLiteral(TALLYLINE_INTERFACE_LINE_HELPER), mode, interfaceName};
    if (!permitted)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--inh-caps=-all"),
                              QStringLiteral("--bounding-set=-net_admin"), QStringLiteral("--")}
            + command;
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(command.first(), command.mid(1));
    if (!helper.waitForFinished(30000) || helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        return {QStringLiteral("(the helper failed)")};
    return QString::fromLocal8Bit(helper.readAllStandardOutput()).split(QLatin1Char('\n'));
}

void TestInterfaceLine::programRecordsSessionsOfTheLink()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString database = QDir(data).filePath(QString::fromLatin1(Store::DefaultFileName));
    // A program run with each session and closed with it tells from outside
    // when the program opened and closed a session.
    const QString log = dir.filePath(QStringLiteral("sessions.log"));
    const QString script = dir.filePath(QStringLiteral("with-session.sh"));
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\n"
                               "trap 'echo closed >> \"%1\"; exit 0' TERM\n"
                               "echo opened >> \"%1\"\n"
                               "while :; do sleep 0.1; done\n")
                    .arg(log)
                    .toLocal8Bit());
        f.close();
        QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
        const std::unique_ptr<Store> store = testsupport::RunningProgram::seedDataDirectory(data);
        SessionProgram program;
        program.filename = script;
        program.autoProgramClose = true;
        WriteProgramRecord(*store, 1, 1, program);
        store->WriteStoreInteger(QStringLiteral("NumberOfPrograms"), TariffKeys::user(1), 1);
    }
    auto sessionLog = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                           : QStringList();
    };
    QVERIFY(makeLink());
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("add"), Local + QStringLiteral("/30"), QStringLiteral("dev"),
                 m_interface}));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TALLYLINE_EXECUTABLE),
                  {QStringLiteral("--line"), QStringLiteral("interface:") + m_interface, QStringLiteral("--data-dir"), data});
    QVERIFY(program.waitForStarted());
    const auto stop = qScopeGuard([&] {
        ::kill(pid_t(program.processId()), SIGTERM);
        if (!program.waitForFinished(30000))
            program.kill();
    });

    // The sessions of user 1 the program has written so far: the
    // connection of each and its time online.
    struct Recorded {
        QStringList connections;
        QList<double> seconds;
    };
    auto recorded = [&] {
        Recorded r;
        const auto store = Store::open(database);
        const QString sessions = TariffKeys::user(1) + QStringLiteral("\\Sessions");
        for (const QString &day : store->subkeyNames(Store::hivePathOf(sessions))) {
            const QString key = sessions + QLatin1Char('\\') + day;
            int count = 0;
            store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), key, count);
            for (int m = 1; m <= count; ++m) {
                r.connections.append(store->ReadStoreString(QStringLiteral("Session%1-Connection").arg(m), key));
                r.seconds.append(store->ReadStoreFloat(QStringLiteral("Session%1-Time Online").arg(m), key));
            }
        }
        return r;
    };

    // The link comes up: a session opens and is priced.
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("up")}));
    QTRY_COMPARE_WITH_TIMEOUT(sessionLog(), QStringList{QStringLiteral("opened")}, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(recorded().seconds.size() == 1 && recorded().seconds.first() >= 2, 30000);
    QCOMPARE(recorded().connections, QStringList{m_interface});

    // Down: the session closes.
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("down")}));
    QTRY_COMPARE_WITH_TIMEOUT(sessionLog(), (QStringList{QStringLiteral("opened"), QStringLiteral("closed")}), 30000);
    const double firstSession = recorded().seconds.first();

    // Up again: a session of its own.
    QVERIFY(run({QStringLiteral("link"), QStringLiteral("set"), m_interface, QStringLiteral("up")}));
    QTRY_COMPARE_WITH_TIMEOUT(recorded().connections.size(), 2, 30000);
    QCOMPARE(recorded().connections, (QStringList{m_interface, m_interface}));
    QTRY_VERIFY_WITH_TIMEOUT(recorded().seconds.last() >= 2, 30000);
    // Closed is closed: the first session's time stays as it was.
    QCOMPARE(recorded().seconds.first(), firstSession);
    // The address going is the end of the connection too.
    QVERIFY(run({QStringLiteral("addr"), QStringLiteral("flush"), QStringLiteral("dev"), m_interface}));
    QTRY_COMPARE_WITH_TIMEOUT(sessionLog().size(), 4, 30000);
    QCOMPARE(sessionLog().last(), QStringLiteral("closed"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestInterfaceLine)
#include "TestInterfaceLine.moc"

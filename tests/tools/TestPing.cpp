#include "support/Namespaces.h"
#include "support/TestMain.h"
#include "tools/Ping.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>
#include <unistd.h>

namespace {

bool hostsFileHasLocalhost()
{
    QFile hosts(QStringLiteral("/etc/hosts"));
    if (!hosts.open(QIODevice::ReadOnly))
        return false;
    while (!hosts.atEnd()) {
        const QStringList words = QString::fromLocal8Bit(hosts.readLine()).section(QLatin1Char('#'), 0, 0)
                                      .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.size() > 1 && words.first() == QLatin1String("127.0.0.1")
            && words.mid(1).contains(QLatin1String("localhost")))
            return true;
    }
    return false;
}

// A name the resolver refuses without asking any server: a label longer
// than 63 characters cannot be put into a query.
const QString Unresolvable = QString(64, QLatin1Char('x')) + QStringLiteral(".invalid");
const char *ChildMode = "TALLYLINE_PING_CHILD";

// Packets as the ICMP socket hands them over, for echo id 0x1234, sequence 7.
QByteArray icmpPacket(int type, int code, quint16 id, quint16 sequence, const QByteArray &rest)
{
    QByteArray p;
    p += char(type);
    p += char(code);
    p += QByteArray(2, '\0');   // the checksum is the kernel's business
    p += char(id >> 8);
    p += char(id & 0xff);
    p += char(sequence >> 8);
    p += char(sequence & 0xff);
    return p + rest;
}

QByteArray ipPacket(const QByteArray &payload, int headerWords = 5, int ttl = 64)
{
    QByteArray h(headerWords * 4, '\0');
    h[0] = char(0x40 | headerWords);
    h[8] = char(ttl);
    h[9] = char(1);   // ICMP
    return h + payload;
}

bool ip(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
}

class TestPing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void echoToLoopback_data();
    void echoToLoopback();
    void echoAnswers_data();
    void echoAnswers();
    void errorStrings_data();
    void errorStrings();
    void unresolvableNameTriesAgainEachTime();
    void addressChangeResolvesAgain();
    void badParametersSendNothing();
    void inOwnNamespace_data();
    void inOwnNamespace();

    // Run by inOwnNamespace in a child process inside the namespace.
    void childDatagramEcho();
    void childNoSocketAllowed();
    void childErrorsFromARouter();
};

void TestPing::echoToLoopback_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("ttl");
    for (const int kind : {int(TPing::SocketKind::Automatic), int(TPing::SocketKind::Raw)}) {
        const char *name = kind == int(TPing::SocketKind::Raw) ? "raw" : "automatic";
        QTest::addRow("%s, 56 bytes", name) << kind << 56 << 64;
        QTest::addRow("%s, empty", name) << kind << 0 << 64;
        QTest::addRow("%s, shorter than banner", name) << kind << 5 << 1;
        QTest::addRow("%s, 3000 bytes", name) << kind << 3000 << 255;
    }
}

void TestPing::echoToLoopback()
{
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(int, ttl);
    if (kind == int(TPing::SocketKind::Raw) && geteuid() != 0)
        QSKIP("a raw ICMP socket needs root");
    TPing ping;
    ping.socketKind = TPing::SocketKind(kind);
    ping.Size = size;
    ping.TTL = ttl;
    ping.setAddress(QStringLiteral("127.0.0.1"));
    QSignalSpy requests(&ping, &TPing::OnEchoRequest);
    QSignalSpy replies(&ping, &TPing::OnEchoReply);
    QSignalSpy display(&ping, &TPing::OnDisplay);

    const int got = ping.Ping();
    if (got == 0 && !ping.socketError.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no ICMP socket is allowed here: ") + ping.socketError));
    QCOMPARE(got, 1);
    QCOMPARE(ping.ErrorCode, 0);
    QCOMPARE(ping.ErrorString(), QStringLiteral("No error"));
    QCOMPARE(ping.HostIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(ping.Reply.Status, 0u);
    QCOMPARE(ping.Reply.Address, 0x7f000001u);
    QCOMPARE(int(ping.Reply.DataSize), size);
    QVERIFY(ping.Reply.Ttl > 0);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(replies.count(), 1);
    QCOMPARE(replies[0][0].toInt(), 1);
    QCOMPARE(display.count(), 0);

    // The address stays resolved for the next echo.
    QCOMPARE(ping.Ping(), 1);
    QCOMPARE(requests.count(), 2);
}

void TestPing::echoAnswers_data()
{
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<int>("ttl");
    QTest::addColumn<int>("icmpType");

    const quint16 id = 0x1234;
    const QByteArray payload(56, 'x');
    const QByteArray ourEcho = icmpPacket(8, 0, id, 7, payload);
    const int reply = EchoAnswer::Reply;
    const int error = EchoAnswer::Error;
    const int unrelated = EchoAnswer::Unrelated;
    QTest::newRow("datagram reply") << false << icmpPacket(0, 0, 0x9999, 7, payload) << reply << 56 << 0 << 0;
    QTest::newRow("datagram reply to an older echo") << false << icmpPacket(0, 0, id, 6, payload) << unrelated << 0 << 0 << 0;
    QTest::newRow("raw reply") << true << ipPacket(icmpPacket(0, 0, id, 7, payload), 5, 57) << reply << 56 << 57 << 0;
    QTest::newRow("raw reply with IP options") << true << ipPacket(icmpPacket(0, 0, id, 7, payload), 6, 3) << reply << 56 << 3 << 0;
    QTest::newRow("raw reply to another program") << true << ipPacket(icmpPacket(0, 0, 0x4321, 7, payload)) << unrelated << 0 << 64 << 0;
    QTest::newRow("raw: our own echo") << true << ipPacket(ourEcho) << unrelated << 0 << 64 << 0;
    QTest::newRow("unreachable about our echo")
        << true << ipPacket(icmpPacket(3, 1, 0, 0, ipPacket(ourEcho.left(8)))) << error << 0 << 64 << 3;
    QTest::newRow("time exceeded about another echo")
        << true << ipPacket(icmpPacket(11, 0, 0, 0, ipPacket(icmpPacket(8, 0, id, 8, QByteArray())))) << unrelated << 0 << 64 << 0;
    QTest::newRow("error quoting less than the echo header")
        << true << ipPacket(icmpPacket(3, 1, 0, 0, ipPacket(ourEcho.left(4)))) << unrelated << 0 << 64 << 0;
    QTest::newRow("IP header longer than the packet") << true << ipPacket(QByteArray(), 15) << unrelated << 0 << 64 << 0;
    QTest::newRow("shorter than an IP header") << true << ipPacket(ourEcho).left(12) << unrelated << 0 << 0 << 0;
    QTest::newRow("shorter than an ICMP header") << false << ourEcho.left(7) << unrelated << 0 << 0 << 0;
}

void TestPing::echoAnswers()
{
    QFETCH(bool, raw);
    QFETCH(QByteArray, packet);
    QFETCH(int, kind);
    QFETCH(int, dataSize);
    QFETCH(int, ttl);
    QFETCH(int, icmpType);

    // Aligned as the receive buffer is.
    QList<quint32> storage(packet.size() / 4 + 1);
    memcpy(storage.data(), packet.constData(), size_t(packet.size()));
    const EchoAnswer answer =
        ReadEchoAnswer(reinterpret_cast<const unsigned char *>(storage.constData()), size_t(packet.size()), raw, 0x1234, 7);
    QCOMPARE(int(answer.kind), kind);
    QCOMPARE(int(answer.dataSize), dataSize);
    QCOMPARE(answer.ttl, ttl);
    QCOMPARE(answer.icmpType, icmpType);
}

void TestPing::errorStrings_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("timeout") << 11010 << "Request timed out";
    QTest::newRow("bad destination") << 11018 << "Bad Destination";
    QTest::newRow("pending") << 11255 << "Pending";
    QTest::newRow("gap in the table") << 11022 << "ICMP error #11022";
    QTest::newRow("negative") << -3 << "ICMP error #-3";
}

void TestPing::errorStrings()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    TPing ping;
    ping.ErrorCode = code;
    QCOMPARE(ping.ErrorString(), text);
}

void TestPing::unresolvableNameTriesAgainEachTime()
{
    TPing ping;
    ping.setAddress(Unresolvable);
    QSignalSpy display(&ping, &TPing::OnDisplay);
    QSignalSpy requests(&ping, &TPing::OnEchoRequest);
    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(ping.ErrorCode, 11018);
    QCOMPARE(ping.ErrorString(), QStringLiteral("Bad Destination"));
    QVERIFY(ping.resolverError != 0);
    QCOMPARE(display.count(), 2);
    QCOMPARE(display[0][0].toString(), QStringLiteral("Unable to resolve ") + Unresolvable);
    QCOMPARE(display[1][0].toString(), QStringLiteral("Invalid host address"));
    QCOMPARE(requests.count(), 0);

    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(display.count(), 4);
    QCOMPARE(display[2][0].toString(), QStringLiteral("Unable to resolve ") + Unresolvable);

    ping.setAddress(QString());
    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(display.last()[0].toString(), QStringLiteral("Invalid host address"));
}

void TestPing::addressChangeResolvesAgain()
{
    TPing ping;
    ping.setAddress(Unresolvable);
    ping.Ping();
    QCOMPARE(ping.ErrorCode, 11018);
    // The name comes from the hosts file; no server is asked. A system
    // without a hosts entry for it would ask one, so the test does not.
    if (!hostsFileHasLocalhost())
        QSKIP("/etc/hosts does not name 127.0.0.1 localhost");
    ping.setAddress(QStringLiteral("localhost"));
    const int got = ping.Ping();
    QCOMPARE(ping.HostIP, QStringLiteral("127.0.0.1"));
    if (ping.socketError.isEmpty()) {
        QCOMPARE(got, 1);
        QCOMPARE(ping.ErrorCode, 0);
    }
}

void TestPing::badParametersSendNothing()
{
    TPing ping;
    ping.setAddress(QStringLiteral("127.0.0.1"));
    QSignalSpy requests(&ping, &TPing::OnEchoRequest);
    ping.Size = 70000;
    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(ping.ErrorString(), QStringLiteral("Bad request"));
    ping.Size = 56;
    ping.TTL = 0;
    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(ping.ErrorString(), QStringLiteral("Bad option"));
    QCOMPARE(requests.count(), 0);
}

void TestPing::inOwnNamespace_data()
{
    QTest::addColumn<QString>("pingGroupRange");
    QTest::addColumn<QString>("function");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<bool>("withRouter");
    QTest::newRow("datagram socket allowed") << "0 2147483647" << "childDatagramEcho" << false << false;
    QTest::newRow("no socket allowed") << "1 0" << "childNoSocketAllowed" << true << false;
    QTest::newRow("errors from a router") << "0 2147483647" << "childErrorsFromARouter" << false << true;
}

// The unprivileged socket and the refusal of both sockets depend on the
// system's ping_group_range, which is per network namespace: each case runs
// this test program again inside a namespace of its own.
void TestPing::inOwnNamespace()
{
    QFETCH(QString, pingGroupRange);
    QFETCH(QString, function);
    QFETCH(bool, asNobody);
    QFETCH(bool, withRouter);
    if (geteuid() != 0)
        QSKIP("creating a network namespace needs root");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("the ip command (iproute2) is not installed");
    if (!testsupport::rootIsMountPoint())
        QSKIP("network namespaces cannot be entered where / is not a mount point (a chroot)");
    const QString ns = QStringLiteral("tallyline-ping-%1").arg(QCoreApplication::applicationPid());
    if (!ip({QStringLiteral("netns"), QStringLiteral("add"), ns}))
        QSKIP("network namespaces are not available here");
    const auto cleanup = qScopeGuard([&] { ip({QStringLiteral("netns"), QStringLiteral("del"), ns}); });
    QVERIFY(ip({QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")}));
    QVERIFY(ip({QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("echo %1 > /proc/sys/net/ipv4/ping_group_range").arg(pingGroupRange)}));

    // A second namespace behind a veth link acts as a router with no onward
    // routes: it answers with ICMP errors and nothing leaves the machine.
    const QString router = ns + QStringLiteral("-r");
    bool routerCreated = false;
    const auto removeRouter = qScopeGuard([&] {
        if (routerCreated)
            ip({QStringLiteral("netns"), QStringLiteral("del"), router});
    });
    if (withRouter) {
        QVERIFY(ip({QStringLiteral("netns"), QStringLiteral("add"), router}));
        routerCreated = true;
        const QStringList setUp[] = {
            {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("a0"), QStringLiteral("type"),
             QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("b0"), QStringLiteral("netns"), router},
            {QStringLiteral("-n"), ns, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.1.1/30"), QStringLiteral("dev"), QStringLiteral("a0")},
            {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("a0"), QStringLiteral("up")},
            {QStringLiteral("-n"), ns, QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("10.77.0.0/16"), QStringLiteral("via"), QStringLiteral("10.77.1.2")},
            {QStringLiteral("-n"), router, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.1.2/30"), QStringLiteral("dev"), QStringLiteral("b0")},
            {QStringLiteral("-n"), router, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("b0"), QStringLiteral("up")},
            // 10.77.9.0/24 would be forwarded (back), so a TTL of 1 expires
            // there; 10.77.8.0/24 has no route at all.
            {QStringLiteral("-n"), router, QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("10.77.9.0/24"), QStringLiteral("via"), QStringLiteral("10.77.1.1")},
            {QStringLiteral("netns"), QStringLiteral("exec"), router, QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("echo 1 > /proc/sys/net/ipv4/ip_forward")},
        };
        for (const QStringList &args : setUp)
            QVERIFY2(ip(args), qPrintable(args.join(QLatin1Char(' '))));
    }

    QStringList command{QStringLiteral("netns"), QStringLiteral("exec"), ns};
    QString program = QCoreApplication::applicationFilePath();
    QTemporaryDir programCopy;
    if (asNobody) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv (util-linux) is not installed");
        command << QStringLiteral("setpriv") << QStringLiteral("--reuid=65534") << QStringLiteral("--regid=65534")
                << QStringLiteral("--clear-groups");
        // The build may sit where that user cannot go (under /root): the
        // child is a copy of this test in a directory anyone may enter.
        QVERIFY(programCopy.isValid());
        QFile::setPermissions(programCopy.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                      | QFileDevice::ReadOther | QFileDevice::ExeOther);
        const QString copy = programCopy.filePath(QStringLiteral("TestPing"));
        QVERIFY(QFile::copy(program, copy));
        QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther));
        program = copy;
    }
    command << program << function;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildMode), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("ip"), command);
    QVERIFY(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(child.exitCode() == 0 && output.contains(QLatin1String("PASS   : TestPing::") + function), qPrintable(output));
}

void TestPing::childDatagramEcho()
{
    if (qEnvironmentVariableIsEmpty(ChildMode))
        QSKIP("runs inside a namespace of its own (see inOwnNamespace)");
    TPing ping;
    ping.socketKind = TPing::SocketKind::Datagram;
    ping.setAddress(QStringLiteral("127.0.0.1"));
    QCOMPARE(ping.Ping(), 1);
    QCOMPARE(ping.ErrorCode, 0);
    QCOMPARE(int(ping.Reply.DataSize), 56);
    QCOMPARE(ping.Reply.Address, 0x7f000001u);
    QVERIFY(ping.Reply.Ttl > 0);
}

void TestPing::childNoSocketAllowed()
{
    if (qEnvironmentVariableIsEmpty(ChildMode))
        QSKIP("runs inside a namespace of its own (see inOwnNamespace)");
    TPing ping;
    ping.setAddress(QStringLiteral("127.0.0.1"));
    QSignalSpy display(&ping, &TPing::OnDisplay);
    QCOMPARE(ping.Ping(), 0);
    QCOMPARE(ping.ErrorCode, 11050);
    QVERIFY(!ping.socketError.isEmpty());
    QCOMPARE(display.count(), 1);
    QVERIFY(display[0][0].toString().startsWith(QLatin1String("Unable to open an ICMP socket: ")));
}

void TestPing::childErrorsFromARouter()
{
    if (qEnvironmentVariableIsEmpty(ChildMode))
        QSKIP("runs inside a namespace of its own (see inOwnNamespace)");
    for (const TPing::SocketKind kind : {TPing::SocketKind::Datagram, TPing::SocketKind::Raw}) {
        TPing ping;
        ping.socketKind = kind;
        ping.Timeout = 3000;
        ping.setAddress(QStringLiteral("10.77.9.9"));
        ping.TTL = 1;
        QCOMPARE(ping.Ping(), 0);
        QCOMPARE(ping.ErrorString(), QStringLiteral("TTL expired in transit"));
        QCOMPARE(ping.Reply.Address, 0x0a4d0102u);
        QCOMPARE(ping.Reply.Status, 11013u);
        ping.TTL = 64;
        ping.setAddress(QStringLiteral("10.77.8.9"));
        QCOMPARE(ping.Ping(), 0);
        QCOMPARE(ping.ErrorString(), QStringLiteral("Destination network unreachable"));
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestPing)
#include "TestPing.moc"

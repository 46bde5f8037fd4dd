// The NetworkManager line against a fake NetworkManager on a private bus:
// what the phone book lists, how a call goes, what happens to connections
// that others make or that drop, hanging up, and NetworkManager coming and
// going.

#include "platform/LineSetup.h"
#include "platform/NetworkManagerDialUpNetwork.h"
#include "session/DialUpLine.h"
#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"
#include "support/TestMain.h"

#include "core/Clock.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString PermissionDenied = QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied");

// One dialProgress signal.
struct Progress {
    qint64 handle = 0;
    int state = -1;
    int errorCode = 0;
    QString errorText;
};

QList<Progress> progressOf(const QSignalSpy &spy)
{
    QList<Progress> list;
    for (const QList<QVariant> &args : spy)
        list.append({args[0].toLongLong(), args[1].toInt(), args[3].toInt(), args[4].toString()});
    return list;
}

// Progress ends with Connected or an error.
bool progressEnded(const QSignalSpy &spy)
{
    if (spy.isEmpty())
        return false;
    const QList<QVariant> &last = spy.constLast();
    return last[1].toInt() == RasState::Connected || last[3].toInt() != 0;
}

QStringList entryNames(const QList<DialUpConnection> &list)
{
    QStringList names;
    for (const DialUpConnection &c : list)
        names.append(c.entryName);
    return names;
}

} // namespace

class TestNetworkManagerLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void phoneBook_data();
    void phoneBook();
    void dialing_data();
    void dialing();
    void connectionsMadeOrEndedElsewhere();
    void hangingUp_data();
    void hangingUp();
    void networkManagerComesAndGoes();
    void noBusAtAll();
    void chosenWithTheLineOption();
    void countersOfTheConnectionsInterface();

private:
    // The bus, NetworkManager on it with these commands applied, and the
    // line once it has learnt the phone book.
    bool startAll(const QStringList &commands = {});
    bool startLine();

    std::unique_ptr<testsupport::PrivateBus> m_bus;
    std::unique_ptr<testsupport::FakeNetworkManager> m_fake;
    std::unique_ptr<NetworkManagerDialUpNetwork> m_line;
};

void TestNetworkManagerLine::init()
{
    m_bus = std::make_unique<testsupport::PrivateBus>();
    QString why;
    if (!m_bus->start(&why))
        QSKIP(qPrintable(why));
    m_fake = std::make_unique<testsupport::FakeNetworkManager>();
}

void TestNetworkManagerLine::cleanup()
{
    m_line.reset();
    m_fake.reset();
    m_bus.reset();
}

bool TestNetworkManagerLine::startAll(const QStringList &commands)
{
    if (!m_fake->start(m_bus->address()) || !m_fake->commands(commands))
        return false;
    return startLine();
}

bool TestNetworkManagerLine::startLine()
{
    m_line = std::make_unique<NetworkManagerDialUpNetwork>(m_bus->connection(QStringLiteral("line")));
    return QTest::qWaitFor([this] { return m_fake->calls().contains(QStringLiteral("ListConnections")); }, 30000);
}

void TestNetworkManagerLine::phoneBook_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("initially");
    QTest::addColumn<QStringList>("later");
    QTest::addColumn<QStringList>("expected");

    const QStringList mixed{QStringLiteral("add|Office Wi-Fi|802-11-wireless|wlan0"),
                            QStringLiteral("add|zeta mobile|gsm|ppp0"),
                            QStringLiteral("add|Wired connection 1|802-3-ethernet|eth0"),
                            QStringLiteral("add|DSL|pppoe|ppp1"),
                            QStringLiteral("add|Alpha CDMA|cdma|ppp2"),
                            QStringLiteral("add|Work VPN|vpn|tun0"),
                            QStringLiteral("add|Home tunnel|wireguard|wg0"),
                            QStringLiteral("add|Phone|bluetooth|bnep0"),
                            QStringLiteral("add|Bridge|bridge|br0")};
    const QStringList lines{QStringLiteral("Alpha CDMA"), QStringLiteral("DSL"), QStringLiteral("Home tunnel"),
                            QStringLiteral("Work VPN"), QStringLiteral("zeta mobile")};
    QTest::newRow("only the kinds of a metered line, sorted") << mixed << lines << QStringList() << lines;
    QTest::newRow("saved later") << mixed << lines << QStringList{QStringLiteral("add|Backup 3G|gsm|ppp3")}
                                 << QStringList{QStringLiteral("Alpha CDMA"), QStringLiteral("Backup 3G"),
                                                QStringLiteral("DSL"), QStringLiteral("Home tunnel"),
                                                QStringLiteral("Work VPN"), QStringLiteral("zeta mobile")};
    QTest::newRow("a new connection that is no line")
        << mixed << lines << QStringList{QStringLiteral("add|Guest|802-11-wireless|wlan0")} << lines;
    QTest::newRow("deleted") << mixed << lines << QStringList{QStringLiteral("remove|DSL")}
                             << QStringList{QStringLiteral("Alpha CDMA"), QStringLiteral("Home tunnel"),
                                            QStringLiteral("Work VPN"), QStringLiteral("zeta mobile")};
    QTest::newRow("renamed") << mixed << lines << QStringList{QStringLiteral("rename|DSL|Broadband")}
                             << QStringList{QStringLiteral("Alpha CDMA"), QStringLiteral("Broadband"),
                                            QStringLiteral("Home tunnel"), QStringLiteral("Work VPN"),
                                            QStringLiteral("zeta mobile")};
    QTest::newRow("one name twice")
        << QStringList{QStringLiteral("add|Mobile|gsm|ppp0"), QStringLiteral("add|Mobile|gsm|ppp1")}
        << QStringList{QStringLiteral("Mobile")} << QStringList{QStringLiteral("remove|Mobile")}
        << QStringList{QStringLiteral("Mobile")};
    QTest::newRow("none saved") << QStringList() << QStringList() << QStringList{QStringLiteral("add|Mobile|gsm|ppp0")}
                                << QStringList{QStringLiteral("Mobile")};
}

void TestNetworkManagerLine::phoneBook()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, initially);
    QFETCH(QStringList, later);
    QFETCH(QStringList, expected);

    QVERIFY(m_fake->start(m_bus->address()));
    QVERIFY(m_fake->commands(before));
    m_line = std::make_unique<NetworkManagerDialUpNetwork>(m_bus->connection(QStringLiteral("line")));
    QSignalSpy changed(m_line.get(), &DialUpNetwork::entriesChanged);
    QVERIFY(m_line->unavailableReason().isEmpty());
    // Nothing is known before NetworkManager answered: the line never waits.
    QVERIFY(m_line->entries().isEmpty());

    // Every saved connection read once.
    QTRY_COMPARE(m_fake->calls().filter(QStringLiteral("GetSettings")).size(), before.size());
    QTRY_COMPARE(m_line->entries(), initially);
    QCOMPARE(changed.isEmpty(), initially.isEmpty());
    if (later.isEmpty())
        return;
    changed.clear();
    QVERIFY(m_fake->commands(later));
    QTRY_COMPARE(m_line->entries(), expected);
    if (expected != initially)
        QTRY_VERIFY(!changed.isEmpty());
    // Questions asked after that cost NetworkManager nothing.
    const qsizetype calls = m_fake->calls().size();
    for (int i = 0; i < 10; ++i)
        m_line->entries();
    QCOMPARE(m_fake->calls().size(), calls);
}

void TestNetworkManagerLine::dialing_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("dialResult");
    QTest::addColumn<int>("finalState");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("errorFragment");
    QTest::addColumn<QString>("interfaceName");

    const QString mobile = QStringLiteral("add|Mobile|gsm|ppp0");
    QTest::newRow("connects") << QStringList{mobile} << QStringLiteral("Mobile") << 0 << RasState::Connected << 0
                              << QString() << QStringLiteral("ppp0");
    QTest::newRow("PPPoE") << QStringList{QStringLiteral("add|DSL|pppoe|ppp7")} << QStringLiteral("DSL") << 0
                           << RasState::Connected << 0 << QString() << QStringLiteral("ppp7");
    QTest::newRow("refused by polkit")
        << QStringList{mobile,
                       QStringLiteral("refuse|Mobile|%1|Not authorized to control networking.").arg(PermissionDenied)}
        << QStringLiteral("Mobile") << 0 << RasState::OpenPort << int(NetworkManagerDialUpNetwork::RefusedError)
        << QStringLiteral("Not authorized to control networking.") << QString();
    QTest::newRow("fails later: login refused")
        << QStringList{mobile, QStringLiteral("fail|Mobile|10")} << QStringLiteral("Mobile") << 0
        << RasState::Disconnected << NetworkManagerDialUpNetwork::ReasonBase + 10
        << QStringLiteral("user name and password") << QString();
    QTest::newRow("fails later: no secrets")
        << QStringList{mobile, QStringLiteral("fail|Mobile|9")} << QStringLiteral("Mobile") << 0
        << RasState::Disconnected << NetworkManagerDialUpNetwork::ReasonBase + 9 << QStringLiteral("password")
        << QString();
    QTest::newRow("fails later: timed out")
        << QStringList{mobile, QStringLiteral("fail|Mobile|6")} << QStringLiteral("Mobile") << 0
        << RasState::Disconnected << NetworkManagerDialUpNetwork::ReasonBase + 6 << QStringLiteral("timed out")
        << QString();
    QTest::newRow("not in the phone book") << QStringList{mobile} << QStringLiteral("Elsewhere")
                                           << DialError::NoSuchEntry << -1 << 0 << QString() << QString();
    QTest::newRow("a saved connection that is no line")
        << QStringList{mobile, QStringLiteral("add|Office|802-11-wireless|wlan0")} << QStringLiteral("Office")
        << DialError::NoSuchEntry << -1 << 0 << QString() << QString();
}

void TestNetworkManagerLine::dialing()
{
    QFETCH(QStringList, commands);
    QFETCH(QString, entry);
    QFETCH(int, dialResult);
    QFETCH(int, finalState);
    QFETCH(int, errorCode);
    QFETCH(QString, errorFragment);
    QFETCH(QString, interfaceName);

    QVERIFY(startAll(commands));
    QTRY_VERIFY(!m_line->entries().isEmpty());
    QSignalSpy progress(m_line.get(), &DialUpNetwork::dialProgress);
    qint64 handle = 0;
    QCOMPARE(m_line->dial(entry, &handle), dialResult);
    if (dialResult != 0) {
        QCOMPARE(handle, qint64(0));
        QVERIFY(m_line->connections().isEmpty());
        QVERIFY(!m_fake->calls().contains(QStringLiteral("ActivateConnection ") + entry));
        return;
    }
    QVERIFY(handle != 0);
    // dial() returned before NetworkManager answered: nothing told yet.
    QVERIFY(progress.isEmpty());
    QVERIFY(m_line->isActive(handle));
    QTRY_VERIFY(progressEnded(progress));
    QCOMPARE(m_fake->calls().count(QStringLiteral("ActivateConnection ") + entry), 1);

    const QList<Progress> steps = progressOf(progress);
    int previous = -1;
    for (const Progress &p : steps) {
        QCOMPARE(p.handle, handle);
        // States only go forward.
        if (p.errorCode == 0)
            QVERIFY2(p.state > previous, qPrintable(QStringLiteral("%1 after %2").arg(p.state).arg(previous)));
        previous = p.state;
    }
    const Progress last = steps.last();
    QCOMPARE(last.state, finalState);
    QCOMPARE(last.errorCode, errorCode);
    if (errorCode == 0) {
        QVERIFY(last.errorText.isEmpty());
        // The device's states on the way are told as far as they were seen:
        // those it passed before its connection was looked at are not.
        for (const Progress &p : steps.mid(0, steps.size() - 1))
            QVERIFY2(p.state < RasState::Connected && !RasStateText(p.state).isEmpty(),
                     qPrintable(QString::number(p.state)));
        const QList<DialUpConnection> list = m_line->connections();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].handle, handle);
        QCOMPARE(list[0].entryName, entry);
        QCOMPARE(list[0].state, RasState::Connected);
        QCOMPARE(list[0].interfaceName, interfaceName);
        QVERIFY(m_line->isActive(handle));
    } else {
        QVERIFY2(last.errorText.contains(errorFragment), qPrintable(last.errorText));
        QCOMPARE(m_line->errorText(errorCode), last.errorText);
        QTRY_VERIFY(m_line->connections().isEmpty());
        QVERIFY(!m_line->isActive(handle));
    }
}

void TestNetworkManagerLine::connectionsMadeOrEndedElsewhere()
{
    QVERIFY(startAll({QStringLiteral("add|Mobile|gsm|ppp0"), QStringLiteral("add|Office|802-3-ethernet|eth0")}));
    QTRY_COMPARE(m_line->entries(), QStringList{QStringLiteral("Mobile")});
    QSignalSpy progress(m_line.get(), &DialUpNetwork::dialProgress);

    // Brought up by nmcli: listed, with its interface, though not dialled here.
    QVERIFY(m_fake->command(QStringLiteral("activate|Office")));
    QVERIFY(m_fake->command(QStringLiteral("activate|Mobile")));
    QTRY_COMPARE(entryNames(m_line->connections()), QStringList{QStringLiteral("Mobile")});
    QTRY_COMPARE(m_line->connections().value(0).state, RasState::Connected);
    QTRY_COMPARE(m_line->connections().value(0).interfaceName, QStringLiteral("ppp0"));
    const qint64 handle = m_line->connections().value(0).handle;
    QVERIFY(handle != 0);
    QVERIFY(m_line->isActive(handle));
    // No dial of ours: no dial progress.
    QVERIFY(progress.isEmpty());

    // The modem loses its signal: the connection is gone, and as it was
    // not a call in progress, no error is raised for it.
    QVERIFY(m_fake->command(QStringLiteral("drop|Mobile|3")));
    QTRY_VERIFY(m_line->connections().isEmpty());
    QVERIFY(!m_line->isActive(handle));
    QVERIFY(progress.isEmpty());

    // A call of ours that drops after it connected: progress had ended.
    qint64 dialled = 0;
    QCOMPARE(m_line->dial(QStringLiteral("Mobile"), &dialled), 0);
    QTRY_VERIFY(progressEnded(progress));
    QCOMPARE(progress.constLast()[1].toInt(), RasState::Connected);
    const qsizetype told = progress.size();
    QVERIFY(m_fake->command(QStringLiteral("drop|Mobile|3")));
    QTRY_VERIFY(m_line->connections().isEmpty());
    QVERIFY(!m_line->isActive(dialled));
    QCOMPARE(progress.size(), told);
}

void TestNetworkManagerLine::hangingUp_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("refused");

    const QString mobile = QStringLiteral("add|Mobile|gsm|ppp0");
    QTest::newRow("connected") << QStringList{mobile} << QStringLiteral("connected") << false;
    QTest::newRow("while dialling") << QStringList{mobile, QStringLiteral("hold|Mobile")}
                                    << QStringLiteral("dialling") << false;
    QTest::newRow("before NetworkManager answered the call")
        << QStringList{mobile} << QStringLiteral("unanswered") << false;
    QTest::newRow("refused")
        << QStringList{mobile, QStringLiteral("refuse-deactivate|%1|Not authorized.").arg(PermissionDenied)}
        << QStringLiteral("connected") << true;
}

void TestNetworkManagerLine::hangingUp()
{
    QFETCH(QStringList, commands);
    QFETCH(QString, when);
    QFETCH(bool, refused);

    QVERIFY(startAll(commands));
    QTRY_COMPARE(m_line->entries(), QStringList{QStringLiteral("Mobile")});
    QSignalSpy progress(m_line.get(), &DialUpNetwork::dialProgress);
    QSignalSpy failed(m_line.get(), &NetworkManagerDialUpNetwork::requestFailed);
    qint64 handle = 0;
    QCOMPARE(m_line->dial(QStringLiteral("Mobile"), &handle), 0);
    if (when == QLatin1String("dialling")) {
        // Held before it is complete: the link is authenticated, not connected.
        QTRY_COMPARE(m_line->connections().value(0).state, RasState::Authenticated);
        QCOMPARE(m_line->connections().value(0).interfaceName, QStringLiteral("ppp0"));
    } else if (when == QLatin1String("connected")) {
        QTRY_COMPARE(m_line->connections().value(0).state, RasState::Connected);
    }

    QVERIFY(m_line->hangUp(handle));
    // Until NetworkManager has ended it, it is listed as disconnected.
    QCOMPARE(m_line->connections().value(0).state, RasState::Disconnected);
    QTRY_COMPARE(m_fake->calls().count(QStringLiteral("DeactivateConnection Mobile")), 1);
    if (refused) {
        QTRY_COMPARE(failed.size(), 1);
        const QString message = failed.constFirst().constFirst().toString();
        QVERIFY2(message.contains(QLatin1String("Mobile")) && message.contains(QLatin1String("Not authorized.")),
                 qPrintable(message));
        // Still up, and listed as it is.
        QCOMPARE(m_line->connections().value(0).state, RasState::Connected);
        QVERIFY(m_line->isActive(handle));
        return;
    }
    QTRY_VERIFY(m_line->connections().isEmpty());
    QVERIFY(!m_line->isActive(handle));
    QVERIFY(failed.isEmpty());
    QVERIFY(!m_line->hangUp(handle));
    if (when != QLatin1String("connected")) {
        // The call ends as one ended on purpose, which the dial window keeps quiet about.
        QVERIFY(progressEnded(progress));
        QCOMPARE(progress.constLast()[3].toInt(), DialError::UserDisconnection);
    }
}

void TestNetworkManagerLine::networkManagerComesAndGoes()
{
    // Not running when the line starts.
    m_line = std::make_unique<NetworkManagerDialUpNetwork>(m_bus->connection(QStringLiteral("line")));
    QSignalSpy changed(m_line.get(), &DialUpNetwork::entriesChanged);
    QVERIFY2(m_line->unavailableReason().contains(QLatin1String("NetworkManager is not running")),
             qPrintable(m_line->unavailableReason()));
    QVERIFY(m_line->entries().isEmpty());
    QVERIFY(m_line->connections().isEmpty());
    qint64 handle = 0;
    QCOMPARE(m_line->dial(QStringLiteral("Mobile"), &handle), int(NetworkManagerDialUpNetwork::NotRunningError));
    QCOMPARE(m_line->errorText(NetworkManagerDialUpNetwork::NotRunningError),
             QStringLiteral("NetworkManager is not running."));

    // It starts: its connections are picked up.
    QVERIFY(m_fake->start(m_bus->address()));
    QVERIFY(m_fake->commands({QStringLiteral("add|Mobile|gsm|ppp0"), QStringLiteral("hold|Mobile")}));
    QTRY_COMPARE(m_line->entries(), QStringList{QStringLiteral("Mobile")});
    QVERIFY(!changed.isEmpty());
    QVERIFY(m_line->unavailableReason().isEmpty());

    // It stops in the middle of a call: the call fails, the line is offline.
    QSignalSpy progress(m_line.get(), &DialUpNetwork::dialProgress);
    QCOMPARE(m_line->dial(QStringLiteral("Mobile"), &handle), 0);
    QTRY_VERIFY(!m_line->connections().isEmpty());
    changed.clear();
    m_fake->stop();
    QTRY_VERIFY(progressEnded(progress));
    QCOMPARE(progress.constLast()[3].toInt(), int(NetworkManagerDialUpNetwork::NotRunningError));
    QVERIFY(m_line->entries().isEmpty());
    QVERIFY(m_line->connections().isEmpty());
    QVERIFY(!m_line->isActive(handle));
    QCOMPARE(changed.size(), 1);
    QVERIFY(!m_line->unavailableReason().isEmpty());

    // And back again.
    testsupport::FakeNetworkManager again;
    QVERIFY(again.start(m_bus->address()));
    QVERIFY(again.command(QStringLiteral("add|DSL|pppoe|ppp0")));
    QTRY_COMPARE(m_line->entries(), QStringList{QStringLiteral("DSL")});
}

void TestNetworkManagerLine::noBusAtAll()
{
    // A bus address where nothing listens, as when the system bus is down.
    QTemporaryDir dir;
    const QString address = QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus"));
    {
        NetworkManagerDialUpNetwork line(QDBusConnection::connectToBus(address, QStringLiteral("nowhere")));
        QVERIFY2(line.unavailableReason().contains(QLatin1String("no connection to the system bus")),
                 qPrintable(line.unavailableReason()));
        QVERIFY(line.entries().isEmpty());
        QVERIFY(line.connections().isEmpty());
        qint64 handle = 0;
        QCOMPARE(line.dial(QStringLiteral("Mobile"), &handle), int(NetworkManagerDialUpNetwork::NotRunningError));
        QVERIFY(!line.hangUp(1));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

void TestNetworkManagerLine::chosenWithTheLineOption()
{
    QVERIFY(DialUpLine::isKnownLineKind(QStringLiteral("networkmanager")));
    QVERIFY(!DialUpLine::isKnownLineKind(QStringLiteral("NetworkManager")));
    QVERIFY(UnknownLineMessage(QStringLiteral("x")).contains(QLatin1String("--line networkmanager")));
    QVERIFY(LineCommandLineOption().description().contains(QLatin1String("networkmanager")));

    // The program's own choice, pointed at the private bus: with no
    // NetworkManager there, it says so.
    qputenv("TALLYLINE_NETWORKMANAGER_BUS", m_bus->address().toUtf8());
    FakeClock clock;
    QTemporaryDir data;
    LineSetup setup = createDialUpNetwork(QStringLiteral("networkmanager"), data.path() + QLatin1Char('/'), clock);
    qunsetenv("TALLYLINE_NETWORKMANAGER_BUS");
    QVERIFY(setup.error.isEmpty());
    QVERIFY(setup.network);
    QVERIFY(!setup.control);
    QVERIFY(dynamic_cast<NetworkManagerDialUpNetwork *>(setup.network.get()));
    QVERIFY2(setup.warning.contains(QLatin1String("NetworkManager is not running")), qPrintable(setup.warning));

    // Once it runs, that line finds it.
    QVERIFY(m_fake->start(m_bus->address()));
    QVERIFY(m_fake->command(QStringLiteral("add|Mobile|gsm|ppp0")));
    QTRY_COMPARE(setup.network->entries(), QStringList{QStringLiteral("Mobile")});
}

void TestNetworkManagerLine::countersOfTheConnectionsInterface()
{
    QTemporaryDir sysfs;
    QVERIFY(QDir().mkpath(sysfs.filePath(QStringLiteral("ppp0/statistics"))));
    auto write = [&](const QString &name, const QByteArray &text) {
        QFile f(sysfs.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(QStringLiteral("ppp0/statistics/rx_bytes"), "123456\n");
    write(QStringLiteral("ppp0/statistics/tx_bytes"), "7890\n");

    QVERIFY(startAll({QStringLiteral("add|Mobile|gsm|ppp0")}));
    m_line->setSysfsNetRoot(sysfs.path());
    QVERIFY(m_fake->command(QStringLiteral("activate|Mobile")));
    QTRY_COMPARE(m_line->connections().value(0).interfaceName, QStringLiteral("ppp0"));
    const std::optional<LinkCounters> counters = m_line->linkCounters(m_line->connections().value(0).interfaceName);
    QVERIFY(counters);
    QCOMPARE(counters->receivedBytes, qint64(123456));
    QCOMPARE(counters->transmittedBytes, qint64(7890));
    QVERIFY(!m_line->linkCounters(QStringLiteral("ppp1")));
    QVERIFY(!m_line->linkCounters(QStringLiteral("../ppp0")));
}

TALLYLINE_ENGINE_TEST_MAIN(TestNetworkManagerLine)

#include "TestNetworkManagerLine.moc"

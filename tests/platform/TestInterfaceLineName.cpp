#include "core/Clock.h"
#include "platform/SysfsLinkCounters.h"
#include "platform/InterfaceDialUpNetwork.h"
#include "platform/LineSetup.h"
#include "session/DialUpLine.h"
#include "support/TestMain.h"

#include <QDir>
#include <QTemporaryDir>

// What --line interface:NAME accepts, and the counters read for any link.
class TestInterfaceLineName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineKinds_data();
    void lineKinds();
    void countersOfATree_data();
    void countersOfATree();
};

void TestInterfaceLineName::lineKinds_data()
{
    QTest::addColumn<QString>("lineKind");
    QTest::addColumn<QString>("interfaceName");   // of the line made; empty when none is
    QTest::addColumn<QString>("message");         // a part of the message when refused

    QTest::newRow("modem") << "interface:wwan0" << "wwan0" << "";
    QTest::newRow("ppp link of another dialer") << "interface:ppp0" << "ppp0" << "";
    QTest::newRow("fifteen characters") << "interface:enx0123456789ab" << "enx0123456789ab" << "";
    QTest::newRow("dots and dashes") << "interface:br-lan.10" << "br-lan.10" << "";
    QTest::newRow("no name") << "interface:" << "" << "needs the name of a network interface";
    QTest::newRow("sixteen characters") << "interface:enx0123456789abc" << "" << "at most 15 characters";
    // The kernel counts bytes: eight two-byte characters are too many.
    QTest::newRow("sixteen bytes") << QStringLiteral("interface:\u00e4\u00e4\u00e4\u00e4\u00e4\u00e4\u00e4\u00e4")
                                   << "" << "at most 15 characters";
    QTest::newRow("path") << "interface:../eth0" << "" << "may not contain '/'";
    QTest::newRow("slash") << "interface:usb/0" << "" << "may not contain '/'";
    QTest::newRow("alias") << "interface:eth0:1" << "" << "may not contain '/', ':'";
    QTest::newRow("space") << "interface:wwan 0" << "" << "spaces";
    QTest::newRow("leading space") << "interface: wwan0" << "" << "spaces";
    QTest::newRow("tab") << "interface:wwan0\t" << "" << "spaces";
    QTest::newRow("newline") << "interface:wwan0\n" << "" << "spaces";
    QTest::newRow("control character") << QStringLiteral("interface:wwan\u00010") << "" << "control characters";
    QTest::newRow("dot") << "interface:." << "" << "is not a network interface name";
    QTest::newRow("dot dot") << "interface:.." << "" << "is not a network interface name";
    QTest::newRow("other case") << "Interface:wwan0" << "" << "Unknown line \"Interface:wwan0\"";
    QTest::newRow("without colon") << "interface" << "" << "--line interface:NAME";
    QTest::newRow("unknown kind") << "modem" << ""
                                  << "use --line pppd, --line networkmanager, --line simulated or --line interface:NAME";
}

void TestInterfaceLineName::lineKinds()
{
    QFETCH(QString, lineKind);
    QFETCH(QString, interfaceName);
    QFETCH(QString, message);

    QCOMPARE(DialUpLine::isKnownLineKind(lineKind), !interfaceName.isEmpty());
    FakeClock clock;
    QTemporaryDir dir;
    const LineSetup setup = createDialUpNetwork(lineKind, dir.path(), clock);
    if (interfaceName.isEmpty()) {
        QVERIFY(!setup.network);
        QCOMPARE(setup.error, UnknownLineMessage(lineKind));
        QVERIFY2(setup.error.contains(message), qPrintable(setup.error));
        return;
    }
    QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));
    QVERIFY(!setup.control);
    const auto *line = qobject_cast<InterfaceDialUpNetwork *>(setup.network.get());
    QVERIFY(line);
    QCOMPARE(line->interfaceName(), interfaceName);
    QCOMPARE(setup.network->entries(), QStringList{interfaceName});
}

void TestInterfaceLineName::countersOfATree_data()
{
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("rx");      // file contents; "-" for no file
    QTest::addColumn<QString>("tx");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<bool>("read");
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("transmitted");
    QTest::addColumn<qint64>("bitsPerSecond");

    QTest::newRow("counters and speed") << "wwan0" << "1234\n" << "99\n" << "100\n" << true << qint64(1234) << qint64(99)
                                        << qint64(100000000);
    QTest::newRow("past 32 bits") << "wwan0" << "8589934592\n" << "0\n" << "-" << true << qint64(8589934592LL)
                                  << qint64(0) << qint64(0);
    // A link without a speed says -1 (or refuses to be read).
    QTest::newRow("unknown speed") << "usb0" << "5\n" << "6\n" << "-1\n" << true << qint64(5) << qint64(6) << qint64(0);
    QTest::newRow("no transmit counter") << "wwan0" << "5\n" << "-" << "-" << false << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("garbled counter") << "wwan0" << "5x\n" << "6\n" << "-" << false << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("name leaving the tree") << "../wwan0" << "5\n" << "6\n" << "-" << false << qint64(0) << qint64(0)
                                           << qint64(0);
    QTest::newRow("no name") << "" << "5\n" << "6\n" << "-" << false << qint64(0) << qint64(0) << qint64(0);
}

void TestInterfaceLineName::countersOfATree()
{
    QFETCH(QString, interfaceName);
    QFETCH(QString, rx);
    QFETCH(QString, tx);
    QFETCH(QString, speed);
    QFETCH(bool, read);
    QFETCH(qint64, received);
    QFETCH(qint64, transmitted);
    QFETCH(qint64, bitsPerSecond);

    // The files are put where the name points, so that a name that leaves
    // the tree would find them if it were followed.
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("net"));
    const QString link = QDir::cleanPath(root + QLatin1Char('/') + interfaceName);
    QVERIFY(QDir().mkpath(link + QStringLiteral("/statistics")));
    auto put = [](const QString &path, const QString &text) {
        if (text == QLatin1String("-"))
            return;
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toLatin1());
    };
    put(link + QStringLiteral("/statistics/rx_bytes"), rx);
    put(link + QStringLiteral("/statistics/tx_bytes"), tx);
    put(link + QStringLiteral("/speed"), speed);

    const std::optional<LinkCounters> counters = ReadSysfsLinkCounters(root, interfaceName);
    QCOMPARE(counters.has_value(), read);
    InterfaceDialUpNetwork::Options options;
    options.sysfsNetRoot = root;
    options.linkNotifications = false;
    InterfaceDialUpNetwork line(QStringLiteral("wwan0"), options);
    QCOMPARE(line.linkCounters(interfaceName).has_value(), read);
    if (!read)
        return;
    QCOMPARE(counters->receivedBytes, received);
    QCOMPARE(counters->transmittedBytes, transmitted);
    QCOMPARE(counters->speed, bitsPerSecond);
}

TALLYLINE_ENGINE_TEST_MAIN(TestInterfaceLineName)
#include "TestInterfaceLineName.moc"

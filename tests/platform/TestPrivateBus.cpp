// The private bus the D-Bus tests stand on: it must really carry calls
// between two connections, and leave nothing running behind it.

#include "support/PrivateBus.h"
#include "support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QtTest>


class TestPrivateBus : public QObject
{
    Q_OBJECT

private slots:
    void carriesNameOwnershipBetweenConnections();
    void busesOfOneProcessAreSeparate();
    void stopEndsTheDaemonAndTheConnections();
};

void TestPrivateBus::carriesNameOwnershipBetweenConnections()
{
    testsupport::PrivateBus bus;
    QString why;
    if (!bus.start(&why))
        QSKIP(qPrintable(why));
    QVERIFY(bus.address().startsWith(QStringLiteral("unix:")));

    QDBusConnection server = bus.connection(QStringLiteral("server"));
    QDBusConnection client = bus.connection(QStringLiteral("client"));
    QVERIFY2(server.isConnected(), qPrintable(server.lastError().message()));
    QVERIFY(client.isConnected());
    QVERIFY(server.baseService() != client.baseService());

    const QString name = QStringLiteral("org.example.PrivateBusTest");
    QVERIFY(server.registerService(name));
    QDBusReply<bool> registered = client.interface()->isServiceRegistered(name);
    QVERIFY(registered.isValid());
    QVERIFY(registered.value());
    QDBusReply<QString> owner = client.interface()->serviceOwner(name);
    QCOMPARE(owner.value(), server.baseService());

    // The same name gives the same connection.
    QCOMPARE(bus.connection(QStringLiteral("server")).baseService(), server.baseService());
}

void TestPrivateBus::busesOfOneProcessAreSeparate()
{
    testsupport::PrivateBus first;
    testsupport::PrivateBus second;
    QString why;
    if (!first.start(&why) || !second.start(&why))
        QSKIP(qPrintable(why));
    QVERIFY(first.address() != second.address());

    const QString name = QStringLiteral("org.example.OnlyOnFirst");
    QVERIFY(first.connection(QStringLiteral("same")).registerService(name));
    QDBusReply<bool> onSecond = second.connection(QStringLiteral("same")).interface()->isServiceRegistered(name);
    QVERIFY(onSecond.isValid());
    QVERIFY(!onSecond.value());
}

void TestPrivateBus::stopEndsTheDaemonAndTheConnections()
{
    QString address;
    {
        testsupport::PrivateBus bus;
        QString why;
        if (!bus.start(&why))
            QSKIP(qPrintable(why));
        address = bus.address();
        QVERIFY(bus.connection().isConnected());
    }
    // Nothing listens at the address any more.
    QDBusConnection late = QDBusConnection::connectToBus(address, QStringLiteral("late"));
    QVERIFY(!late.isConnected());
    QDBusConnection::disconnectFromBus(QStringLiteral("late"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestPrivateBus)

#include "TestPrivateBus.moc"

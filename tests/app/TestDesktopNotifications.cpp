#include "alarms/AlarmChecking.h"
#include "platform/FreedesktopNotifier.h"
#include "support/PrivateBus.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QDBusConnection>
#include <QSignalSpy>

// Desktop notices as the notification service on the bus receives them:
// from the notifier itself, and from the running program when its line
// drops or an alarm goes off.
class TestDesktopNotifications : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void callAsTheServiceSeesIt_data();
    void callAsTheServiceSeesIt();
    void noServiceOnTheBus();
    void programSendsAlarmAndDropNotices();

private:
    // A bus of each test's own; a test without dbus-daemon is skipped.
    std::unique_ptr<testsupport::PrivateBus> m_bus;
};

namespace {

using testsupport::PrivateBus;
using testsupport::RunningProgram;

// A notification server that keeps what it was sent.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };

    bool registerOn(QDBusConnection bus)
    {
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots)
            && bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    QList<Call> calls;

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        calls.append(Call{appName, replacesId, icon, summary, body, actions, hints, timeout});
        return uint(calls.size());
    }

    QStringList summaries() const
    {
        QStringList result;
        for (const Call &c : calls)
            result.append(c.summary);
        return result;
    }
};

} // namespace

void TestDesktopNotifications::init()
{
    m_bus = std::make_unique<PrivateBus>();
    QString why;
    if (!m_bus->start(&why))
        QSKIP(qPrintable(why));
}

void TestDesktopNotifications::cleanup()
{
    m_bus.reset();
}

void TestDesktopNotifications::callAsTheServiceSeesIt_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("urgency");
    QTest::addColumn<QString>("bodySent");
    QTest::addColumn<int>("levelSent");
    QTest::newRow("normal") << QStringLiteral("The connection to My ISP has dropped.") << 0
                            << QStringLiteral("The connection to My ISP has dropped.") << 1;
    QTest::newRow("critical") << QStringLiteral("Session cost alarm") << 1 << QStringLiteral("Session cost alarm") << 2;
    // Servers read the body as markup: a user's own text keeps its signs.
    QTest::newRow("markup signs") << QStringLiteral("Cost <b>over</b> 5 & \"more\"") << 0
                                  << QStringLiteral("Cost &lt;b&gt;over&lt;/b&gt; 5 &amp; \"more\"") << 1;
}

void TestDesktopNotifications::callAsTheServiceSeesIt()
{
    QFETCH(QString, body);
    QFETCH(int, urgency);
    QFETCH(QString, bodySent);
    QFETCH(int, levelSent);
    FakeNotificationServer server;
    QVERIFY(server.registerOn(m_bus->connection(QStringLiteral("server"))));

    FreedesktopNotifier notifier(m_bus->connection(QStringLiteral("program")));
    QSignalSpy answered(&notifier, &FreedesktopNotifier::answered);
    notifier.notify(QStringLiteral("Tallyline alarm"), body,
                    urgency ? DesktopNotifier::Urgency::Critical : DesktopNotifier::Urgency::Normal);
    QTRY_COMPARE(answered.count(), 1);
    QCOMPARE(answered.first().first().toUInt(), 1u);
    QCOMPARE(notifier.pending(), 0);

    QCOMPARE(server.calls.size(), 1);
    const FakeNotificationServer::Call &c = server.calls.first();
    QCOMPARE(c.appName, QStringLiteral("Tallyline"));
    QCOMPARE(c.replacesId, 0u);
    QCOMPARE(c.icon, QStringLiteral("tallyline"));
    QCOMPARE(c.summary, QStringLiteral("Tallyline alarm"));
    QCOMPARE(c.body, bodySent);
    QVERIFY(c.actions.isEmpty());
    QCOMPARE(c.hints.value(QStringLiteral("urgency")).toInt(), levelSent);
    QCOMPARE(c.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("org.example.Tallyline"));
    QCOMPARE(c.timeout, -1);
}

void TestDesktopNotifications::noServiceOnTheBus()
{
    FreedesktopNotifier notifier(m_bus->connection(QStringLiteral("program")));
    QSignalSpy answered(&notifier, &FreedesktopNotifier::answered);
    // Said once in the log, not once per notice.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Tallyline: no desktop notification")));
    notifier.notify(QStringLiteral("Connection dropped"), QStringLiteral("a"), DesktopNotifier::Urgency::Normal);
    notifier.notify(QStringLiteral("Connection dropped"), QStringLiteral("b"), DesktopNotifier::Urgency::Normal);
    QTRY_COMPARE(answered.count(), 2);
    QCOMPARE(answered.at(0).first().toUInt(), 0u);
    QCOMPARE(answered.at(1).first().toUInt(), 0u);
    QCOMPARE(notifier.pending(), 0);
}

void TestDesktopNotifications::programSendsAlarmAndDropNotices()
{
    FakeNotificationServer server;
    QVERIFY(server.registerOn(m_bus->connection(QStringLiteral("server"))));

    RunningProgram p;
    p.store().WriteStoreBool(QStringLiteral("DesktopNotifications"), QStringLiteral("Settings"), true);
    // A warning at the first tick (the modem correction alone costs more).
    p.addAlarm(SessionCostAlarm, QStringLiteral("0.01"), false);
    p.environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->address());
    QVERIFY(p.start());

    QCOMPARE(p.request({QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.boxes().size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(server.calls.size(), 1, 10000);
    QCOMPARE(server.calls[0].summary, QStringLiteral("Tallyline alarm"));
    QCOMPARE(server.calls[0].body, p.boxes().value(0));
    QCOMPARE(server.calls[0].hints.value(QStringLiteral("urgency")).toInt(), 2);

    // The line drops under the box.
    QCOMPARE(p.request({QStringLiteral("drop")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server.calls.size(), 2, 10000);
    QCOMPARE(server.calls[1].summary, QStringLiteral("Connection dropped"));
    QCOMPARE(server.calls[1].body, QStringLiteral("The connection to My ISP has dropped."));
    QCOMPARE(server.calls[1].appName, QStringLiteral("Tallyline"));
    QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"), 5000);
    QCOMPARE(p.request({QStringLiteral("answer"), QStringLiteral("ok")}), 0);
    QVERIFY(p.stop());
    QCOMPARE(server.summaries(), (QStringList{QStringLiteral("Tallyline alarm"), QStringLiteral("Connection dropped")}));
}

TALLYLINE_ENGINE_TEST_MAIN(TestDesktopNotifications)
#include "TestDesktopNotifications.moc"

// A stand-in for NetworkManager on a private bus, for the line tests: the
// saved connections, activation and deactivation, the active connections and
// their devices, with the objects, properties and signals the real service
// has for them, and nothing else.
//
// Usage: tallyline_fake_networkmanager BUS_ADDRESS
// Prints "ready" once it owns org.freedesktop.NetworkManager. Then reads
// commands on stdin, one a line, fields separated by "|", and answers each
// with "ok" (or "error TEXT") once it has been applied:
//   add|ID|TYPE|IP_INTERFACE          a saved connection (NewConnection)
//   remove|ID                         deleted (ConnectionRemoved)
//   rename|ID|NEW_ID                  edited (Updated)
//   refuse|ID|ERROR_NAME|MESSAGE      the next activation of ID is refused with that D-Bus error
//   fail|ID|REASON                    the next activation of ID fails after it started
//   hold|ID                           activations of ID stop before they are complete
//   activate|ID                       activated by someone else (as nmcli would)
//   drop|ID|REASON                    the active connection of ID ends (lost signal: 3)
//   refuse-deactivate|ERROR_NAME|MESSAGE   the next DeactivateConnection fails
// Each method call it answers is also printed: "called METHOD ID".

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMap>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString SavedInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

using SettingsMap = QMap<QString, QVariantMap>;

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QList<QDBusObjectPath> pathList(const QStringList &paths)
{
    QList<QDBusObjectPath> list;
    for (const QString &p : paths)
        list.append(QDBusObjectPath(p));
    return list;
}

class FakeNetworkManager : public QDBusVirtualObject
{
public:
    explicit FakeNetworkManager(QDBusConnection bus) : m_bus(bus) {}

    QString introspect(const QString &) const override { return QString(); }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString path = message.path();
        const QString iface = message.interface();
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (iface == PropertiesInterface && member == QLatin1String("GetAll") && args.size() == 1) {
            bool known = false;
            const QVariantMap props = properties(path, args[0].toString(), &known);
            answer(message, known ? message.createReply(QVariant(props)) : unknownObject(message));
            // A real activation takes far longer than a look at it: it goes
            // on once someone has looked.
            if (m_activations.contains(path))
                QTimer::singleShot(0, qApp, m_activations.take(path));
            return true;
        }
        if (iface == PropertiesInterface && member == QLatin1String("Get") && args.size() == 2) {
            bool known = false;
            const QVariantMap props = properties(path, args[0].toString(), &known);
            if (!known || !props.contains(args[1].toString()))
                return answer(message, unknownObject(message));
            return answer(message,
                          message.createReply(QVariant::fromValue(QDBusVariant(props.value(args[1].toString())))));
        }
        if (path == SettingsPath && iface == SettingsInterface && member == QLatin1String("ListConnections")) {
            say(QStringLiteral("called ListConnections"));
            return answer(message, message.createReply(QVariant::fromValue(pathList(m_saved.keys()))));
        }
        if (iface == SavedInterface && member == QLatin1String("GetSettings")) {
            if (!m_saved.contains(path))
                return answer(message, unknownObject(message));
            const Saved &s = m_saved[path];
            say(QStringLiteral("called GetSettings ") + s.id);
            SettingsMap settings;
            settings.insert(QStringLiteral("connection"), {{QStringLiteral("id"), s.id},
                                                           {QStringLiteral("type"), s.type},
                                                           {QStringLiteral("uuid"), s.uuid}});
            return answer(message, message.createReply(QVariant::fromValue(settings)));
        }
        if (path == ManagerPath && iface == ManagerInterface && member == QLatin1String("ActivateConnection")
            && args.size() == 3)
            return activateCall(message, qdbus_cast<QDBusObjectPath>(args[0]).path());
        if (path == ManagerPath && iface == ManagerInterface && member == QLatin1String("DeactivateConnection")
            && args.size() == 1)
            return deactivateCall(message, qdbus_cast<QDBusObjectPath>(args[0]).path());
        return answer(message, message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                                        QStringLiteral("No such method %1.%2 at %3")
                                                            .arg(iface, member, path)));
    }

    QString command(const QStringList &f)
    {
        const QString verb = f.value(0);
        if (verb == QLatin1String("add") && f.size() == 4) {
            const QString path = SettingsPath + QStringLiteral("/%1").arg(++m_counter);
            m_saved.insert(path, Saved{f[1], f[2], QStringLiteral("uuid-%1").arg(m_counter), f[3]});
            emitSignal(SettingsPath, SettingsInterface, QStringLiteral("NewConnection"),
                       {QVariant::fromValue(QDBusObjectPath(path))});
            return QString();
        }
        const QString saved = savedPath(f.value(1));
        if (verb == QLatin1String("remove") && f.size() == 2 && !saved.isEmpty()) {
            m_saved.remove(saved);
            emitSignal(saved, SavedInterface, QStringLiteral("Removed"), {});
            emitSignal(SettingsPath, SettingsInterface, QStringLiteral("ConnectionRemoved"),
                       {QVariant::fromValue(QDBusObjectPath(saved))});
            return QString();
        }
        if (verb == QLatin1String("rename") && f.size() == 3 && !saved.isEmpty()) {
            m_saved[saved].id = f[2];
            emitSignal(saved, SavedInterface, QStringLiteral("Updated"), {});
            return QString();
        }
        if (verb == QLatin1String("refuse") && f.size() == 4 && !saved.isEmpty()) {
            m_refusals.insert(saved, {f[2], f[3]});
            return QString();
        }
        if (verb == QLatin1String("fail") && f.size() == 3 && !saved.isEmpty()) {
            m_failures.insert(saved, f[2].toUInt());
            return QString();
        }
        if (verb == QLatin1String("hold") && f.size() == 2 && !saved.isEmpty()) {
            m_held.insert(saved, true);
            return QString();
        }
        if (verb == QLatin1String("activate") && f.size() == 2 && !saved.isEmpty()) {
            activate(saved);
            return QString();
        }
        if (verb == QLatin1String("drop") && f.size() == 3) {
            const QString active = activePathOf(f[1]);
            if (active.isEmpty())
                return QStringLiteral("no active connection ") + f[1];
            deactivated(active, f[2].toUInt());
            return QString();
        }
        if (verb == QLatin1String("refuse-deactivate") && f.size() == 3) {
            m_deactivateRefusal = {f[1], f[2]};
            return QString();
        }
        return QStringLiteral("cannot do: ") + f.join(QLatin1Char('|'));
    }

private:
    struct Saved {
        QString id;
        QString type;
        QString uuid;
        QString ipInterface;
    };
    struct Active {
        QString connection;
        QString device;
        uint state = 1;
    };
    struct Device {
        QString interfaceName;
        QString ipInterface;
        uint state = 30;
    };

    bool answer(const QDBusMessage &, const QDBusMessage &reply)
    {
        m_bus.send(reply);
        return true;
    }

    static QDBusMessage unknownObject(const QDBusMessage &message)
    {
        return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                                        QStringLiteral("No such object %1").arg(message.path()));
    }

    void emitSignal(const QString &path, const QString &iface, const QString &name, const QVariantList &args)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, iface, name);
        signal.setArguments(args);
        m_bus.send(signal);
    }

    void propertiesChanged(const QString &path, const QString &iface, const QVariantMap &changed)
    {
        emitSignal(path, PropertiesInterface, QStringLiteral("PropertiesChanged"),
                   {iface, changed, QStringList()});
    }

    QVariantMap properties(const QString &path, const QString &iface, bool *known) const
    {
        *known = true;
        if (path == ManagerPath && iface == ManagerInterface)
            return {{QStringLiteral("ActiveConnections"), QVariant::fromValue(pathList(m_active.keys()))}};
        if (iface == ActiveInterface && m_active.contains(path)) {
            const Active &a = m_active[path];
            const Saved s = m_saved.value(a.connection);
            return {{QStringLiteral("Connection"), QVariant::fromValue(QDBusObjectPath(a.connection))},
                    {QStringLiteral("Id"), s.id},
                    {QStringLiteral("Uuid"), s.uuid},
                    {QStringLiteral("Type"), s.type},
                    {QStringLiteral("State"), a.state},
                    {QStringLiteral("Devices"), QVariant::fromValue(pathList({a.device}))}};
        }
        if (iface == DeviceInterface && m_devices.contains(path)) {
            const Device &d = m_devices[path];
            return {{QStringLiteral("Interface"), d.interfaceName},
                    {QStringLiteral("IpInterface"), d.ipInterface},
                    {QStringLiteral("State"), d.state}};
        }
        *known = false;
        return {};
    }

    QString savedPath(const QString &id) const
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
            if (it->id == id)
                return it.key();
        return QString();
    }

    QString activePathOf(const QString &id) const
    {
        const QString saved = savedPath(id);
        for (auto it = m_active.cbegin(); it != m_active.cend(); ++it)
            if (it->connection == saved)
                return it.key();
        return QString();
    }

    bool activateCall(const QDBusMessage &message, const QString &connection)
    {
        say(QStringLiteral("called ActivateConnection ") + m_saved.value(connection).id);
        if (!m_saved.contains(connection))
            return answer(message, message.createErrorReply(
                                       QStringLiteral("org.freedesktop.NetworkManager.UnknownConnection"),
                                       QStringLiteral("Connection '%1' is not available").arg(connection)));
        if (m_refusals.contains(connection)) {
            const auto refusal = m_refusals.take(connection);
            return answer(message, message.createErrorReply(refusal.first, refusal.second));
        }
        const QString active = activate(connection);
        return answer(message, message.createReply(QVariant::fromValue(QDBusObjectPath(active))));
    }

    bool deactivateCall(const QDBusMessage &message, const QString &active)
    {
        say(QStringLiteral("called DeactivateConnection ")
            + m_saved.value(m_active.value(active).connection).id);
        if (!m_deactivateRefusal.first.isEmpty()) {
            const auto refusal = m_deactivateRefusal;
            m_deactivateRefusal = {};
            return answer(message, message.createErrorReply(refusal.first, refusal.second));
        }
        if (!m_active.contains(active))
            return answer(message, message.createErrorReply(
                                       QStringLiteral("org.freedesktop.NetworkManager.ConnectionNotActive"),
                                       QStringLiteral("The connection was not active.")));
        answer(message, message.createReply());
        QTimer::singleShot(0, qApp, [this, active] {
            if (!m_active.contains(active))
                return;
            m_active[active].state = 3;
            emitSignal(active, ActiveInterface, QStringLiteral("StateChanged"), {3u, 2u});
            deactivated(active, 2);   // user disconnected
        });
        return true;
    }

    // Starts an activation: the active connection and its device now, then
    // the device's states one after the other once the active connection has
    // been looked at (GetAll), as a real activation reaches them later.
    QString activate(const QString &connection)
    {
        const int n = ++m_counter;
        const QString active = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/%1").arg(n);
        const QString device = QStringLiteral("/org/freedesktop/NetworkManager/Devices/%1").arg(n);
        const Saved s = m_saved.value(connection);
        m_devices.insert(device, Device{QStringLiteral("dev%1").arg(n), QString(), 30});
        m_active.insert(active, Active{connection, device, 1});
        QTimer::singleShot(0, qApp, [this, active] {
            propertiesChanged(ManagerPath, ManagerInterface,
                              {{QStringLiteral("ActiveConnections"), QVariant::fromValue(pathList(m_active.keys()))}});
            emitSignal(active, ActiveInterface, QStringLiteral("StateChanged"), {1u, 0u});
        });
        m_activations.insert(active, [this, active, device, connection, s] {
            if (!m_active.contains(active))
                return;
            for (uint deviceState : {40u, 50u, 70u}) {
                if (!m_devices.contains(device))
                    return;
                Device &d = m_devices[device];
                const uint old = d.state;
                d.state = deviceState;
                if (deviceState == 70u) {
                    d.ipInterface = s.ipInterface;
                    propertiesChanged(device, DeviceInterface, {{QStringLiteral("IpInterface"), d.ipInterface}});
                }
                emitSignal(device, DeviceInterface, QStringLiteral("StateChanged"), {deviceState, old, 0u});
            }
            if (m_held.value(connection))
                return;
            if (m_failures.contains(connection)) {
                deactivated(active, m_failures.take(connection));
                return;
            }
            m_devices[device].state = 100;
            emitSignal(device, DeviceInterface, QStringLiteral("StateChanged"), {100u, 70u, 0u});
            m_active[active].state = 2;
            propertiesChanged(active, ActiveInterface, {{QStringLiteral("State"), 2u}});
            emitSignal(active, ActiveInterface, QStringLiteral("StateChanged"), {2u, 1u});
        });
        return active;
    }

    void deactivated(const QString &active, uint reason)
    {
        if (!m_active.contains(active))
            return;
        const QString device = m_active[active].device;
        m_active.remove(active);
        m_activations.remove(active);
        // The property is told first: its change carries no reason.
        propertiesChanged(active, ActiveInterface, {{QStringLiteral("State"), 4u}});
        emitSignal(active, ActiveInterface, QStringLiteral("StateChanged"), {4u, reason});
        m_devices.remove(device);
        propertiesChanged(ManagerPath, ManagerInterface,
                          {{QStringLiteral("ActiveConnections"), QVariant::fromValue(pathList(m_active.keys()))}});
    }

    QDBusConnection m_bus;
    int m_counter = 0;
    QMap<QString, Saved> m_saved;
    QMap<QString, Active> m_active;
    QMap<QString, Device> m_devices;
    QMap<QString, QPair<QString, QString>> m_refusals;
    QMap<QString, uint> m_failures;
    QMap<QString, bool> m_held;
    QPair<QString, QString> m_deactivateRefusal;
    // The rest of each activation, run once its active connection is looked at.
    QMap<QString, std::function<void()>> m_activations;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: tallyline_fake_networkmanager BUS_ADDRESS\n");
        return 2;
    }
    qDBusRegisterMetaType<SettingsMap>();
    QDBusConnection bus = QDBusConnection::connectToBus(app.arguments().at(1), QStringLiteral("fake"));
    if (!bus.isConnected()) {
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(app.arguments().at(1)));
        return 1;
    }
    FakeNetworkManager manager(bus);
    if (!bus.registerVirtualObject(ManagerPath, &manager, QDBusConnection::SubPath)) {
        std::fprintf(stderr, "cannot register the objects\n");
        return 1;
    }
    if (!bus.registerService(Service)) {
        std::fprintf(stderr, "cannot own %s\n", qPrintable(Service));
        return 1;
    }

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();   // the test is gone
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            const QString error = manager.command(line.split(QLatin1Char('|')));
            say(error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error ") + error);
        }
    });
    say(QStringLiteral("ready"));
    return app.exec();
}

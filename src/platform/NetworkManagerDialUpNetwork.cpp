#include "platform/NetworkManagerDialUpNetwork.h"

#include "platform/SysfsLinkCounters.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>

const QString NetworkManagerDialUpNetwork::ServiceName = QStringLiteral("org.freedesktop.NetworkManager");

namespace {

const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString SavedInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// NMActiveConnectionState
constexpr uint ActiveActivated = 2;
constexpr uint ActiveDeactivating = 3;
constexpr uint ActiveDeactivated = 4;
// NMActiveConnectionStateReason
constexpr uint ReasonUnknown = 0;
constexpr uint ReasonUserDisconnected = 2;

// Activation waits on polkit, which may ask the user for a password.
constexpr int RequestTimeoutMs = 120000;

// Values of type "o", "ao" and "a{sa{sv}}" arrive either demarshalled or as
// a QDBusArgument, depending on where in a message they sat.
QVariant unwrap(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return value.value<QDBusVariant>().variant();
    return value;
}

QString objectPathOf(const QVariant &wrapped)
{
    const QVariant value = unwrap(wrapped);
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

QStringList objectPathsOf(const QVariant &wrapped)
{
    const QVariant value = unwrap(wrapped);
    QList<QDBusObjectPath> paths;
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        paths = qdbus_cast<QList<QDBusObjectPath>>(value.value<QDBusArgument>());
    else
        paths = value.value<QList<QDBusObjectPath>>();
    QStringList result;
    for (const QDBusObjectPath &p : std::as_const(paths))
        if (p.path() != QLatin1String("/"))
            result.append(p.path());
    return result;
}

QVariantMap propertyMapOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

using SettingsMap = QMap<QString, QVariantMap>;

SettingsMap settingsOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return qdbus_cast<SettingsMap>(value.value<QDBusArgument>());
    return value.value<SettingsMap>();
}

// The dial states of the device while NetworkManager activates a connection
// on it (NMDeviceState), as the dial-up states they correspond to.
int rasStateOfDevice(uint deviceState)
{
    if (deviceState < 40)
        return RasState::OpenPort;
    if (deviceState < 50)   // prepare
        return RasState::PortOpened;
    if (deviceState < 60)   // config: the modem or PPPoE link is being brought up
        return RasState::ConnectDevice;
    if (deviceState < 70)   // need auth
        return RasState::Authenticate;
    if (deviceState < 80)   // ip config: the link is up and authenticated
        return RasState::Authenticated;
    return 18;              // ip check, secondaries: "Projected"
}

} // namespace

NetworkManagerDialUpNetwork::NetworkManagerDialUpNetwork(const QDBusConnection &bus, QObject *parent)
    : DialUpNetwork(parent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(ServiceName, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty())
                    disappear();
                if (!newOwner.isEmpty())
                    appear();
            });

    // Signals of any object of NetworkManager's; Qt follows the name to
    // whichever process owns it.
    m_bus.connect(ServiceName, SettingsPath, SettingsInterface, QStringLiteral("NewConnection"), this,
                  SLOT(onNewConnection(QDBusObjectPath)));
    m_bus.connect(ServiceName, SettingsPath, SettingsInterface, QStringLiteral("ConnectionRemoved"), this,
                  SLOT(onConnectionRemoved(QDBusObjectPath)));
    m_bus.connect(ServiceName, QString(), SavedInterface, QStringLiteral("Updated"), this,
                  SLOT(onConnectionUpdated(QDBusMessage)));
    m_bus.connect(ServiceName, QString(), ActiveInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onActiveStateChanged(uint, uint, QDBusMessage)));
    m_bus.connect(ServiceName, QString(), DeviceInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onDeviceStateChanged(uint, uint, uint, QDBusMessage)));
    m_bus.connect(ServiceName, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));

    // A question to the bus itself, answered at once, so that the program
    // can say at start that the line is not there.
    const QDBusReply<bool> registered = m_bus.interface()->isServiceRegistered(ServiceName);
    if (registered.isValid() && registered.value())
        appear();
}

NetworkManagerDialUpNetwork::~NetworkManagerDialUpNetwork() = default;

bool NetworkManagerDialUpNetwork::isLineType(const QString &connectionType)
{
    static const QStringList types{QStringLiteral("gsm"), QStringLiteral("cdma"), QStringLiteral("pppoe"),
                                   QStringLiteral("vpn"), QStringLiteral("wireguard")};
    return types.contains(connectionType);
}

QString NetworkManagerDialUpNetwork::unavailableReason() const
{
    if (!m_bus.isConnected()) {
        const QString why = m_bus.lastError().message();
        return QStringLiteral("NetworkManager cannot be reached: there is no connection to the system bus%1.")
            .arg(why.isEmpty() ? QString() : QStringLiteral(" (") + why + QLatin1Char(')'));
    }
    if (!m_present)
        return QStringLiteral("NetworkManager is not running; the line stays offline until it starts.");
    return QString();
}

template <typename Handler>
void NetworkManagerDialUpNetwork::whenAnswered(const QDBusPendingCall &call, Handler handler)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    const int generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, handler = std::move(handler)](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                // An answer from a NetworkManager that has since left the bus.
                if (generation != m_generation)
                    return;
                handler(w->reply());
            });
}

QDBusPendingCall NetworkManagerDialUpNetwork::callAsync(const QString &path, const QString &interfaceName,
                                                        const QString &method, const QVariantList &arguments,
                                                        int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(ServiceName, path, interfaceName, method);
    message.setArguments(arguments);
    return m_bus.asyncCall(message, timeoutMs);
}

void NetworkManagerDialUpNetwork::appear()
{
    if (m_present)
        return;
    m_present = true;
    ++m_generation;
    whenAnswered(callAsync(SettingsPath, SettingsInterface, QStringLiteral("ListConnections")),
                 [this](const QDBusMessage &reply) {
                     if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                         qWarning("NetworkManager did not list its connections: %s", qPrintable(reply.errorMessage()));
                         return;
                     }
                     for (const QString &path : objectPathsOf(reply.arguments().constFirst()))
                         loadSavedConnection(path);
                 });
    whenAnswered(callAsync(ManagerPath, PropertiesInterface, QStringLiteral("Get"),
                           {ManagerInterface, QStringLiteral("ActiveConnections")}),
                 [this](const QDBusMessage &reply) {
                     if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                         setActiveList(objectPathsOf(reply.arguments().constFirst()));
                 });
}

void NetworkManagerDialUpNetwork::disappear()
{
    if (!m_present)
        return;
    m_present = false;
    ++m_generation;
    // Calls in progress end with the line.
    QList<qint64> unfinished = m_pending.keys();
    for (const Active &a : std::as_const(m_active))
        if (a.dialledHere && !a.progressEnded)
            unfinished.append(a.handle);
    m_pending.clear();
    m_active.clear();
    const bool hadEntries = !entries().isEmpty();
    m_saved.clear();
    qWarning("NetworkManager left the bus; the line is offline until it is back.");
    for (qint64 handle : std::as_const(unfinished))
        report(handle, RasState::Disconnected, NotRunningError);
    if (hadEntries)
        Q_EMIT entriesChanged();
}

void NetworkManagerDialUpNetwork::loadSavedConnection(const QString &path)
{
    whenAnswered(callAsync(path, SavedInterface, QStringLiteral("GetSettings")), [this, path](const QDBusMessage &reply) {
        const QStringList before = entries();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            // Gone again, or not ours to read.
            m_saved.remove(path);
        } else {
            const QVariantMap connection = settingsOf(reply.arguments().constFirst()).value(QStringLiteral("connection"));
            m_saved[path] = Saved{connection.value(QStringLiteral("id")).toString(),
                                  connection.value(QStringLiteral("type")).toString()};
        }
        if (entries() != before)
            Q_EMIT entriesChanged();
    });
}

void NetworkManagerDialUpNetwork::onNewConnection(const QDBusObjectPath &path)
{
    if (m_present)
        loadSavedConnection(path.path());
}

void NetworkManagerDialUpNetwork::onConnectionRemoved(const QDBusObjectPath &path)
{
    const QStringList before = entries();
    m_saved.remove(path.path());
    if (entries() != before)
        Q_EMIT entriesChanged();
}

void NetworkManagerDialUpNetwork::onConnectionUpdated(const QDBusMessage &message)
{
    if (m_present && m_saved.contains(message.path()))
        loadSavedConnection(message.path());
}

QStringList NetworkManagerDialUpNetwork::entries()
{
    QStringList names;
    for (const Saved &s : std::as_const(m_saved))
        if (isLineType(s.type) && !s.id.isEmpty())
            names.append(s.id);
    // NetworkManager allows two connections of one name; the phone book
    // shows it once and dials the first.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

QString NetworkManagerDialUpNetwork::savedPathOf(const QString &entry) const
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        if (it->id == entry && isLineType(it->type))
            return it.key();
    return QString();
}

int NetworkManagerDialUpNetwork::dial(const QString &entry, qint64 *handle)
{
    if (!m_present)
        return NotRunningError;
    const QString path = savedPathOf(entry);
    if (path.isEmpty())
        return DialError::NoSuchEntry;
    const qint64 h = m_nextHandle++;
    m_pending.insert(h, PendingDial{entry, false});
    *handle = h;
    const QDBusObjectPath none(QStringLiteral("/"));
    whenAnswered(callAsync(ManagerPath, ManagerInterface, QStringLiteral("ActivateConnection"),
                           {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(none),
                            QVariant::fromValue(none)},
                           RequestTimeoutMs),
                 [this, h](const QDBusMessage &reply) {
                     const auto pending = m_pending.find(h);
                     if (pending == m_pending.end())
                         return;
                     const PendingDial call = *pending;
                     m_pending.erase(pending);
                     if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                         m_lastRefusal = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
                         report(h, RasState::OpenPort, RefusedError);
                         return;
                     }
                     const QString activePath = objectPathOf(reply.arguments().constFirst());
                     // The connection may have come and gone before this answer.
                     for (const auto &[endedPath, reason] : std::as_const(m_endedUnclaimed)) {
                         if (endedPath != activePath)
                             continue;
                         report(h, RasState::Disconnected,
                                call.hangUpRequested || reason == ReasonUserDisconnected
                                    ? DialError::UserDisconnection
                                    : int(ReasonBase + reason));
                         return;
                     }
                     // The list of active connections may have told of it first.
                     if (m_active.contains(activePath)) {
                         Active &a = m_active[activePath];
                         a.handle = h;
                         a.dialledHere = true;
                         // Hung up before the answer: its progress is not told.
                         a.hangingUp = call.hangUpRequested;
                         reportProgress(a);
                     } else {
                         addActive(activePath, h, true);
                         m_active[activePath].id = call.entry;
                     }
                     const auto active = m_active.find(activePath);
                     if (call.hangUpRequested && active != m_active.end()) {
                         active->hangingUp = true;
                         deactivate(activePath);
                     }
                 });
    return 0;
}

void NetworkManagerDialUpNetwork::addActive(const QString &path, qint64 handle, bool dialledHere)
{
    Active a;
    a.handle = handle;
    a.dialledHere = dialledHere;
    m_active.insert(path, a);
    whenAnswered(callAsync(path, PropertiesInterface, QStringLiteral("GetAll"), {ActiveInterface}),
                 [this, path](const QDBusMessage &reply) {
                     if (!m_active.contains(path))
                         return;
                     if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                         // It ended before it could be asked about.
                         dropActive(path, ReasonUnknown);
                         return;
                     }
                     applyActiveProperties(path, propertyMapOf(reply.arguments().constFirst()), true);
                 });
}

void NetworkManagerDialUpNetwork::applyActiveProperties(const QString &path, const QVariantMap &properties,
                                                        bool lookedUp)
{
    auto it = m_active.find(path);
    if (it == m_active.end())
        return;
    Active &a = *it;
    a.lookedUp = a.lookedUp || lookedUp;
    if (properties.contains(QStringLiteral("Connection")))
        a.connectionPath = objectPathOf(properties.value(QStringLiteral("Connection")));
    if (properties.contains(QStringLiteral("Id")))
        a.id = unwrap(properties.value(QStringLiteral("Id"))).toString();
    if (properties.contains(QStringLiteral("Type")))
        a.type = unwrap(properties.value(QStringLiteral("Type"))).toString();
    if (properties.contains(QStringLiteral("Devices"))) {
        const QStringList devices = objectPathsOf(properties.value(QStringLiteral("Devices")));
        const QString device = devices.value(0);
        if (device != a.device) {
            a.device = device;
            a.interfaceName.clear();
            a.interfaceKnown = false;
            a.deviceState = 0;
            if (!device.isEmpty())
                loadDevice(device);
        }
    }
    if (properties.contains(QStringLiteral("State"))) {
        // An active connection's state only goes forward. Qt may hand over
        // the answer to a look at it after a signal sent later, so an older
        // state must not overwrite a newer one.
        a.state = std::max(a.state, unwrap(properties.value(QStringLiteral("State"))).toUInt());
        // Told as a property change, the end comes without its reason; the
        // StateChanged signal (or the manager's list) has the last word. Found
        // ended when looked up, no signal will follow.
        if (a.state == ActiveDeactivated && lookedUp) {
            dropActive(path, ReasonUnknown);
            return;
        }
    }
    reportProgress(a);
}

void NetworkManagerDialUpNetwork::loadDevice(const QString &devicePath)
{
    whenAnswered(callAsync(devicePath, PropertiesInterface, QStringLiteral("GetAll"), {DeviceInterface}),
                 [this, devicePath](const QDBusMessage &reply) {
                     if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                         applyDeviceProperties(devicePath, propertyMapOf(reply.arguments().constFirst()));
                 });
}

void NetworkManagerDialUpNetwork::applyDeviceProperties(const QString &devicePath, const QVariantMap &properties)
{
    // Told progress may make the program dial or hang up, which changes the
    // list: each connection is looked up afresh.
    QStringList paths;
    for (auto it = m_active.cbegin(); it != m_active.cend(); ++it)
        if (it->device == devicePath)
            paths.append(it.key());
    for (const QString &path : std::as_const(paths)) {
        const auto it = m_active.find(path);
        if (it == m_active.end())
            continue;
        Active &a = *it;
        if (properties.contains(QStringLiteral("IpInterface"))) {
            a.interfaceName = unwrap(properties.value(QStringLiteral("IpInterface"))).toString();
            a.interfaceKnown = true;
        }
        if (properties.contains(QStringLiteral("State")))
            a.deviceState = unwrap(properties.value(QStringLiteral("State"))).toUInt();
        reportProgress(a);
    }
}

void NetworkManagerDialUpNetwork::setActiveList(const QStringList &paths)
{
    for (const QString &path : paths)
        if (!m_active.contains(path))
            addActive(path, m_nextHandle++, false);
    const QStringList known = m_active.keys();
    for (const QString &path : known)
        if (!paths.contains(path))
            dropActive(path, ReasonUnknown);
}

void NetworkManagerDialUpNetwork::dropActive(const QString &path, uint reason)
{
    const auto it = m_active.find(path);
    if (it == m_active.end())
        return;
    const Active a = *it;
    m_active.erase(it);
    if (!a.dialledHere) {
        // A call of ours may yet claim it.
        m_endedUnclaimed.append({path, reason});
        if (m_endedUnclaimed.size() > 16)
            m_endedUnclaimed.removeFirst();
        return;
    }
    if (a.progressEnded)
        return;
    int code = int(ReasonBase + reason);
    if (a.hangingUp || reason == ReasonUserDisconnected)
        code = DialError::UserDisconnection;
    report(a.handle, RasState::Disconnected, code);
}

void NetworkManagerDialUpNetwork::onActiveStateChanged(uint state, uint reason, const QDBusMessage &message)
{
    const auto it = m_active.find(message.path());
    if (it == m_active.end())
        return;
    if (state == ActiveDeactivated) {
        dropActive(message.path(), reason);
        return;
    }
    it->state = std::max(it->state, state);
    reportProgress(*it);
}

void NetworkManagerDialUpNetwork::onDeviceStateChanged(uint newState, uint, uint, const QDBusMessage &message)
{
    applyDeviceProperties(message.path(), {{QStringLiteral("State"), newState}});
}

void NetworkManagerDialUpNetwork::onPropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                                      const QStringList &, const QDBusMessage &message)
{
    const QString path = message.path();
    if (interfaceName == ManagerInterface && path == ManagerPath) {
        if (m_present && changed.contains(QStringLiteral("ActiveConnections")))
            setActiveList(objectPathsOf(changed.value(QStringLiteral("ActiveConnections"))));
    } else if (interfaceName == ActiveInterface) {
        applyActiveProperties(path, changed, false);
    } else if (interfaceName == DeviceInterface) {
        applyDeviceProperties(path, changed);
    }
}

int NetworkManagerDialUpNetwork::rasStateOf(const Active &a) const
{
    if (a.hangingUp || a.state == ActiveDeactivating || a.state == ActiveDeactivated)
        return RasState::Disconnected;
    // Connected once the interface whose bytes are counted is known too.
    if (a.state == ActiveActivated && (a.interfaceKnown || (a.lookedUp && a.device.isEmpty())))
        return RasState::Connected;
    if (a.state == ActiveActivated)
        return rasStateOfDevice(std::max(a.deviceState, 80u));
    return rasStateOfDevice(a.deviceState);
}

void NetworkManagerDialUpNetwork::reportProgress(Active &a)
{
    if (!a.dialledHere || a.progressEnded || a.hangingUp)
        return;
    const int state = rasStateOf(a);
    if (state == a.reportedState || state == RasState::Disconnected)
        return;
    // The dial state only goes forward; a device passing back through an
    // earlier state on its way is not news.
    if (a.reportedState >= 0 && state != RasState::Connected && state < a.reportedState)
        return;
    a.reportedState = state;
    if (state == RasState::Connected)
        a.progressEnded = true;
    report(a.handle, state, 0);
}

void NetworkManagerDialUpNetwork::report(qint64 handle, int state, int errorCode, const QString &errorMessage)
{
    const QString text = errorCode == 0 ? QString() : errorMessage.isEmpty() ? errorText(errorCode) : errorMessage;
    Q_EMIT dialProgress(handle, state, RasStateText(state), errorCode, text);
}

QList<DialUpConnection> NetworkManagerDialUpNetwork::connections()
{
    QList<DialUpConnection> list;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        DialUpConnection c;
        c.handle = it.key();
        c.entryName = it->entry;
        c.deviceName = QStringLiteral("NetworkManager");
        c.deviceType = QStringLiteral("networkmanager");
        c.state = it->hangUpRequested ? RasState::Disconnected : RasState::OpenPort;
        list.append(c);
    }
    for (const Active &a : std::as_const(m_active)) {
        // Until its properties are in, it is not known to be a line at all;
        // one dialled here is one by its entry.
        if (!isLineType(a.type) && !a.dialledHere)
            continue;
        DialUpConnection c;
        c.handle = a.handle;
        c.entryName = a.id;
        c.interfaceName = a.interfaceName;
        c.deviceName = a.interfaceName.isEmpty() ? QStringLiteral("NetworkManager") : a.interfaceName;
        c.deviceType = a.type;
        c.state = rasStateOf(a);
        list.append(c);
    }
    std::sort(list.begin(), list.end(),
              [](const DialUpConnection &x, const DialUpConnection &y) { return x.handle < y.handle; });
    return list;
}

bool NetworkManagerDialUpNetwork::hangUp(qint64 handle)
{
    const auto pending = m_pending.find(handle);
    if (pending != m_pending.end()) {
        // Deactivated as soon as NetworkManager says what it activated.
        pending->hangUpRequested = true;
        return true;
    }
    for (auto it = m_active.begin(); it != m_active.end(); ++it) {
        if (it->handle != handle)
            continue;
        if (!it->hangingUp) {
            it->hangingUp = true;
            deactivate(it.key());
        }
        return true;
    }
    return false;
}

void NetworkManagerDialUpNetwork::deactivate(const QString &activePath)
{
    whenAnswered(callAsync(ManagerPath, ManagerInterface, QStringLiteral("DeactivateConnection"),
                           {QVariant::fromValue(QDBusObjectPath(activePath))}, RequestTimeoutMs),
                 [this, activePath](const QDBusMessage &reply) {
                     if (reply.type() == QDBusMessage::ReplyMessage)
                         return;
                     const auto it = m_active.find(activePath);
                     if (reply.errorName() == QLatin1String("org.freedesktop.NetworkManager.ConnectionNotActive")) {
                         // Already gone.
                         dropActive(activePath, ReasonUserDisconnected);
                         return;
                     }
                     QString name;
                     if (it != m_active.end()) {
                         it->hangingUp = false;
                         name = it->id;
                     }
                     const QString message = QStringLiteral("NetworkManager did not hang up \"%1\": %2")
                                                 .arg(name, reply.errorMessage().isEmpty() ? reply.errorName()
                                                                                           : reply.errorMessage());
                     qWarning("%s", qPrintable(message));
                     Q_EMIT requestFailed(message);
                 });
}

bool NetworkManagerDialUpNetwork::isActive(qint64 handle)
{
    if (m_pending.contains(handle))
        return true;
    return std::any_of(m_active.cbegin(), m_active.cend(), [handle](const Active &a) { return a.handle == handle; });
}

std::optional<LinkCounters> NetworkManagerDialUpNetwork::linkCounters(const QString &interfaceName)
{
    return ReadSysfsLinkCounters(m_sysfsNetRoot, interfaceName);
}

QString NetworkManagerDialUpNetwork::errorText(int errorCode) const
{
    if (errorCode == RefusedError)
        return m_lastRefusal.isEmpty() ? QStringLiteral("NetworkManager refused the request.")
                                       : QStringLiteral("NetworkManager refused the request: %1").arg(m_lastRefusal);
    if (errorCode == NotRunningError)
        return QStringLiteral("NetworkManager is not running.");
    if (errorCode < ReasonBase || errorCode > ReasonBase + 255)
        return DialUpNetwork::errorText(errorCode);
    switch (errorCode - ReasonBase) {
    case 0: return QStringLiteral("NetworkManager ended the connection for an unknown reason.");
    case 1: return QStringLiteral("NetworkManager ended the connection without giving a reason.");
    case 2: return QStringLiteral("The connection was ended by the user.");
    case 3: return QStringLiteral("The device lost its connection (the modem lost its signal or the link went down).");
    case 4: return QStringLiteral("The VPN service stopped.");
    case 5: return QStringLiteral("The connection got no usable IP configuration.");
    case 6: return QStringLiteral("The connection attempt timed out.");
    case 7: return QStringLiteral("The VPN service did not start in time.");
    case 8: return QStringLiteral("The VPN service failed to start.");
    case 9: return QStringLiteral("No password or other secret was given for the connection.");
    case 10: return QStringLiteral("The login was refused: check the user name and password.");
    case 11: return QStringLiteral("The connection was deleted from NetworkManager's settings.");
    case 12: return QStringLiteral("A connection this one depends on failed.");
    case 13: return QStringLiteral("The device for the connection could not be created.");
    case 14: return QStringLiteral("The device of the connection was removed.");
    default: return QStringLiteral("NetworkManager ended the connection (reason %1).").arg(errorCode - ReasonBase);
    }
}

#pragma once

#include "platform/DialUpNetwork.h"

#include <QDBusConnection>
#include <QMap>
#include <QString>
#include <QVariantMap>

class QDBusMessage;
class QDBusPendingCall;
class QDBusObjectPath;
class QDBusServiceWatcher;

// Dial-up networking through NetworkManager on D-Bus. The phone book is
// NetworkManager's saved connections of the kinds that make a metered line
// (mobile broadband "gsm" and "cdma", "pppoe", and the tunnels "vpn" and
// "wireguard"), by their names. Dialing activates the saved connection, the
// active connections are NetworkManager's, hanging up deactivates one.
//
// Nothing here waits on NetworkManager: every call is asynchronous and what
// NetworkManager says is kept in memory, current through its signals, so the
// questions asked every second cost no round-trip. While NetworkManager is
// not on the bus the line is offline and the phone book empty; it is picked
// up when it appears.
//
// The interface of a connection is its device's IpInterface, the one that
// carries its IP traffic (ppp0 for PPPoE and mobile broadband). A VPN of a
// NetworkManager plug-in names the device it runs over, so its counters are
// those of the carrying link.
class NetworkManagerDialUpNetwork : public DialUpNetwork
{
    Q_OBJECT

public:
    // NetworkManager answered the request to dial with an error (polkit said
    // no, the connection is not available); errorText() gives its message,
    // that of the latest refusal.
    static constexpr int RefusedError = 1400;
    static constexpr int NotRunningError = 1401;    // NetworkManager is not on the bus
    // An activation that ended before it connected: ReasonBase + NetworkManager's
    // reason (NMActiveConnectionStateReason).
    static constexpr int ReasonBase = 1500;

    static const QString ServiceName;

    explicit NetworkManagerDialUpNetwork(const QDBusConnection &bus, QObject *parent = nullptr);
    ~NetworkManagerDialUpNetwork() override;

    QStringList entries() override;
    QList<DialUpConnection> connections() override;
    int dial(const QString &entry, qint64 *handle) override;
    bool hangUp(qint64 handle) override;
    bool isActive(qint64 handle) override;
    std::optional<LinkCounters> linkCounters(const QString &interfaceName) override;
    QString errorText(int errorCode) const override;

    // Why the line cannot be used now (bus not reachable, NetworkManager not
    // running); empty while NetworkManager is on the bus.
    QString unavailableReason() const;

    // Where the interface counters are read; tests point it at a fake tree.
    void setSysfsNetRoot(const QString &root) { m_sysfsNetRoot = root; }

    // Whether a saved connection of this type belongs in the phone book.
    static bool isLineType(const QString &connectionType);

Q_SIGNALS:
    // A request to NetworkManager failed outside a dial (hanging up); the
    // text says what and why.
    void requestFailed(const QString &message);

private Q_SLOTS:
    void onNewConnection(const QDBusObjectPath &path);
    void onConnectionRemoved(const QDBusObjectPath &path);
    void onConnectionUpdated(const QDBusMessage &message);
    void onActiveStateChanged(uint state, uint reason, const QDBusMessage &message);
    void onDeviceStateChanged(uint newState, uint oldState, uint reason, const QDBusMessage &message);
    void onPropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                             const QStringList &invalidated, const QDBusMessage &message);

private:
    struct Saved {
        QString id;
        QString type;
    };
    struct Active {
        qint64 handle = 0;
        QString connectionPath;
        QString id;
        uint state = 0;            // NMActiveConnectionState
        uint deviceState = 0;      // NMDeviceState of its first device
        QString device;            // first device's object path
        QString interfaceName;
        bool lookedUp = false;        // its properties have been read
        bool interfaceKnown = false;  // the device's IpInterface has been read
        bool dialledHere = false;
        bool progressEnded = false;   // Connected or an error was reported
        bool hangingUp = false;
        QString type;              // the connection's type, as the active connection says it
        int reportedState = -1;    // the last dial state told to the caller
    };
    struct PendingDial {
        QString entry;
        bool hangUpRequested = false;
    };

    template <typename Handler>
    void whenAnswered(const QDBusPendingCall &call, Handler handler);
    QDBusPendingCall callAsync(const QString &path, const QString &interfaceName, const QString &method,
                               const QVariantList &arguments = {}, int timeoutMs = -1);

    void appear();
    void disappear();
    void loadSavedConnection(const QString &path);
    void addActive(const QString &path, qint64 handle, bool dialledHere);
    void applyActiveProperties(const QString &path, const QVariantMap &properties, bool lookedUp);
    void applyDeviceProperties(const QString &devicePath, const QVariantMap &properties);
    void loadDevice(const QString &devicePath);
    void setActiveList(const QStringList &paths);
    void dropActive(const QString &path, uint reason);
    void reportProgress(Active &active);
    void report(qint64 handle, int state, int errorCode, const QString &errorMessage = QString());
    void deactivate(const QString &activePath);
    QString savedPathOf(const QString &entry) const;
    int rasStateOf(const Active &active) const;

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_present = false;
    int m_generation = 0;   // replies from before NetworkManager last left are dropped
    QString m_sysfsNetRoot = QStringLiteral("/sys/class/net");
    QMap<QString, Saved> m_saved;              // saved connections by object path
    QMap<QString, Active> m_active;            // active connections by object path
    // Active connections that ended before a call of ours claimed them (its
    // answer may come after the end), with the reason: the last few only.
    QList<QPair<QString, uint>> m_endedUnclaimed;
    QMap<qint64, PendingDial> m_pending;       // dials NetworkManager has not answered yet
    qint64 m_nextHandle = 1;
    QString m_lastRefusal;
};

#pragma once

#include "platform/DialUpNetwork.h"

#include <QTimer>

#include <memory>
#include <optional>

class LinkWatcher;

// The interface name of a line kind "interface:NAME" (NAME may be empty or
// bad); none for any other line kind.
std::optional<QString> InterfaceLineName(const QString &lineKind);

// What keeps name from being a Linux network interface name, as a sentence
// for the user; empty when it is a good one. The kernel takes at most 15
// bytes, none of them '/', ':' or white space, and neither "." nor "..".
QString InterfaceNameProblem(const QString &name);

// What one look at an interface found.
struct InterfaceStatus {
    bool exists = false;
    int index = 0;
    bool adminUp = false;      // IFF_UP: set by whoever brought it up
    bool running = false;      // IFF_RUNNING: up with a carrier
    // An IPv4 address other than an automatic 169.254.x.x one, or an IPv6
    // address other than a link-local fe80:: one (every IPv6 link has one of
    // those as soon as it is up, connected or not).
    bool hasAddress = false;

    bool online() const { return exists && adminUp && running && hasAddress; }
};

InterfaceStatus ReadInterfaceStatus(const QString &interfaceName);

struct InterfaceLineOptions {
    QString sysfsNetRoot = QStringLiteral("/sys/class/net");   // where the counters are read
    // Off: do without the kernel's link notifications, as where they cannot
    // be had; every question then looks at the interface again.
    bool linkNotifications = true;
    int dialTimeoutMs = 60000;   // from bringing the interface up to its first address
};

// Any network interface as the line (a mobile broadband modem, a tethered
// phone, a ppp link brought up by something else): the phone book is the one
// entry named after the interface, and the interface being up and running
// with an address is one connection in the Connected state, whoever brought
// it up. Dialing sets the interface up and waits for its address; hanging up
// sets it down. Both need the CAP_NET_ADMIN capability.
//
// connections() is asked every second, so what the interface looks like is
// kept in memory and read again only when the kernel tells of a change to
// it; where its notifications cannot be had, every question reads.
class InterfaceDialUpNetwork : public DialUpNetwork
{
    Q_OBJECT

public:
    using Options = InterfaceLineOptions;

    static constexpr int NoSuchInterface = 1401;
    static constexpr int NotPermitted = 1402;
    static constexpr int TimedOut = 1403;
    static constexpr int InterfaceFailed = 1404;   // another refusal of the kernel

    explicit InterfaceDialUpNetwork(const QString &interfaceName, const Options &options = Options(),
                                    QObject *parent = nullptr);
    ~InterfaceDialUpNetwork() override;

    QStringList entries() override;
    QList<DialUpConnection> connections() override;
    int dial(const QString &entry, qint64 *handle) override;
    bool hangUp(qint64 handle) override;
    QString hangUpFailure() const override { return m_hangUpFailure; }
    bool isActive(qint64 handle) override;
    std::optional<LinkCounters> linkCounters(const QString &interfaceName) override;
    QString errorText(int errorCode) const override;

    QString interfaceName() const { return m_name; }
    bool watchesEvents() const { return m_links != nullptr; }
    // How often the interface has been looked at: once at start, then on
    // the kernel's notifications about it (or on every question without).
    int statusReads() const { return m_statusReads; }

private:
    struct Call;

    void refresh();
    void refreshIfUnwatched();
    void advanceCall();
    void endCall(int errorCode);
    std::unique_ptr<Call> finishCall();
    void report(qint64 handle, int state, int errorCode);
    void onLinkChanged(int index, const QString &name);

    QString m_name;
    Options m_options;
    std::unique_ptr<LinkWatcher> m_links;
    InterfaceStatus m_status;
    qint64 m_handle = 0;       // of the connection or the call; 0 for none
    qint64 m_nextHandle = 1;
    std::unique_ptr<Call> m_call;
    QTimer m_callTimeout;
    QTimer m_callPoll;         // only where no notifications come
    QString m_hangUpFailure;
    QString m_dialFailure;     // the kernel's word on the last failed dial
    int m_statusReads = 0;
};

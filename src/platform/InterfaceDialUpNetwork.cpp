#include "platform/InterfaceDialUpNetwork.h"

#include "platform/SysfsLinkCounters.h"
#include "platform/LinkWatcher.h"

#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QLatin1String InterfaceLinePrefix("interface:");

// How often a call in progress looks at the interface where no
// notifications tell of its changes.
constexpr int UnwatchedCallPollMs = 250;

bool isCountedAddress(const sockaddr *address)
{
    if (!address)
        return false;
    if (address->sa_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(address);
        return (ntohl(v4->sin_addr.s_addr) & 0xffff0000U) != 0xa9fe0000U;   // 169.254.0.0/16
    }
    if (address->sa_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(address);
        return !IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr) && !IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr);
    }
    return false;
}

class ControlSocket
{
public:
    ControlSocket() : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        if (m_fd < 0)   // a kernel without IPv4 still answers interface requests here
            m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    ~ControlSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ControlSocket(const ControlSocket &) = delete;
    ControlSocket &operator=(const ControlSocket &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool fillRequest(ifreq &request, const QString &interfaceName)
{
    const QByteArray name = interfaceName.toLocal8Bit();
    if (name.isEmpty() || name.size() >= IFNAMSIZ)
        return false;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.ifr_name, name.constData(), size_t(name.size()));
    return true;
}

// Sets or clears IFF_UP; 0 or the errno of the refusal.
int setInterfaceUp(const QString &interfaceName, bool up)
{
    ifreq request;
    if (!fillRequest(request, interfaceName))
        return ENODEV;
    ControlSocket socket;
    if (socket.fd() < 0)
        return errno;
    if (::ioctl(socket.fd(), SIOCGIFFLAGS, &request) != 0)
        return errno;
    if (bool(request.ifr_flags & IFF_UP) == up)
        return 0;
    request.ifr_flags = short(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
    return ::ioctl(socket.fd(), SIOCSIFFLAGS, &request) == 0 ? 0 : errno;
}

} // namespace

std::optional<QString> InterfaceLineName(const QString &lineKind)
{
    if (!lineKind.startsWith(InterfaceLinePrefix))
        return std::nullopt;
    return lineKind.mid(InterfaceLinePrefix.size());
}

QString InterfaceNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("--line interface: needs the name of a network interface, for example "
                              "--line interface:wwan0.");
    if (name.toLocal8Bit().size() >= IFNAMSIZ)
        return QStringLiteral("The interface name \"%1\" is too long: Linux network interface names have at most %2 "
                              "characters.")
            .arg(name)
            .arg(IFNAMSIZ - 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" is not a network interface name.").arg(name);
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char(':') || c.isSpace() || c.category() == QChar::Other_Control)
            return QStringLiteral("The interface name \"%1\" may not contain '/', ':', spaces or control characters.")
                .arg(name);
    }
    return QString();
}

InterfaceStatus ReadInterfaceStatus(const QString &interfaceName)
{
    InterfaceStatus status;
    ifreq request;
    if (!InterfaceNameProblem(interfaceName).isEmpty() || !fillRequest(request, interfaceName))
        return status;
    ControlSocket socket;
    if (socket.fd() < 0 || ::ioctl(socket.fd(), SIOCGIFINDEX, &request) != 0)
        return status;
    status.exists = true;
    status.index = request.ifr_ifindex;
    // The flags as the kernel reports them here include IFF_RUNNING, which
    // sysfs's flags file leaves out.
    if (::ioctl(socket.fd(), SIOCGIFFLAGS, &request) == 0) {
        status.adminUp = request.ifr_flags & IFF_UP;
        status.running = request.ifr_flags & IFF_RUNNING;
    }
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return status;
    const QByteArray name = interfaceName.toLocal8Bit();
    for (ifaddrs *a = list; a && !status.hasAddress; a = a->ifa_next)
        status.hasAddress = name == a->ifa_name && isCountedAddress(a->ifa_addr);
    freeifaddrs(list);
    return status;
}

struct InterfaceDialUpNetwork::Call {
    qint64 handle = 0;
    int state = RasState::OpenPort;
    bool broughtUp = false;   // the interface was down before: a failed call leaves it so
};

InterfaceDialUpNetwork::InterfaceDialUpNetwork(const QString &interfaceName, const Options &options, QObject *parent)
    : DialUpNetwork(parent)
    , m_name(interfaceName)
    , m_options(options)
{
    m_callTimeout.setSingleShot(true);
    m_callTimeout.setInterval(m_options.dialTimeoutMs);
    connect(&m_callTimeout, &QTimer::timeout, this, [this] {
        if (m_call)
            endCall(TimedOut);
    });
    m_callPoll.setInterval(UnwatchedCallPollMs);
    connect(&m_callPoll, &QTimer::timeout, this, &InterfaceDialUpNetwork::refresh);
    // Watching first, then reading: a change in between is read twice
    // rather than missed.
    if (m_options.linkNotifications) {
        m_links = std::make_unique<LinkWatcher>();
        if (m_links->open(LinkWatcher::Addresses::IPv4AndIPv6)) {
            connect(m_links.get(), &LinkWatcher::linkChanged, this,
                    [this](int index, const QString &name, bool) { onLinkChanged(index, name); });
            connect(m_links.get(), &LinkWatcher::addressChanged, this, [this](int index) {
                if (index == m_status.index)
                    refresh();
            });
            connect(m_links.get(), &LinkWatcher::overflowed, this, &InterfaceDialUpNetwork::refresh);
        } else {
            m_links.reset();
        }
    }
    refresh();
}

// A call in progress is left as it is: leaving the program must not take
// the line down.
InterfaceDialUpNetwork::~InterfaceDialUpNetwork() = default;

void InterfaceDialUpNetwork::onLinkChanged(int index, const QString &name)
{
    // By name for an interface that appears; by index for ours renamed,
    // changed or removed.
    if (name == m_name || (m_status.exists && index == m_status.index))
        refresh();
}

void InterfaceDialUpNetwork::refreshIfUnwatched()
{
    if (!m_links)
        refresh();
}

void InterfaceDialUpNetwork::refresh()
{
    ++m_statusReads;
    m_status = ReadInterfaceStatus(m_name);
    if (m_call) {
        advanceCall();
        return;
    }
    if (!m_status.online())
        m_handle = 0;
    else if (m_handle == 0)
        m_handle = m_nextHandle++;   // a new connection: the link came up, or came back
}

void InterfaceDialUpNetwork::advanceCall()
{
    if (!m_status.exists) {
        endCall(NoSuchInterface);
        return;
    }
    int state = RasState::ConnectDevice;
    if (m_status.online())
        state = RasState::Connected;
    else if (m_status.adminUp && m_status.running)
        state = RasState::AllDevicesConnected;   // waiting for an address
    if (state == m_call->state)
        return;
    m_call->state = state;
    report(m_call->handle, state, 0);
    if (state == RasState::Connected)
        finishCall();   // from here on the call is the connection, under the same handle
}

void InterfaceDialUpNetwork::endCall(int errorCode)
{
    const std::unique_ptr<Call> call = finishCall();
    if (call->broughtUp && errorCode != NoSuchInterface)
        setInterfaceUp(m_name, false);
    report(call->handle, call->state, errorCode);
    m_handle = 0;
    refresh();
}

std::unique_ptr<InterfaceDialUpNetwork::Call> InterfaceDialUpNetwork::finishCall()
{
    m_callTimeout.stop();
    m_callPoll.stop();
    return std::move(m_call);
}

void InterfaceDialUpNetwork::report(qint64 handle, int state, int errorCode)
{
    postProgress(handle, state, errorCode);
}

QStringList InterfaceDialUpNetwork::entries()
{
    return {m_name};
}

QList<DialUpConnection> InterfaceDialUpNetwork::connections()
{
    refreshIfUnwatched();
    if (m_handle == 0)
        return {};
    DialUpConnection c;
    c.handle = m_handle;
    c.entryName = m_name;
    c.deviceName = m_name;
    c.deviceType = QStringLiteral("interface");
    c.interfaceName = m_name;
    c.state = m_call ? m_call->state : int(RasState::Connected);
    return {c};
}

int InterfaceDialUpNetwork::dial(const QString &entry, qint64 *handle)
{
    if (entry != m_name)
        return DialError::NoSuchEntry;
    if (m_call)
        return DialError::PortInUse;
    // Dialing is rare: the interface is looked at afresh.
    refresh();
    if (!m_status.exists)
        return NoSuchInterface;
    if (m_status.online()) {
        // Already connected, by us or by whoever brought it up.
        *handle = m_handle;
        report(m_handle, RasState::OpenPort, 0);
        report(m_handle, RasState::Connected, 0);
        return 0;
    }
    const bool wasUp = m_status.adminUp;
    if (!wasUp) {
        const int error = setInterfaceUp(m_name, true);
        if (error == EPERM || error == EACCES)
            return NotPermitted;
        if (error == ENODEV || error == ENXIO)
            return NoSuchInterface;
        if (error != 0) {
            m_dialFailure = QString::fromLocal8Bit(std::strerror(error));
            return InterfaceFailed;
        }
    }
    m_call = std::make_unique<Call>();
    m_call->handle = m_nextHandle++;
    m_call->broughtUp = !wasUp;
    m_handle = m_call->handle;
    m_callTimeout.start();
    if (!m_links)
        m_callPoll.start();
    *handle = m_call->handle;
    report(m_call->handle, RasState::OpenPort, 0);
    m_call->state = RasState::OpenPort;
    refresh();   // the interface may be up with its address at once
    return 0;
}

bool InterfaceDialUpNetwork::hangUp(qint64 handle)
{
    m_hangUpFailure.clear();
    refreshIfUnwatched();
    if (handle <= 0 || handle != m_handle)
        return false;
    const int error = setInterfaceUp(m_name, false);
    if (error == EPERM || error == EACCES) {
        m_hangUpFailure =
            QStringLiteral("Tallyline may not take the network interface %1 down: that needs the CAP_NET_ADMIN "
                           "capability. Disconnect with the program that brought %1 up (or, as root, "
                           "\"ip link set %1 down\"), or give Tallyline the capability "
                           "(\"setcap cap_net_admin+ep\" on its executable).")
                .arg(m_name);
        return false;
    }
    if (error != 0 && error != ENODEV && error != ENXIO) {
        m_hangUpFailure = QStringLiteral("Tallyline could not take the network interface %1 down: %2.")
                              .arg(m_name, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    if (m_call) {
        const std::unique_ptr<Call> call = finishCall();
        report(call->handle, call->state, DialError::UserDisconnection);
    }
    m_handle = 0;
    // Down is down at once; the notification that follows finds nothing new.
    refresh();
    return error == 0;
}

bool InterfaceDialUpNetwork::isActive(qint64 handle)
{
    refreshIfUnwatched();
    return handle > 0 && handle == m_handle;
}

std::optional<LinkCounters> InterfaceDialUpNetwork::linkCounters(const QString &interfaceName)
{
    return ReadSysfsLinkCounters(m_options.sysfsNetRoot, interfaceName);
}

QString InterfaceDialUpNetwork::errorText(int errorCode) const
{
    switch (errorCode) {
    // The dial window shows the first 100 characters of these.
    case NoSuchInterface:
        return QStringLiteral("There is no network interface %1.").arg(m_name);
    case NotPermitted:
        return QStringLiteral("Bringing %1 up needs CAP_NET_ADMIN: connect with the program that manages it.")
            .arg(m_name);
    case TimedOut:
        return QStringLiteral("The interface %1 got no address within %2 seconds.")
            .arg(m_name)
            .arg(m_options.dialTimeoutMs / 1000);
    case InterfaceFailed:
        return QStringLiteral("The interface %1 could not be brought up: %2.").arg(m_name, m_dialFailure);
    default:
        return DialUpNetwork::errorText(errorCode);
    }
}

#include "tools/Ping.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int NoError = 0;
constexpr int DestinationNetUnreachable = 11002;
constexpr int DestinationHostUnreachable = 11003;
constexpr int DestinationProtocolUnreachable = 11004;
constexpr int DestinationPortUnreachable = 11005;
constexpr int NoResources = 11006;
constexpr int BadOption = 11007;
constexpr int PacketTooBig = 11009;
constexpr int RequestTimedOut = 11010;
constexpr int BadRequest = 11011;
constexpr int BadRoute = 11012;
constexpr int TtlExpiredTransit = 11013;
constexpr int TtlExpiredReassembly = 11014;
constexpr int ParameterProblem = 11015;
constexpr int SourceQuench = 11016;
constexpr int BadDestination = 11018;
constexpr int GeneralFailure = 11050;

constexpr int MaxPayload = 65500;
const char Banner[] = "Tallyline echo request ";

int codeForIcmp(int type, int code)
{
    switch (type) {
    case ICMP_DEST_UNREACH:
        switch (code) {
        case ICMP_NET_UNREACH:
        case ICMP_NET_UNKNOWN:
        case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS: return DestinationNetUnreachable;
        case ICMP_PROT_UNREACH: return DestinationProtocolUnreachable;
        case ICMP_PORT_UNREACH: return DestinationPortUnreachable;
        case ICMP_FRAG_NEEDED: return PacketTooBig;
        case ICMP_SR_FAILED: return BadRoute;
        default: return DestinationHostUnreachable;
        }
    case ICMP_TIME_EXCEEDED: return code == ICMP_EXC_FRAGTIME ? TtlExpiredReassembly : TtlExpiredTransit;
    case ICMP_PARAMETERPROB: return ParameterProblem;
    case ICMP_SOURCE_QUENCH: return SourceQuench;
    default: return GeneralFailure;
    }
}

int codeForErrno(int error)
{
    switch (error) {
    case ENETUNREACH: return DestinationNetUnreachable;
    case EHOSTUNREACH: return DestinationHostUnreachable;
    case EMSGSIZE: return PacketTooBig;
    case ENOBUFS:
    case ENOMEM: return NoResources;
    default: return GeneralFailure;
    }
}

quint16 checksum(const unsigned char *data, size_t length)
{
    quint32 sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length & 1)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return htons(quint16(~sum));
}

struct Socket {
    int fd = -1;
    bool raw = false;
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

TPing::~TPing()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
}

void TPing::DnsLookup(const QString &name)
{
    // A look-up still running is replaced without a completion of its own.
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    DnsResult.clear();
    const QString host = name.trimmed();
    in_addr dotted{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &dotted) == 1) {
        DnsResult = host;
        Q_EMIT OnDnsLookupDone(0);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, [this](const QHostInfo &info) {
        if (info.lookupId() != m_lookupId)
            return;
        m_lookupId = -1;
        for (const QHostAddress &a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                DnsResult = a.toString();
                Q_EMIT OnDnsLookupDone(0);
                return;
            }
        }
        Q_EMIT OnDnsLookupDone(LookupHostNotFound);
    });
}

void TPing::CancelDnsLookup()
{
    if (m_lookupId < 0)
        return;
    QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    Q_EMIT OnDnsLookupDone(LookupCancelled);
}

void TPing::setAddress(const QString &address)
{
    if (address == m_address)
        return;
    m_address = address;
    m_resolved = false;
    m_valid = false;
}

QString TPing::ErrorStringFor(int code)
{
    switch (code) {
    case 0: return QStringLiteral("No error");
    case 11001: return QStringLiteral("Buffer too small");
    case 11002: return QStringLiteral("Destination network unreachable");
    case 11003: return QStringLiteral("Destination host unreachable");
    case 11004: return QStringLiteral("Destination protocol unreachable");
    case 11005: return QStringLiteral("Destination port unreachable");
    case 11006: return QStringLiteral("No resources");
    case 11007: return QStringLiteral("Bad option");
    case 11008: return QStringLiteral("Hardware error");
    case 11009: return QStringLiteral("Packet too big");
    case 11010: return QStringLiteral("Request timed out");
    case 11011: return QStringLiteral("Bad request");
    case 11012: return QStringLiteral("Bad route");
    case 11013: return QStringLiteral("TTL expired in transit");
    case 11014: return QStringLiteral("TTL expired in reassembly");
    case 11015: return QStringLiteral("Parameter problem");
    case 11016: return QStringLiteral("Source quench");
    case 11017: return QStringLiteral("Option too big");
    case 11018: return QStringLiteral("Bad Destination");
    case 11019: return QStringLiteral("Address deleted");
    case 11020: return QStringLiteral("Spec MTU change");
    case 11021: return QStringLiteral("MTU change");
    case 11050: return QStringLiteral("General failure");
    case 11255: return QStringLiteral("Pending");
    default: return QStringLiteral("ICMP error #") + QString::number(code);
    }
}

bool TPing::resolve()
{
    const QByteArray name = m_address.trimmed().toUtf8();
    in_addr dotted{};
    if (!name.isEmpty() && inet_pton(AF_INET, name.constData(), &dotted) == 1) {
        m_target = dotted.s_addr;
        HostName = m_address.trimmed();
    } else {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_RAW;
        hints.ai_flags = AI_CANONNAME;
        addrinfo *result = nullptr;
        const int rc = name.isEmpty() ? EAI_NONAME : getaddrinfo(name.constData(), nullptr, &hints, &result);
        if (rc != 0 || !result) {
            resolverError = rc;
            if (result)
                freeaddrinfo(result);
            return false;
        }
        m_target = reinterpret_cast<sockaddr_in *>(result->ai_addr)->sin_addr.s_addr;
        HostName = QString::fromUtf8(result->ai_canonname ? result->ai_canonname : name.constData());
        freeaddrinfo(result);
    }
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = m_target;
    inet_ntop(AF_INET, &a, text, sizeof text);
    HostIP = QString::fromLatin1(text);
    resolverError = 0;
    return true;
}

int TPing::Ping()
{
    if (!m_resolved) {
        if (resolve()) {
            m_resolved = true;
            m_valid = true;
        } else {
            // Left unresolved, so the next echo tries the resolver again.
            m_valid = false;
            Q_EMIT OnDisplay(QStringLiteral("Unable to resolve ") + m_address);
        }
    }
    Reply = IcmpEchoReply();
    if (!m_valid) {
        ErrorCode = BadDestination;
        Q_EMIT OnDisplay(QStringLiteral("Invalid host address"));
        return 0;
    }
    if (Size < 0 || Size > MaxPayload) {
        ErrorCode = BadRequest;
        return 0;
    }
    if (TTL < 1 || TTL > 255) {
        ErrorCode = BadOption;
        return 0;
    }
    QByteArray payload(Size, ' ');
    const QByteArray banner = QByteArray(Banner).left(Size);
    payload.replace(0, banner.size(), banner);
    Q_EMIT OnEchoRequest();
    const int replies = echo(payload);
    Reply.Status = quint32(ErrorCode);
    Q_EMIT OnEchoReply(replies);
    return replies;
}

EchoAnswer ReadEchoAnswer(const unsigned char *bytes, size_t n, bool raw, quint16 id, quint16 sequence)
{
    EchoAnswer answer;
    size_t offset = 0;
    if (raw) {
        if (n < sizeof(iphdr))
            return answer;
        const auto *ip = reinterpret_cast<const iphdr *>(bytes);
        offset = size_t(ip->ihl) * 4;
        answer.ttl = ip->ttl;
    }
    if (n < offset + sizeof(icmphdr))
        return answer;
    const auto *icmp = reinterpret_cast<const icmphdr *>(bytes + offset);
    if (icmp->type == ICMP_ECHOREPLY) {
        if (ntohs(icmp->un.echo.sequence) != sequence || (raw && ntohs(icmp->un.echo.id) != id))
            return answer;
        answer.kind = EchoAnswer::Reply;
        answer.dataSize = quint16(n - offset - sizeof(icmphdr));
        return answer;
    }
    if (!raw || icmp->type == ICMP_ECHO)
        return answer;
    // An error message quotes the IP header and first 8 bytes of our echo.
    const size_t quoted = offset + sizeof(icmphdr);
    if (n < quoted + sizeof(iphdr))
        return answer;
    const auto *innerIp = reinterpret_cast<const iphdr *>(bytes + quoted);
    const size_t innerOffset = quoted + size_t(innerIp->ihl) * 4;
    if (n < innerOffset + sizeof(icmphdr) || innerIp->protocol != IPPROTO_ICMP)
        return answer;
    const auto *inner = reinterpret_cast<const icmphdr *>(bytes + innerOffset);
    if (inner->type != ICMP_ECHO || ntohs(inner->un.echo.id) != id || ntohs(inner->un.echo.sequence) != sequence)
        return answer;
    answer.kind = EchoAnswer::Error;
    answer.icmpType = icmp->type;
    answer.icmpCode = icmp->code;
    return answer;
}

int TPing::echo(const QByteArray &payload)
{
    Socket s;
    socketError.clear();
    if (socketKind != SocketKind::Raw)
        s.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s.fd < 0 && socketKind != SocketKind::Datagram) {
        s.fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        s.raw = true;
    }
    if (s.fd < 0) {
        socketError = QString::fromLocal8Bit(strerror(errno));
        ErrorCode = GeneralFailure;
        Q_EMIT OnDisplay(QStringLiteral("Unable to open an ICMP socket: ") + socketError);
        return 0;
    }
    const int ttl = TTL;
    const int on = 1;
    setsockopt(s.fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    if (!s.raw) {
        setsockopt(s.fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
        setsockopt(s.fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
    }

    const quint16 id = quint16(getpid() ^ (quintptr(this) >> 4));
    const quint16 sequence = ++m_sequence;
    QByteArray packet(int(sizeof(icmphdr)) + payload.size(), '\0');
    auto *header = reinterpret_cast<icmphdr *>(packet.data());
    header->type = ICMP_ECHO;
    header->code = 0;
    header->un.echo.id = htons(id);   // a datagram socket puts its own
    header->un.echo.sequence = htons(sequence);
    memcpy(packet.data() + sizeof(icmphdr), payload.constData(), size_t(payload.size()));
    header->checksum = checksum(reinterpret_cast<const unsigned char *>(packet.constData()), size_t(packet.size()));

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = m_target;
    QElapsedTimer timer;
    timer.start();
    if (::sendto(s.fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr *>(&target), sizeof target) < 0) {
        ErrorCode = codeForErrno(errno);
        return 0;
    }

    QByteArray buffer(packet.size() + 60 + 576, '\0');
    for (;;) {
        const qint64 left = qint64(Timeout) - timer.elapsed();
        if (left <= 0)
            break;
        pollfd p{s.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;

        if (!s.raw && (p.revents & POLLERR)) {
            // An ICMP error about our echo arrives on the error queue.
            char control[512];
            sockaddr_in from{};
            iovec iov{buffer.data(), size_t(buffer.size())};
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            if (::recvmsg(s.fd, &msg, MSG_ERRQUEUE) < 0)
                continue;
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
                    continue;
                const auto *e = reinterpret_cast<const sock_extended_err *>(CMSG_DATA(c));
                const sockaddr_in *offender = reinterpret_cast<const sockaddr_in *>(SO_EE_OFFENDER(e));
                Reply.Address = ntohl(offender->sin_addr.s_addr);
                Reply.RoundTripTime = quint32(timer.elapsed());
                ErrorCode = e->ee_origin == SO_EE_ORIGIN_ICMP ? codeForIcmp(e->ee_type, e->ee_code) : codeForErrno(int(e->ee_errno));
                return 0;
            }
            continue;
        }

        sockaddr_in from{};
        char control[256];
        iovec iov{buffer.data(), size_t(buffer.size())};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(s.fd, &msg, 0);
        if (n < 0)
            continue;
        int replyTtl = 0;
        if (!s.raw) {
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL)
                    memcpy(&replyTtl, CMSG_DATA(c), sizeof replyTtl);
        }
        const EchoAnswer answer =
            ReadEchoAnswer(reinterpret_cast<const unsigned char *>(buffer.constData()), size_t(n), s.raw, id, sequence);
        if (answer.kind == EchoAnswer::Unrelated)
            continue;
        Reply.Address = ntohl(from.sin_addr.s_addr);
        Reply.RoundTripTime = quint32(timer.elapsed());
        if (answer.kind == EchoAnswer::Reply) {
            Reply.DataSize = answer.dataSize;
            Reply.Ttl = quint8(s.raw ? answer.ttl : replyTtl);
            ErrorCode = NoError;
            return 1;
        }
        ErrorCode = codeForIcmp(answer.icmpType, answer.icmpCode);
        return 0;
    }
    ErrorCode = RequestTimedOut;
    return 0;
}

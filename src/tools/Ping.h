#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>

// The reply record of the last echo, laid out as the 28-byte echo-reply
// record the ping callers know.
struct IcmpEchoReply {
    quint32 Address = 0;        // IPv4 address of the replier, host order
    quint32 Status = 0;         // the ErrorCode of this echo
    quint32 RoundTripTime = 0;  // milliseconds
    quint16 DataSize = 0;       // echoed payload bytes
    quint16 Reserved = 0;
    quint32 Data = 0;
    quint8 Ttl = 0;
    quint8 Tos = 0;
    quint8 Flags = 0;
    quint8 OptionsSize = 0;
    quint32 OptionsData = 0;
};
static_assert(sizeof(IcmpEchoReply) == 28);

// What one packet read from the ICMP socket says about our echo (id and
// sequence as sent). A raw socket's packet starts with its IP header; a
// datagram socket's with the ICMP header, and the kernel has matched its id.
struct EchoAnswer {
    enum Kind { Unrelated, Reply, Error } kind = Unrelated;
    quint16 dataSize = 0;   // the payload a reply echoed
    int ttl = 0;            // from a raw packet's IP header
    int icmpType = 0;       // of an error about the echo
    int icmpCode = 0;
};
// bytes is aligned as an IP header.
EchoAnswer ReadEchoAnswer(const unsigned char *bytes, size_t n, bool raw, quint16 id, quint16 sequence);

// The ping component: one synchronous ICMP echo to Address. It uses an
// unprivileged ICMP datagram socket where the system allows it
// (net.ipv4.ping_group_range) and a raw socket otherwise.
class TPing : public QObject
{
    Q_OBJECT

public:
    enum class SocketKind { Automatic, Datagram, Raw };

    using QObject::QObject;
    ~TPing() override;

    void setAddress(const QString &address);
    QString address() const { return m_address; }

    int Size = 56;
    int Timeout = 4000;
    int TTL = 64;
    SocketKind socketKind = SocketKind::Automatic;

    int ErrorCode = 0;
    QString ErrorString() const { return ErrorStringFor(ErrorCode); }
    QString HostName;
    QString HostIP;
    IcmpEchoReply Reply;
    int resolverError = 0;      // the resolver's code when the address did not resolve
    QString socketError;        // why no ICMP socket could be opened, when that failed

    // Sends one echo and waits for its answer; returns the number of replies.
    int Ping();

    // Finds the IPv4 address of a host without blocking: OnDnsLookupDone
    // follows through the event loop (at once for a dotted address) with
    // the address in DnsResult.
    void DnsLookup(const QString &name);
    // Ends the look-up in progress; it completes with LookupCancelled.
    void CancelDnsLookup();
    QString DnsResult;
    static constexpr int LookupCancelled = 10004;
    static constexpr int LookupHostNotFound = 11001;

    static QString ErrorStringFor(int code);

Q_SIGNALS:
    void OnDisplay(const QString &text);
    void OnEchoRequest();
    void OnEchoReply(int replies);
    void OnDnsLookupDone(int error);

private:
    bool resolve();
    int echo(const QByteArray &payload);

    QString m_address;
    bool m_resolved = false;
    bool m_valid = false;
    quint32 m_target = 0;       // network order
    quint16 m_sequence = 0;
    int m_lookupId = -1;
};

#include "sntp/SntpTime.h"
#include "sntp/SntpReply.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include <netdb.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int PacketSize = 48;
constexpr std::uint32_t Seconds1900To1970 = 2208988800u;
constexpr double Days1899To1970 = 25569.0;
constexpr int ModeClient = 3;
constexpr int ModeServer = 4;
constexpr int VersionSent = 4;
constexpr int LeapAlarm = 3;  // the server's clock is not synchronised

struct Timestamp {
    std::uint32_t seconds = 0;
    std::uint32_t fraction = 0;
    bool operator==(const Timestamp &) const = default;
};

Timestamp readTimestamp(const unsigned char *p)
{
    const auto word = [](const unsigned char *q) {
        return std::uint32_t(q[0]) << 24 | std::uint32_t(q[1]) << 16 | std::uint32_t(q[2]) << 8 | std::uint32_t(q[3]);
    };
    return {word(p), word(p + 4)};
}

void writeTimestamp(unsigned char *p, const Timestamp &t)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(t.seconds >> (24 - 8 * i));
        p[4 + i] = static_cast<unsigned char>(t.fraction >> (24 - 8 * i));
    }
}

// Seconds since 1970. Stamps with the top bit clear are in the era that
// begins in 2036 (RFC 4330, section 3).
double unixSeconds(const Timestamp &t)
{
    const double seconds = (t.seconds & 0x80000000u) ? double(t.seconds) - double(Seconds1900To1970)
                                                     : double(t.seconds) + 4294967296.0 - double(Seconds1900To1970);
    return seconds + double(t.fraction) / 4294967296.0;
}

double realNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long long monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

Timestamp timestampOf(double unix)
{
    const double whole = std::floor(unix);
    Timestamp t;
    t.seconds = std::uint32_t((long long)whole + Seconds1900To1970);
    t.fraction = std::uint32_t((unix - whole) * 4294967296.0);
    return t;
}

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// One request to the first address that takes one, and the wait for its
// answer. Replies that fail the checks are ignored; the wait goes on.
bool query(const char *host, int timeoutMs, double &serverNow, double &offset)
{
    const long long deadline = monotonicMs() + (timeoutMs > 0 ? timeoutMs : 0);
    std::string name;
    std::string port;
    if (!host || !SplitSntpHost(host, name, port))
        return false;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo *found = nullptr;
    if (getaddrinfo(name.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return false;
    Descriptor socket;
    for (addrinfo *a = found; a && socket.fd < 0; a = a->ai_next) {
        socket.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        // Connected, the socket only hears from that address and learns
        // when the port is closed.
        if (socket.fd >= 0 && ::connect(socket.fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(socket.fd);
            socket.fd = -1;
        }
    }
    freeaddrinfo(found);
    if (socket.fd < 0)
        return false;

    unsigned char request[PacketSize] = {};
    request[0] = static_cast<unsigned char>(VersionSent << 3 | ModeClient);
    // The low bits of our transmit time are random: an answer has to quote
    // them back, which a forged packet cannot guess.
    const double sentAt = realNow();
    Timestamp transmit = timestampOf(sentAt);
    std::uint32_t noise = 0;
    if (getrandom(&noise, sizeof noise, 0) == sizeof noise)
        transmit.fraction = (transmit.fraction & 0xffff0000u) | (noise & 0xffffu);
    writeTimestamp(request + 40, transmit);
    if (::send(socket.fd, request, sizeof request, 0) != PacketSize)
        return false;

    unsigned char reply[512];
    for (;;) {
        const long long left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        pollfd p{socket.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::recv(socket.fd, reply, sizeof reply, 0);
        const double receivedAt = realNow();
        if (n < 0) {
            // Nothing listens there: no answer will come.
            if (errno == ECONNREFUSED)
                return false;
            continue;
        }
        if (!ReadSntpReply(request, reply, size_t(n), sentAt, receivedAt, offset))
            continue;
        serverNow = receivedAt + offset;
        return true;
    }
}

double localDateTime(double unix)
{
    const time_t whole = time_t(std::floor(unix));
    tm local{};
    localtime_r(&whole, &local);
    return Days1899To1970 + (unix + double(local.tm_gmtoff)) / 86400.0;
}

} // namespace

// Splits "name", "name:port", "[v6]" or "[v6]:port"; an address with more
// than one colon and no brackets is an IPv6 address without a port.
bool SplitSntpHost(const char *text, std::string &name, std::string &port)
{
    const std::string host(text);
    port = "123";
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string::npos)
            return false;
        name = host.substr(1, close - 1);
        const std::string rest = host.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || rest.size() < 2)
                return false;
            port = rest.substr(1);
        }
    } else {
        const std::size_t colon = host.find(':');
        if (colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) {
            name = host.substr(0, colon);
            port = host.substr(colon + 1);
            if (port.empty())
                return false;
        } else {
            name = host;
        }
    }
    return !name.empty();
}

bool ReadSntpReply(const unsigned char *request, const unsigned char *reply, size_t size, double sentAt,
                   double receivedAt, double &offset)
{
    if (size < size_t(PacketSize))
        return false;
    const int leap = reply[0] >> 6;
    const int version = (reply[0] >> 3) & 7;
    const int mode = reply[0] & 7;
    const int stratum = reply[1];
    const Timestamp transmit = readTimestamp(request + 40);
    const Timestamp originate = readTimestamp(reply + 24);
    const Timestamp received = readTimestamp(reply + 32);
    const Timestamp sent = readTimestamp(reply + 40);
    if (mode != ModeServer || version < 1 || version > 4 || leap == LeapAlarm || stratum < 1 || stratum > 15)
        return false;
    if (originate != transmit || sent == Timestamp{})
        return false;
    // Our own readings of the two moments: the stamp we sent carries noise.
    const double t1 = sentAt;
    const double t2 = received == Timestamp{} ? unixSeconds(sent) : unixSeconds(received);
    const double t3 = unixSeconds(sent);
    const double t4 = receivedAt;
    offset = ((t2 - t1) + (t3 - t4)) / 2.0;
    return true;
}

extern "C" SNTPTIME_EXPORT void GetTimeFromHostWithin(const char *host, int timeoutMs, unsigned char *ok,
                                                      double *time, double *extra)
{
    if (ok)
        *ok = 0;
    double serverNow = 0;
    double offset = 0;
    if (!query(host, timeoutMs, serverNow, offset))
        return;
    if (time)
        *time = localDateTime(serverNow);
    if (extra)
        *extra = offset;
    if (ok)
        *ok = 1;
}

extern "C" SNTPTIME_EXPORT void GetTimeFromHost(const char *host, unsigned char *ok, double *time, double *extra)
{
    GetTimeFromHostWithin(host, SntpDefaultTimeoutMs, ok, time, extra);
}

#include "platform/LinkWatcher.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

QList<LinkMessage> ReadLinkMessages(const char *buffer, size_t size)
{
    QList<LinkMessage> found;
    int remaining = int(std::min<size_t>(size, INT_MAX));
    for (auto *header = reinterpret_cast<const nlmsghdr *>(buffer); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == RTM_NEWADDR || header->nlmsg_type == RTM_DELADDR) {
            if (header->nlmsg_len >= NLMSG_LENGTH(sizeof(ifaddrmsg)))
                found.append({LinkMessage::Address, int(static_cast<const ifaddrmsg *>(NLMSG_DATA(header))->ifa_index),
                              QString(), true});
            continue;
        }
        if (header->nlmsg_type != RTM_NEWLINK && header->nlmsg_type != RTM_DELLINK)
            continue;
        if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
            continue;
        const auto *info = static_cast<const ifinfomsg *>(NLMSG_DATA(header));
        int attributesLength = int(header->nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg)));
        QString name;
        for (auto *a = IFLA_RTA(info); RTA_OK(a, attributesLength); a = RTA_NEXT(a, attributesLength)) {
            if (a->rta_type != IFLA_IFNAME)
                continue;
            const char *text = static_cast<const char *>(RTA_DATA(a));
            name = QString::fromLocal8Bit(text, qstrnlen(text, RTA_PAYLOAD(a)));
        }
        found.append({LinkMessage::Link, info->ifi_index, name, header->nlmsg_type == RTM_NEWLINK});
    }
    return found;
}

LinkWatcher::LinkWatcher(QObject *parent)
    : QObject(parent)
{
}

LinkWatcher::~LinkWatcher()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LinkWatcher::open(Addresses addresses)
{
    if (m_fd >= 0)
        return true;
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return false;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    if (addresses == Addresses::IPv4AndIPv6)
        address.nl_groups |= RTMGRP_IPV6_IFADDR;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &LinkWatcher::readMessages);
    return true;
}

void LinkWatcher::readMessages()
{
    // A link message carries all of the link's attributes: a few kilobytes.
    alignas(nlmsghdr) static char buffer[65536];
    bool overflow = false;
    for (;;) {
        sockaddr_nl sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t n = ::recvfrom(m_fd, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr *>(&sender),
                                     &senderSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS) {   // the queue ran over; later reads go on working
                overflow = true;
                continue;
            }
            break;
        }
        if (n == 0)
            break;
        if (size_t(n) > sizeof buffer) {   // cut short: what it said is lost
            overflow = true;
            continue;
        }
        // Only the kernel speaks for the links.
        if (senderSize != sizeof sender || sender.nl_pid != 0)
            continue;
        for (const LinkMessage &m : ReadLinkMessages(buffer, size_t(n))) {
            if (m.kind == LinkMessage::Address)
                Q_EMIT addressChanged(m.index);
            else
                Q_EMIT linkChanged(m.index, m.name, m.present);
        }
    }
    if (overflow)
        Q_EMIT overflowed();
}

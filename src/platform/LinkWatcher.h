#pragma once

#include <QObject>
#include <QList>
#include <QString>

#include <memory>

class QSocketNotifier;

// One link or address notification as the kernel sent it.
struct LinkMessage {
    enum Kind { Link, Address } kind;
    int index = 0;
    QString name;          // links only; empty when the message names none
    bool present = true;   // false for a link removed
};

// The notifications of one rtnetlink datagram (buffer aligned as nlmsghdr).
// Messages of other kinds and messages too short for their kind are skipped.
QList<LinkMessage> ReadLinkMessages(const char *buffer, size_t size);

// The kernel's link and address notifications (rtnetlink): tells when a
// network interface appears, changes or goes, or an address comes or goes,
// without looking at anything in between. IPv4 addresses only, unless IPv6
// ones are asked for too.
class LinkWatcher : public QObject
{
    Q_OBJECT

public:
    explicit LinkWatcher(QObject *parent = nullptr);
    ~LinkWatcher() override;

    enum class Addresses { IPv4, IPv4AndIPv6 };

    // False when the notifications cannot be had; nothing is reported then.
    bool open(Addresses addresses = Addresses::IPv4);
    bool isOpen() const { return m_fd >= 0; }

Q_SIGNALS:
    // present is false when the interface was removed.
    void linkChanged(int index, const QString &name, bool present);
    void addressChanged(int index);
    // The kernel dropped notifications: whatever was missed must be looked up.
    void overflowed();

private:
    void readMessages();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

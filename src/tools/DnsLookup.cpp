#include "tools/DnsLookup.h"

#include "core/Errors.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {

bool isDottedAddress(const QString &text, QHostAddress *address = nullptr)
{
    QHostAddress a;
    if (!a.setAddress(text) || a.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    // QHostAddress also takes "1" or "1.2" the way inet_aton does; only the
    // four-part form counts here.
    if (text.count(QLatin1Char('.')) != 3)
        return false;
    if (address)
        *address = a;
    return true;
}

void checkName(const QString &name)
{
    if (name.trimmed().isEmpty())
        throw TallylineError(QStringLiteral("DNS lookup: invalid host name."));
}

} // namespace

TDnsLookup::~TDnsLookup()
{
    CancelDnsLookup();
}

void TDnsLookup::DnsLookup(const QString &name)
{
    checkName(name);
    CancelDnsLookup();
    const QString host = name.trimmed();
    if (isDottedAddress(host)) {
        DnsResult = host;
        DnsResultList.clear();
        Q_EMIT OnDnsLookupDone(0);
        return;
    }
    start(host, false);
}

void TDnsLookup::ReverseDnsLookup(const QString &address)
{
    checkName(address);
    const QString text = address.trimmed();
    if (!isDottedAddress(text))
        throw TallylineError(QStringLiteral("Reverse DNS lookup: '%1' is not an address.").arg(text));
    CancelDnsLookup();
    start(text, true);
}

void TDnsLookup::CancelDnsLookup()
{
    if (m_lookupId < 0)
        return;
    QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
}

void TDnsLookup::start(const QString &name, bool reverse)
{
    DnsResult.clear();
    DnsResultList.clear();
    // The id is only known once lookupHost returns; a completion always
    // comes later, through the event loop.
    m_lookupId = QHostInfo::lookupHost(name, this, [this, reverse, name](const QHostInfo &info) {
        if (info.lookupId() != m_lookupId)
            return;
        finished(info, reverse, name);
    });
}

void TDnsLookup::finished(const QHostInfo &info, bool reverse, const QString &asked)
{
    m_lookupId = -1;
    if (info.error() != QHostInfo::NoError) {
        Q_EMIT OnDnsLookupDone(info.error() == QHostInfo::HostNotFound ? HostNotFound : TryAgain);
        return;
    }
    if (reverse) {
        // Without a name for the address the resolver hands the address back.
        if (info.hostName().isEmpty() || info.hostName() == asked) {
            Q_EMIT OnDnsLookupDone(NoData);
            return;
        }
        DnsResult = info.hostName();
        DnsResultList = QStringList{DnsResult};
        Q_EMIT OnDnsLookupDone(0);
        return;
    }
    QStringList v4;
    QStringList others;
    for (const QHostAddress &a : info.addresses()) {
        const QString text = a.toString();
        QStringList &list = a.protocol() == QAbstractSocket::IPv4Protocol ? v4 : others;
        if (!list.contains(text))
            list.append(text);
    }
    DnsResultList = v4 + others;
    if (DnsResultList.isEmpty()) {
        Q_EMIT OnDnsLookupDone(NoData);
        return;
    }
    DnsResult = DnsResultList.first();
    Q_EMIT OnDnsLookupDone(0);
}

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QHostInfo;

// Name and address look-ups that complete on the user-interface thread.
// A look-up of a dotted address needs no query: it completes at once.
class TDnsLookup : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~TDnsLookup() override;

    // The addresses of a host: DnsResultList holds every one (IPv4 first),
    // DnsResult the first. Throws for an empty name.
    void DnsLookup(const QString &name);
    // The name of a dotted IPv4 address: DnsResult and DnsResultList hold it.
    // Throws for an empty text or one that is no such address.
    void ReverseDnsLookup(const QString &address);
    // Forgets the query in progress; no completion follows.
    void CancelDnsLookup();
    bool busy() const { return m_lookupId >= 0; }

    QString DnsResult;
    QStringList DnsResultList;

    // The error codes a completion carries.
    static constexpr int HostNotFound = 11001;
    static constexpr int TryAgain = 11002;
    static constexpr int NoData = 11004;

Q_SIGNALS:
    // 0 for success.
    void OnDnsLookupDone(int error);

private:
    void start(const QString &name, bool reverse);
    void finished(const QHostInfo &info, bool reverse, const QString &asked);

    int m_lookupId = -1;
};

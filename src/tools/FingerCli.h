#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

class QHostInfo;

// The finger client: asks the host of "user@host" on its finger port about
// the user and passes on what comes back. Only the user part is sent: sent
// whole, the query would ask the host to forward it to itself, which finger
// servers refuse. Everything completes through the event loop.
class TFingerCli : public QObject
{
    Q_OBJECT

public:
    explicit TFingerCli(QObject *parent = nullptr);
    ~TFingerCli() override;

    // "user@host".
    QString Query;
    // The finger service; another port only for tests.
    quint16 Port = 79;
    // How long a connection may take before the host counts as unreachable.
    int ConnectTimeoutMs = 20000;

    // Starts the query. Throws for a query without "@" or without a host.
    void StartQuery();
    // Reads what has arrived, up to length bytes; returns the count.
    qint64 Receive(char *buffer, qint64 length);
    // Ends the query in progress; it completes with Cancelled.
    void Abort();
    bool busy() const { return m_running; }

    // Completion codes.
    static constexpr int Cancelled = 10004;
    static constexpr int HostUnreachable = 10060;
    static constexpr int ConnectionRefused = 10061;
    static constexpr int HostNotFound = 11001;

Q_SIGNALS:
    void OnSessionConnected(int error);
    void OnDataAvailable(int error);
    // Raised once per query.
    void OnQueryDone(int error);

private:
    void connectTo(const QString &address);
    void lookupDone(const QHostInfo &info);
    void socketError(QAbstractSocket::SocketError error);
    void finish(int error);

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QByteArray m_request;
    int m_lookupId = -1;
    bool m_running = false;
    bool m_connected = false;
    bool m_done = true;
};

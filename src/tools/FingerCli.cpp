#include "tools/FingerCli.h"

#include "core/Errors.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {

int codeFor(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return TFingerCli::ConnectionRefused;
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError: return TFingerCli::HostUnreachable;
    case QAbstractSocket::HostNotFoundError: return TFingerCli::HostNotFound;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::AddressInUseError: return 10048;
    default: return 10053;  // the connection was dropped on our side
    }
}

} // namespace

TFingerCli::TFingerCli(QObject *parent) : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        Q_EMIT OnSessionConnected(HostUnreachable);
        finish(HostUnreachable);
        m_socket.abort();
    });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer.stop();
        m_connected = true;
        Q_EMIT OnSessionConnected(0);
        if (!m_running)
            return;
        m_socket.write(m_request);
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        if (m_running)
            Q_EMIT OnDataAvailable(0);
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TFingerCli::socketError);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        // Whatever came with the close is handed on before the end.
        if (m_running && m_socket.bytesAvailable() > 0)
            Q_EMIT OnDataAvailable(0);
        finish(0);
    });
}

TFingerCli::~TFingerCli()
{
    m_running = false;
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_socket.disconnect(this);
    m_socket.abort();
}

void TFingerCli::StartQuery()
{
    const qsizetype at = Query.indexOf(QLatin1Char('@'));
    if (at < 0)
        throw TallylineError(QStringLiteral("TFingerCli, Invalid Query: %1").arg(Query));
    const QString host = Query.mid(at + 1).trimmed();
    if (host.isEmpty())
        throw TallylineError(QStringLiteral("TFingerCli, Invalid Host in query: %1").arg(Query));

    // A query still running gives way to the new one without a word.
    m_done = true;
    m_running = false;
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    m_socket.abort();
    m_connectTimer.stop();

    m_request = Query.left(at).toUtf8() + "\r\n";
    m_done = false;
    m_running = true;
    m_connected = false;
    QHostAddress address;
    if (address.setAddress(host)) {
        connectTo(address.toString());
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, [this](const QHostInfo &info) {
        if (info.lookupId() == m_lookupId)
            lookupDone(info);
    });
}

void TFingerCli::lookupDone(const QHostInfo &info)
{
    m_lookupId = -1;
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        finish(HostNotFound);
        return;
    }
    QHostAddress chosen = info.addresses().first();
    for (const QHostAddress &a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = a;
            break;
        }
    }
    connectTo(chosen.toString());
}

void TFingerCli::connectTo(const QString &address)
{
    m_connectTimer.start(ConnectTimeoutMs);
    m_socket.connectToHost(QHostAddress(address), Port);
}

void TFingerCli::socketError(QAbstractSocket::SocketError error)
{
    // The server ending the answer is the ordinary end of a query.
    if (error == QAbstractSocket::RemoteHostClosedError || !m_running)
        return;
    m_connectTimer.stop();
    const int code = codeFor(error);
    if (!m_connected)
        Q_EMIT OnSessionConnected(code);
    finish(code);
    m_socket.abort();
}

qint64 TFingerCli::Receive(char *buffer, qint64 length)
{
    const qint64 n = m_socket.read(buffer, length);
    return n < 0 ? 0 : n;
}

void TFingerCli::Abort()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    // Done before the socket goes, so that its close is not taken for the
    // server's ordinary end of the answer.
    finish(Cancelled);
    m_socket.abort();
}

void TFingerCli::finish(int error)
{
    m_running = false;
    m_connectTimer.stop();
    if (m_done)
        return;
    m_done = true;
    Q_EMIT OnQueryDone(error);
}

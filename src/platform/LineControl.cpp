#include "platform/LineControl.h"

#include "platform/SimulatedDialUpNetwork.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace LineControl {

QString socketName(const QString &dataDirectory)
{
    const QString canonical = QFileInfo(dataDirectory).canonicalFilePath();
    const QString path = QDir::cleanPath(canonical.isEmpty() ? QDir(dataDirectory).absolutePath() : canonical);
    const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("tallyline-line-%1-%2").arg(geteuid()).arg(QString::fromLatin1(digest));
}

QString defaultDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kelmora/Tallyline");
}

bool send(const QString &name, const QString &request, QString *answer, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        const bool absent = socket.error() == QLocalSocket::ServerNotFoundError
            || socket.error() == QLocalSocket::ConnectionRefusedError;
        *answer = absent ? QStringLiteral("no Tallyline with a simulated line is running for this data directory")
                         : socket.errorString();
        return false;
    }
    socket.write(request.toUtf8() + '\n');
    socket.flush();
    QByteArray reply;
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    reply += socket.readAll();
    if (reply.isEmpty()) {
        *answer = QStringLiteral("the program did not answer");
        return false;
    }
    *answer = QString::fromUtf8(reply);
    return true;
}

} // namespace LineControl

LineControlServer::LineControlServer(SimulatedDialUpNetwork &line, const QString &socketName, QObject *parent)
    : QObject(parent), m_line(line), m_socketName(socketName), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
}

LineControlServer::~LineControlServer() = default;

bool LineControlServer::listen()
{
    // A socket left behind by a program that crashed; only one program runs
    // per data directory, so it is not in use.
    QLocalServer::removeServer(m_socketName);
    return m_server->listen(m_socketName);
}

QString LineControlServer::errorString() const
{
    return m_server->errorString();
}

void LineControlServer::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > 4096)
                socket->abort();
            return;
        }
        const QString request = QString::fromUtf8(socket->readLine(4096)).trimmed();
        socket->write(handle(request).toUtf8());
        socket->disconnectFromServer();
    });
}

QString LineControlServer::handle(const QString &request)
{
    const QString command = request.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const QString rest = request.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).trimmed();

    if (command == QLatin1String("connect")) {
        if (rest.isEmpty())
            return QStringLiteral("error connect needs an entry name\n");
        m_line.connectNow(rest);
        return QStringLiteral("ok connected %1\n").arg(rest);
    }
    if (command == QLatin1String("drop")) {
        if (!request.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).isEmpty())
            return QStringLiteral("error drop takes no arguments\n");
        return m_line.drop() ? QStringLiteral("ok dropped\n") : QStringLiteral("ok the line was already down\n");
    }
    if (command == QLatin1String("traffic")) {
        const QStringList values = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool rxOk = false;
        bool txOk = false;
        const qint64 rx = values.size() == 2 ? values[0].toLongLong(&rxOk) : 0;
        const qint64 tx = values.size() == 2 ? values[1].toLongLong(&txOk) : 0;
        if (!rxOk || !txOk || rx < 0 || tx < 0)
            return QStringLiteral("error traffic needs two byte rates (received and transmitted bytes per second)\n");
        m_line.setTraffic(rx, tx);
        return QStringLiteral("ok traffic %1 %2\n").arg(rx).arg(tx);
    }
    if (command == QLatin1String("busy")) {
        bool ok = false;
        const int calls = rest.toInt(&ok);
        if (!ok || calls < 0)
            return QStringLiteral("error busy needs a number of calls\n");
        m_line.setBusyCalls(calls);
        return QStringLiteral("ok the next %1 calls find the line busy\n").arg(calls);
    }
    if (command == QLatin1String("status")) {
        QString text = QStringLiteral("ok\n");
        const QList<DialUpConnection> list = m_line.connections();
        if (list.isEmpty()) {
            text += QStringLiteral("line: down\n");
        } else {
            const DialUpConnection &c = list.first();
            text += QStringLiteral("line: %1\n").arg(c.state == RasState::Connected ? QStringLiteral("up") : QStringLiteral("dialling"));
            text += QStringLiteral("entry: %1\n").arg(c.entryName);
            text += QStringLiteral("state: %1 (%2)\n").arg(c.state).arg(RasStateText(c.state));
            if (const std::optional<LinkCounters> counters = m_line.linkCounters(c.interfaceName)) {
                text += QStringLiteral("received: %1\n").arg(counters->receivedBytes);
                text += QStringLiteral("transmitted: %1\n").arg(counters->transmittedBytes);
            }
        }
        text += QStringLiteral("traffic: %1 %2\n").arg(m_line.receiveRate()).arg(m_line.transmitRate());
        if (m_statusReport)
            text += m_statusReport();
        return text;
    }
    if (m_programRequests) {
        if (std::optional<QString> answer = m_programRequests(command, rest))
            return *answer;
    }
    return QStringLiteral("error unknown request \"%1\"; use connect ENTRY, drop, traffic RX TX, busy N, status, "
                          "boxes or answer BUTTON\n")
        .arg(request);
}

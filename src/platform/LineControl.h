#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;
class SimulatedDialUpNetwork;

// The control channel of the simulated line: a local socket in the running
// program that the companion command "tallyline-line" talks to. One request
// line per connection ("connect ENTRY", "drop", "traffic RX TX", "status");
// the answer starts with "ok" or "error" and the socket then closes.
namespace LineControl {

// The socket name for a data directory; per user, so that two users or two
// test runs with their own data directories never meet.
QString socketName(const QString &dataDirectory);

// The data directory the program uses when none is given.
QString defaultDataDirectory();

// Sends one request and returns the answer; false (with the reason in
// *answer) when no program answers.
bool send(const QString &socketName, const QString &request, QString *answer, int timeoutMs = 5000);

} // namespace LineControl

class LineControlServer : public QObject
{
    Q_OBJECT

public:
    LineControlServer(SimulatedDialUpNetwork &line, const QString &socketName, QObject *parent = nullptr);
    ~LineControlServer() override;

    bool listen();
    QString errorString() const;

    // Extra "status" lines from the program (its connection flags).
    void setStatusReport(std::function<QString()> report) { m_statusReport = std::move(report); }

    QString handle(const QString &request);

private:
    void serve(QLocalSocket *socket);

    SimulatedDialUpNetwork &m_line;
    QString m_socketName;
    QLocalServer *m_server;
    std::function<QString()> m_statusReport;
};

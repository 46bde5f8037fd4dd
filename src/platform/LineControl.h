#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;
class SimulatedDialUpNetwork;

// The control channel of the simulated line: a local socket in the running
// program that the companion command "tallyline-line" talks to. One request
// line per connection ("connect ENTRY", "drop", "traffic RX TX", "status");
// the answer starts with "ok" or "error" and the socket then closes. The
// program may answer further requests of its own (its open message boxes).
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

    // Requests the program answers itself ("boxes", "answer BUTTON"): given
    // the request's first word and the rest, the answer, or nothing when the
    // word is not one of them.
    using ProgramRequests = std::function<std::optional<QString>(const QString &command, const QString &rest)>;
    void setProgramRequests(ProgramRequests requests) { m_programRequests = std::move(requests); }

    QString handle(const QString &request);

private:
    void serve(QLocalSocket *socket);

    SimulatedDialUpNetwork &m_line;
    QString m_socketName;
    QLocalServer *m_server;
    std::function<QString()> m_statusReport;
    ProgramRequests m_programRequests;
};

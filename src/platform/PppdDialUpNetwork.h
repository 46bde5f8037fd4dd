#pragma once

#include "platform/DialUpNetwork.h"

#include <QTimer>

#include <functional>
#include <map>
#include <set>
#include <memory>

class QSocketNotifier;

// Where pppd and the kernel keep what the backend reads; tests point these
// at a fake pppd and a fake tree.
struct PppdPaths {
    QString peersDirectory = QStringLiteral("/etc/ppp/peers");
    QString pppdProgram = QStringLiteral("/usr/sbin/pppd");
    QString sysfsNetRoot = QStringLiteral("/sys/class/net");
    QString runDirectory = QStringLiteral("/run");   // where pppd leaves pppN.pid
    QString procRoot = QStringLiteral("/proc");
};

// Dial-up networking through pppd. The phone book is the peers folder; a
// call runs "pppd call ENTRY nodetach" and its log lines become the dial
// states; the active connections are the running pppd processes and their
// pppN interfaces; counters come from the interface's kernel statistics.
//
// Exit statuses of pppd become error codes PppdExitBase + status, except a
// call ended by a signal (hang-up), which is UserDisconnection.
class PppdDialUpNetwork : public DialUpNetwork
{
    Q_OBJECT

public:
    using Paths = PppdPaths;
    static constexpr int PppdExitBase = 1000;

    explicit PppdDialUpNetwork(const Paths &paths = Paths(), QObject *parent = nullptr);
    ~PppdDialUpNetwork() override;

    QStringList entries() override;
    QList<DialUpConnection> connections() override;
    int dial(const QString &entry, qint64 *handle) override;
    bool hangUp(qint64 handle) override;
    bool isActive(qint64 handle) override;
    std::optional<LinkCounters> linkCounters(const QString &interfaceName) override;
    QString errorText(int errorCode) const override;

    // Whether an interface has an IPv4 address; the system's by default.
    void setAddressProbe(std::function<bool(const QString &)> probe) { m_hasIPv4 = std::move(probe); }

    const Paths &paths() const { return m_paths; }

private:
    struct Call;
    struct ProcessInfo;

    void readOutput(Call &call);
    void handleLine(Call &call, const QString &line);
    void advance(Call &call, int state);
    void reapChildren();
    void finishCall(qint64 handle, int waitStatus);
    void report(qint64 handle, int state, int errorCode);
    std::optional<ProcessInfo> pppdProcess(qint64 pid) const;
    QList<ProcessInfo> pppdProcesses() const;
    QString interfaceFromPidFiles(qint64 pid) const;
    int interfaceState(const QString &interfaceName) const;

    Paths m_paths;
    QString m_comm;   // the kernel's name for a running pppd
    std::function<bool(const QString &)> m_hasIPv4;
    std::map<qint64, std::unique_ptr<Call>> m_calls;
    // pppd processes asked to end that are still running: their link may
    // still be up for a moment, but the call is over.
    std::set<qint64> m_ending;
    QTimer m_reapTimer;
};

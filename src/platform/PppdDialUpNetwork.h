#pragma once

#include "platform/DialUpNetwork.h"

#include <QTimer>

#include <functional>
#include <map>
#include <set>
#include <memory>
#include <optional>

class QSocketNotifier;
class LinkWatcher;
class PidFileWatcher;

// Where pppd and the kernel keep what the backend reads; tests point these
// at a fake pppd and a fake tree.
struct PppdPaths {
    QString peersDirectory = QStringLiteral("/etc/ppp/peers");
    QString pppdProgram = QStringLiteral("/usr/sbin/pppd");
    QString sysfsNetRoot = QStringLiteral("/sys/class/net");
    QString runDirectory = QStringLiteral("/run");   // where pppd leaves pppN.pid
    QString oldRunDirectory = QStringLiteral("/var/run");   // the same on older systems, often a link to /run
    QString procRoot = QStringLiteral("/proc");
    // Off: do without the kernel's link notifications, as where they cannot
    // be had. They are only used where the interface tree is the kernel's.
    bool linkNotifications = true;
};

// What pppd and the kernel tell in text, read on its own so that any text
// can be given to it.

// Takes the whole lines out of pppd's output so far, trimmed; a partial
// last line stays in pending.
QStringList TakePppdOutputLines(QByteArray &pending);

// The dial state one line of pppd's output means (state -1 for none), and
// the interface it names ("Using interface ppp0", "Connect: ppp0 <--> ...").
struct PppdProgress {
    int state = -1;
    QString interfaceName;
};
PppdProgress ReadPppdOutputLine(const QString &line);

// A pppN.pid or ppp-LINK.pid file: the process id on the first line (0 when
// there is none), and the interface, from the second line or else from a
// "pppN" file name (baseName, without ".pid").
struct PppdPidFile {
    qint64 pid = 0;
    QString interfaceName;
};
PppdPidFile ReadPppdPidFile(const QByteArray &text, const QString &baseName);

// The parent process of /proc/PID/stat; none for a zombie or unreadable text.
std::optional<qint64> ReadProcStatParent(const QByteArray &stat);
// The arguments of /proc/PID/cmdline.
QStringList ReadProcCmdline(const QByteArray &cmdline);

// What a pppd command line says about its connection.
struct PppdOptions {
    QString entryName;       // "call ENTRY"
    QString unitInterface;   // "ifname NAME" or "unit N"
};
PppdOptions ReadPppdOptions(const QStringList &arguments);

// Dial-up networking through pppd. The phone book is the peers folder; a
// call runs "pppd call ENTRY nodetach" and its log lines become the dial
// states; the active connections are the running pppd processes and their
// pppN interfaces; counters come from the interface's kernel statistics.
//
// The connection list is asked for every second, so it is kept in memory:
// the process table is read once at start, then pppd processes are learnt
// of from our own calls, from their pid files appearing (inotify) and from
// ppp links appearing (rtnetlink), and each is dropped when its process
// handle says it ended. Where one of these cannot be had, every question
// reads the process table again, as nothing may be missed.
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
    void setAddressProbe(std::function<bool(const QString &)> probe)
    {
        m_hasIPv4 = std::move(probe);
        m_systemAddressProbe = false;
        m_interfaceStates.clear();
    }

    const Paths &paths() const { return m_paths; }

    // How often the process table has been read: once at start, then only
    // when an event asks for it (or on every question without events).
    int processScans() const { return m_processScans; }
    bool watchesEvents() const { return !m_scanEveryQuery; }

private:
    struct Call;
    struct ProcessInfo;
    struct Tracked;

    void readOutput(Call &call);
    void handleLine(Call &call, const QString &line);
    void advance(Call &call, int state);
    void reapChildren();
    void finishCall(qint64 handle, int waitStatus);
    void report(qint64 handle, int state, int errorCode);
    std::optional<ProcessInfo> pppdProcess(qint64 pid) const;
    QList<ProcessInfo> pppdProcesses() const;
    int interfaceState(const QString &interfaceName) const;
    int rememberedInterfaceState(const QString &interfaceName);
    void openEventSources();
    void scanProcesses();
    void readPidFiles();
    void adoptPidFileProcesses();
    bool track(qint64 pid, const ProcessInfo *known);
    void dropEnded();
    void onProcessEnded();
    void onLinkChanged(int index, const QString &name, bool present);
    QString interfaceOf(qint64 pid, const Tracked &t) const;
    QStringList pidFileFolders() const;

    Paths m_paths;
    QString m_comm;   // the kernel's name for a running pppd
    std::function<bool(const QString &)> m_hasIPv4;
    std::map<qint64, std::unique_ptr<Call>> m_calls;
    // pppd processes asked to end that are still running: their link may
    // still be up for a moment, but the call is over.
    std::set<qint64> m_ending;
    QTimer m_reapTimer;

    // The pppd processes known to be running, by process id.
    std::map<qint64, std::unique_ptr<Tracked>> m_tracked;
    // What the pid files say: process id to interface name.
    std::map<qint64, QString> m_pidFileInterfaces;
    std::set<qint64> m_pidFileProcesses;   // every process a pid file names
    // ppp links whose owner was already looked for in the process table.
    std::set<int> m_linksLookedUp;
    // Interface states read since the last link or address notification.
    std::map<QString, int> m_interfaceStates;
    bool m_systemAddressProbe = true;
    std::unique_ptr<LinkWatcher> m_links;
    std::unique_ptr<PidFileWatcher> m_pidFiles;
    bool m_scanEveryQuery = false;
    bool m_exitCheckQueued = false;
    int m_processScans = 0;
};

#include "platform/PppdDialUpNetwork.h"

#include "platform/LinkWatcher.h"
#include "platform/PidFileWatcher.h"
#include "platform/ProcessHandle.h"
#include "platform/SysfsLinkCounters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

struct PppdDialUpNetwork::Call {
    qint64 pid = 0;
    int outputFd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray pending;
    QString entry;
    QString interfaceName;
    int state = RasState::OpenPort;
    bool connected = false;

    ~Call()
    {
        notifier.reset();
        if (outputFd >= 0)
            ::close(outputFd);
    }
};

struct PppdDialUpNetwork::ProcessInfo {
    qint64 pid = 0;
    qint64 parentPid = 0;
    QStringList arguments;
};

struct PppdDialUpNetwork::Tracked {
    ProcessHandle process;
    std::unique_ptr<QSocketNotifier> exitNotifier;   // before the handle it watches goes
    QString entryName;        // "call ENTRY"
    QString unitInterface;    // "ifname NAME" or "unit N"
};

namespace {

bool hasSystemIPv4Address(const QString &interfaceName)
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    const QByteArray name = interfaceName.toLocal8Bit();
    bool found = false;
    for (ifaddrs *a = list; a && !found; a = a->ifa_next)
        found = a->ifa_addr && a->ifa_addr->sa_family == AF_INET && name == a->ifa_name;
    freeifaddrs(list);
    return found;
}

bool isPlainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.'))
        && !name.startsWith(QLatin1Char('-')) && !name.contains(QChar(0));
}

const QRegularExpression &usingInterfacePattern()
{
    static const QRegularExpression re(QStringLiteral("^Using interface (\\S+)"));
    return re;
}

const QRegularExpression &connectPattern()
{
    static const QRegularExpression re(QStringLiteral("^Connect: (\\S+) <-->"));
    return re;
}

const QRegularExpression &authenticatedPattern()
{
    static const QRegularExpression re(QStringLiteral("^(PAP|CHAP|EAP|MS-CHAP\\S*) authentication succeeded"));
    return re;
}

const QRegularExpression &localAddressPattern()
{
    static const QRegularExpression re(QStringLiteral("^local\\s+IP address \\S+"));
    return re;
}

} // namespace

QStringList TakePppdOutputLines(QByteArray &pending)
{
    QStringList lines;
    qsizetype newline;
    while ((newline = pending.indexOf('\n')) >= 0) {
        lines.append(QString::fromLocal8Bit(pending.left(newline)).trimmed());
        pending.remove(0, newline + 1);
    }
    return lines;
}

PppdProgress ReadPppdOutputLine(const QString &line)
{
    PppdProgress progress;
    QRegularExpressionMatch m;
    if (line.startsWith(QLatin1String("Serial connection established"))) {
        progress.state = RasState::DeviceConnected;
    } else if ((m = usingInterfacePattern().match(line)).hasMatch()) {
        progress.state = RasState::AllDevicesConnected;
        progress.interfaceName = m.captured(1);
    } else if ((m = connectPattern().match(line)).hasMatch()) {
        progress.state = RasState::Authenticate;
        progress.interfaceName = m.captured(1);
    } else if (authenticatedPattern().match(line).hasMatch()) {
        progress.state = RasState::Authenticated;
    } else if (localAddressPattern().match(line).hasMatch()) {
        progress.state = RasState::Connected;
    }
    return progress;
}

PppdPidFile ReadPppdPidFile(const QByteArray &text, const QString &baseName)
{
    static const QRegularExpression unitName(QStringLiteral("^ppp\\d+$"));
    PppdPidFile file;
    const QList<QByteArray> lines = text.split('\n');
    bool ok = false;
    const qint64 pid = lines.isEmpty() ? 0 : lines[0].trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return file;
    file.pid = pid;
    if (lines.size() > 1 && !lines[1].trimmed().isEmpty())
        file.interfaceName = QString::fromLocal8Bit(lines[1].trimmed());   // ppp-<linkname>.pid
    else if (unitName.match(baseName).hasMatch())
        file.interfaceName = baseName;
    return file;
}

std::optional<qint64> ReadProcStatParent(const QByteArray &stat)
{
    // "pid (comm) S ppid ...": the fields after the last ')' are plain.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields[0] == "Z" || fields[0] == "X")
        return std::nullopt;
    return fields[1].toLongLong();
}

QStringList ReadProcCmdline(const QByteArray &cmdline)
{
    QStringList arguments;
    for (const QByteArray &a : cmdline.split('\0'))
        arguments.append(QString::fromLocal8Bit(a));
    while (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    return arguments;
}

PppdOptions ReadPppdOptions(const QStringList &args)
{
    PppdOptions options;
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("call"))
            options.entryName = args[i + 1];
        else if (args[i] == QLatin1String("ifname"))
            options.unitInterface = args[i + 1];
        else if (args[i] == QLatin1String("unit") && options.unitInterface.isEmpty())
            options.unitInterface = QStringLiteral("ppp") + args[i + 1];
    }
    return options;
}

PppdDialUpNetwork::PppdDialUpNetwork(const Paths &paths, QObject *parent)
    : DialUpNetwork(parent)
    , m_paths(paths)
    , m_comm(QFileInfo(paths.pppdProgram).fileName().left(15))
    , m_hasIPv4(hasSystemIPv4Address)
{
    m_reapTimer.setInterval(100);
    connect(&m_reapTimer, &QTimer::timeout, this, &PppdDialUpNetwork::reapChildren);
    // Watching first, then reading: what starts in between is seen twice
    // rather than not at all.
    openEventSources();
    readPidFiles();
    scanProcesses();
}

QStringList PppdDialUpNetwork::pidFileFolders() const
{
    QStringList folders{m_paths.runDirectory};
    const QString main = QFileInfo(m_paths.runDirectory).canonicalFilePath();
    const QString old = QFileInfo(m_paths.oldRunDirectory).canonicalFilePath();
    if (!m_paths.oldRunDirectory.isEmpty() && !old.isEmpty() && old != main)
        folders.append(m_paths.oldRunDirectory);
    return folders;
}

void PppdDialUpNetwork::openEventSources()
{
    bool complete = ProcessHandle::supported();

    m_pidFiles = std::make_unique<PidFileWatcher>();
    if (m_pidFiles->open(pidFileFolders())) {
        connect(m_pidFiles.get(), &PidFileWatcher::pidFilesChanged, this, [this] {
            readPidFiles();
            adoptPidFileProcesses();
        });
        connect(m_pidFiles.get(), &PidFileWatcher::overflowed, this, [this] {
            readPidFiles();
            scanProcesses();
        });
        connect(m_pidFiles.get(), &PidFileWatcher::lost, this, [this] { m_scanEveryQuery = true; });
    } else {
        m_pidFiles.reset();
        complete = false;
    }

    // Link notifications speak of the kernel's interfaces; a tree of
    // another place (a test's) has no notifications to give.
    if (QDir::cleanPath(m_paths.sysfsNetRoot) == QLatin1String("/sys/class/net")) {
        m_links = std::make_unique<LinkWatcher>();
        if (m_paths.linkNotifications && m_links->open()) {
            connect(m_links.get(), &LinkWatcher::linkChanged, this, &PppdDialUpNetwork::onLinkChanged);
            connect(m_links.get(), &LinkWatcher::addressChanged, this, [this] { m_interfaceStates.clear(); });
            connect(m_links.get(), &LinkWatcher::overflowed, this, [this] {
                m_interfaceStates.clear();
                readPidFiles();
                scanProcesses();
            });
        } else {
            m_links.reset();
            complete = false;
        }
    }
    m_scanEveryQuery = !complete;
}

void PppdDialUpNetwork::readPidFiles()
{
    m_pidFileInterfaces.clear();
    m_pidFileProcesses.clear();
    for (const QString &folder : pidFileFolders()) {
        const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("ppp*.pid")}, QDir::Files, QDir::Name);
        for (const QFileInfo &f : files) {
            const PppdPidFile file = ReadPppdPidFile(ReadSmallSystemFile(f.filePath()), f.completeBaseName());
            if (file.pid <= 0)
                continue;
            // A link-name file names its process before the link exists.
            m_pidFileProcesses.insert(file.pid);
            if (!file.interfaceName.isEmpty())
                m_pidFileInterfaces.emplace(file.pid, file.interfaceName);   // the first file of a process counts
        }
    }
}

void PppdDialUpNetwork::adoptPidFileProcesses()
{
    for (qint64 pid : m_pidFileProcesses)
        track(pid, nullptr);
}

bool PppdDialUpNetwork::track(qint64 pid, const ProcessInfo *known)
{
    if (m_tracked.count(pid))
        return true;
    const bool own = m_calls.count(pid) > 0;
    auto t = std::make_unique<Tracked>();
    // The handle is taken before the process is read, so what is read
    // belongs to the process the handle holds, not to a later one of that id.
    t->process = ProcessHandle(pid);
    std::optional<ProcessInfo> info;
    if (known)
        info = *known;
    else if (!own)
        info = pppdProcess(pid);
    if (!own && !info)
        return false;
    // No handle where handles exist means the process is already gone (and
    // reaped): kept, nothing would ever drop it.
    if (!t->process.isValid() && ProcessHandle::supported())
        return false;
    if (t->process.isValid() && t->process.hasEnded())
        return false;
    if (info) {
        const PppdOptions options = ReadPppdOptions(info->arguments);
        t->entryName = options.entryName;
        t->unitInterface = options.unitInterface;
    }
    if (t->process.isValid()) {
        t->exitNotifier = std::make_unique<QSocketNotifier>(t->process.descriptor(), QSocketNotifier::Read);
        QSocketNotifier *notifier = t->exitNotifier.get();
        const ProcessHandle *process = &t->process;
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, process] {
            // A word meant for an earlier descriptor of that number is not an end.
            if (!process->hasEnded())
                return;
            // A handle stays readable once its process ended; one word is enough.
            notifier->setEnabled(false);
            if (m_exitCheckQueued)
                return;
            m_exitCheckQueued = true;
            QMetaObject::invokeMethod(this, &PppdDialUpNetwork::onProcessEnded, Qt::QueuedConnection);
        });
    }
    m_tracked[pid] = std::move(t);
    return true;
}

void PppdDialUpNetwork::onProcessEnded()
{
    m_exitCheckQueued = false;
    if (!m_calls.empty())
        reapChildren();
    dropEnded();
}

void PppdDialUpNetwork::dropEnded()
{
    std::erase_if(m_tracked, [](const auto &entry) {
        return entry.second->process.isValid() && entry.second->process.hasEnded();
    });
    std::erase_if(m_ending, [this](qint64 pid) { return m_tracked.count(pid) == 0; });
}

void PppdDialUpNetwork::scanProcesses()
{
    ++m_processScans;
    const QList<ProcessInfo> found = pppdProcesses();
    std::set<qint64> seen;
    for (const ProcessInfo &p : found) {
        seen.insert(p.pid);
        track(p.pid, &p);
    }
    // What the table no longer shows has ended, or is no pppd any more.
    std::erase_if(m_tracked, [&](const auto &entry) {
        return !seen.count(entry.first) && !m_calls.count(entry.first);
    });
    std::erase_if(m_ending, [this](qint64 pid) { return m_tracked.count(pid) == 0; });
}

void PppdDialUpNetwork::onLinkChanged(int index, const QString &name, bool present)
{
    // Any change may be a rename too; they are rare, so all is read again.
    m_interfaceStates.clear();
    if (!present) {
        m_linksLookedUp.erase(index);
        return;
    }
    if (!name.startsWith(QLatin1String("ppp")) || m_linksLookedUp.count(index))
        return;
    for (const auto &[pid, t] : m_tracked)
        if (interfaceOf(pid, *t) == name)
            return;
    // A ppp link nobody here claims: a pppd started elsewhere may own it.
    // Looked up once per link, not on each of its changes.
    m_linksLookedUp.insert(index);
    readPidFiles();
    scanProcesses();
}

QString PppdDialUpNetwork::interfaceOf(qint64 pid, const Tracked &t) const
{
    const auto own = m_calls.find(pid);
    if (own != m_calls.end() && !own->second->interfaceName.isEmpty())
        return own->second->interfaceName;
    const auto fromFile = m_pidFileInterfaces.find(pid);
    if (fromFile != m_pidFileInterfaces.end())
        return fromFile->second;
    return t.unitInterface;
}

// Calls in progress are left running: leaving the program must not drop the
// line. They ignore the broken output pipe (see dial).
PppdDialUpNetwork::~PppdDialUpNetwork() = default;

QStringList PppdDialUpNetwork::entries()
{
    QStringList names;
    const QFileInfoList files = QDir(m_paths.peersDirectory).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &f : files) {
        const QString name = f.fileName();
        // Editor and package-manager leftovers are not phone-book entries.
        if (!isPlainName(name) || name.endsWith(QLatin1Char('~')) || name.contains(QLatin1String(".dpkg-"))
            || name.endsWith(QLatin1String(".bak")))
            continue;
        names.append(name);
    }
    return names;
}

int PppdDialUpNetwork::dial(const QString &entry, qint64 *handle)
{
    if (!isPlainName(entry) || !QFileInfo(QDir(m_paths.peersDirectory).filePath(entry)).isFile())
        return DialError::NoSuchEntry;

    const QByteArray program = QFile::encodeName(m_paths.pppdProgram);
    const QByteArray entryBytes = QFile::encodeName(entry);
    const char *argv[] = {program.constData(), "call", entryBytes.constData(), "nodetach", nullptr};

    int output[2];
    int execStatus[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return DialError::CannotStart;
    if (pipe2(execStatus, O_CLOEXEC) != 0) {
        ::close(output[0]);
        ::close(output[1]);
        return DialError::CannotStart;
    }

    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        setsid();
        signal(SIGPIPE, SIG_IGN);   // outlives us when we exit first
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            dup2(devNull, 0);
        dup2(output[1], 1);
        dup2(output[1], 2);
        // Nothing else of ours (database, sockets) goes into pppd.
        syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */);
        execv(argv[0], const_cast<char *const *>(argv));
        const int error = errno;
        if (write(execStatus[1], &error, sizeof error) < 0) {
        }
        _exit(127);
    }
    ::close(output[1]);
    ::close(execStatus[1]);
    if (pid < 0) {
        ::close(output[0]);
        ::close(execStatus[0]);
        return DialError::CannotStart;
    }
    int execError = 0;
    ssize_t got;
    do {
        got = read(execStatus[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    ::close(execStatus[0]);
    if (got > 0) {
        ::close(output[0]);
        waitpid(pid, nullptr, 0);
        return DialError::CannotStart;
    }

    fcntl(output[0], F_SETFL, fcntl(output[0], F_GETFL) | O_NONBLOCK);
    auto call = std::make_unique<Call>();
    call->pid = pid;
    call->outputFd = output[0];
    call->entry = entry;
    call->notifier = std::make_unique<QSocketNotifier>(output[0], QSocketNotifier::Read);
    Call *raw = call.get();
    connect(call->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { readOutput(*raw); });
    m_calls[pid] = std::move(call);
    track(pid, nullptr);
    // Without a process handle to tell of its end, the call is polled.
    const auto tracked = m_tracked.find(pid);
    if (tracked == m_tracked.end() || !tracked->second->process.isValid())
        m_reapTimer.start();

    *handle = pid;
    report(pid, RasState::OpenPort, 0);
    advance(*raw, RasState::ConnectDevice);
    return 0;
}

void PppdDialUpNetwork::readOutput(Call &call)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(call.outputFd, buffer, sizeof buffer);
        if (n > 0) {
            call.pending.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && call.notifier)
            call.notifier->setEnabled(false);   // end of output; the exit comes by reaping
        break;
    }
    for (const QString &line : TakePppdOutputLines(call.pending))
        handleLine(call, line);
}

void PppdDialUpNetwork::handleLine(Call &call, const QString &line)
{
    if (call.connected)
        return;
    const PppdProgress progress = ReadPppdOutputLine(line);
    if (progress.state < 0)
        return;
    // "Using interface" names the link for sure; "Connect:" only when nothing did.
    if (progress.state == RasState::AllDevicesConnected
        || (progress.state == RasState::Authenticate && call.interfaceName.isEmpty()))
        call.interfaceName = progress.interfaceName;
    advance(call, progress.state);
    if (progress.state == RasState::Connected)
        call.connected = true;
}

void PppdDialUpNetwork::advance(Call &call, int state)
{
    call.state = state;
    report(call.pid, state, 0);
}

void PppdDialUpNetwork::report(qint64 handle, int state, int errorCode)
{
    postProgress(handle, state, errorCode);
}

void PppdDialUpNetwork::reapChildren()
{
    QList<std::pair<qint64, int>> ended;
    for (const auto &[pid, call] : m_calls) {
        int status = 0;
        const pid_t r = waitpid(pid_t(pid), &status, WNOHANG);
        if (r == pid_t(pid) || (r < 0 && errno == ECHILD))
            ended.append({pid, r == pid_t(pid) ? status : -1});
    }
    for (const auto &[pid, status] : ended)
        finishCall(pid, status);
    if (m_calls.empty())
        m_reapTimer.stop();
}

void PppdDialUpNetwork::finishCall(qint64 handle, int waitStatus)
{
    auto it = m_calls.find(handle);
    if (it == m_calls.end())
        return;
    std::unique_ptr<Call> call = std::move(it->second);
    m_calls.erase(it);
    // Reaped, its id is free for another process.
    m_tracked.erase(handle);
    m_ending.erase(handle);
    readOutput(*call);
    if (!call->pending.isEmpty()) {
        handleLine(*call, QString::fromLocal8Bit(call->pending).trimmed());
        call->pending.clear();
    }
    if (call->connected)
        return;   // after the connected state the line is watched, not notified

    int code = DialError::Crashed;
    if (waitStatus >= 0 && WIFEXITED(waitStatus)) {
        const int exitStatus = WEXITSTATUS(waitStatus);
        code = exitStatus == 5 ? int(DialError::UserDisconnection) : PppdExitBase + exitStatus;
    } else if (waitStatus >= 0 && WIFSIGNALED(waitStatus)) {
        const int sig = WTERMSIG(waitStatus);
        if (sig == SIGTERM || sig == SIGINT || sig == SIGHUP || sig == SIGKILL)
            code = DialError::UserDisconnection;
    }
    report(handle, call->state, code);
}

bool PppdDialUpNetwork::hangUp(qint64 handle)
{
    if (handle <= 0)
        return false;
    const auto tracked = m_tracked.find(handle);
    if (m_calls.find(handle) != m_calls.end()) {
        // Our child cannot be replaced by another process before we reap it.
        if (::kill(pid_t(handle), SIGTERM) != 0)
            return false;
    } else if (tracked != m_tracked.end() && tracked->second->process.isValid()) {
        if (!tracked->second->process.sendSignal(SIGTERM))
            return false;
    } else if (!pppdProcess(handle) || ::kill(pid_t(handle), SIGTERM) != 0) {
        return false;
    }
    m_ending.insert(handle);
    return true;
}

bool PppdDialUpNetwork::isActive(qint64 handle)
{
    if (handle <= 0)
        return false;
    if (m_calls.find(handle) != m_calls.end()) {
        reapChildren();
        return m_calls.find(handle) != m_calls.end();
    }
    const auto tracked = m_tracked.find(handle);
    if (tracked != m_tracked.end() && tracked->second->process.isValid())
        return !tracked->second->process.hasEnded();
    return pppdProcess(handle).has_value();
}

std::optional<PppdDialUpNetwork::ProcessInfo> PppdDialUpNetwork::pppdProcess(qint64 pid) const
{
    const QString dir = m_paths.procRoot + QLatin1Char('/') + QString::number(pid);
    if (QString::fromLocal8Bit(ReadSmallSystemFile(dir + QStringLiteral("/comm"))).trimmed() != m_comm)
        return std::nullopt;
    const std::optional<qint64> parent = ReadProcStatParent(ReadSmallSystemFile(dir + QStringLiteral("/stat")));
    if (!parent)
        return std::nullopt;
    ProcessInfo info;
    info.pid = pid;
    info.parentPid = *parent;
    info.arguments = ReadProcCmdline(ReadSmallSystemFile(dir + QStringLiteral("/cmdline")));
    return info;
}

QList<PppdDialUpNetwork::ProcessInfo> PppdDialUpNetwork::pppdProcesses() const
{
    // Reads the whole table, so it runs at start and when events ask for it
    // (every question only where events cannot be had): plain system calls,
    // and the full record is only read for processes with pppd's name.
    QList<ProcessInfo> found;
    const QByteArray root = QFile::encodeName(m_paths.procRoot);
    const QByteArray wanted = m_comm.toLocal8Bit();
    DIR *dir = opendir(root.constData());
    if (!dir)
        return found;
    while (const dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (*name < '0' || *name > '9')
            continue;
        char path[PATH_MAX];
        std::snprintf(path, sizeof path, "%s/%s/comm", root.constData(), name);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char comm[32];
        const ssize_t n = ::read(fd, comm, sizeof comm);
        ::close(fd);
        if (n <= 0)
            continue;
        const QByteArray actual = QByteArray(comm, n).trimmed();
        if (actual != wanted)
            continue;
        if (std::optional<ProcessInfo> info = pppdProcess(QByteArray(name).toLongLong()))
            found.append(*info);
    }
    closedir(dir);
    // pppd forks briefly for its scripts; such a child is not a connection.
    QList<ProcessInfo> connections;
    for (const ProcessInfo &p : found) {
        const bool childOfPppd = std::any_of(found.cbegin(), found.cend(),
                                             [&](const ProcessInfo &q) { return q.pid == p.parentPid; });
        if (!childOfPppd)
            connections.append(p);
    }
    std::sort(connections.begin(), connections.end(),
              [](const ProcessInfo &a, const ProcessInfo &b) { return a.pid < b.pid; });
    return connections;
}

int PppdDialUpNetwork::rememberedInterfaceState(const QString &interfaceName)
{
    // Only the kernel's notifications can tell when to read again; without
    // them (or with another way to learn of addresses) every question reads.
    if (!m_links || !m_systemAddressProbe)
        return interfaceState(interfaceName);
    const auto known = m_interfaceStates.find(interfaceName);
    if (known != m_interfaceStates.end())
        return known->second;
    const int state = interfaceState(interfaceName);
    m_interfaceStates.emplace(interfaceName, state);
    return state;
}

int PppdDialUpNetwork::interfaceState(const QString &interfaceName) const
{
    if (!isPlainName(interfaceName) || !QFileInfo(m_paths.sysfsNetRoot + QLatin1Char('/') + interfaceName).exists())
        return RasState::ConnectDevice;
    if (!m_hasIPv4(interfaceName))
        return RasState::Authenticate;
    bool ok = false;
    const uint flags = ReadSmallSystemFile(m_paths.sysfsNetRoot + QLatin1Char('/') + interfaceName + QStringLiteral("/flags"))
                           .trimmed()
                           .toUInt(&ok, 16);
    if (ok && !(flags & IFF_UP))
        return RasState::Authenticate;
    return RasState::Connected;
}

QList<DialUpConnection> PppdDialUpNetwork::connections()
{
    if (m_scanEveryQuery) {
        readPidFiles();
        scanProcesses();
    }
    // A handle is asked without waiting for the event loop, so a process
    // that ended a moment ago is not listed.
    dropEnded();
    QList<DialUpConnection> list;
    for (const auto &[pid, t] : m_tracked) {
        DialUpConnection c;
        c.handle = pid;
        c.deviceType = QStringLiteral("ppp");
        c.entryName = t->entryName;
        const auto own = m_calls.find(pid);
        if (own != m_calls.end())
            c.entryName = own->second->entry;
        c.interfaceName = interfaceOf(pid, *t);
        c.state = m_ending.count(pid) ? RasState::Disconnected : rememberedInterfaceState(c.interfaceName);
        c.deviceName = c.interfaceName.isEmpty() ? QStringLiteral("pppd") : c.interfaceName;
        list.append(c);
    }
    return list;
}

std::optional<LinkCounters> PppdDialUpNetwork::linkCounters(const QString &interfaceName)
{
    if (!isPlainName(interfaceName))
        return std::nullopt;
    return ReadSysfsLinkCounters(m_paths.sysfsNetRoot, interfaceName);
}

QString PppdDialUpNetwork::errorText(int errorCode) const
{
    if (errorCode < PppdExitBase || errorCode > PppdExitBase + 255)
        return DialUpNetwork::errorText(errorCode);
    switch (errorCode - PppdExitBase) {
    case 0: return QStringLiteral("The remote computer ended the connection before it was established.");
    case 1: return QStringLiteral("pppd stopped on a fatal error.");
    case 2: return QStringLiteral("The options of this entry are invalid; check its peer file.");
    case 3: return QStringLiteral("pppd needs root rights to dial (it is not setuid root).");
    case 4: return QStringLiteral("The kernel does not support PPP.");
    case 5: return QStringLiteral("pppd was stopped by a signal.");
    case 6: return QStringLiteral("The serial port could not be locked; another program may be using it.");
    case 7: return QStringLiteral("The serial port could not be opened.");
    case 8: return QStringLiteral("The connect script failed: no dial tone, busy, or no answer.");
    case 9: return QStringLiteral("The pty command could not be run.");
    case 10: return QStringLiteral("The PPP negotiation failed.");
    case 11: return QStringLiteral("The remote computer failed to authenticate itself.");
    case 12: return QStringLiteral("The link was closed because it was idle.");
    case 13: return QStringLiteral("The connect time limit was reached.");
    case 14: return QStringLiteral("Callback was negotiated; an incoming call should arrive shortly.");
    case 15: return QStringLiteral("The remote computer stopped answering echo requests.");
    case 16: return QStringLiteral("The modem hung up.");
    case 17: return QStringLiteral("A serial loopback was detected.");
    case 18: return QStringLiteral("The modem init script failed.");
    case 19: return QStringLiteral("The user name or password was refused by the remote computer.");
    case 20: return QStringLiteral("The traffic limit was reached.");
    case 21: return QStringLiteral("The caller number was refused.");
    default: return QStringLiteral("pppd ended with exit status %1.").arg(errorCode - PppdExitBase);
    }
}

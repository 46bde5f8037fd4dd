#include "platform/ProgramLauncher.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <ctime>
#include <unistd.h>

namespace {

// Clock ticks since boot, the unit of the start time in /proc/<pid>/stat.
quint64 bootTicksNow()
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        return 0;
    const long hz = sysconf(_SC_CLK_TCK);
    if (hz <= 0)
        return 0;
    return quint64(ts.tv_sec) * quint64(hz) + quint64(ts.tv_nsec) * quint64(hz) / 1000000000ULL;
}

} // namespace

quint64 LinuxProgramLauncher::processStartTime(qint64 pid)
{
    if (pid <= 0)
        return 0;
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
    // The command name in parentheses may itself hold spaces and ')'.
    const int close = text.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
    // fields[0] is the state (the 3rd field); the start time is the 22nd field.
    if (fields.size() < 20)
        return 0;
    // A zombie has ended; only its parent has yet to notice.
    if (fields[0] == "Z" || fields[0] == "X")
        return 0;
    bool ok = false;
    const quint64 start = fields[19].toULongLong(&ok);
    return ok ? start : 0;
}

LaunchedProcess LinuxProgramLauncher::start(const QString &program, const QStringList &arguments,
                                            const QString &workingDirectory)
{
    if (program.isEmpty())
        return {};
    const quint64 before = bootTicksNow();
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, workingDirectory, &pid) || pid <= 0)
        return {};
    LaunchedProcess launched;
    launched.pid = pid;
    const quint64 start = processStartTime(pid);
    // A process that began before the launch is not ours (it ended at once
    // and its id went to another); one already gone cannot be closed later.
    // Either way it is started but not tracked.
    if (start != 0 && (before == 0 || start + 1 >= before))
        launched.startTime = start;
    return launched;
}

bool LinuxProgramLauncher::requestQuit(const LaunchedProcess &process)
{
    if (!process.isValid() || process.startTime == 0)
        return false;
    if (processStartTime(process.pid) != process.startTime)
        return false;
    return ::kill(pid_t(process.pid), SIGTERM) == 0;
}

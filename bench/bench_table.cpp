// One table of the program's headline figures, each beside its yardstick
// measured in the same run:
//   idle CPU of the real program (default line, offscreen) against a bare Qt
//   tray program started at the same moment, at the machine's own process
//   count and with ~200 more processes;
//   account totals over twenty years and over one year through
//   CalculateAccountTotals, against one SQL query over the same rows;
//   exit with the backup on over twenty years of history, against exit
//   without it;
//   resident memory while idle, against the bare program.
//
// bench_table [idle seconds]   (default 30)

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "store/Store.h"
#include "tariff/AccountPeriods.h"

#include "BenchSeed.h"
#include "BenchTiming.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int HistoryDays = 20 * 365;
constexpr int WarmUpSeconds = 8;
constexpr int ExtraProcesses = 200;
constexpr int ExitRuns = 3;

// ------------------------------------------------------------ processes

class Child
{
public:
    Child(const QString &program, const QStringList &args, const QString &home, const QString &log)
    {
        QList<QByteArray> argBytes{QFile::encodeName(program)};
        for (const QString &a : args)
            argBytes.append(a.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &a : argBytes)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        QList<QByteArray> envBytes;
        for (char **e = environ; *e; ++e) {
            const QByteArray entry(*e);
            if (!entry.startsWith("QT_QPA_PLATFORM=") && !entry.startsWith("XDG_CONFIG_HOME=")
                && !entry.startsWith("XDG_DATA_HOME="))
                envBytes.append(entry);
        }
        envBytes.append("QT_QPA_PLATFORM=offscreen");
        envBytes.append("XDG_CONFIG_HOME=" + QFile::encodeName(home + QStringLiteral("/config")));
        envBytes.append("XDG_DATA_HOME=" + QFile::encodeName(home + QStringLiteral("/share")));
        std::vector<char *> envp;
        for (QByteArray &e : envBytes)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const QByteArray logPath = QFile::encodeName(log);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return m_pid; }
    bool running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

    // SIGTERM, then the seconds until the process is gone (-1 when it had to
    // be killed) and the processor seconds it used on the way out.
    struct Ending {
        double seconds = -1;
        double cpuSeconds = -1;
    };
    Ending terminate(int timeoutMs = 30000)
    {
        Ending e;
        const double before = lifetimeCpuSeconds(m_pid);
        QElapsedTimer t;
        t.start();
        ::kill(m_pid, SIGTERM);
        while (t.elapsed() < timeoutMs) {
            rusage usage{};
            if (::wait4(m_pid, nullptr, WNOHANG, &usage) == m_pid) {
                e.seconds = double(t.nsecsElapsed()) / 1e9;
                m_pid = -1;
                const double after = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
                                   + usage.ru_stime.tv_usec / 1e6;
                if (before >= 0)
                    e.cpuSeconds = after - before;
                return e;
            }
            ::usleep(500);
        }
        return e;
    }

    // utime + stime of the whole process so far, dead threads included
    // (clock-tick resolution); -1 when unreadable.
    static double lifetimeCpuSeconds(pid_t pid)
    {
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray line = file.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return -1;
        return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }

private:
    pid_t m_pid = -1;
};

// Processor time of every thread of a process, in seconds (schedstat's
// nanoseconds: the tick counts of /proc/<pid>/stat are too coarse for a
// program that idles).
double cpuSeconds(pid_t pid)
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly))
            total += f.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

// Private here is Private_Dirty: heap, stacks and written pages, which only
// this process can hold. Private_Clean would add the pages of files that no
// other process happens to map at that moment: for the program's own
// libraries it swung between 0.6 and 9.9 MiB from one run to the next with
// what else ran on the machine, and the bare program beside it, whose every
// library the program maps too, never has any.
struct Memory {
    double rssMiB = 0;
    double privateMiB = 0;
};

Memory memoryOf(pid_t pid)
{
    Memory m;
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        const double mib = parts[1].toDouble() / 1024;
        if (parts[0] == "Rss:")
            m.rssMiB = mib;
        else if (parts[0] == "Private_Dirty:")
            m.privateMiB = mib;
    }
    return m;
}

int processCount()
{
    int n = 0;
    for (const QString &name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        name.toInt(&numeric);
        n += numeric ? 1 : 0;
    }
    return n;
}

// Until the process has used no processor time for a second: start-up is over.
void waitUntilSettled(pid_t pid, int timeoutSeconds = 120)
{
    QElapsedTimer t;
    t.start();
    double last = cpuSeconds(pid);
    while (t.elapsed() < timeoutSeconds * 1000) {
        QThread::msleep(1000);
        const double now = cpuSeconds(pid);
        if (now - last < 0.005 && t.elapsed() > 3000)
            return;
        last = now;
    }
}

// ------------------------------------------------------------ data

QString seededDataDir(const QString &parent, const QString &name, bool backup, int historyDays)
{
    const QString dir = QDir(parent).filePath(name);
    QDir().mkpath(dir);
    auto store = Store::open(bench::storeFileIn(dir));
    bench::seedUser(*store, backup);
    if (historyDays > 0)
        bench::seedHistory(*store, historyDays);
    return dir;
}

// A copy of a seeded directory with the backup switched on or off.
QString copiedDataDir(const QString &from, const QString &parent, const QString &name, bool backup)
{
    const QString dir = QDir(parent).filePath(name);
    QDir().mkpath(dir);
    QFile::copy(bench::storeFileIn(from), bench::storeFileIn(dir));
    auto store = Store::open(bench::storeFileIn(dir));
    store->WriteStoreBool(QStringLiteral("DontBackupDatabase"), QStringLiteral("Settings"), !backup);
    return dir;
}

// ------------------------------------------------------------ rows

struct Row {
    QString figure;
    QString program;
    QString reference;
    QString target;
    bool met = false;
};

QString percent(double cpu, int seconds)
{
    return QStringLiteral("%1 %").arg(100.0 * cpu / seconds, 0, 'f', 4);
}

struct IdleFigures {
    double program = 0;
    double bare = 0;
    Memory programMemory;
    Memory bareMemory;
    int processes = 0;
    bool ok = false;
};

IdleFigures measureIdle(const QString &home, const QString &dataDir, int seconds)
{
    IdleFigures f;
    const QString log = QDir(home).filePath(QStringLiteral("idle.log"));
    Child program(QStringLiteral(TALLYLINE_EXECUTABLE),
                  {QStringLiteral("--data-dir"), dataDir, QStringLiteral("--line"), QStringLiteral("pppd")}, home, log);
    Child bare(QStringLiteral(BARE_TRAY_EXECUTABLE), {}, home, log);
    QThread::sleep(WarmUpSeconds);
    if (!program.running() || !bare.running())
        return f;
    const double p0 = cpuSeconds(program.pid());
    const double b0 = cpuSeconds(bare.pid());
    f.processes = processCount();
    QThread::sleep(seconds);
    f.program = cpuSeconds(program.pid()) - p0;
    f.bare = cpuSeconds(bare.pid()) - b0;
    f.processes = (f.processes + processCount()) / 2;
    f.programMemory = memoryOf(program.pid());
    f.bareMemory = memoryOf(bare.pid());
    f.ok = program.running() && bare.running();
    program.terminate();
    bare.terminate();
    return f;
}

// ~count processes that do nothing, for as long as the object lives.
class Sleepers
{
public:
    explicit Sleepers(int count)
    {
        for (int i = 0; i < count; ++i) {
            pid_t pid = -1;
            char sleep[] = "sleep";
            char hour[] = "3600";
            char *argv[] = {sleep, hour, nullptr};
            if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) == 0)
                m_pids.push_back(pid);
        }
    }
    ~Sleepers()
    {
        for (const pid_t pid : m_pids)
            ::kill(pid, SIGTERM);
        for (const pid_t pid : m_pids)
            ::waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> m_pids;
};

struct TotalsFigures {
    double functionMs = 0;
    double queryMs = 0;
    qint64 sessions = 0;
    qint64 querySessions = 0;
};

qint64 sessionsKeyId(sqlite3 *db)
{
    qint64 id = 1;
    for (const char *name : {"software", "kelmora", "tallyline", "users", "user1", "sessions"}) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2", -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, id);
        sqlite3_bind_text(st, 2, name, -1, SQLITE_STATIC);
        id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_finalize(st);
    }
    return id;
}

// The same sums as the account totals, as one query over the day keys in range.
qint64 totalsByQuery(sqlite3 *db, qint64 sessionsKey, double from, double to)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT sum(CASE WHEN v.folded = 'numberofsessions' THEN v.data END),"
                       " sum(CASE WHEN v.folded LIKE '%-cost' THEN CAST(v.data AS REAL) END),"
                       " sum(CASE WHEN v.folded LIKE '%-time online' THEN round(CAST(v.data AS REAL)) END),"
                       " sum(CASE WHEN v.folded LIKE '%-totaldownloaded' THEN round(CAST(v.data AS REAL)) END)"
                       " FROM keys k JOIN key_values v ON v.key = k.id"
                       " WHERE k.parent = ?1 AND CAST(k.name AS REAL) >= ?2 AND CAST(k.name AS REAL) < ?3",
                       -1, &st, nullptr);
    sqlite3_bind_int64(st, 1, sessionsKey);
    sqlite3_bind_double(st, 2, from);
    sqlite3_bind_double(st, 3, to);
    const qint64 sessions = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return sessions;
}

TotalsFigures measureTotals(Store &store, int days)
{
    FakeClock clock(QDateTime(QDate(2019, 12, 31), QTime(12, 0)));
    RecordingUi ui;
    AppContext ctx(store, clock, ui);
    ctx.login.CurrentUser = 1;
    const double end = bench::HistoryFirstDay + HistoryDays;
    const double start = end - days;
    sqlite3 *db = store.connectionForTesting();
    const qint64 sessionsKey = sessionsKeyId(db);
    std::vector<double> function, query;
    TotalsFigures f;
    for (int run = 0; run < 7; ++run) {
        double t = bench::threadCpuUs();
        CalculateAccountTotals(ctx, end, start);
        function.push_back((bench::threadCpuUs() - t) / 1000);
        t = bench::threadCpuUs();
        f.querySessions = totalsByQuery(db, sessionsKey, start, end);
        query.push_back((bench::threadCpuUs() - t) / 1000);
    }
    f.functionMs = bench::median(function);
    f.queryMs = bench::median(query);
    f.sessions = ctx.pricing.AccountSessions;
    return f;
}

struct ExitFigures {
    Child::Ending withBackup;
    Child::Ending without;
    double backupMiB = 0;
};

Child::Ending exitOf(const QString &home, const QString &dataDir)
{
    Child program(QStringLiteral(TALLYLINE_EXECUTABLE), {QStringLiteral("--data-dir"), dataDir}, home,
                  QDir(home).filePath(QStringLiteral("exit.log")));
    waitUntilSettled(program.pid());
    if (!program.running())
        return {};
    return program.terminate();
}

Child::Ending medianEnding(const std::vector<Child::Ending> &runs)
{
    std::vector<double> seconds, cpu;
    for (const Child::Ending &e : runs) {
        seconds.push_back(e.seconds);
        cpu.push_back(e.cpuSeconds);
    }
    return {bench::median(seconds), bench::median(cpu)};
}

ExitFigures measureExit(const QString &home, const QString &withBackup, const QString &without)
{
    std::vector<Child::Ending> a, b;
    for (int run = 0; run < ExitRuns; ++run) {
        a.push_back(exitOf(home, withBackup));
        b.push_back(exitOf(home, without));
    }
    ExitFigures f;
    f.withBackup = medianEnding(a);
    f.without = medianEnding(b);
    f.backupMiB = double(QFileInfo(QDir(withBackup).filePath(QStringLiteral("Tallyline Backup Database.reg"))).size())
                / (1 << 20);
    return f;
}

QString ms(double value, int decimals = 2)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', decimals);
}

QString yesNo(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    QTemporaryDir home;
    const QString parent = home.path();
    std::fprintf(stderr, "bench_table: seeding twenty years of history...\n");
    const QString idleData = seededDataDir(parent, QStringLiteral("idle"), false, 0);
    const QString historyWith = seededDataDir(parent, QStringLiteral("history-backup"), true, HistoryDays);
    const QString historyWithout = copiedDataDir(historyWith, parent, QStringLiteral("history-nobackup"), false);

    QList<Row> rows;

    std::fprintf(stderr, "bench_table: idle, %d s...\n", idleSeconds);
    const IdleFigures idle = measureIdle(parent, idleData, idleSeconds);
    std::fprintf(stderr, "bench_table: idle with %d more processes, %d s...\n", ExtraProcesses, idleSeconds);
    IdleFigures crowded;
    {
        Sleepers sleepers(ExtraProcesses);
        crowded = measureIdle(parent, idleData, idleSeconds);
    }
    const double idleLimit = 1.5 * idle.bare;
    rows.append({QStringLiteral("Idle CPU, `--line pppd`, %1 processes, %2 s").arg(idle.processes).arg(idleSeconds),
                 percent(idle.program, idleSeconds), QStringLiteral("bare app %1").arg(percent(idle.bare, idleSeconds)),
                 QStringLiteral("≤ 1.5 × bare app (%1)").arg(percent(idleLimit, idleSeconds)),
                 idle.ok && idle.program <= idleLimit});
    // Flat: the extra processes cost the program no more than they cost the bare app, within 25 %.
    const double ratio150 = idle.bare > 0 ? idle.program / idle.bare : 0;
    const double ratio350 = crowded.bare > 0 ? crowded.program / crowded.bare : 0;
    rows.append({QStringLiteral("Idle CPU, same, %1 processes, %2 s").arg(crowded.processes).arg(idleSeconds),
                 QStringLiteral("%1 (%2 × bare)").arg(percent(crowded.program, idleSeconds)).arg(ratio350, 0, 'f', 2),
                 QStringLiteral("bare app %1; at %2 processes %3 × bare")
                     .arg(percent(crowded.bare, idleSeconds))
                     .arg(idle.processes)
                     .arg(ratio150, 0, 'f', 2),
                 QStringLiteral("flat: ≤ 1.25 × the ratio at %1 processes, and ≤ 1.5 × bare").arg(idle.processes),
                 crowded.ok && ratio350 <= 1.5 && ratio350 <= 1.25 * ratio150 + 0.05});

    std::fprintf(stderr, "bench_table: account totals...\n");
    {
        auto store = Store::open(bench::storeFileIn(historyWithout));
        const TotalsFigures all = measureTotals(*store, HistoryDays);
        const TotalsFigures year = measureTotals(*store, 365);
        const auto totalsRow = [&](const QString &what, const TotalsFigures &f, double targetMs) {
            const bool same = f.sessions == f.querySessions;
            rows.append({QStringLiteral("Account totals over %1 (%2 sessions%3)")
                             .arg(what)
                             .arg(f.sessions)
                             .arg(same ? QString() : QStringLiteral(", query found %1").arg(f.querySessions)),
                         ms(f.functionMs) + QStringLiteral(" CPU"),
                         QStringLiteral("one SQL query %1 CPU").arg(ms(f.queryMs)),
                         QStringLiteral("≤ %1").arg(ms(targetMs, 0)), same && f.functionMs <= targetMs});
        };
        totalsRow(QStringLiteral("20 years × 8 sessions a day"), all, 30);
        totalsRow(QStringLiteral("1 year"), year, 2);
    }

    std::fprintf(stderr, "bench_table: exit, %d runs each...\n", ExitRuns);
    const ExitFigures exit = measureExit(parent, historyWith, historyWithout);
    const auto ending = [](const Child::Ending &e) {
        if (e.seconds < 0)
            return QStringLiteral("failed");
        return QStringLiteral("%1 (CPU %2)").arg(ms(e.seconds * 1000, 0), ms(e.cpuSeconds * 1000, 0));
    };
    rows.append({QStringLiteral("Exit with the backup on, 20-year history (%1 MiB backup), median of %2")
                     .arg(exit.backupMiB, 0, 'f', 1)
                     .arg(ExitRuns),
                 ending(exit.withBackup), QStringLiteral("without backup %1").arg(ending(exit.without)),
                 QStringLiteral("≤ 400 ms"), exit.withBackup.seconds >= 0 && exit.withBackup.seconds <= 0.4});

    rows.append({QStringLiteral("RSS idle, offscreen, total"),
                 QStringLiteral("%1 MiB").arg(idle.programMemory.rssMiB, 0, 'f', 1),
                 QStringLiteral("bare app %1 MiB").arg(idle.bareMemory.rssMiB, 0, 'f', 1),
                 QStringLiteral("≤ 1.2 × bare app"),
                 idle.ok && idle.programMemory.rssMiB <= 1.2 * idle.bareMemory.rssMiB});
    rows.append({QStringLiteral("RSS idle, offscreen, private dirty"),
                 QStringLiteral("%1 MiB").arg(idle.programMemory.privateMiB, 0, 'f', 1),
                 QStringLiteral("bare app %1 MiB").arg(idle.bareMemory.privateMiB, 0, 'f', 1),
                 QStringLiteral("≤ 1.2 × bare app"),
                 idle.ok && idle.programMemory.privateMiB <= 1.2 * idle.bareMemory.privateMiB});

    std::printf("| Figure | Program | Reference | Target | met? |\n|---|---|---|---|---|\n");
    for (const Row &r : rows) {
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(r.figure), qPrintable(r.program),
                    qPrintable(r.reference), qPrintable(r.target), qPrintable(yesNo(r.met)));
    }
    if (!idle.ok || !crowded.ok)
        std::printf("\nAn idle run lost a process early: see %s/idle.log\n", qPrintable(parent));
    return 0;
}

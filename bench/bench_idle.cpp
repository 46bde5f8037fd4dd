// Prints the processor time the program uses while it sits idle in the tray
// for a minute: a user logged in, the simulated line down, the offscreen
// platform. Reads utime + stime of /proc/<pid>/stat before and after.
//
// bench_idle [path/to/tallyline] [seconds]   (default: ../tallyline, 60)

#include "store/Store.h"
#include "tariff/TariffKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <cstdio>

namespace {

void seedStore(const QString &dataDir)
{
    auto store = Store::open(QDir(dataDir).filePath(QString::fromLatin1(Store::DefaultFileName)));
    const QString settings = QStringLiteral("Settings");
    store->WriteStoreString(QStringLiteral("Database Version"), settings, QStringLiteral("2"));
    store->WriteStoreBool(QStringLiteral("ShowSplashForm"), settings, false);
    store->WriteStoreBool(QStringLiteral("LoadAtStartUp"), settings, false);
    store->WriteStoreBool(QStringLiteral("DontBackupDatabase"), settings, true);
    store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);
    const QString user = TariffKeys::user(1);
    store->WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("Admin"));
    store->WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
    store->WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
    store->WriteStoreString(QStringLiteral("Creation Date"), user, QStringLiteral("36526"));
    store->WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
    store->WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
    store->WriteStoreString(QStringLiteral("DialupName"), TariffKeys::isp(1, 1), QStringLiteral("Any"));
    for (int day = 1; day <= 8; ++day) {
        store->WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day), 1);
        const QString band = TariffKeys::band(1, 1, day, 1);
        store->WriteStoreInteger(QStringLiteral("Start Time"), band, 0);
        store->WriteStoreInteger(QStringLiteral("End Time"), band, 1439);
        store->WriteStoreFloat(QStringLiteral("Cost"), band, 0.6);
    }
}

// utime + stime of a process, in clock ticks; -1 when unreadable.
long long cpuTicks(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = file.readAll();
    // The command name may hold spaces; the fields after it are plain.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();  // fields 14 and 15 of the line
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString program =
        args.size() > 1 ? args[1] : QDir(app.applicationDirPath()).filePath(QStringLiteral("../tallyline"));
    const int seconds = args.size() > 2 ? args[2].toInt() : 60;

    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    seedStore(data);

    QProcess tallyline;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    tallyline.setProcessEnvironment(env);
    tallyline.setProcessChannelMode(QProcess::ForwardedChannels);
    tallyline.start(program, {QStringLiteral("--data-dir"), data, QStringLiteral("--line"), QStringLiteral("simulated")});
    if (!tallyline.waitForStarted()) {
        std::fprintf(stderr, "bench_idle: cannot start %s\n", qPrintable(program));
        return 1;
    }
    // Past start-up before measuring.
    QThread::sleep(5);
    const qint64 pid = tallyline.processId();
    const long long before = cpuTicks(pid);
    QThread::sleep(seconds);
    const long long after = cpuTicks(pid);
    tallyline.terminate();
    tallyline.waitForFinished(30000);
    if (before < 0 || after < 0) {
        std::fprintf(stderr, "bench_idle: the program ended early\n");
        return 1;
    }

    const double tick = double(sysconf(_SC_CLK_TCK));
    const double cpuSeconds = double(after - before) / tick;
    std::printf("idle in the tray for %d s: %.3f s CPU = %.4f %% of one core (target < 0.1 %%; resolution %.0f ms)\n",
                seconds, cpuSeconds, 100.0 * cpuSeconds / seconds, 1000.0 / tick);
    return 0;
}

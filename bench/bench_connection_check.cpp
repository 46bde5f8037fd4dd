// What one connection-check tick costs with the pppd line and no dial-up
// connection (the idle program), at the process count of this machine and
// with 200 more processes running: the tick must not grow with the table.
// Prints the median processor time of this thread per tick.
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "platform/PppdDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BenchTiming.h"

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

int processCount()
{
    return int(QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs).size());
}

double medianTickUs(AppContext &ctx, int ticks)
{
    std::vector<double> costs;
    costs.reserve(ticks);
    for (int i = 0; i < ticks; ++i) {
        const double start = bench::threadCpuUs();
        RASCheckTimerTimer(ctx);
        QCoreApplication::processEvents();   // whatever the line's events cost is part of the tick
        costs.push_back(bench::threadCpuUs() - start);
    }
    return bench::median(costs);
}

std::vector<pid_t> startSleepers(int count)
{
    std::vector<pid_t> pids;
    char sleep[] = "sleep";
    char seconds[] = "120";
    char *argv[] = {sleep, seconds, nullptr};
    for (int i = 0; i < count; ++i) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) == 0)
            pids.push_back(pid);
    }
    return pids;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    LocalClock clock;
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    PppdDialUpNetwork network;
    ctx.platform.dialUp = &network;
    ctx.settings.ModemDetectionType = 2;

    const int ticks = 300;
    const int before = processCount();
    const double tickUs = medianTickUs(ctx, ticks);
    const std::vector<pid_t> sleepers = startSleepers(200);
    const int after = processCount();
    const double busierTickUs = medianTickUs(ctx, ticks);
    for (pid_t pid : sleepers) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::printf("connection-check tick, pppd line, no connection (median CPU of %d ticks):\n"
                "  %4d processes: %8.1f us\n"
                "  %4d processes: %8.1f us\n",
                ticks, before, tickUs, after, busierTickUs);
    return 0;
}

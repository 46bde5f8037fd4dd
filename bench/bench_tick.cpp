// Prints the processor time of one main tick: idle (a user logged in, the
// line down) and with an open session on a full connection (band look-up,
// pricing, the record rewritten, the alarm check with no alarms). Medians
// of repeated runs.

#include "app/AppContext.h"
#include "app/MainTimer.h"
#include "app/RecordingUi.h"
#include "platform/Clock.h"
#include "platform/FakeDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "tariff/TariffKeys.h"
#include "users/Users.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double threadCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void seedUser(Store &store)
{
    const QString user = TariffKeys::user(1);
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    store.WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("Admin"));
    store.WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
    store.WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
    store.WriteStoreString(QStringLiteral("Creation Date"), user, QStringLiteral("36526"));
    store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
    store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
    store.WriteStoreString(QStringLiteral("DialupName"), TariffKeys::isp(1, 1), QStringLiteral("Any"));
    for (int day = 1; day <= 8; ++day) {
        store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day), 3);
        const int bands[3][2] = {{0, 479}, {480, 1079}, {1080, 1439}};
        for (int k = 1; k <= 3; ++k) {
            const QString key = TariffKeys::band(1, 1, day, k);
            store.WriteStoreInteger(QStringLiteral("Start Time"), key, bands[k - 1][0]);
            store.WriteStoreInteger(QStringLiteral("End Time"), key, bands[k - 1][1]);
            store.WriteStoreFloat(QStringLiteral("Cost"), key, 0.01 * k);
            store.WriteStoreFloat(QStringLiteral("ConnectionFee"), key, 0.05);
            store.WriteStoreInteger(QStringLiteral("ConnectionFeeType"), key, k % 2);
        }
    }
}

// Median over runs of the mean processor time of one tick in a batch.
double ticksUs(AppContext &ctx, FakeClock &clock, TickFailureReport &report, int runs, int ticksPerRun)
{
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const double before = threadCpuUs();
        for (int i = 0; i < ticksPerRun; ++i) {
            clock.advanceMs(500);
            RunMainTick(ctx, report);
        }
        samples.push_back((threadCpuUs() - before) / ticksPerRun);
    }
    return median(samples);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    auto store = Store::open(dir.filePath(QStringLiteral("Tallyline.sqlite")));
    seedUser(*store);

    FakeClock clock(QDateTime(QDate(2001, 1, 10), QTime(9, 0)));
    RecordingUi ui;
    FakeDialUpNetwork network;
    AppContext ctx(*store, clock, ui);
    ctx.platform.dialUp = &network;
    ctx.settings.NumberOfUsers = 1;
    ctx.settings.DisplayBillWindow = false;
    ctx.connection.DunSpeed.StartStatistics(&network, true, true);
    ctx.login.CurrentUser = 1;
    LoginUser(ctx);
    if (!ctx.login.LoggedIn) {
        std::fprintf(stderr, "bench_tick: the seeded user did not log in\n");
        return 1;
    }
    TickFailureReport report;

    RASCheckTimerTimer(ctx);
    const double idle = ticksUs(ctx, clock, report, 41, 2000);

    network.addConnection(1, QStringLiteral("Bench ISP"), RasState::Connected, QStringLiteral("ppp0"));
    network.setCounters(QStringLiteral("ppp0"), 123456, 7890);
    RASCheckTimerTimer(ctx);
    RunMainTick(ctx, report);
    if (!ctx.shell.SessionOpen) {
        std::fprintf(stderr, "bench_tick: no session opened\n");
        return 1;
    }
    const double session = ticksUs(ctx, clock, report, 21, 200);

    std::printf("main tick, idle (logged in, line down):     %8.2f us CPU (target <= 20 us)\n", idle);
    std::printf("main tick, open session on a full line:     %8.2f us CPU\n", session);
    std::printf("  (band, pricing, record rewrite in one transaction, CheckAlarms with no alarms set)\n");
    if (!ui.messages.isEmpty())
        std::printf("note: %lld boxes were raised during the run\n", static_cast<long long>(ui.messages.size()));
    return 0;
}

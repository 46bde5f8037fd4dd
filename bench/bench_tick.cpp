// Prints the processor time of one main tick: idle (a user logged in, the
// line down) and with an open session on a full connection (band look-up,
// pricing, the record rewritten, the alarm check), the latter with no
// alarms and with 50 stored alarms, none of which fires. Medians of
// repeated runs.

#include "alarms/AlarmChecking.h"
#include "core/AppContext.h"
#include "store/Store.h"
#include "app/MainTimer.h"
#include "core/RecordingUi.h"
#include "core/Clock.h"
#include "platform/FakeDialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "tariff/TariffKeys.h"
#include "users/Users.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <time.h>

#include "BenchTiming.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::median;
using bench::threadCpuUs;

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

// Alarms as users set them: every type in turn, limits far above what the
// benchmark session reaches, some tied to the current ISP, some with sounds,
// hang-ups and repeats; a third of them with a time window around `now`
// (minutes after midnight). With `outsideWindow` every alarm has a window
// that the run never reaches, so each is read and skipped.
void seedAlarms(Store &store, int count, int now, bool outsideWindow)
{
    const int start = (now + (outsideWindow ? 180 : 1440 - 60)) % 1440;
    const int end = (now + (outsideWindow ? 240 : 120)) % 1440;
    Store::Transaction tx(store);
    for (int i = 1; i <= count; ++i) {
        const QString key = AlarmKey(1, i);
        const int type = (i - 1) % 9;
        store.WriteStoreInteger(QStringLiteral("AlarmType"), key, type);
        store.WriteStoreInteger(QStringLiteral("AllowanceTime"), key, 600 + i);
        store.WriteStoreString(QStringLiteral("TotalCost"), key, QStringLiteral("%1.50").arg(500 + i));
        store.WriteStoreInteger(QStringLiteral("DownloadLimit"), key, (100000 + i) * 1024);
        store.WriteStoreString(QStringLiteral("CustomMessage"), key, QStringLiteral("Reminder %1").arg(i));
        store.WriteStoreInteger(QStringLiteral("RepeatAlarm"), key, i % 2);
        store.WriteStoreInteger(QStringLiteral("HangUpPhone"), key, i % 5 == 0 ? 1 : 0);
        store.WriteStoreString(QStringLiteral("AlarmWaveFile"), key,
                               i % 3 == 0 ? QStringLiteral("/usr/share/sounds/alarm.wav") : QStringLiteral("None"));
        store.WriteStoreInteger(QStringLiteral("UseISP"), key, i % 4 == 0 ? 1 : 0);
        store.WriteStoreInteger(QStringLiteral("ISPIndex"), key, 1);
        const bool windowed = outsideWindow || i % 3 == 1;
        store.WriteStoreInteger(QStringLiteral("Use TimeZone"), key, windowed ? 1 : 0);
        store.WriteStoreInteger(QStringLiteral("Start Time"), key, start);
        store.WriteStoreInteger(QStringLiteral("End Time"), key, end);
        store.WriteStoreInteger(QStringLiteral("Days"), key, 127);
    }
    store.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), TariffKeys::user(1), count);
    tx.commit();
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

    const auto minuteOfDay = [&] { return clock.now().time().hour() * 60 + clock.now().time().minute(); };
    seedAlarms(*store, 50, minuteOfDay(), false);
    const double withAlarms = ticksUs(ctx, clock, report, 21, 200);
    seedAlarms(*store, 50, minuteOfDay(), true);
    const double outsideWindows = ticksUs(ctx, clock, report, 21, 200);
    const bool stillOpen = ctx.shell.SessionOpen;

    std::printf("main tick, idle (logged in, line down):     %8.2f us CPU (target <= 20 us)\n", idle);
    std::printf("main tick, open session on a full line:     %8.2f us CPU\n", session);
    std::printf("  (band, pricing, record rewrite in one transaction, CheckAlarms with no alarms set)\n");
    std::printf("main tick, open session, 50 alarms:         %8.2f us CPU (target <= 1000 us)\n", withAlarms);
    std::printf("main tick, open session, 50 alarms outside their time windows:\n");
    std::printf("                                            %8.2f us CPU (target <= 1000 us)\n", outsideWindows);
    if (!stillOpen)
        std::printf("note: the session closed during the alarm runs\n");
    if (!ui.messages.isEmpty())
        std::printf("note: %lld boxes were raised during the run\n", static_cast<long long>(ui.messages.size()));
    return 0;
}

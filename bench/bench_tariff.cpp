// Prints the time of one pricing tick and of the account totals over one
// and twenty years of sessions (8 a day). Medians of repeated runs.

#include "account_window/LiveRows.h"
#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"
#include "core/Clock.h"
#include "session/SessionRecords.h"
#include "store/FloatText.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "tariff/SessionPricing.h"
#include "tariff/TariffKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <time.h>

#include "BenchTiming.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::median;

double threadCpuMs()
{
    return bench::threadCpuUs() / 1e3;
}

void seedTariff(Store &store)
{
    const QString user = TariffKeys::user(1);
    store.WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("MONTHLY"));
    store.WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
    store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
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
    const QString holidays = TariffKeys::holidays(1, 1);
    store.WriteStoreInteger(QStringLiteral("NumberOfHolidays"), holidays, 10);
    for (int h = 1; h <= 10; ++h)
        store.WriteStoreFloat(QStringLiteral("Holiday%1").arg(h), holidays, 36526 + 30 * h);
}

// Eight sessions on every day from firstDay for the given number of days.
void seedSessions(Store &store, DateTime firstDay, int days)
{
    Store::Transaction tx(store);
    for (int d = 0; d < days; ++d) {
        const DateTime day = firstDay + d;
        const QString key = SessionDayKey(1, day);
        store.WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, 8);
        for (int m = 1; m <= 8; ++m) {
            const auto put = [&](int field, double value) {
                store.WriteStoreFloat(SessionValueName(m, field), key, value);
            };
            put(SessionStartTime, day + m / 10.0);
            put(SessionEndTime, m / 10.0 + 0.01);
            put(SessionEndDate, day);
            put(SessionTimeOnline, 600 + m);
            put(SessionCost, 0.1234 * m);
            put(SessionTotalDownloaded, 1000000.0 * m);
            put(SessionTotalUploaded, 100000.0 * m);
            put(SessionAvgDownload, 3500.5);
            put(SessionAvgUpload, 350.25);
            store.WriteStoreString(QStringLiteral("Session%1-Connection").arg(m), key, QStringLiteral("Default"));
        }
    }
    tx.commit();
}

struct Bench {
    Bench() : store(Store::open(dir.filePath(QStringLiteral("bench.sqlite")))), ctx(*store, clock, ui)
    {
        ctx.login.CurrentUser = 1;
        ctx.login.LoggedIn = true;
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.connection.ConnectedEntryName = QStringLiteral("Default");
        seedTariff(*store);
    }
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
    FakeClock clock{QDateTime(QDate(2020, 6, 10), QTime(10, 0))};
    RecordingUi ui;
    AppContext ctx;
};

void benchTick(bool windowOpen)
{
    Bench b;
    // An open account window formats the live rows and status bar from each tick.
    QStringList shown;
    if (windowOpen)
        QObject::connect(&b.ctx.events, &EngineEvents::sessionPriced, [&](const SessionSnapshot &snapshot) {
            const LiveSessionRow row = FormatLiveSessionRow(b.ctx, snapshot);
            const LivePerformanceRow performance = FormatLivePerformanceRow(snapshot);
            const auto status = FormatSessionStatusTexts(b.ctx, snapshot);
            shown = {row.timeOnline, row.sessionCost, performance.received, status[2]};
        });
    b.ctx.settings.SessionChargesStartTimeZone = false;
    b.ctx.settings.CheckClockTamper = true;
    b.ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(b.ctx);
    BeginSessionPricing(b.ctx);
    b.store->WriteStoreInteger(QStringLiteral("NumberOfSessions"), SessionDayKey(1, b.ctx.pricing.SessionDay), 1);
    std::vector<double> times;
    std::vector<double> cpu;
    QElapsedTimer timer;
    for (int i = 0; i < 2000; ++i) {
        b.clock.advanceMs(500);
        b.ctx.connection.TotalReceived += 1500;
        const double cpuStart = threadCpuMs();
        timer.start();
        UpdateSessionInformation(b.ctx);
        times.push_back(timer.nsecsElapsed() / 1000.0);
        cpu.push_back((threadCpuMs() - cpuStart) * 1000.0);
    }
    std::printf("pricing tick (%s): %.1f us elapsed, %.1f us processor, medians of %zu (target <= 250 us)\n",
                windowOpen ? "account window open" : "no account window", median(times), median(cpu), times.size());
}

void benchTotals(int years, int runs)
{
    Bench b;
    const DateTime first = DateTimeFromQDate(QDate(2000, 1, 1));
    // The twenty-year figure is for 58,400 sessions: 365 days a year.
    const int seededDays = years * 365;
    QElapsedTimer seeding;
    seeding.start();
    seedSessions(*b.store, first, seededDays);
    const double seedSeconds = seeding.elapsed() / 1000.0;
    // The first walk after the store is opened finds no key in its caches.
    const QString path = b.store->filePath();
    {
        b.store.reset();
        std::unique_ptr<Store> reopened = Store::open(path);
        AppContext cold(*reopened, b.clock, b.ui);
        cold.login = b.ctx.login;
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        CalculateAccountTotals(cold, first + seededDays, first);
        std::printf("account totals, %d year%s, first walk after opening the store: %.2f ms elapsed, %.2f ms processor\n",
                    years, years == 1 ? "" : "s", timer.nsecsElapsed() / 1e6, threadCpuMs() - cpuStart);
    }
    b.store = Store::open(path);
    AppContext ctx(*b.store, b.clock, b.ui);
    ctx.login = b.ctx.login;
    std::vector<double> times;
    std::vector<double> cpu;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = threadCpuMs();
        timer.start();
        CalculateAccountTotals(ctx, first + seededDays, first);
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::printf("account totals, %d year%s (%d days walked, %d sessions): %.2f ms elapsed, %.2f ms processor,"
                " medians of %d (target <= %s) [seeded in %.1f s]\n",
                years, years == 1 ? "" : "s", seededDays, ctx.pricing.AccountSessions, median(times), median(cpu), runs,
                years == 1 ? "15 ms" : "300 ms", seedSeconds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Optional argument: "tick", "year" or "twenty" runs only that part.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only.isEmpty() || only == QLatin1String("tick")) {
        benchTick(false);
        benchTick(true);
    }
    if (only.isEmpty() || only == QLatin1String("year"))
        benchTotals(1, 21);
    if (only.isEmpty() || only == QLatin1String("twenty"))
        benchTotals(20, 7);
    return 0;
}

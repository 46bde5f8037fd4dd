// Session history figures: twenty years of eight sessions a day (58,400
// sessions), read for one month, one year and the whole history in one
// range read, against reading the same days one by one; and the account
// totals of one year and of the whole history from the per-day totals
// beside the tree, against walking the day keys.
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "session/SessionRecord.h"
#include "store/SessionDaySummary.h"
#include "store/Store.h"
#include "tariff/AccountPeriods.h"

#include "BenchSeed.h"
#include "BenchTiming.h"

#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Days = 20 * 365;
constexpr double FirstDay = bench::HistoryFirstDay;

void measure(Store &store, const char *what, int days)
{
    const double to = FirstDay + Days - 1;
    const double from = to - days + 1;
    std::vector<double> ranged;
    std::vector<double> daily;
    qsizetype sessions = 0;
    for (int run = 0; run < 5; ++run) {
        double start = bench::threadCpuUs();
        sessions = 0;
        for (const SessionDay &day : ReadSessionDays(store, 1, from, to))
            sessions += day.sessions.size();
        ranged.push_back(bench::threadCpuUs() - start);
        start = bench::threadCpuUs();
        for (double day = from; day <= to; day += 1)
            ReadSessionDay(store, 1, day);
        daily.push_back(bench::threadCpuUs() - start);
    }
    std::printf("%-14s %6lld sessions  range read %9.1f ms  day by day %9.1f ms\n", what,
                static_cast<long long>(sessions), bench::median(ranged) / 1000, bench::median(daily) / 1000);
}

void measureTotals(Store &store, AppContext &ctx, const char *what, int days)
{
    const double end = FirstDay + Days;
    const double start = end - days;
    std::vector<double> walked;
    std::vector<double> summed;
    for (int run = 0; run < 5; ++run) {
        double t0 = bench::threadCpuUs();
        const SessionTotals w = WalkSessionDays(store, 1, start, end);
        walked.push_back(bench::threadCpuUs() - t0);
        t0 = bench::threadCpuUs();
        CalculateAccountTotals(ctx, end, start);
        summed.push_back(bench::threadCpuUs() - t0);
        if (w.sessions != ctx.pricing.AccountSessions || w.seconds != ctx.pricing.AccountSeconds)
            std::printf("  (the two disagree!)\n");
    }
    std::printf("account totals %-13s %6d sessions  walk of the day keys %8.2f ms  per-day totals %8.3f ms\n", what,
                ctx.pricing.AccountSessions, bench::median(walked) / 1000, bench::median(summed) / 1000);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    bench::seedHistory(*store, Days);
    measure(*store, "one month", 31);
    measure(*store, "one year", 365);
    measure(*store, "twenty years", Days);

    FakeClock clock(QDateTime(QDate(2019, 12, 31), QTime(12, 0)));
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    ctx.login.CurrentUser = 1;
    measureTotals(*store, ctx, "one year", 365);
    measureTotals(*store, ctx, "twenty years", Days);

    // A database whose per-day totals are out of step (an older version
    // wrote it): the first reader makes them anew.
    std::vector<double> rebuilt;
    for (int run = 0; run < 3; ++run) {
        const double t0 = bench::threadCpuUs();
        RebuildSessionDaySummary(*store);
        rebuilt.push_back(bench::threadCpuUs() - t0);
    }
    std::printf("per-day totals made anew from twenty years of sessions %8.1f ms\n", bench::median(rebuilt) / 1000);
    return 0;
}

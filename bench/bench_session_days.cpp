// Session history figures: twenty years of eight sessions a day (58,400
// sessions), read for one month, one year and the whole history in one
// range read, against reading the same days one by one.
#include "session/SessionRecord.h"
#include "store/Store.h"

#include "BenchTiming.h"

#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Days = 20 * 365;
constexpr int SessionsPerDay = 8;
constexpr double FirstDay = 36526;

void seed(Store &store)
{
    Store::Transaction tx(store);
    for (int d = 0; d < Days; ++d) {
        const double day = FirstDay + d;
        WriteNumberOfSessions(store, 1, day, SessionsPerDay);
        for (int m = 1; m <= SessionsPerDay; ++m) {
            SessionRecord r;
            r.startTime = day + m * 0.1;
            r.endTime = m * 0.1 + 0.01;
            r.endDate = day;
            r.timeOnline = 600 + m;
            r.cost = m * 0.137;
            r.totalDownloaded = 1e6 * m;
            r.totalUploaded = 1e5 * m;
            r.avgDownload = 3000;
            r.avgUpload = 300;
            r.connection = QStringLiteral("My ISP");
            WriteSessionRecord(store, 1, day, m, r);
        }
    }
    tx.commit();
}

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

} // namespace

int main()
{
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    seed(*store);
    measure(*store, "one month", 31);
    measure(*store, "one year", 365);
    measure(*store, "twenty years", Days);
    return 0;
}

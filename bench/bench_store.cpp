// Store figures for this machine: one value read, one value write, and the
// ten writes of a pricing tick in one transaction. Median of many runs.
#include "session/SessionRecord.h"
#include "store/RegFile.h"
#include "store/Store.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMicroseconds(int runs, const std::function<void(int)> &body)
{
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body(i);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A realistic database: a user with a few months of sessions.
void seed(Store &store)
{
    Store::Transaction tx(store);
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    for (int day = 0; day < 120; ++day) {
        const QString key = QStringLiteral("Users\\User1\\Sessions\\%1").arg(46000 + day);
        store.WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, 4);
        for (int m = 1; m <= 4; ++m) {
            store.WriteStoreFloat(QStringLiteral("Session%1-Cost").arg(m), key, m * 0.137);
            store.WriteStoreFloat(QStringLiteral("Session%1-Time Online").arg(m), key, m * 613);
            store.WriteStoreFloat(QStringLiteral("Session%1-Start Time").arg(m), key, 46000 + day + m * 0.1);
        }
    }
    tx.commit();
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    seed(*store);
    const QString today = QStringLiteral("Users\\User1\\Sessions\\46119");
    constexpr int Runs = 5000;

    // Warm up the statement and key caches as a running program has them.
    for (int i = 0; i < 200; ++i)
        store->ReadStoreFloat(QStringLiteral("Session1-Cost"), today);

    const double read = medianMicroseconds(Runs, [&](int) {
        store->ReadStoreFloat(QStringLiteral("Session2-Cost"), today);
    });
    const double readInt = medianMicroseconds(Runs, [&](int) {
        int n = 0;
        store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), today, n);
    });
    const double write = medianMicroseconds(Runs, [&](int i) {
        store->WriteStoreFloat(QStringLiteral("Session4-Cost"), today, i * 0.01);
    });
    const double tick = medianMicroseconds(Runs, [&](int i) {
        Store::Transaction tx(*store);
        const double t = i;
        store->WriteStoreFloat(QStringLiteral("Session4-Cost"), today, t * 0.001);
        store->WriteStoreFloat(QStringLiteral("Session4-Time Online"), today, t);
        store->WriteStoreFloat(QStringLiteral("Session4-End Time"), today, 46119.5 + t / 86400);
        store->WriteStoreFloat(QStringLiteral("Session4-End Date"), today, 46119);
        store->WriteStoreFloat(QStringLiteral("Session4-Bytes Received"), today, t * 1500);
        store->WriteStoreFloat(QStringLiteral("Session4-Bytes Sent"), today, t * 300);
        store->WriteStoreFloat(QStringLiteral("DailyCost"), QStringLiteral("Users\\User1"), t * 0.002);
        store->WriteStoreFloat(QStringLiteral("AccountCost"), QStringLiteral("Users\\User1"), t * 0.02);
        store->WriteStoreInteger(QStringLiteral("CurrentTimeZone"), QStringLiteral("Users\\User1"), i % 5);
        store->WriteStoreInteger(QStringLiteral("NumberOfSessions"), today, 4);
        tx.commit();
    });

    // What a pricing tick writes through the session record, which also
    // summarises its day into the per-day totals.
    const double recordTick = medianMicroseconds(Runs, [&](int i) {
        SessionRecord r;
        r.startTime = 46119.5;
        r.endTime = 0.5 + i / 86400.0;
        r.endDate = 46119;
        r.timeOnline = i;
        r.cost = i * 0.001;
        r.totalDownloaded = i * 1500.0;
        r.totalUploaded = i * 300.0;
        r.connection = QStringLiteral("My ISP");
        WriteSessionRecord(*store, 1, 46119, 4, r);
    });

    // The backup of a larger database: a year of sessions.
    std::unique_ptr<Store> big = Store::open(dir.filePath(QStringLiteral("big.sqlite")));
    {
        Store::Transaction tx(*big);
        for (int day = 0; day < 365; ++day) {
            const QString key = QStringLiteral("Users\\User1\\Sessions\\%1").arg(46000 + day);
            big->WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, 6);
            for (int m = 1; m <= 6; ++m) {
                for (const char *field : {"-Cost", "-Time Online", "-Start Time", "-End Time", "-End Date"})
                    big->WriteStoreFloat(QStringLiteral("Session%1").arg(m) + QLatin1String(field), key, m * 0.137 + day);
            }
        }
        tx.commit();
    }
    const QString backup = dir.filePath(QStringLiteral("backup.reg"));
    const double exportTime = medianMicroseconds(5, [&](int) { ExportRegFile(*big, backup); });
    const double importTime = medianMicroseconds(5, [&](int i) {
        std::unique_ptr<Store> target = Store::open(dir.filePath(QStringLiteral("restore%1.sqlite").arg(i)));
        ImportRegFile(*target, backup);
    });

    std::printf("Store, median of %d runs each (SQLite WAL, synchronous=NORMAL):\n", Runs);
    std::printf("  read one value (float text)        %8.2f us\n", read);
    std::printf("  read one value (integer)           %8.2f us\n", readInt);
    std::printf("  write one value (own commit)       %8.2f us\n", write);
    std::printf("  pricing tick: 10 writes, 1 commit  %8.2f us   (target <= 200 us)\n", tick);
    std::printf("  session record write (tick, with its day's totals) %8.2f us\n", recordTick);
    std::printf("Backup of a year of sessions (%d values), median of 5:\n", 365 * 31);
    std::printf("  export                             %8.1f ms\n", exportTime / 1000);
    std::printf("  import into a new store            %8.1f ms\n", importTime / 1000);
    return 0;
}

// The backup at exit over twenty years of history (58,400 sessions): the
// export as the program runs it, the same store only walked (what any
// "has it changed" check that looks at the content would cost), and the
// size of the file.
//
// bench_backup [days]   (default 7300)

#include "store/RegFile.h"
#include "store/Store.h"

#include "BenchSeed.h"
#include "BenchTiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

qint64 walk(Store &store, const QString &path)
{
    qint64 n = store.values(path).size();
    for (const QString &child : store.subkeyNames(path))
        n += walk(store, path + QLatin1Char('\\') + child);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? std::atoi(argv[1]) : 20 * 365;
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(bench::storeFileIn(dir.path()));
    bench::seedUser(*store, true);
    bench::seedHistory(*store, days);
    const QString backup = dir.filePath(QStringLiteral("Tallyline Backup Database.reg"));

    std::vector<double> wall, cpu, walkWall;
    qint64 values = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        const double c = bench::threadCpuUs();
        ExportRegFile(*store, backup);
        cpu.push_back(bench::threadCpuUs() - c);
        wall.push_back(double(t.nsecsElapsed()) / 1e3);
        t.restart();
        values = walk(*store, QStringLiteral("Software\\Kelmora\\Tallyline"));
        walkWall.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::printf("history of %d days, %lld values, backup file %.1f MiB\n", days, static_cast<long long>(values),
                double(QFileInfo(backup).size()) / (1 << 20));
    std::printf("export: %8.1f ms elapsed, %8.1f ms CPU (median of 5)\n", bench::median(wall) / 1000,
                bench::median(cpu) / 1000);
    std::printf("walk of the same tree without writing: %8.1f ms elapsed\n", bench::median(walkWall) / 1000);
    return 0;
}

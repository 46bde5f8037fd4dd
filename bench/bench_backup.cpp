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
#include <fcntl.h>
#include <unistd.h>

namespace {

class CountingVisitor : public Store::TreeVisitor
{
public:
    void key(const QString &) override { ++keys; }
    void value(const Store::TreeValue &v) override { bytes += v.name.size() + v.data.size(); }
    qint64 keys = 0;
    qint64 bytes = 0;
};

// The file's bytes written and synced on their own: the floor for any writer.
double writeAndSyncMs(const QString &path, qint64 size)
{
    QElapsedTimer t;
    t.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const QByteArray block(256 * 1024, 'x');
    for (qint64 done = 0; done < size; done += block.size()) {
        if (::write(fd, block.constData(), size_t(block.size())) < 0)
            break;
    }
    ::fsync(fd);
    ::close(fd);
    return double(t.nsecsElapsed()) / 1e6;
}

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

    std::vector<double> wall, cpu, walkWall, visitCpu, writeWall;
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
        const double visitStart = bench::threadCpuUs();
        {
            Store::Transaction snapshot(*store);
            CountingVisitor visitor;
            store->visitTree(QStringLiteral("Software\\Kelmora\\Tallyline"), visitor);
        }
        visitCpu.push_back(bench::threadCpuUs() - visitStart);
        writeWall.push_back(1e3 * writeAndSyncMs(dir.filePath(QStringLiteral("plain")), QFileInfo(backup).size()));
    }
    std::printf("history of %d days, %lld values, backup file %.1f MiB\n", days, static_cast<long long>(values),
                double(QFileInfo(backup).size()) / (1 << 20));
    std::printf("export: %8.1f ms elapsed, %8.1f ms CPU (median of 5)\n", bench::median(wall) / 1000,
                bench::median(cpu) / 1000);
    std::printf("parts: reading the tree in one visit %8.1f ms CPU; writing and syncing as many bytes %8.1f ms elapsed\n",
                bench::median(visitCpu) / 1000, bench::median(writeWall) / 1000);
    std::printf("reading it key by key as the old writer did (values, subkeyNames): %8.1f ms\n",
                bench::median(walkWall) / 1000);
    return 0;
}

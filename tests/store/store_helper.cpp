// A child process for the store tests.
//   store_helper write DB   writes in a loop; after each commit prints the
//                           number of the committed transaction and flushes
//   store_helper open DB    opens the store; prints "ok" or the error
#include "store/Store.h"

#include <cstdio>
#include <cstring>

namespace {

int writeLoop(const QString &path)
{
    std::unique_ptr<Store> store = Store::open(path);
    int last = 0;
    store->ReadStoreInteger(QStringLiteral("Last"), QStringLiteral("Crash"), last);
    for (int n = last + 1;; ++n) {
        Store::Transaction tx(*store);
        // Like a pricing tick: several values of several keys, and keys that
        // appear as the log grows.
        store->WriteStoreString(QStringLiteral("C%1").arg(n), QStringLiteral("Crash\\Log\\%1").arg(n / 500),
                                QStringLiteral("commit %1").arg(n));
        store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("Crash"), n * 0.01);
        store->WriteStoreInteger(QStringLiteral("Check"), QStringLiteral("Crash"), n);
        store->WriteStoreString(QStringLiteral("Padding"), QStringLiteral("Crash\\Scratch"), QString(200 + n % 300, QLatin1Char('x')));
        if (n % 7 == 0)
            store->DeleteStoreKey(QStringLiteral("Crash\\Scratch"));
        store->WriteStoreInteger(QStringLiteral("Last"), QStringLiteral("Crash"), n);
        tx.commit();
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s write|open DATABASE\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    try {
        if (std::strcmp(argv[1], "write") == 0)
            return writeLoop(path);
        Store::open(path);
        std::printf("ok\n");
        return 0;
    } catch (const StoreOpenError &e) {
        std::printf("%s\n", e.message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception &e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}

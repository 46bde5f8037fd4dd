// What one connection-check tick costs on this machine: the pppd backend
// scans the process table for each of its three stage tests.
#include "platform/PppdDialUpNetwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    PppdDialUpNetwork network;
    const int runs = 200;
    std::vector<qint64> scans;
    scans.reserve(runs);
    int found = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        found = int(network.connections().size());
        scans.push_back(t.nsecsElapsed());
    }
    std::sort(scans.begin(), scans.end());
    const qint64 median = scans[scans.size() / 2];
    const int processes = int(QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs).size());
    std::printf("pppd connections() over %d processes (%d pppd found): median %.1f us, "
                "connection-check tick (3 scans) %.1f us\n",
                processes, found, median / 1000.0, 3 * median / 1000.0);
    return 0;
}

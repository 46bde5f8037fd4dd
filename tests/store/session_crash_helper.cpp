// A child process for the crash walk: lives one whole session of Ann's on a
// fresh database and ends itself, as a crash would, just before one of its
// file writes or syncs.
//   session_crash_helper DATABASE write|sync N
// N = 0 runs the session to its end and prints "writes W syncs S". After
// each half-second step it prints "step C T": the day's session count and
// the first session's time online as committed by then.
#include "support/SessionWalk.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

using namespace testsupport;

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DATABASE write|sync N\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString database = QString::fromLocal8Bit(argv[1]);
    const FileFaults::Op op = std::strcmp(argv[2], "sync") == 0 ? FileFaults::Sync : FileFaults::Write;
    const int at = std::atoi(argv[3]);
    FileFaults::install();
    try {
        TickingShell s(database);
        s.logIn();
        FileFaults::reset();
        if (at > 0)
            FileFaults::exitAt(op, at, CrashStatus);
        WalkOneSession(s, [&s] {
            std::printf("step %d %.0f\n", s.sessionsOn(), s.sessionsOn() > 0 ? s.field(1, SessionTimeOnline) : 0.0);
            std::fflush(stdout);
        });
        std::printf("writes %d syncs %d\n", FileFaults::count(FileFaults::Write), FileFaults::count(FileFaults::Sync));
        return 0;
    } catch (const std::exception &e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
}

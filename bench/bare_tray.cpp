// The yardstick for the program's idle figures: the least a Qt Widgets
// program sitting in the tray costs. A hidden widget and two timers
// (500 ms and 1000 ms, as the tray form has) doing trivial work.
//
// bare_tray   (prints "ready" once its event loop runs)

#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget hidden;
    qint64 ticks = 0;
    qint64 last = 0;
    QTimer fast;
    fast.setInterval(500);
    QObject::connect(&fast, &QTimer::timeout, [&] { ++ticks; });
    QTimer slow;
    slow.setInterval(1000);
    QObject::connect(&slow, &QTimer::timeout, [&] { last = QDateTime::currentMSecsSinceEpoch() + ticks; });
    fast.start();
    slow.start();
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    const int result = app.exec();
    return result + int(last & 0);
}

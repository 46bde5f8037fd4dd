#include "app/TickTimer.h"
#include "support/TestMain.h"

#include <QEventLoop>
#include <QTest>

class TestTickTimer : public QObject
{
    Q_OBJECT

private slots:
    void ticksGoOnWhileATickWaits_data();
    void ticksGoOnWhileATickWaits();
    void aTimerStoppedByItsTickStaysStopped();
};

namespace {

constexpr int TickMs = 5;
constexpr int GiveUpMs = 10000;

} // namespace

// The first tick waits in an event loop of its own (as under a box) until
// three more ticks have run. Other events keep that loop busy meanwhile, so
// a timer started afresh on every pass of the loop would never tick again.
void TestTickTimer::ticksGoOnWhileATickWaits_data()
{
    QTest::addColumn<bool>("waitsForEvents");
    QTest::newRow("event loop") << true;
    QTest::newRow("processEvents without waiting") << false;
}

void TestTickTimer::ticksGoOnWhileATickWaits()
{
    QFETCH(bool, waitsForEvents);
    TickTimer timer;
    timer.setInterval(TickMs);
    QTimer traffic;
    traffic.setInterval(1);
    QObject::connect(&traffic, &QTimer::timeout, [] {});
    int ticks = 0;
    int ticksUnderFirst = 0;
    bool gaveUp = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks > 1)
            return;
        QElapsedTimer waiting;
        waiting.start();
        if (waitsForEvents) {
            QEventLoop loop;
            QTimer check;
            QObject::connect(&check, &QTimer::timeout, [&] {
                if (ticks >= 4 || waiting.elapsed() > GiveUpMs)
                    loop.quit();
            });
            check.start(1);
            loop.exec();
        } else {
            while (ticks < 4 && waiting.elapsed() <= GiveUpMs)
                QCoreApplication::processEvents();
        }
        gaveUp = ticks < 4;
        ticksUnderFirst = ticks - 1;
        timer.stop();
    });
    traffic.start();
    timer.start();
    QTRY_VERIFY_WITH_TIMEOUT(!timer.isActive(), GiveUpMs * 2);
    QVERIFY(!gaveUp);
    QVERIFY(ticksUnderFirst >= 3);
}

void TestTickTimer::aTimerStoppedByItsTickStaysStopped()
{
    TickTimer timer;
    timer.setInterval(TickMs);
    int ticks = 0;
    bool activeAfterLoop = true;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        timer.stop();
        QCoreApplication::processEvents();
        activeAfterLoop = timer.isActive();
    });
    timer.start();
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, GiveUpMs);
    QVERIFY(!activeAfterLoop);
    QVERIFY(!timer.isActive());
}

TALLYLINE_ENGINE_TEST_MAIN(TestTickTimer)
#include "TestTickTimer.moc"

#include "platform/DialUpNetwork.h"
#include "session/ConnectionDetection.h"
#include "support/FakeLineContext.h"
#include "support/TestMain.h"

using testsupport::FakeLineContext;

namespace {
const QString Link = QStringLiteral("ppp0");

// A context with a full connection on ppp0 whose statistics were started at
// the given raw counters, and a session just opened.
struct OpenSession : FakeLineContext {
    explicit OpenSession(qint64 rawRecv, qint64 rawXmit = 0)
    {
        network.addConnection(1, QStringLiteral("Provider"), RasState::Connected, Link);
        network.setCounters(Link, rawRecv, rawXmit);
        ctx.connection.DunSpeed.StartStatistics(&network, true, true);
        ctx.connection.DunSpeed.ResetStatistics();
        ctx.shell.TrafficBaselineTaken = false;
    }
    void tick(qint64 rawRecv, qint64 rawXmit = 0)
    {
        network.setCounters(Link, rawRecv, rawXmit);
        UpdateTrafficCounters(ctx);
    }
};
}

class TestTrafficCounters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingsGiveTotalsRatesAndAverages_data();
    void readingsGiveTotalsRatesAndAverages();
    void transmitSideIsIndependent();
    void countersPastFourGiB();
    void failedReadRepeatsLastValues();
    void newSessionStartsFromZero();
    void adapterFollowsTheConnectionLink();
};

void TestTrafficCounters::readingsGiveTotalsRatesAndAverages_data()
{
    QTest::addColumn<qint64>("startRaw");
    QTest::addColumn<QList<qint64>>("raw");
    QTest::addColumn<QList<qint64>>("total");
    QTest::addColumn<QList<double>>("rate");
    QTest::addColumn<QList<int>>("activeTicks");
    QTest::addColumn<QList<double>>("average");

    // The first reading only takes the baseline; an idle interval does not
    // count towards the average, which is total per active interval.
    QTest::newRow("steady then idle")
        << qint64(1000) << QList<qint64>{1000, 1500, 1500, 2500}
        << QList<qint64>{0, 500, 500, 1500}
        << QList<double>{0, 440, 0, 880}
        << QList<int>{0, 1, 1, 2}
        << QList<double>{0, 440, 440, 660};

    // Bytes already counted when the session opened are part of the first
    // reading, so the first interval has them as total but no rate.
    QTest::newRow("traffic before first reading")
        << qint64(0) << QList<qint64>{300, 400}
        << QList<qint64>{300, 400}
        << QList<double>{0, 88}
        << QList<int>{0, 1}
        << QList<double>{0, 352};

    // Counters below the base mean a new connection: the reading resets, the
    // total falls to 0 and the interval's rate is negative (and counts).
    QTest::newRow("counters go backwards")
        << qint64(5000) << QList<qint64>{5000, 6000, 200, 700}
        << QList<qint64>{0, 1000, 0, 500}
        << QList<double>{0, 880, -880, 440}
        << QList<int>{0, 1, 2, 3}
        << QList<double>{0, 880, 0, 500.0 / 3 * 0.88};
}

void TestTrafficCounters::readingsGiveTotalsRatesAndAverages()
{
    QFETCH(qint64, startRaw);
    QFETCH(QList<qint64>, raw);
    QFETCH(QList<qint64>, total);
    QFETCH(QList<double>, rate);
    QFETCH(QList<int>, activeTicks);
    QFETCH(QList<double>, average);

    OpenSession s(startRaw);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        s.tick(raw[i]);
        const ConnectionState &c = s.ctx.connection;
        const QByteArray at = "reading " + QByteArray::number(i + 1);
        QVERIFY2(c.TotalReceived == total[i], at.constData());
        QVERIFY2(qAbs(c.ReceiveRate - rate[i]) < 1e-9, (at + " rate " + QByteArray::number(c.ReceiveRate)).constData());
        QVERIFY2(c.ActiveReceiveTicks == activeTicks[i], at.constData());
        QVERIFY2(qAbs(c.AverageReceiveRate - average[i]) < 1e-9,
                 (at + " average " + QByteArray::number(c.AverageReceiveRate)).constData());
        QVERIFY(s.ctx.shell.TrafficBaselineTaken);
    }
    QCOMPARE(s.ctx.connection.StartReceived, total.first());
}

void TestTrafficCounters::transmitSideIsIndependent()
{
    OpenSession s(0, 0);
    s.tick(0, 100);
    s.tick(0, 300);
    s.tick(0, 300);
    const ConnectionState &c = s.ctx.connection;
    QCOMPARE(c.TotalReceived, 0);
    QCOMPARE(c.ActiveReceiveTicks, 0);
    QCOMPARE(c.AverageReceiveRate, 0.0);
    QCOMPARE(c.StartTransmitted, 100);
    QCOMPARE(c.TotalTransmitted, 300);
    QCOMPARE(c.TransmitRate, 0.0);
    QCOMPARE(c.ActiveTransmitTicks, 1);
    QVERIFY(qAbs(c.AverageTransmitRate - 300 * 0.88) < 1e-9);
}

void TestTrafficCounters::countersPastFourGiB()
{
    const qint64 fourGiB = qint64(1) << 32;
    OpenSession s(fourGiB - 10, fourGiB + 5);
    s.tick(fourGiB - 10, fourGiB + 5);
    s.tick(fourGiB + 3 * fourGiB, fourGiB + 5 + 123);
    const ConnectionState &c = s.ctx.connection;
    QCOMPARE(c.TotalReceived, 3 * fourGiB + 10);
    QCOMPARE(c.TotalTransmitted, 123);
    QVERIFY(qAbs(c.ReceiveRate - double(3 * fourGiB + 10) * 0.88) < 1);
}

void TestTrafficCounters::failedReadRepeatsLastValues()
{
    OpenSession s(0);
    s.tick(100);
    s.tick(600);
    s.network.counters.clear();
    UpdateTrafficCounters(s.ctx);
    const ConnectionState &c = s.ctx.connection;
    QCOMPARE(c.TotalReceived, 600);
    QCOMPARE(c.ReceiveRate, 0.0);
    QCOMPARE(c.ActiveReceiveTicks, 1);
}

void TestTrafficCounters::newSessionStartsFromZero()
{
    OpenSession s(0);
    s.tick(100);
    s.tick(900);
    QCOMPARE(s.ctx.connection.ActiveReceiveTicks, 1);

    // What opening the next session does with the counters.
    s.ctx.connection.DunSpeed.ResetStatistics();
    s.ctx.shell.TrafficBaselineTaken = false;
    s.tick(950);
    const ConnectionState &c = s.ctx.connection;
    QCOMPARE(c.TotalReceived, 50);
    QCOMPARE(c.StartReceived, 50);
    QCOMPARE(c.ReceiveRate, 0.0);
    QCOMPARE(c.ActiveReceiveTicks, 0);
    QCOMPARE(c.AverageReceiveRate, 0.0);
}

void TestTrafficCounters::adapterFollowsTheConnectionLink()
{
    FakeLineContext f;
    TRAS &stats = f.ctx.connection.DunSpeed;
    // At start there is no link yet: no adapter, and reads fail.
    QVERIFY(!stats.StartStatistics(&f.network, true, true));
    QVERIFY(!stats.ReadStatistics(&f.network));

    f.network.addConnection(1, QStringLiteral("Provider"), RasState::Connected, QStringLiteral("ppp3"));
    f.network.setCounters(QStringLiteral("ppp3"), 4000, 1000);
    QVERIFY(stats.ReadStatistics(&f.network));
    QCOMPARE(stats.KeyDUNAdap, QStringLiteral("ppp3"));
    QCOMPARE(stats.StatsRecv, 4000);

    // The next connection comes up on another unit: its counters are its
    // own, whatever was counted on the old one.
    f.network.active.clear();
    f.network.addConnection(2, QStringLiteral("Provider"), RasState::Connected, QStringLiteral("ppp1"));
    f.network.setCounters(QStringLiteral("ppp1"), 9000, 9000);
    QVERIFY(stats.ReadStatistics(&f.network));
    QCOMPARE(stats.KeyDUNAdap, QStringLiteral("ppp1"));
    QCOMPARE(stats.StatsRecv, 9000);
    stats.ResetStatistics();
    f.network.setCounters(QStringLiteral("ppp1"), 9500, 9100);
    QVERIFY(stats.ReadStatistics(&f.network));
    QCOMPARE(stats.StatsRecv, 500);
    QCOMPARE(stats.StatsXmit, 100);
}

TALLYLINE_ENGINE_TEST_MAIN(TestTrafficCounters)
#include "TestTrafficCounters.moc"

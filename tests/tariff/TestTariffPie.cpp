#include "support/TestMain.h"
#include "tariff/TariffPie.h"

namespace {

BandRecord band(int start, int end)
{
    BandRecord b;
    b.startTime = start;
    b.endTime = end;
    return b;
}

} // namespace

class TestTariffPie : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rimPoints_data();
    void rimPoints();
    void wedges_data();
    void wedges();
    void clickDirections_data();
    void clickDirections();
    void bandAtAngle_data();
    void bandAtAngle();
    void colours();
};

void TestTariffPie::rimPoints_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QPoint>("point");
    QTest::newRow("midnight at the top") << 0 << QPoint(69, 0);
    QTest::newRow("06:00 at the right") << 360 << QPoint(138, 69);
    QTest::newRow("noon at the bottom") << 720 << QPoint(69, 138);
    QTest::newRow("18:00 at the left") << 1080 << QPoint(0, 69);
    QTest::newRow("a whole day round is midnight") << 1440 << QPoint(69, 0);
    QTest::newRow("23:59 rounds onto midnight") << 1439 << QPoint(69, 0);
    QTest::newRow("03:00") << 180 << QPoint(118, 20);
}

void TestTariffPie::rimPoints()
{
    QFETCH(int, minutes);
    QFETCH(QPoint, point);
    QCOMPARE(PieRimPoint(minutes, PieWidth, PieHeight), point);
}

void TestTariffPie::wedges_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("fullDisc");
    QTest::addColumn<double>("startAngle");
    QTest::addColumn<double>("spanAngle");
    // The arc runs counter-clockwise from the end to the start.
    QTest::newRow("06:00-18:00, the lower half") << 360 << 1080 << false << 180.0 << 180.0;
    QTest::newRow("18:00-06:00 over midnight, the upper half") << 1080 << 360 << false << 0.0 << 180.0;
    QTest::newRow("00:00-06:00, the upper right quarter") << 0 << 360 << false << 0.0 << 90.0;
    QTest::newRow("a whole day drawn 0..1440") << 0 << 1440 << true << 0.0 << 360.0;
    QTest::newRow("all day 00:00-23:59") << 0 << 1439 << true << 0.0 << 360.0;
    QTest::newRow("start = end") << 600 << 600 << true << 0.0 << 360.0;
}

void TestTariffPie::wedges()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(bool, fullDisc);
    QFETCH(double, startAngle);
    QFETCH(double, spanAngle);
    const PieWedge wedge = PieWedgeOf(start, end, PieWidth, PieHeight);
    QCOMPARE(wedge.fullDisc, fullDisc);
    QCOMPARE(wedge.startAngle, startAngle);
    QCOMPARE(wedge.spanAngle, spanAngle);
}

void TestTariffPie::clickDirections_data()
{
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<double>("degrees");
    QTest::newRow("top") << QPoint(69, 2) << 0.0;
    QTest::newRow("right") << QPoint(130, 69) << 90.0;
    QTest::newRow("bottom") << QPoint(69, 130) << 180.0;
    QTest::newRow("left") << QPoint(5, 69) << 270.0;
    QTest::newRow("upper left") << QPoint(19, 19) << 315.0;
    QTest::newRow("lower left") << QPoint(19, 119) << 225.0;
    QTest::newRow("lower right") << QPoint(119, 119) << 135.0;
    QTest::newRow("centre counts as down") << QPoint(69, 69) << 180.0;
}

void TestTariffPie::clickDirections()
{
    QFETCH(QPoint, click);
    QFETCH(double, degrees);
    QCOMPARE(PieClickAngle(click.x(), click.y(), PieWidth, PieHeight), degrees);
}

void TestTariffPie::bandAtAngle_data()
{
    QTest::addColumn<QList<BandRecord>>("bands");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<int>("found");
    const QList<BandRecord> fullDay{band(0, 0)};
    QTest::newRow("start = end holds the top") << fullDay << 0.0 << 1;
    QTest::newRow("start = end holds the bottom") << fullDay << 180.0 << 1;
    const QList<BandRecord> night{band(1080, 480)};
    QTest::newRow("18:00-08:00 holds the top") << night << 0.0 << 1;
    QTest::newRow("18:00-08:00 holds 07:59") << night << 119.9 << 1;
    QTest::newRow("18:00-08:00 not noon") << night << 180.0 << 0;
    QTest::newRow("18:00-08:00 holds 18:00") << night << 270.0 << 1;
    const QList<BandRecord> dayFirst{band(480, 1080), band(1080, 480)};
    QTest::newRow("18:00 exactly: the first band") << dayFirst << PieClickAngle(5, 69, PieWidth, PieHeight) << 1;
    QTest::newRow("just after 18:00: still the first band's minute") << dayFirst << 270.2 << 1;
    QTest::newRow("after 18:01: the second band") << dayFirst << 270.3 << 2;
    const QList<BandRecord> nightFirst{band(1080, 480), band(480, 1080)};
    QTest::newRow("18:00 exactly, night listed first") << nightFirst << 270.0 << 1;
    QTest::newRow("08:00 exactly, night listed first") << nightFirst << 120.0 << 1;
    const QList<BandRecord> allDay{band(0, 1439)};
    QTest::newRow("00:00-23:59 holds the last sliver") << allDay << 359.9 << 1;
    const QList<BandRecord> gap{band(540, 1020)};
    QTest::newRow("outside every band") << gap << 300.0 << 0;
    QTest::newRow("no bands") << QList<BandRecord>() << 10.0 << 0;
}

void TestTariffPie::bandAtAngle()
{
    QFETCH(QList<BandRecord>, bands);
    QFETCH(double, degrees);
    QFETCH(int, found);
    QCOMPARE(BandAtAngle(bands, degrees), found);
}

void TestTariffPie::colours()
{
    const QList<quint32> table{0x8080FF, 0xFFFF80, 0x80FF80, 0x80FFFF, 0xFF80FF};
    for (int k = 1; k <= 12; ++k)
        QCOMPARE(BandColour(k), table[(k - 1) % 5]);
    QCOMPARE(HighlightedColour(0x8080FF), quint32(0x4040BF));
    QCOMPARE(HighlightedColour(0x80FF80), quint32(0x40BF40));
    QCOMPARE(RgbOfColour(0x8080FF), quint32(0xFF8080));
    QCOMPARE(RgbOfColour(0x80FFFF), quint32(0xFFFF80));
}

TALLYLINE_ENGINE_TEST_MAIN(TestTariffPie)
#include "TestTariffPie.moc"

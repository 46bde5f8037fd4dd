#include "reports/ReportGraph.h"
#include "session/SessionRecord.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"

using testsupport::TariffSeed;

// The report's bars, running average and totals for every view.
class TestReportGraph : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsEachViewAndKind_data();
    void loadsEachViewAndKind();
    void titlesAndUnitsFollowTheKind();
    void aLongHistoryIsNotCut();
};

namespace {

struct Bucket {
    int index;
    QString label;
    double bar;
    double line;
};

DateTime day(int year, int month, int d)
{
    return EncodeDate(year, month, d);
}

// Sessions on Sunday 31 December 2000, Tuesday 2 January (two), Thursday
// 4 January, Tuesday 9 January and 15 March 2001.
struct Seeded : testsupport::EngineFixture {
    Seeded()
    {
        TariffSeed seed(store(), 1);
        const auto add = [&](DateTime start, qint64 seconds, double cost, qint64 down, const QString &connection,
                             double averageDown) {
            const int m = seed.session({start, seconds, cost, down, 0, connection});
            WriteSessionField(store(), 1, m, SessionAvgDownload, averageDown, DateOf(start));
        };
        const auto at = [](int y, int mo, int d, int h) { return day(y, mo, d) + h / 24.0; };
        add(at(2000, 12, 31, 20), 120, 0.25, 0, QStringLiteral("Default"), 0);
        add(at(2001, 1, 2, 9), 600, 1.0, 1048576, QStringLiteral("Default"), 2048);
        add(at(2001, 1, 2, 13), 1200, 2.0, 2097152, QStringLiteral("Work"), 1024);
        add(at(2001, 1, 4, 10), 1800, 3.0, 0, QStringLiteral("any"), 4096);
        add(at(2001, 1, 9, 8), 60, 0.5, 0, QStringLiteral("Work"), 0);
        add(at(2001, 3, 15, 8), 300, 1.5, 0, QStringLiteral("Default"), 0);
    }
};

GraphRequest account(int view, int kind, DateTime start, DateTime end, const QString &isp = QString())
{
    GraphRequest r;
    r.periodKind = view;
    r.infoKind = kind;
    r.account = {start, end};
    r.ispFilter = isp;
    return r;
}

GraphRequest custom(int view, int kind, DateTime start, DateTime end)
{
    GraphRequest r;
    r.periodKind = view;
    r.infoKind = kind;
    r.customStart = start;
    r.customEnd = end;
    return r;
}

GraphRequest monthOrYear(int view, int kind, int month, int year)
{
    GraphRequest r;
    r.periodKind = view;
    r.infoKind = kind;
    r.month = month;
    r.year = year;
    return r;
}

} // namespace

Q_DECLARE_METATYPE(GraphRequest)
Q_DECLARE_METATYPE(QList<Bucket>)

void TestReportGraph::loadsEachViewAndKind_data()
{
    QTest::addColumn<GraphRequest>("request");
    QTest::addColumn<int>("buckets");
    QTest::addColumn<QList<Bucket>>("checks");
    QTest::addColumn<qint64>("connections");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<double>("cost");

    const DateTime jan1 = day(2001, 1, 1), feb1 = day(2001, 2, 1);
    // Empty days are buckets: the 3rd counts in the average's divisor.
    QTest::newRow("account, time online") << account(ReportSelectedAccount, ReportTimeOnline, jan1, feb1) << 31
        << QList<Bucket>{{0, "01", 0, 0}, {1, "02", 30, 15}, {2, "03", 0, 10}, {3, "04", 30, 15}, {8, "09", 1, 3660.0 / 60 / 9}}
        << qint64(4) << qint64(3660) << 6.5;
    // "ANY" counts as the default connection; connections count every ISP.
    QTest::newRow("account, Default filter") << account(ReportSelectedAccount, ReportTimeOnline, jan1, feb1, "Default") << 31
        << QList<Bucket>{{1, "02", 10, 5}, {3, "04", 30, 10}, {8, "09", 0, 2400.0 / 60 / 9}}
        << qint64(4) << qint64(2400) << 4.0;
    QTest::newRow("account, All from December") << account(ReportSelectedAccount, ReportOnlineCost, day(2000, 12, 1), feb1) << 62
        << QList<Bucket>{{30, "31", 0.25, 0.25 / 31}, {61, "31", 0, 6.75 / 62}}
        << qint64(5) << qint64(3780) << 6.75;
    QTest::newRow("month, cost") << monthOrYear(ReportSelectedMonth, ReportOnlineCost, 1, 2001) << 31
        << QList<Bucket>{{0, "1", 0, 0}, {1, "2", 3.0, 1.5}, {30, "31", 0, 6.5 / 31}}
        << qint64(4) << qint64(3660) << 6.5;
    QTest::newRow("February of a leap year") << monthOrYear(ReportSelectedMonth, ReportUploaded, 2, 2000) << 29
        << QList<Bucket>{{28, "29", 0, 0}} << qint64(0) << qint64(0) << 0.0;
    QTest::newRow("year, downloaded") << monthOrYear(ReportSelectedYear, ReportDownloaded, 1, 2001) << 12
        << QList<Bucket>{{0, "Jan", 3, 3}, {1, "Feb", 0, 1.5}, {2, "Mar", 0, 1}, {11, "Dec", 0, 0.25}}
        << qint64(5) << qint64(3960) << 8.0;
    // Averages divide by the bucket's sessions, of every ISP.
    QTest::newRow("year, average download") << monthOrYear(ReportSelectedYear, ReportAverageDownload, 1, 2001) << 12
        << QList<Bucket>{{0, "Jan", 1.75, 1.75}, {1, "Feb", 0, 0.875}} << qint64(5) << qint64(3960) << 8.0;
    QTest::newRow("custom over the new year") << custom(ReportCustomPeriod, ReportTimeOnline, day(2000, 12, 31), day(2001, 1, 2)) << 3
        << QList<Bucket>{{0, "31", 2, 2}, {1, "01", 0, 1}, {2, "02", 30, 32.0 / 3}}
        << qint64(3) << qint64(1920) << 3.25;
    QTest::newRow("custom reversed: the start alone") << custom(ReportCustomPeriod, ReportTimeOnline, day(2001, 1, 4), day(2001, 1, 2)) << 1
        << QList<Bucket>{{0, "04", 30, 30}} << qint64(1) << qint64(1800) << 3.0;
    // Tuesday: two days with sessions; Monday none, divided by 1.
    QTest::newRow("week of account, time") << account(ReportWeekOfAccount, ReportTimeOnline, jan1, feb1) << 7
        << QList<Bucket>{{0, "Mon", 0, 0}, {1, "Tue", 15.5, 7.75}, {3, "Thu", 30, 11.375}, {6, "Sun", 0, 2730.0 / 60 / 7}}
        << qint64(4) << qint64(3660) << 6.5;
    QTest::newRow("week of account, average download") << account(ReportWeekOfAccount, ReportAverageDownload, jan1, feb1) << 7
        << QList<Bucket>{{1, "Tue", 0.5, 0.25}, {3, "Thu", 4, 1.125}} << qint64(4) << qint64(3660) << 6.5;
    QTest::newRow("week of custom period") << custom(ReportWeekOfCustomPeriod, ReportOnlineCost, day(2000, 12, 31), day(2001, 1, 1)) << 7
        << QList<Bucket>{{0, "Mon", 0, 0}, {6, "Sun", 0.25, 0.25 / 7}} << qint64(1) << qint64(120) << 0.25;
}

void TestReportGraph::loadsEachViewAndKind()
{
    QFETCH(GraphRequest, request);
    QFETCH(int, buckets);
    QFETCH(QList<Bucket>, checks);
    QFETCH(qint64, connections);
    QFETCH(qint64, seconds);
    QFETCH(double, cost);
    Seeded f;
    const GraphData data = LoadGraphData(f.ctx, request);
    QCOMPARE(data.bars.size(), buckets);
    QCOMPARE(data.line.size(), buckets);
    QCOMPARE(data.labels.size(), buckets);
    for (const Bucket &b : checks) {
        QCOMPARE(data.labels[b.index], b.label);
        QCOMPARE(data.bars[b.index], b.bar);
        QCOMPARE(data.line[b.index], b.line);
    }
    QCOMPARE(data.connections, connections);
    QCOMPARE(data.seconds, seconds);
    QCOMPARE(data.cost, cost);
}

void TestReportGraph::titlesAndUnitsFollowTheKind()
{
    Seeded f;
    QCOMPARE(ReportLeftAxisTitle(f.ctx, ReportOnlineCost), QStringLiteral("Cost (\u00a3)"));
    QCOMPARE(ReportTitlePrefix(ReportSelectedYear, ReportAverageUpload), QStringLiteral("Average upload speed for "));
    QCOMPARE(ReportTitlePrefix(ReportCustomPeriod, ReportDownloaded), QStringLiteral("Data downloaded from "));
    QCOMPARE(ReportTitlePrefix(ReportWeekOfCustomPeriod, ReportTimeOnline), QStringLiteral("Average online time "));
    QCOMPARE(ReportFieldCode(ReportAverageUpload), int(SessionAvgUpload));
    QCOMPARE(ReportMonthNames().at(1), QStringLiteral("Febuary"));
    // The year list reaches the current year, so that recent years can be shown.
    QCOMPARE(ReportYears(2026).constLast(), QStringLiteral("2026"));
    QCOMPARE(ReportYears(2001).constLast(), QStringLiteral("2009"));
    f.ctx.login.LoggedIn = false;
    QVERIFY(LoadGraphData(f.ctx, monthOrYear(ReportSelectedMonth, 0, 1, 2001)).bars.isEmpty());
}

void TestReportGraph::aLongHistoryIsNotCut()
{
    Seeded f;
    // Some 30 years of days, well past a table of 10,000.
    const GraphData data =
        LoadGraphData(f.ctx, custom(ReportCustomPeriod, ReportOnlineCost, day(1990, 1, 1), day(2019, 12, 31)));
    QCOMPARE(data.bars.size(), int(day(2019, 12, 31) - day(1990, 1, 1)) + 1);
    QCOMPARE(data.cost, 8.25);
    QCOMPARE(data.line.constLast(), 8.25 / data.bars.size());
}

TALLYLINE_ENGINE_TEST_MAIN(TestReportGraph)
#include "TestReportGraph.moc"

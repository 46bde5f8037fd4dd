#include "account_window/AccountPeriodList.h"
#include "reports/SessionListing.h"
#include "session/SessionRecord.h"
#include "support/EngineFixture.h"
#include "support/SessionFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"

#include <QFile>
#include <QTemporaryDir>

using testsupport::TariffSeed;

// The export file and the printout's lines, over a user with sessions in
// two months and one without a connection.
class TestSessionListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportMatchesTheExpectedFileByteForByte();
    void exportOfAnEmptyPeriodIsTheHeadAlone();
    void exportFailureIsReportedAndKeepsNothingHalfWay();
    void printoutFiltersByIsp_data();
    void printoutFiltersByIsp();
};

namespace {

DateTime at(int month, int day, int hour, int minute = 0, int second = 0)
{
    return DateTimeFromQDateTime(QDateTime(QDate(2001, month, day), QTime(hour, minute, second)));
}

struct Listing : testsupport::EngineFixture {
    Listing()
    {
        ctx.login.CurrentUserName = QStringLiteral("Ann");
        ctx.startup.savedCurrencyDecimals = 2;
        TariffSeed seed(store(), 1);
        seed.account(QStringLiteral("Monthly"), QStringLiteral("1"));
        seed.session({at(12, 30, 23, 0), 90, 0.5, 0, 0, QStringLiteral("Work")});
        seed.session({at(1, 2, 9, 15, 30), 600, 1.0, 0, 0, QStringLiteral("Default")});
        seed.session({at(1, 2, 13), 1201, 2.25, 0, 0, QString()});
        seed.session({at(1, 9, 8), 60, 0.1, 0, 0, QStringLiteral("work")});
        ctx.pricing.AccountSessions = 7;
        ctx.pricing.AccountSeconds = 3725;
        ctx.pricing.AccountCost = 12.5;
    }
    AccountPeriod january{EncodeDate(2001, 1, 1), EncodeDate(2001, 2, 1)};
};

} // namespace

void TestSessionListing::exportMatchesTheExpectedFileByteForByte()
{
    Listing f;
    QTemporaryDir dir;
    const QString path = dir.filePath(SessionExportFileName(QStringLiteral("Ann")));
    QVERIFY(path.endsWith(QStringLiteral("/Ann Session info.txt")));
    WriteSessionExport(f.ctx, path, QStringLiteral("Month 1 : 01 Jan 01 - 01 Feb 01"), f.january);
    QFile written(path), expected(QStringLiteral(TALLYLINE_TESTS_SOURCE_DIR "/reports/expected/session-export.txt"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected.readAll());
    // The head's two fixed lines, whatever the expected file holds.
    const QStringList lines = SessionExportLines(f.ctx, QString(), f.january);
    QCOMPARE(lines[9].size(), 92);
    QCOMPARE(lines[9].indexOf(QStringLiteral("List Total")), 75);
    QCOMPARE(lines[10], QString(93, QLatin1Char('-')));
}

void TestSessionListing::exportOfAnEmptyPeriodIsTheHeadAlone()
{
    Listing f;
    const QStringList lines = SessionExportLines(f.ctx, QStringLiteral("x"), {EncodeDate(2001, 2, 1), EncodeDate(2001, 3, 1)});
    QCOMPARE(lines.size(), 11);
    // The shared totals go out as they stand, whatever the period.
    QCOMPARE(lines[4], QStringLiteral("Number of connections : 7"));
    QCOMPARE(lines[5], QStringLiteral("Total Time Online : 01:02:05"));
    QCOMPARE(lines[6], QStringLiteral("Total Cost : 12.5"));
    QVERIFY(SessionExportText(lines).endsWith("-\r\n"));
}

void TestSessionListing::exportFailureIsReportedAndKeepsNothingHalfWay()
{
    Listing f;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/out.txt"));
    QVERIFY_THROWS_EXCEPTION(TallylineError, WriteSessionExport(f.ctx, path, QString(), f.january));
    QCOMPARE(f.ctx.errorContext.unit, QStringLiteral("Properties"));
    QCOMPARE(f.ctx.errorContext.procedure, QStringLiteral("Savesessioninfoas1Click"));
    QVERIFY(!QFile::exists(path));
}

void TestSessionListing::printoutFiltersByIsp_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("isp");
    QTest::addColumn<QStringList>("expected");
    const QString first = QStringLiteral("02/01/2001        09:15:30                09:25:30                00:10:00"
                                         "                \u00a31.00             \u00a31.00     Default");
    const QString noConnection = QStringLiteral("02/01/2001        13:00:00                13:20:01                "
                                                "00:20:01                \u00a32.25             \u00a33.25     Default");
    QTest::newRow("all ISP's") << 0 << QStringLiteral("All ISP's")
                               << QStringList{first,
                                              noConnection,
                                              QStringLiteral("09/01/2001        08:00:00                08:01:00      "
                                                             "          00:01:00                \u00a30.10             "
                                                             "\u00a33.35     work")};
    QTest::newRow("Default takes the empty connection") << 1 << QStringLiteral("Default")
                                                        << QStringList{first, noConnection};
    QTest::newRow("any letter case, own running total")
        << 2 << QStringLiteral("WORK")
        << QStringList{QStringLiteral("09/01/2001        08:00:00                08:01:00                00:01:00     "
                                      "           \u00a30.10             \u00a30.10     work")};
}

void TestSessionListing::printoutFiltersByIsp()
{
    QFETCH(int, entry);
    QFETCH(QString, isp);
    QFETCH(QStringList, expected);
    Listing f;
    const SessionPrintout printout = BuildSessionPrintout(f.ctx, QStringLiteral("Month 1"), f.january, entry, isp);
    QCOMPARE(printout.title, QStringLiteral("Tallyline Session Information for User : Ann"));
    QCOMPARE(printout.period, QStringLiteral("Month 1"));
    QCOMPARE(printout.lines, expected);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionListing)
#include "TestSessionListing.moc"

#include "account_window/AccountPeriodList.h"
#include "core/SessionSnapshot.h"
#include "reports/AccountBill.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "users/UserRecord.h"

#include <QSignalSpy>

using testsupport::TariffSeed;

// The bill's figures and its bill-date rules.
class TestAccountBill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statisticsOfAnEntryLeaveTheCurrentTotals_data();
    void statisticsOfAnEntryLeaveTheCurrentTotals();
    void listEntriesStoreTheirNumber_data();
    void listEntriesStoreTheirNumber();
    void dayAndMonthMakeA1998Date_data();
    void dayAndMonthMakeA1998Date();
    void storedBillDatesShowInTheirControls();
    void changingTheBillDateMovesTheAccount();
};

namespace {

DateTime at(int month, int day, int hour)
{
    return DateTimeFromQDateTime(QDateTime(QDate(2001, month, day), QTime(hour, 0)));
}

// Monthly from 1 November 2000 (three periods to 10 January 2001), one
// session in each month and one on the day the current period ends.
struct Bill : testsupport::EngineFixture {
    Bill()
    {
        UserRecord user;
        user.accountType = QStringLiteral("Monthly");
        user.billDate = QStringLiteral("1");
        user.creationDate = EncodeDate(2000, 11, 5);
        WriteUserRecord(store(), 1, user, UserAccountType | UserBillDate | UserCreationDate);
        TariffSeed seed(store(), 1);
        seed.session({DateTimeFromQDateTime(QDateTime(QDate(2000, 11, 1), QTime(9, 0))), 100, 1.0});
        seed.session({DateTimeFromQDateTime(QDateTime(QDate(2000, 12, 31), QTime(23, 0))), 200, 2.0});
        seed.session({at(1, 9, 8), 400, 4.0});
        seed.session({at(2, 1, 8), 800, 8.0});
        ctx.tariff.AccountStartDate = CalculateAccountStartDate(ctx);
        ctx.tariff.AccountEndDate = CalculateEndAccountDate(ctx, ctx.tariff.AccountStartDate);
        CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);
    }
};

} // namespace

void TestAccountBill::statisticsOfAnEntryLeaveTheCurrentTotals_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<qint64>("connections");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<double>("cost");
    // Entry 0 runs from the first period's start up to, not including, the
    // last one's end: the session of 1 February stays out.
    QTest::newRow("All Months") << 0 << qint64(3) << qint64(700) << 7.0;
    QTest::newRow("November") << 1 << qint64(1) << qint64(100) << 1.0;
    QTest::newRow("December, its last evening") << 2 << qint64(1) << qint64(200) << 2.0;
    QTest::newRow("current") << 3 << qint64(1) << qint64(400) << 4.0;
    QTest::newRow("outside the list") << 9 << qint64(0) << qint64(0) << 0.0;
}

void TestAccountBill::statisticsOfAnEntryLeaveTheCurrentTotals()
{
    QFETCH(int, entry);
    QFETCH(qint64, connections);
    QFETCH(qint64, seconds);
    QFETCH(double, cost);
    Bill f;
    const AccountPeriodList periods = FillAccountComboBox(f.ctx);
    QCOMPARE(periods.texts.size(), 4);
    QSignalSpy totals(&f.ctx.events, &EngineEvents::accountTotalsChanged);
    const BillStatistics shown = ShowBillStatistics(f.ctx, periods, entry);
    QCOMPARE(shown.connections, connections);
    QCOMPARE(shown.seconds, seconds);
    QCOMPARE(shown.cost, cost);
    // Whatever was shown, the shared totals (and every notice of them) are
    // the current period's.
    QCOMPARE(f.ctx.pricing.AccountSessions, 1);
    QCOMPARE(f.ctx.pricing.AccountCost, 4.0);
    QVERIFY(!totals.isEmpty());
    for (const QList<QVariant> &notice : totals)
        QCOMPARE(notice.at(0).value<AccountTotals>().cost, 4.0);
}

void TestAccountBill::listEntriesStoreTheirNumber_data()
{
    QTest::addColumn<int>("accountType");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("weekly Monday") << int(AccountWeekly) << 0 << QStringLiteral("Mon") << QStringLiteral("1");
    QTest::newRow("weekly Sunday") << int(AccountWeekly) << 6 << QStringLiteral("Sun") << QStringLiteral("7");
    QTest::newRow("monthly 2nd") << int(AccountMonthly) << 1 << QStringLiteral("2nd") << QStringLiteral("2");
    QTest::newRow("monthly 11th") << int(AccountMonthly) << 10 << QStringLiteral("11th") << QStringLiteral("11");
    QTest::newRow("monthly 13th") << int(AccountMonthly) << 12 << QStringLiteral("13th") << QStringLiteral("13");
    QTest::newRow("monthly 22nd") << int(AccountMonthly) << 21 << QStringLiteral("22nd") << QStringLiteral("22");
    QTest::newRow("monthly 31st") << int(AccountMonthly) << 30 << QStringLiteral("31st") << QStringLiteral("31");
}

void TestAccountBill::listEntriesStoreTheirNumber()
{
    QFETCH(int, accountType);
    QFETCH(int, entry);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    const QStringList choices = BillDateChoices(accountType);
    QCOMPARE(choices.size(), accountType == AccountWeekly ? 7 : 31);
    QCOMPARE(choices.at(entry), text);
    QCOMPARE(BillDateFromChoice(entry), stored);
    QCOMPARE(BillDateChoiceOf(accountType, stored), entry);
}

void TestAccountBill::dayAndMonthMakeA1998Date_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("stored");   // empty: refused
    QTest::newRow("15 March") << QStringLiteral("15") << QStringLiteral("03") << QStringLiteral("35869");
    QTest::newRow("1 January") << QStringLiteral("1") << QStringLiteral("1") << QStringLiteral("35796");
    QTest::newRow("31 February") << QStringLiteral("31") << QStringLiteral("02") << QString();
    QTest::newRow("month 0") << QStringLiteral("10") << QStringLiteral("0") << QString();
    QTest::newRow("day missing") << QString() << QStringLiteral("5") << QString();
    QTest::newRow("not a number") << QStringLiteral("x1") << QStringLiteral("5") << QString();
}

void TestAccountBill::dayAndMonthMakeA1998Date()
{
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(QString, stored);
    const std::optional<QString> billDate = BillDateFromDayMonth(day, month);
    QCOMPARE(billDate.has_value(), !stored.isEmpty());
    if (billDate)
        QCOMPARE(*billDate, stored);
}

void TestAccountBill::storedBillDatesShowInTheirControls()
{
    QCOMPARE(BillDateChoiceOf(AccountWeekly, QStringLiteral("Tuesday")), -1);
    QCOMPARE(BillDateChoiceOf(AccountWeekly, QStringLiteral("8")), -1);
    QCOMPARE(BillDateChoiceOf(AccountQuarterly, QStringLiteral("1")), -1);
    QCOMPARE(BillDateDayMonth(QStringLiteral("35869")), qMakePair(QStringLiteral("15"), QStringLiteral("03")));
    QCOMPARE(BillDateDayMonth(QStringLiteral("none")), qMakePair(QStringLiteral("30"), QStringLiteral("12")));
    QCOMPARE(PeriodUnitWord(AccountQuarterly), QStringLiteral("quarter"));
    QCOMPARE(PeriodUnitWord(AccountCustom), QString());
    QCOMPARE(TrimBillDateBox(QStringLiteral("123")), QStringLiteral("12"));
}

void TestAccountBill::changingTheBillDateMovesTheAccount()
{
    Bill f;
    QSignalSpy rolled(&f.ctx.events, &EngineEvents::accountPeriodRolledOver);
    // From the 1st to the 9th: today (the 10th) lies in 9 January - 9 February.
    ChangeBillDate(f.ctx, QStringLiteral("9"));
    QCOMPARE(ReadUserRecord(f.store(), 1).billDate, QStringLiteral("9"));
    QCOMPARE(f.ctx.tariff.AccountStartDate, EncodeDate(2001, 1, 9));
    QCOMPARE(f.ctx.tariff.AccountEndDate, EncodeDate(2001, 2, 9));
    QCOMPARE(f.ctx.pricing.AccountSessions, 2);
    QCOMPARE(f.ctx.pricing.AccountCost, 12.0);
    QCOMPARE(rolled.size(), 1);
    QCOMPARE(rolled.first().at(0).value<AccountTotals>().start, EncodeDate(2001, 1, 9));
}

TALLYLINE_ENGINE_TEST_MAIN(TestAccountBill)
#include "TestAccountBill.moc"

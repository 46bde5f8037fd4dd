#include "account_window/LiveRows.h"
#include "session/SessionRecords.h"
#include "core/Errors.h"
#include "platform/DesktopNotifier.h"
#include "store/FloatText.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"

#include <cmath>

using testsupport::EngineFixture;
using testsupport::SeedSession;
using testsupport::TariffSeed;

namespace {

QString storedDate(int y, int m, int d)
{
    return FloatToStoreText(DateTimeFromQDate(QDate(y, m, d)));
}

DateTime at(int y, int m, int d, int hour = 12)
{
    return DateTimeFromQDate(QDate(y, m, d)) + hour / 24.0;
}

// A Ui whose bill window, while shown, lets the main tick run the period
// check again.
class ReenteringUi : public RecordingUi
{
public:
    AppContext *ctx = nullptr;
    void showWindow(UiWindow window) override
    {
        RecordingUi::showWindow(window);
        if (window == UiWindow::EndOfPeriodBill)
            CheckEndOfAccountPeriod(*ctx);
    }
};

} // namespace

class TestAccountPeriods : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void periods_data();
    void periods();
    void endDateWrittenOnlyWhenLoggedIn();
    void accountTypeCodes_data();
    void accountTypeCodes();
    void daysPerMonth_data();
    void daysPerMonth();
    void onlineIntegerToString_data();
    void onlineIntegerToString();
    void accountTotals_data();
    void accountTotals();
    void dailyTotalsCountOnlyTodaysSessions();
    void endOfPeriod_data();
    void endOfPeriod();
    void endOfPeriodIsNotReentered();
    void endOfPeriodGuardSurvivesAFailure();
};

void TestAccountPeriods::periods_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("billDate");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("code");

    QTest::newRow("weekly Monday, on Wednesday") << "WEEKLY" << "1" << QDate(2001, 1, 10) << QDate(2001, 1, 8) << QDate(2001, 1, 15) << 0;
    QTest::newRow("weekly Monday, on the Monday") << "WEEKLY" << "1" << QDate(2001, 1, 8) << QDate(2001, 1, 8) << QDate(2001, 1, 15) << 0;
    QTest::newRow("weekly Sunday, on Wednesday") << "Weekly" << "7" << QDate(2001, 1, 10) << QDate(2001, 1, 7) << QDate(2001, 1, 14) << 0;
    QTest::newRow("weekly Friday, on Tuesday") << "WEEKLY" << "5" << QDate(2001, 1, 9) << QDate(2001, 1, 5) << QDate(2001, 1, 12) << 0;
    QTest::newRow("weekly bill day not a number") << "WEEKLY" << "Mon" << QDate(2001, 1, 10) << QDate(2001, 1, 8) << QDate(2001, 1, 15) << 0;

    QTest::newRow("monthly 31, mid March") << "MONTHLY" << "31" << QDate(2001, 3, 15) << QDate(2001, 2, 28) << QDate(2001, 3, 31) << 1;
    QTest::newRow("monthly 31, on 30 April") << "MONTHLY" << "31" << QDate(2001, 4, 30) << QDate(2001, 4, 30) << QDate(2001, 5, 31) << 1;
    QTest::newRow("monthly 31, mid April") << "MONTHLY" << "31" << QDate(2001, 4, 15) << QDate(2001, 3, 31) << QDate(2001, 4, 30) << 1;
    QTest::newRow("monthly 31, leap February") << "MONTHLY" << "31" << QDate(2000, 3, 15) << QDate(2000, 2, 29) << QDate(2000, 3, 31) << 1;
    QTest::newRow("monthly 15, across the year") << "monthly" << "15" << QDate(2001, 1, 10) << QDate(2000, 12, 15) << QDate(2001, 1, 15) << 1;
    QTest::newRow("monthly 15, on the day") << "MONTHLY" << "15" << QDate(2001, 1, 15) << QDate(2001, 1, 15) << QDate(2001, 2, 15) << 1;
    QTest::newRow("monthly 30, December into January") << "MONTHLY" << "30" << QDate(2001, 12, 31) << QDate(2001, 12, 30) << QDate(2002, 1, 30) << 1;
    QTest::newRow("monthly bill day not a number") << "MONTHLY" << "x" << QDate(2001, 1, 10) << QDate(2001, 1, 1) << QDate(2001, 2, 1) << 1;
    QTest::newRow("monthly bill day empty") << "MONTHLY" << "" << QDate(2001, 5, 1) << QDate(2001, 5, 1) << QDate(2001, 6, 1) << 1;
    QTest::newRow("custom runs monthly") << "CUSTOM" << "15" << QDate(2001, 1, 10) << QDate(2000, 12, 15) << QDate(2001, 1, 15) << 4;

    const QString feb15 = storedDate(1998, 2, 15);
    QTest::newRow("quarterly 15 Feb, on 1 March") << "QUARTERLY" << feb15 << QDate(2001, 3, 1) << QDate(2001, 2, 15) << QDate(2001, 5, 15) << 2;
    QTest::newRow("quarterly 15 Feb, on 10 Feb") << "QUARTERLY" << feb15 << QDate(2001, 2, 10) << QDate(2000, 11, 15) << QDate(2001, 2, 15) << 2;
    QTest::newRow("quarterly 15 Feb, in the last quarter") << "QUARTERLY" << feb15 << QDate(2001, 12, 1) << QDate(2001, 11, 15) << QDate(2002, 2, 15) << 2;
    const QString jan31 = storedDate(1998, 1, 31);
    QTest::newRow("quarterly 31 Jan, in May") << "QUARTERLY" << jan31 << QDate(2001, 5, 15) << QDate(2001, 4, 30) << QDate(2001, 7, 31) << 2;
    QTest::newRow("quarterly 31 Jan, early April") << "QUARTERLY" << jan31 << QDate(2001, 4, 29) << QDate(2001, 1, 31) << QDate(2001, 4, 30) << 2;

    const QString mar15 = storedDate(1998, 3, 15);
    QTest::newRow("yearly 15 March, in January") << "YEARLY" << mar15 << QDate(2001, 1, 10) << QDate(2000, 3, 15) << QDate(2001, 3, 16) << 3;
    QTest::newRow("yearly 15 March, on the day") << "YEARLY" << mar15 << QDate(2001, 3, 15) << QDate(2001, 3, 15) << QDate(2002, 3, 15) << 3;
    QTest::newRow("yearly 29 Feb in a common year") << "YEARLY" << storedDate(1996, 2, 29) << QDate(2001, 3, 1) << QDate(2001, 2, 28) << QDate(2002, 2, 28) << 3;
    QTest::newRow("yearly bill date not a date") << "YEARLY" << "" << QDate(2001, 6, 1) << QDate(2001, 1, 1) << QDate(2002, 1, 1) << 3;

    QTest::newRow("unknown type runs weekly") << "FORTNIGHTLY" << "1" << QDate(2001, 1, 10) << QDate(2001, 1, 8) << QDate(2001, 1, 15) << 0;
}

void TestAccountPeriods::periods()
{
    QFETCH(QString, type);
    QFETCH(QString, billDate);
    QFETCH(QDate, today);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(int, code);
    EngineFixture f(QDateTime(today, QTime(9, 30)));
    TariffSeed(f.store()).account(type, billDate);
    const DateTime computedStart = CalculateAccountStartDate(f.ctx);
    QCOMPARE(QDateFromDateTime(computedStart), start);
    QCOMPARE(f.ctx.tariff.AccountType, code);
    const DateTime computedEnd = CalculateEndAccountDate(f.ctx, computedStart);
    QCOMPARE(QDateFromDateTime(computedEnd), end);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("EndAccountDate"), TariffKeys::user(1)),
             FloatToStoreText(DateTimeFromQDate(end)));
    // Today always lies in the period.
    QVERIFY(computedStart <= f.clock.today() && f.clock.today() < computedEnd);
}

void TestAccountPeriods::endDateWrittenOnlyWhenLoggedIn()
{
    EngineFixture f;
    TariffSeed(f.store()).account(QStringLiteral("WEEKLY"), QStringLiteral("1"));
    f.ctx.login.LoggedIn = false;
    QCOMPARE(CalculateEndAccountDate(f.ctx, 36900), 36907.0);
    QVERIFY(f.store().ReadStoreString(QStringLiteral("EndAccountDate"), TariffKeys::user(1)).isEmpty());
}

void TestAccountPeriods::accountTypeCodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("weekly") << "WEEKLY" << 0;
    QTest::newRow("monthly lower case") << "monthly" << 1;
    QTest::newRow("quarterly mixed") << "Quarterly" << 2;
    QTest::newRow("yearly") << "YEARLY" << 3;
    QTest::newRow("custom") << "CUSTOM" << 4;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("other") << "DAILY" << 0;
}

void TestAccountPeriods::accountTypeCodes()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(AccountTypeStringToInteger(text), code);
}

void TestAccountPeriods::daysPerMonth_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("days");
    QTest::newRow("Feb 2000") << 2 << 2000 << 29;
    QTest::newRow("Feb 1900") << 2 << 1900 << 28;
    QTest::newRow("Feb 2028") << 2 << 2028 << 29;
    QTest::newRow("Feb 2001") << 2 << 2001 << 28;
    QTest::newRow("Jan") << 1 << 2001 << 31;
    QTest::newRow("Apr") << 4 << 2001 << 30;
    QTest::newRow("Dec") << 12 << 2001 << 31;
}

void TestAccountPeriods::daysPerMonth()
{
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(int, days);
    QCOMPARE(DaysPerMonth(month, year), days);
}

void TestAccountPeriods::onlineIntegerToString_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "00:00:00";
    QTest::newRow("3725") << qint64(3725) << "01:02:05";
    QTest::newRow("a hundred hours") << qint64(360000) << "100:00:00";
    QTest::newRow("one under a day") << qint64(86399) << "23:59:59";
    QTest::newRow("eleven") << qint64(11) << "00:00:11";
}

void TestAccountPeriods::onlineIntegerToString()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(OnlineIntegerToString(seconds), text);
}

void TestAccountPeriods::accountTotals_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<double>("cost");
    QTest::addColumn<qint64>("downloaded");
    // Seeded: 2001-01-07 (600 s, 0.50, 1000 B), 2001-01-08 two sessions
    // (1200 s, 1.00, 3 GiB; 300 s, 0.25, 2000 B), 2001-01-14 (60 s, 0.05,
    // 10 B), 2001-01-15 (99 s, 9.00, 99 B).
    const qint64 threeGiB = 3LL * 1024 * 1024 * 1024;
    QTest::newRow("one week, end exclusive") << QDate(2001, 1, 8) << QDate(2001, 1, 15) << 3 << qint64(1560) << 1.30
                                             << threeGiB + 2010;
    QTest::newRow("wider") << QDate(2001, 1, 1) << QDate(2001, 2, 1) << 5 << qint64(2259) << 10.80
                           << threeGiB + 3109;
    QTest::newRow("end equals start") << QDate(2001, 1, 8) << QDate(2001, 1, 8) << 0 << qint64(0) << 0.0 << qint64(0);
    QTest::newRow("end before start stops at once") << QDate(2001, 1, 15) << QDate(2001, 1, 8) << 0 << qint64(0) << 0.0
                                                   << qint64(0);
}

void TestAccountPeriods::accountTotals()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(int, sessions);
    QFETCH(qint64, seconds);
    QFETCH(double, cost);
    QFETCH(qint64, downloaded);
    EngineFixture f;
    TariffSeed seed(f.store());
    seed.session({at(2001, 1, 7), 600, 0.50, 1000, 0});
    seed.session({at(2001, 1, 8), 1200, 1.00, 3LL * 1024 * 1024 * 1024, 0});
    seed.session({at(2001, 1, 8, 23), 300, 0.25, 2000, 0});
    seed.session({at(2001, 1, 14), 60, 0.05, 10, 0});
    seed.session({at(2001, 1, 15), 99, 9.00, 99, 0});
    // Another user's sessions never count.
    TariffSeed(f.store(), 2).session({at(2001, 1, 9), 5000, 50.0, 5000, 0});
    AccountTotals reported;
    QObject::connect(&f.ctx.events, &EngineEvents::accountTotalsChanged,
                     [&reported](const AccountTotals &totals) { reported = totals; });
    f.ctx.pricing.AccountCost = 123;  // stale value from before
    CalculateAccountTotals(f.ctx, DateTimeFromQDate(end), DateTimeFromQDate(start));
    QCOMPARE(f.ctx.pricing.AccountSessions, sessions);
    QCOMPARE(f.ctx.pricing.AccountSeconds, seconds);
    QVERIFY2(std::fabs(f.ctx.pricing.AccountCost - cost) < 1e-9, qPrintable(QString::number(f.ctx.pricing.AccountCost)));
    QCOMPARE(f.ctx.pricing.AccountDownloaded, downloaded);
    // What the account window's status bar makes of it.
    QCOMPARE(reported.sessions, sessions);
    QCOMPARE(reported.cost, f.ctx.pricing.AccountCost);
    QCOMPARE(FormatAccountCostStatusText(f.ctx, reported.cost),
             QStringLiteral("Account Cost : ") + QLocale().toCurrencyString(cost, QStringLiteral("\u00a3"), 2));
}

void TestAccountPeriods::dailyTotalsCountOnlyTodaysSessions()
{
    EngineFixture f(QDateTime(QDate(2001, 1, 9), QTime(10, 0)));
    TariffSeed seed(f.store());
    // Yesterday's session that ran past midnight stays yesterday's.
    seed.session({at(2001, 1, 8, 23), 7200, 2.00, 500, 0});
    seed.session({at(2001, 1, 9, 1), 100, 0.10, 1500, 0});
    seed.session({at(2001, 1, 9, 8), 200, 0.20, 2500, 0});
    f.ctx.pricing.DailyCost = 99;
    CalculateDailyTotals(f.ctx);
    QVERIFY(std::fabs(f.ctx.pricing.DailyCost - 0.30) < 1e-12);
    QCOMPARE(f.ctx.pricing.DailySeconds, qint64(300));
    QCOMPARE(f.ctx.pricing.DailyDownloaded, qint64(4000));

    f.clock.set(QDateTime(QDate(2001, 1, 10), QTime(10, 0)));
    CalculateDailyTotals(f.ctx);
    QCOMPARE(f.ctx.pricing.DailyCost, 0.0);
    QCOMPARE(f.ctx.pricing.DailySeconds, qint64(0));
}

void TestAccountPeriods::endOfPeriod_data()
{
    QTest::addColumn<QDate>("storedEnd");
    QTest::addColumn<bool>("displayBill");
    QTest::addColumn<bool>("newPeriod");
    QTest::addColumn<bool>("desktopNotices");
    QTest::newRow("period ended, bill shown") << QDate(2001, 1, 8) << true << true << true;
    QTest::newRow("ends today") << QDate(2001, 1, 10) << true << true << false;
    QTest::newRow("period ended, bill off") << QDate(2001, 1, 8) << false << true << true;
    QTest::newRow("period still running") << QDate(2001, 1, 11) << true << false << true;
}

void TestAccountPeriods::endOfPeriod()
{
    QFETCH(QDate, storedEnd);
    QFETCH(bool, displayBill);
    QFETCH(bool, newPeriod);
    QFETCH(bool, desktopNotices);
    EngineFixture f(QDateTime(QDate(2001, 1, 10), QTime(0, 0, 1)));
    FakeDesktopNotifier notifier;
    f.ctx.platform.notifier = &notifier;
    f.ctx.settings.DesktopNotifications = desktopNotices;
    TariffSeed seed(f.store());
    seed.account(QStringLiteral("WEEKLY"), QStringLiteral("3"));  // Wednesdays
    seed.session({at(2001, 1, 10), 60, 0.75, 0, 0});
    seed.session({at(2001, 1, 9), 60, 5.00, 0, 0});
    f.ctx.settings.DisplayBillWindow = displayBill;
    QSignalSpy rolledOver(&f.ctx.events, &EngineEvents::accountPeriodRolledOver);
    f.ctx.tariff.AccountStartDate = DateTimeFromQDate(storedEnd) - 7;
    f.ctx.tariff.AccountEndDate = DateTimeFromQDate(storedEnd);
    CheckEndOfAccountPeriod(f.ctx);
    QCOMPARE(f.ui.shows(UiWindow::EndOfPeriodBill), newPeriod && displayBill ? 1 : 0);
    QCOMPARE(rolledOver.count(), newPeriod ? 1 : 0);
    if (newPeriod)
        QCOMPARE(QDateFromDateTime(rolledOver.first().first().value<AccountTotals>().end), QDate(2001, 1, 17));
    if (newPeriod) {
        QCOMPARE(QDateFromDateTime(f.ctx.tariff.AccountStartDate), QDate(2001, 1, 10));
        QCOMPARE(QDateFromDateTime(f.ctx.tariff.AccountEndDate), QDate(2001, 1, 17));
        QCOMPARE(f.ctx.pricing.AccountSessions, 1);
        QCOMPARE(f.ctx.pricing.AccountCost, 0.75);
    } else {
        QCOMPARE(f.ctx.tariff.AccountEndDate, DateTimeFromQDate(storedEnd));
        QCOMPARE(f.ctx.pricing.AccountSessions, 0);
    }
    QVERIFY(!f.ctx.tariff.AccountPeriodCheckRunning);
    if (newPeriod && desktopNotices) {
        QCOMPARE(notifier.sent.size(), 1);
        QCOMPARE(notifier.sent[0].summary, QStringLiteral("Account period ended"));
        QCOMPARE(notifier.sent[0].body,
                 QStringLiteral("A new account period began on 10/01/2001; the next one begins on 17/01/2001."));
    } else {
        QCOMPARE(notifier.sent.size(), 0);
    }
}

void TestAccountPeriods::endOfPeriodIsNotReentered()
{
    testsupport::TempStore temp;
    FakeClock clock(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    ReenteringUi ui;
    AppContext ctx(*temp.store, clock, ui);
    ui.ctx = &ctx;
    ctx.login.CurrentUser = 1;
    ctx.login.LoggedIn = true;
    TariffSeed(*temp.store).account(QStringLiteral("WEEKLY"), QStringLiteral("1"));
    CheckEndOfAccountPeriod(ctx);
    // The nested check returned at once: one bill, not an endless stack of them.
    QCOMPARE(ui.shows(UiWindow::EndOfPeriodBill), 1);
    QCOMPARE(QDateFromDateTime(ctx.tariff.AccountEndDate), QDate(2001, 1, 15));
    QVERIFY(!ctx.tariff.AccountPeriodCheckRunning);
}

void TestAccountPeriods::endOfPeriodGuardSurvivesAFailure()
{
    EngineFixture f;
    // A damaged record: the account type stored with the wrong type.
    f.store().WriteStoreInteger(QStringLiteral("Account Type"), TariffKeys::user(1), 1);
    QVERIFY_THROWS_EXCEPTION(StoreError, CheckEndOfAccountPeriod(f.ctx));
    QVERIFY(!f.ctx.tariff.AccountPeriodCheckRunning);
    // Once repaired, the next tick's check runs.
    f.store().DeleteStoreValue(TariffKeys::user(1), QStringLiteral("Account Type"));
    f.store().WriteStoreString(QStringLiteral("Account Type"), TariffKeys::user(1), QStringLiteral("WEEKLY"));
    CheckEndOfAccountPeriod(f.ctx);
    QVERIFY(f.ctx.tariff.AccountEndDate > f.clock.today());
}

TALLYLINE_ENGINE_TEST_MAIN(TestAccountPeriods)
#include "TestAccountPeriods.moc"

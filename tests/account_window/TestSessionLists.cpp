#include "account_window/AccountPeriodList.h"
#include "account_window/SessionLists.h"
#include "core/Errors.h"
#include "platform/FakeDialUpNetwork.h"
#include "session/SessionRecord.h"
#include "store/SessionDaySummary.h"
#include "store/SettingsRecord.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"
#include "users/Passwords.h"
#include "users/UserRecord.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <optional>

using testsupport::EngineFixture;
using testsupport::TariffSeed;

namespace {

DateTime day(int y, int m, int d)
{
    return DateTimeFromQDate(QDate(y, m, d));
}

// Appends a session to its day as the pricing tick leaves it.
void addSession(Store &store, DateTime onDay, double hour, qint64 seconds, double cost,
                std::optional<QString> connection = QStringLiteral("Any"), qint64 received = 0)
{
    const int m = ReadNumberOfSessions(store, 1, onDay) + 1;
    SessionRecord r;
    r.startTime = onDay + hour / 24;
    r.endTime = TimeOf(r.startTime + seconds / SecondsPerDay);
    r.endDate = onDay;
    r.timeOnline = double(seconds);
    r.cost = cost;
    r.totalDownloaded = double(received);
    r.totalUploaded = double(received / 10);
    r.connection = connection;
    WriteSessionRecord(store, 1, onDay, m, r);
    WriteNumberOfSessions(store, 1, onDay, m);
}

QList<int> tags(const SessionHistoryModel &model)
{
    QList<int> list;
    for (int row = 0; row < model.rowCount(); ++row)
        list.append(model.sessionNumber(row));
    return list;
}

QString cell(const QAbstractItemModel &model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

int runHistory(const QStringList &arguments, QString *output = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(TALLYLINE_HISTORY_EXECUTABLE), arguments);
    if (!p.waitForFinished(120000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestSessionLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void periodLists_data();
    void periodLists();
    void nobodyLoggedIn();
    void ispFilterEntries();
    void weekListsItsFirstAndLastDayOnly();
    void ispFilter_data();
    void ispFilter();
    void dailyAndListTotals_data();
    void dailyAndListTotals();
    void byteAndRateTexts_data();
    void byteAndRateTexts();
    void rebuildLeavesTodaysTotals();
    void damagedRecordLeavesNoRows();
    void liveRow();
    void generatedHistoryReadsBack();
};

void TestSessionLists::periodLists_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("billDate");
    QTest::addColumn<QDate>("created");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("weekly Monday") << "Weekly" << "1" << QDate(2001, 1, 10) << QDate(2001, 1, 22)
                                   << QStringList{"All Weeks", "Week 1 : 08 Jan 01 - 15 Jan 01",
                                                  "Week 2 : 15 Jan 01 - 22 Jan 01", "Week 3 : 22 Jan 01 - 29 Jan 01"};
    QTest::newRow("monthly 31") << "Monthly" << "31" << QDate(2001, 1, 15) << QDate(2001, 5, 10)
                                << QStringList{"All Months",
                                               "Month 1 : 31 Dec 00 - 31 Jan 01",
                                               "Month 2 : 31 Jan 01 - 28 Feb 01",
                                               "Month 3 : 28 Feb 01 - 31 Mar 01",
                                               "Month 4 : 31 Mar 01 - 30 Apr 01",
                                               "Month 5 : 30 Apr 01 - 31 May 01"};
    QTest::newRow("monthly 31, leap February") << "MONTHLY" << "31" << QDate(2004, 2, 1) << QDate(2004, 3, 1)
                                               << QStringList{"All Months", "Month 1 : 31 Jan 04 - 29 Feb 04",
                                                              "Month 2 : 29 Feb 04 - 31 Mar 04"};
    // Created on the 30th of a month whose bill day (31) is cut: the
    // first period is the one holding that day, not one starting after it.
    QTest::newRow("monthly 31, created 30 March") << "Monthly" << "31" << QDate(2001, 3, 30) << QDate(2001, 3, 30)
                                                  << QStringList{"All Months", "Month 1 : 28 Feb 01 - 31 Mar 01"};
    QTest::newRow("custom runs monthly") << "Custom" << "1" << QDate(2001, 1, 15) << QDate(2001, 2, 1)
                                         << QStringList{"All Months", "Month 1 : 01 Jan 01 - 01 Feb 01",
                                                        "Month 2 : 01 Feb 01 - 01 Mar 01"};
    const QString feb15 = FloatToStoreText(day(1998, 2, 15));
    QTest::newRow("quarterly 15 Feb") << "Quarterly" << feb15 << QDate(2001, 3, 1) << QDate(2001, 9, 1)
                                      << QStringList{"All Quarters", "Quarter 1 : 15 Feb 01 - 15 May 01",
                                                     "Quarter 2 : 15 May 01 - 15 Aug 01",
                                                     "Quarter 3 : 15 Aug 01 - 15 Nov 01"};
    // Each year runs to the next 15 March, leap year or not.
    const QString mar15 = FloatToStoreText(day(1998, 3, 15));
    QTest::newRow("yearly 15 March") << "Yearly" << mar15 << QDate(2001, 1, 10) << QDate(2003, 4, 1)
                                     << QStringList{"All Years", "Year 1 : 15 Mar 00 - 15 Mar 01",
                                                    "Year 2 : 15 Mar 01 - 15 Mar 02", "Year 3 : 15 Mar 02 - 15 Mar 03",
                                                    "Year 4 : 15 Mar 03 - 15 Mar 04"};
}

void TestSessionLists::periodLists()
{
    QFETCH(QString, type);
    QFETCH(QString, billDate);
    QFETCH(QDate, created);
    QFETCH(QDate, today);
    QFETCH(QStringList, texts);
    EngineFixture f(QDateTime(today, QTime(10, 0)));
    TariffSeed(f.store()).account(type, billDate);
    UserRecord user;
    user.creationDate = DateTimeFromQDate(created);
    WriteUserRecord(f.store(), 1, user, UserCreationDate);

    const AccountPeriodList list = FillAccountComboBox(f.ctx);
    QCOMPARE(list.texts, texts);
    QCOMPARE(list.periods.size(), texts.size());
    QCOMPARE(list.selected, int(texts.size()) - 1);
    QCOMPARE(list.periods[0].start, list.periods[1].start);
    QCOMPARE(list.periods[0].end, list.periods.last().end);
    for (int i = 1; i + 1 < list.periods.size(); ++i)
        QCOMPARE(list.periods[i].end, list.periods[i + 1].start);
    const DateTime t = DateTimeFromQDate(today);
    QVERIFY(list.periods.last().start <= t && t < list.periods.last().end);
}

void TestSessionLists::nobodyLoggedIn()
{
    EngineFixture f;
    addSession(f.store(), day(2001, 1, 9), 10, 60, 0.1);
    f.ctx.login.LoggedIn = false;
    const AccountPeriodList list = FillAccountComboBox(f.ctx);
    QVERIFY(list.texts.isEmpty());
    QCOMPARE(list.selected, -1);
    SessionListModel sessions(f.ctx);
    sessions.rebuild(day(2001, 1, 1), day(2001, 2, 1), QString());
    QCOMPARE(sessions.rowCount(), 0);
}

void TestSessionLists::ispFilterEntries()
{
    EngineFixture f;
    QCOMPARE(IspFilterEntries(f.ctx), (QStringList{"All ISP's", "Default"}));
    FakeDialUpNetwork network;
    network.phoneBook = {QStringLiteral("Work"), QStringLiteral("Home")};
    f.ctx.platform.dialUp = &network;
    QCOMPARE(IspFilterEntries(f.ctx), (QStringList{"All ISP's", "Default", "Work", "Home"}));
}

void TestSessionLists::weekListsItsFirstAndLastDayOnly()
{
    EngineFixture f(QDateTime(QDate(2001, 1, 20), QTime(12, 0)));
    TariffSeed(f.store()).account(QStringLiteral("Weekly"), QStringLiteral("1"));
    UserRecord user;
    user.creationDate = day(2001, 1, 7);
    WriteUserRecord(f.store(), 1, user, UserCreationDate);
    addSession(f.store(), day(2001, 1, 7), 23.5, 600, 0.5);   // the Sunday before
    addSession(f.store(), day(2001, 1, 8), 0.01, 60, 0.1);    // the Monday it starts on
    addSession(f.store(), day(2001, 1, 14), 23.9, 300, 0.2);  // its Sunday
    addSession(f.store(), day(2001, 1, 15), 0.0, 120, 0.3);   // the day it ends: the next week's
    const AccountPeriodList list = FillAccountComboBox(f.ctx);
    const qsizetype entry = list.texts.indexOf(QStringLiteral("Week 2 : 08 Jan 01 - 15 Jan 01"));
    QVERIFY2(entry > 0, qPrintable(list.texts.join(QLatin1Char('\n'))));
    const AccountPeriod week = list.periods[entry];

    SessionListModel sessions(f.ctx);
    sessions.rebuild(week.start, week.end, QString());
    QCOMPARE(tags(sessions), (QList<int>{1, -1, 1, -1}));
    QCOMPARE(sessions.rowDay(0), day(2001, 1, 8));
    QCOMPARE(sessions.rowDay(2), day(2001, 1, 14));
    QCOMPARE(sessions.rowDay(1), 0.0);
    QCOMPARE(sessions.rowOf(day(2001, 1, 14), 1), 2);
    QCOMPARE(sessions.rowOf(day(2001, 1, 15), 1), -1);
    QCOMPARE(cell(sessions, 0, SessionListModel::Day), QStringLiteral("Mon"));
    QCOMPARE(cell(sessions, 2, SessionListModel::Date), QStringLiteral("14/01/2001"));
    QCOMPARE(cell(sessions, 2, SessionListModel::StartTime), QStringLiteral("23:54:00"));
    QCOMPARE(cell(sessions, 3, SessionListModel::Date), QString());
}

void TestSessionLists::ispFilter_data()
{
    QTest::addColumn<bool>("performance");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<int>>("listed");

    for (const bool performance : {false, true}) {
        const char *list = performance ? "performance" : "sessions";
        QTest::addRow("%s, Default", list) << performance << "Default" << QList<int>{1, 2, 3, 4, 6};
        QTest::addRow("%s, default in lower case", list) << performance << "default" << QList<int>{1, 2, 3, 4, 6};
        QTest::addRow("%s, a named entry", list) << performance << "MY ISP" << QList<int>{5};
        QTest::addRow("%s, no filter", list) << performance << "" << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::addRow("%s, an entry without sessions", list) << performance << "Other" << QList<int>{};
    }
}

void TestSessionLists::ispFilter()
{
    QFETCH(bool, performance);
    QFETCH(QString, filter);
    QFETCH(QList<int>, listed);
    EngineFixture f;
    f.ctx.settings.SeperateDays = false;
    const DateTime d = day(2001, 1, 9);
    const QList<std::optional<QString>> stored{QStringLiteral("Any"), QStringLiteral("ANY"), QString(), std::nullopt,
                                               QStringLiteral("My ISP"), QStringLiteral("Default")};
    for (int i = 0; i < stored.size(); ++i)
        addSession(f.store(), d, 8 + i, 60, 0.1, stored[i]);

    SessionListModel sessions(f.ctx);
    PerformanceListModel traffic(f.ctx);
    SessionHistoryModel &model = performance ? static_cast<SessionHistoryModel &>(traffic) : sessions;
    const int ispColumn = performance ? int(PerformanceListModel::Isp) : int(SessionListModel::Isp);
    if (performance)
        traffic.rebuild(d, d + 1, filter);
    else
        sessions.rebuild(d, d + 1, filter);
    QCOMPARE(tags(model), listed);
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString expected = model.sessionNumber(row) == 5 ? QStringLiteral("My ISP") : QStringLiteral("Default");
        QCOMPARE(cell(model, row, ispColumn), expected);
        QCOMPARE(model.rowConnection(row), expected);
    }
}

void TestSessionLists::dailyAndListTotals_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<QList<int>>("listed");
    QTest::addColumn<QStringList>("dailyTime");
    QTest::addColumn<QStringList>("dailyCost");
    QTest::addColumn<QStringList>("listTime");
    QTest::addColumn<QStringList>("listCost");
    QTest::addColumn<QStringList>("dailyDown");

    // Day one: 100 s Any, 200 s Any, 400 s My ISP; day two: 50 s Any.
    QTest::newRow("all, separated")
        << QString() << true << QList<int>{1, 2, 3, -1, 1, -1}
        << QStringList{"", "", "00:11:40", "", "00:00:50", ""}
        << QStringList{"", "", "\u00a33.50", "", "\u00a31.00", ""}
        << QStringList{"00:01:40", "00:05:00", "00:11:40", "", "00:12:30", ""}
        << QStringList{"\u00a30.50", "\u00a31.50", "\u00a33.50", "", "\u00a34.50", ""}
        << QStringList{"", "", "7.00 k", "", "0.50 k", ""};
    // The day's last session is filtered out: the day shows no daily cells.
    QTest::newRow("default, last of the day hidden")
        << QStringLiteral("Default") << true << QList<int>{1, 2, -1, 1, -1}
        << QStringList{"", "", "", "00:00:50", ""}
        << QStringList{"", "", "", "\u00a31.00", ""}
        << QStringList{"00:01:40", "00:05:00", "", "00:05:50", ""}
        << QStringList{"\u00a30.50", "\u00a31.50", "", "\u00a32.50", ""}
        << QStringList{"", "", "", "0.50 k", ""};
    QTest::newRow("all, days not separated")
        << QString() << false << QList<int>{1, 2, 3, 1}
        << QStringList{"", "", "00:11:40", "00:00:50"}
        << QStringList{"", "", "\u00a33.50", "\u00a31.00"}
        << QStringList{"00:01:40", "00:05:00", "00:11:40", "00:12:30"}
        << QStringList{"\u00a30.50", "\u00a31.50", "\u00a33.50", "\u00a34.50"}
        << QStringList{"", "", "7.00 k", "0.50 k"};
}

void TestSessionLists::dailyAndListTotals()
{
    QFETCH(QString, filter);
    QFETCH(bool, separate);
    QFETCH(QList<int>, listed);
    QFETCH(QStringList, dailyTime);
    QFETCH(QStringList, dailyCost);
    QFETCH(QStringList, listTime);
    QFETCH(QStringList, listCost);
    QFETCH(QStringList, dailyDown);
    EngineFixture f;
    f.ctx.settings.SeperateDays = separate;
    const DateTime first = day(2001, 1, 8);
    addSession(f.store(), first, 9, 100, 0.5, QStringLiteral("Any"), 1024);
    addSession(f.store(), first, 10, 200, 1.0, QStringLiteral("Any"), 2048);
    addSession(f.store(), first, 11, 400, 2.0, QStringLiteral("My ISP"), 4096);
    addSession(f.store(), first + 1, 9, 50, 1.0, QStringLiteral("Any"), 512);

    SessionListModel sessions(f.ctx);
    PerformanceListModel traffic(f.ctx);
    sessions.rebuild(first, first + 7, filter);
    traffic.rebuild(first, first + 7, filter);
    QCOMPARE(tags(sessions), listed);
    QCOMPARE(tags(traffic), listed);
    QStringList daily, dailyCosts, running, runningCosts, down;
    for (int row = 0; row < sessions.rowCount(); ++row) {
        daily << cell(sessions, row, SessionListModel::DailyTime);
        dailyCosts << cell(sessions, row, SessionListModel::DailyCost);
        running << cell(sessions, row, SessionListModel::ListTime);
        runningCosts << cell(sessions, row, SessionListModel::ListCost);
        down << cell(traffic, row, PerformanceListModel::DailyDown);
    }
    QCOMPARE(daily, dailyTime);
    QCOMPARE(dailyCosts, dailyCost);
    QCOMPARE(running, listTime);
    QCOMPARE(runningCosts, listCost);
    QCOMPARE(down, dailyDown);
    QCOMPARE(cell(sessions, 0, SessionListModel::SessionCost), QStringLiteral("\u00a30.500"));
}

void TestSessionLists::byteAndRateTexts_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("bytesText");
    QTest::addColumn<QString>("rateText");

    QTest::newRow("just below a megabyte") << 1048575.0 << 1023.0 << "1024.00 k" << "1.00 k/s";
    QTest::newRow("a megabyte") << 1048576.0 << 1048576.0 << "1.00 MB" << "1024.00 k/s";
    QTest::newRow("nothing") << 0.0 << 0.0 << "0.00 k" << "0.00 k/s";
    QTest::newRow("a damaged value counts as nothing") << 1e300 << 1e300 << "0.00 k" << "0.00 k/s";
}

void TestSessionLists::byteAndRateTexts()
{
    QFETCH(double, bytes);
    QFETCH(double, rate);
    QFETCH(QString, bytesText);
    QFETCH(QString, rateText);
    EngineFixture f;
    const DateTime d = day(2001, 1, 9);
    SessionRecord r;
    r.startTime = d + 0.5;
    r.totalDownloaded = bytes;
    r.totalUploaded = bytes;
    r.avgDownload = rate;
    r.avgUpload = rate;
    WriteSessionRecord(f.store(), 1, d, 1, r);
    WriteNumberOfSessions(f.store(), 1, d, 1);

    PerformanceListModel traffic(f.ctx);
    traffic.rebuild(d, d + 1, QString());
    QCOMPARE(cell(traffic, 0, PerformanceListModel::Download), bytesText);
    QCOMPARE(cell(traffic, 0, PerformanceListModel::Uploaded), bytesText);
    QCOMPARE(cell(traffic, 0, PerformanceListModel::TotalDown), bytesText);
    QCOMPARE(cell(traffic, 0, PerformanceListModel::AvgDown), rateText);
    QCOMPARE(cell(traffic, 0, PerformanceListModel::AvgUp), rateText);
}

void TestSessionLists::rebuildLeavesTodaysTotals()
{
    EngineFixture f;  // today is 10 January 2001
    addSession(f.store(), day(2001, 1, 10), 9, 300, 0.75, QStringLiteral("Any"), 5000);
    addSession(f.store(), day(2000, 1, 10), 9, 100, 9.0, QStringLiteral("Old ISP"), 100);
    CalculateDailyTotals(f.ctx);
    const PricingState before = f.ctx.pricing;
    QCOMPARE(before.DailySeconds, qint64(300));

    SessionListModel sessions(f.ctx);
    PerformanceListModel traffic(f.ctx);
    // Last year's period, and this period filtered down to nothing.
    sessions.rebuild(day(2000, 1, 1), day(2000, 2, 1), QString());
    traffic.rebuild(day(2000, 1, 1), day(2000, 2, 1), QString());
    QCOMPARE(sessions.rowCount(), 2);
    sessions.rebuild(day(2001, 1, 1), day(2001, 2, 1), QStringLiteral("Old ISP"));
    traffic.rebuild(day(2001, 1, 1), day(2001, 2, 1), QStringLiteral("Old ISP"));
    QCOMPARE(traffic.rowCount(), 0);
    QCOMPARE(f.ctx.pricing.DailyCost, before.DailyCost);
    QCOMPARE(f.ctx.pricing.DailySeconds, before.DailySeconds);
    QCOMPARE(f.ctx.pricing.DailyDownloaded, before.DailyDownloaded);
}

// A value of the wrong type fails the read (the error report names it); the
// list is then empty rather than holding rows without their values.
void TestSessionLists::damagedRecordLeavesNoRows()
{
    EngineFixture f;
    const DateTime d = day(2001, 1, 9);
    addSession(f.store(), d, 9, 60, 0.1);
    addSession(f.store(), d + 1, 9, 60, 0.1);
    SessionListModel sessions(f.ctx);
    sessions.rebuild(d, d + 2, QString());
    QCOMPARE(sessions.rowCount(), 4);
    f.store().WriteStoreInteger(SessionValueName(1, SessionCost), SessionDayKey(1, d + 1), 5);
    QSignalSpy reset(&sessions, &QAbstractItemModel::modelReset);
    QVERIFY_THROWS_EXCEPTION(TallylineError, sessions.rebuild(d, d + 2, QString()));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(sessions.rowCount(), 0);
    QCOMPARE(f.ctx.errorContext.procedure, QStringLiteral("UpdateSessionInfoList"));
}

void TestSessionLists::liveRow()
{
    EngineFixture f;
    const DateTime d = day(2001, 1, 10);
    addSession(f.store(), d, 9, 300, 0.75);
    addSession(f.store(), d, 11, 60, 0.25);
    SessionListModel sessions(f.ctx);
    sessions.rebuild(d, d + 1, QString());
    QSignalSpy changed(&sessions, &QAbstractItemModel::dataChanged);

    LiveSessionRow live;
    live.startTime = QStringLiteral("11:00:00");
    live.endTime = QStringLiteral("11:05:00");
    live.timeOnline = QStringLiteral("00:05:00");
    live.sessionCost = QStringLiteral("\u00a30.300");
    live.dailyTime = QStringLiteral("00:10:00");
    live.dailyCost = QStringLiteral("\u00a31.05");
    live.accountTime = QStringLiteral("01:00:00");
    live.accountCost = QStringLiteral("\u00a39.00");
    const int row = sessions.rowOf(d, 2);
    QCOMPARE(row, 1);
    sessions.setLiveTexts(row, live);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>().row(), row);
    QCOMPARE(cell(sessions, row, SessionListModel::EndTime), live.endTime);
    QCOMPARE(cell(sessions, row, SessionListModel::SessionCost), live.sessionCost);
    QCOMPARE(cell(sessions, row, SessionListModel::DailyCost), live.dailyCost);
    QCOMPARE(cell(sessions, row, SessionListModel::ListTime), live.accountTime);
    QCOMPARE(cell(sessions, 0, SessionListModel::ListTime), QStringLiteral("00:05:00"));

    // Ending the live row, or a rebuild, shows the stored values again.
    sessions.setLiveTexts(-1, live);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed[1][0].value<QModelIndex>().row(), row);
    QCOMPARE(cell(sessions, row, SessionListModel::EndTime), QStringLiteral("11:01:00"));
    sessions.setLiveTexts(row, live);
    sessions.rebuild(d, d + 1, QString());
    QCOMPARE(cell(sessions, row, SessionListModel::EndTime), QStringLiteral("11:01:00"));
}

// The generator writes through the records the program reads: its users
// log in, and the lists and the account totals agree on its sessions.
void TestSessionLists::generatedHistoryReadsBack()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QStringList arguments{"--data-dir", data,     "--years", "1",      "--sessions-per-day", "3",
                                "--users",    "2",      "--end",   "2001-01-09", "--seed",        "7",
                                "--password", "secret"};
    QString output;
    QCOMPARE(runHistory(arguments, &output), 0);
    QVERIFY2(output.contains(QLatin1String("2196 sessions")), qPrintable(output));
    QCOMPARE(runHistory(arguments, &output), 0);  // days with sessions are left alone
    QVERIFY2(output.contains(QLatin1String(" 0 sessions")), qPrintable(output));
    QCOMPARE(runHistory({"--data-dir", data, "--years", "0"}), 2);

    std::unique_ptr<Store> store = Store::open(QDir(data).filePath(QString::fromLatin1(Store::DefaultFileName)));
    QCOMPARE(StoredUserCount(*store), 2);
    const UserRecord admin = ReadUserRecord(*store, 1);
    const UserRecord second = ReadUserRecord(*store, 2);
    QCOMPARE(admin.loginName, QStringLiteral("Admin"));
    QCOMPARE(second.loginName, QStringLiteral("User2"));
    QCOMPARE(second.creationDate, day(2000, 1, 10));
    QVERIFY(PasswordMatches(second.password, QStringLiteral("secret")));

    FakeClock clock(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    ReadSettingsFromDatabase(ctx);
    QCOMPARE(ctx.settings.PreviousUser, 1);
    ctx.login.CurrentUser = 2;
    ctx.login.LoggedIn = true;
    const AccountPeriodList periods = FillAccountComboBox(ctx);
    QCOMPARE(periods.texts.value(1), QStringLiteral("Month 1 : 01 Jan 00 - 01 Feb 00"));
    QCOMPARE(periods.texts.last(), QStringLiteral("Month 13 : 01 Jan 01 - 01 Feb 01"));

    SessionListModel sessions(ctx);
    sessions.rebuild(periods.periods[0].start, periods.periods[0].end, QString());
    QCOMPARE(sessions.rowCount(), 366 * 4);
    CalculateAccountTotals(ctx, periods.periods[0].end, periods.periods[0].start);
    const int last = sessions.rowCount() - 2;
    QCOMPARE(cell(sessions, last, SessionListModel::ListTime), OnlineIntegerToString(ctx.pricing.AccountSeconds));
    QCOMPARE(cell(sessions, last, SessionListModel::ListCost), FormatMoney(ctx, ctx.pricing.AccountCost));

    PerformanceListModel traffic(ctx);
    traffic.rebuild(periods.periods[0].start, periods.periods[0].end, QStringLiteral("Default"));
    QVERIFY(traffic.rowCount() > 0);
    for (int row = 0; row < traffic.rowCount(); ++row)
        QVERIFY(traffic.sessionNumber(row) < 0 || traffic.rowConnection(row) == QLatin1String("Default"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionLists)
#include "TestSessionLists.moc"

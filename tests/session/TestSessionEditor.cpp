#include "core/Errors.h"
#include "session/SessionEditor.h"
#include "session/SessionRecord.h"
#include "support/EngineFixture.h"
#include "support/StoreDump.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"

#include <QSignalSpy>

using testsupport::EngineFixture;
using testsupport::SeedBand;
using testsupport::SeedSession;
using testsupport::TariffSeed;

namespace {

// Saturday 13 January 2001, which the tariff below also lists as a holiday.
const QDate Saturday(2001, 1, 13);
const DateTime SaturdayDay = DateTimeFromQDate(Saturday);

// ISP 1 (the default) charges 0.09, from 08:00 0.06 a minute, with a 0.10 minimum on Saturdays,
// 1.00 on holidays; ISPs 2 and 3 both answer to "Work" and differ.
void seedTariff(EngineFixture &f)
{
    TariffSeed(f.store())
        .isp(1, QStringLiteral("Home"), QStringLiteral("Any"))
        .bands(1, 6, {{0, 479, 0.09, 0.10, 0}, {480, 1439, 0.06, 0.10, 0}})
        .bands(1, 8, {{0, 1439, 1.00, 0, 0}})
        .holidays(1, {Saturday})
        .isp(2, QStringLiteral("Work one"), QStringLiteral("Work"))
        .bands(2, 6, {{0, 1439, 9.99, 0, 0}})
        .isp(3, QStringLiteral("Work two"), QStringLiteral("WORK"))
        .bands(3, 6, {{1320, 360, 0.06, 0.25, 1}, {480, 1200, 0.12, 0, 0}});
}

} // namespace

class TestSessionEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeTexts_data();
    void timeTexts();
    void calculate_data();
    void calculate();
    void okWritesTheRecordAndTotals_data();
    void okWritesTheRecordAndTotals();
    void refusedEditsWriteNothing_data();
    void refusedEditsWriteNothing();
    void pastEditOutlivesTheOpenSessionsTicks();
};

void TestSessionEditor::timeTexts_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("online");   // empty: not both valid
    QTest::newRow("past midnight") << "23:30:00" << "00:15:00" << "00:45:00";
    QTest::newRow("one-digit hour, blank first") << "_9:05:00" << " 9:06:30" << "00:01:30";
    QTest::newRow("hour 24") << "24:00:00" << "01:00:00" << "";
    QTest::newRow("minute 60") << "10:60:00" << "11:00:00" << "";
    QTest::newRow("second 60") << "10:00:00" << "11:00:60" << "";
    QTest::newRow("second hour digit missing") << "1_:00:00" << "11:00:00" << "";
    QTest::newRow("empty mask") << "__:__:__" << "11:00:00" << "";
}

void TestSessionEditor::timeTexts()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, online);
    QCOMPARE(DerivedTimeOnline(start, end), online);
    QCOMPARE(IsValidEditorTime(start) && IsValidEditorTime(end), !online.isEmpty());
}

void TestSessionEditor::calculate_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("online");
    QTest::addColumn<double>("cost");        // negative: none
    QTest::addColumn<QStringList>("messages");
    const QStringList none;
    const QString noIsp = QStringLiteral("There is no set of timezones defined for this ISP, default timezones will be used");
    QTest::newRow("holiday Saturday uses Sat bands") << "Default" << "10:00:00" << "00:10:00" << 0.60 << none;
    QTest::newRow("minimum fee floors") << "default" << "10:00:00" << "00:01:00" << 0.10 << none;
    QTest::newRow("second band") << "Default" << "07:59:00" << "00:20:00" << 1.80 << none;
    QTest::newRow("unknown entry: ISP 1") << "Dial Elsewhere" << "10:00:00" << "00:10:00" << 0.60 << QStringList{noIsp};
    QTest::newRow("last match wins, base fee, across midnight") << "Work" << "23:30:00" << "00:10:00" << 0.85 << none;
    QTest::newRow("across midnight, after it") << "work" << "03:00:00" << "00:10:00" << 0.85 << none;
    QTest::newRow("no band") << "Work" << "21:00:00" << "00:10:00" << -1.0
                             << QStringList{QStringLiteral("A timezone hasn't been defined for the specified start and end times.")};
    QTest::newRow("invalid start") << "Default" << "25:00:00" << "00:10:00" << -1.0
                                   << QStringList{QStringLiteral("An invalid start or end time has been entered.")};
}

void TestSessionEditor::calculate()
{
    QFETCH(QString, connection);
    QFETCH(QString, start);
    QFETCH(QString, online);
    QFETCH(double, cost);
    QFETCH(QStringList, messages);
    EngineFixture f;
    seedTariff(f);
    const std::optional<double> result =
        CalculateEditedSessionCost(f.ctx, SaturdayDay, connection, start, QStringLiteral("12:00:00"), online);
    QCOMPARE(f.ui.texts(), messages);
    QCOMPARE(result.has_value(), cost >= 0);
    if (result)
        QCOMPARE(qRound64(*result * 1e6), qRound64(cost * 1e6));
}

void TestSessionEditor::okWritesTheRecordAndTotals_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Default becomes Any") << "Default" << "Any";
    QTest::newRow("in any letter case") << "DEFAULT" << "Any";
    QTest::newRow("an entry stays") << "Work" << "Work";
}

void TestSessionEditor::okWritesTheRecordAndTotals()
{
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    EngineFixture f(QDateTime(Saturday, QTime(18, 0)));
    f.ctx.tariff.AccountStartDate = EncodeDate(2001, 1, 1);
    f.ctx.tariff.AccountEndDate = EncodeDate(2001, 2, 1);
    TariffSeed seed(f.store());
    seed.session({EncodeDate(2001, 1, 2) + EncodeTime(9, 0, 0), 600, 1.5, 0, 0});
    seed.session({SaturdayDay + EncodeTime(9, 0, 0), 600, 2.0, 4096, 0});
    const int edited = seed.session({SaturdayDay + EncodeTime(23, 30, 0), 60, 0.25, 8192, 0});
    QSignalSpy changed(&f.ctx.events, &EngineEvents::sessionRecordChanged);

    const SessionEdit edit{"23:30:00", "00:15:00", "00:45:00", "3.125", chosen};
    QCOMPARE(SaveSessionEdit(f.ctx, SaturdayDay, edited, edit), SessionEditResult::Saved);

    const SessionRecord r = ReadSessionDay(f.store(), 1, SaturdayDay).sessions.at(edited - 1);
    QCOMPARE(r.startTime, EncodeTime(23, 30, 0));   // a time of day only
    QCOMPARE(qRound64(r.endTime * SecondsPerDay), qint64(15 * 60));
    QCOMPARE(r.endDate, SaturdayDay);                // the end date is left as it was
    QCOMPARE(r.timeOnline, 45.0 * 60);
    QCOMPARE(r.cost, 3.125);
    QCOMPARE(r.totalDownloaded, 8192.0);
    QCOMPARE(r.connection, std::optional<QString>(stored));

    QCOMPARE(f.ctx.pricing.AccountCost, 1.5 + 2.0 + 3.125);
    QCOMPARE(f.ctx.pricing.AccountSeconds, qint64(600 + 600 + 2700));
    QCOMPARE(f.ctx.pricing.DailyCost, 2.0 + 3.125);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toDouble(), SaturdayDay);
    QCOMPARE(changed.at(0).at(1).toInt(), edited);
}

void TestSessionEditor::refusedEditsWriteNothing_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("cost");
    QTest::addColumn<int>("session");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("throws");
    QTest::newRow("both times invalid") << "24:00:00" << "1_:__:__" << "1" << 1
                                        << QStringList{QStringLiteral("Invalid Start Time Entered"),
                                                       QStringLiteral("Invalid End Time Entered")}
                                        << false;
    QTest::newRow("cost not a number") << "10:00:00" << "11:00:00" << "1.2.3" << 1 << QStringList() << true;
    QTest::newRow("session the day lacks") << "10:00:00" << "11:00:00" << "1" << 2 << QStringList() << false;
    QTest::newRow("no session row") << "10:00:00" << "11:00:00" << "1" << -1 << QStringList() << false;
}

void TestSessionEditor::refusedEditsWriteNothing()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, cost);
    QFETCH(int, session);
    QFETCH(QStringList, messages);
    QFETCH(bool, throws);
    EngineFixture f;
    TariffSeed(f.store()).session({SaturdayDay + EncodeTime(9, 0, 0), 600, 2.0, 0, 0});
    const QStringList before = testsupport::dumpTree(f.store());
    QSignalSpy changed(&f.ctx.events, &EngineEvents::sessionRecordChanged);
    const SessionEdit edit{start, end, QStringLiteral("01:00:00"), cost, QStringLiteral("Default")};
    if (throws)
        QVERIFY_THROWS_EXCEPTION(ConvertError, SaveSessionEdit(f.ctx, SaturdayDay, session, edit));
    else
        QVERIFY(SaveSessionEdit(f.ctx, SaturdayDay, session, edit) != SessionEditResult::Saved);
    QCOMPARE(f.ui.texts(), messages);
    QCOMPARE(testsupport::dumpTree(f.store()), before);
    QCOMPARE(changed.size(), 0);
}

// A session is open while an earlier one of the period is corrected: the
// next pricing tick starts from the corrected totals, not the old ones.
void TestSessionEditor::pastEditOutlivesTheOpenSessionsTicks()
{
    EngineFixture f(QDateTime(Saturday, QTime(18, 0)));
    f.ctx.tariff.AccountStartDate = EncodeDate(2001, 1, 1);
    f.ctx.tariff.AccountEndDate = EncodeDate(2001, 2, 1);
    TariffSeed seed(f.store());
    const int past = seed.session({SaturdayDay + EncodeTime(9, 0, 0), 600, 2.0, 0, 0});
    seed.session({SaturdayDay + EncodeTime(17, 0, 0), 3600, 0.5, 0, 0});  // the open one
    f.ctx.shell.SessionOpen = true;
    f.ctx.pricing.SessionDay = SaturdayDay;
    f.ctx.pricing.Opening.AccountCost = 2.0;
    f.ctx.pricing.Opening.DailyCost = 2.0;
    f.ctx.pricing.Opening.AccountSeconds = 600;

    const SessionEdit edit{"09:00:00", "09:20:00", "00:20:00", "5", "Default"};
    QCOMPARE(SaveSessionEdit(f.ctx, SaturdayDay, past, edit), SessionEditResult::Saved);
    QCOMPARE(f.ctx.pricing.Opening.AccountCost, 5.0);
    QCOMPARE(f.ctx.pricing.Opening.DailyCost, 5.0);
    QCOMPARE(f.ctx.pricing.Opening.AccountSeconds, qint64(1200));

    // Correcting the open session itself moves nothing: its ticks rewrite it.
    QCOMPARE(SaveSessionEdit(f.ctx, SaturdayDay, past + 1, edit), SessionEditResult::Saved);
    QCOMPARE(f.ctx.pricing.Opening.AccountCost, 5.0);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionEditor)
#include "TestSessionEditor.moc"

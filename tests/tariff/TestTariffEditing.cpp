#include "store/Store.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/BandRecord.h"
#include "tariff/HolidayRecord.h"
#include "tariff/TariffEditing.h"
#include "tariff/TariffKeys.h"
#include "users/UserRecord.h"

using testsupport::EngineFixture;
using testsupport::SeedBand;
using testsupport::TariffSeed;

namespace {

constexpr int Monday = 1;
constexpr int Saturday = 6;

// Bands as start and end minutes.
using Spans = QList<QPair<int, int>>;

struct Fixture : EngineFixture {
    Fixture()
    {
        ctx.tariff.CurrentTimeZoneISP = 1;
        TariffSeed(store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any"));
    }

    QList<BandRecord> bands(int day, int isp = 1) { return ReadDayTariff(store(), 1, isp, day); }
};

// Three ISPs, each with a band and a holiday of its own.
void seedThreeIsps(Store &store)
{
    TariffSeed seed(store);
    seed.isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .isp(2, QStringLiteral("Work"), QStringLiteral("WorkLine"))
        .isp(3, QStringLiteral("Home"), QStringLiteral("HomeLine"));
    for (int i = 1; i <= 3; ++i)
        seed.bands(i, Monday, {{i * 60, i * 60 + 30, 0.01 * i, 0, 0}}).holidays(i, {QDate(2000, 12, 20 + i)});
}

} // namespace

class TestTariffEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeFields_data();
    void timeFields();
    void addingBands_data();
    void addingBands();
    void copyingLeavesTheTargetsWithTheSourceBands();
    void removingABandMovesTheLaterOnesDown();
    void chargesAreStoredAsTyped_data();
    void chargesAreStoredAsTyped();
    void removingAnIspTakesItsTariffAlong();
    void ispDialogChecks_data();
    void ispDialogChecks();
    void holidaysKeepTheirListOrder();
};

void TestTariffEditing::timeFields_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("shown");
    QTest::newRow("minutes beyond 59") << "75" << 59 << "59";
    QTest::newRow("one digit gets its zero") << "7" << 23 << "07";
    QTest::newRow("hours beyond 23") << "24" << 23 << "23";
    QTest::newRow("no number") << "ab" << 59 << "00";
    QTest::newRow("empty") << "" << 23 << "00";
    QTest::newRow("negative") << "-5" << 59 << "00";
}

void TestTariffEditing::timeFields()
{
    QFETCH(QString, typed);
    QFETCH(int, maximum);
    QFETCH(QString, shown);
    QCOMPARE(TwoDigitTimeText(ClampedTimeField(typed, maximum)), shown);
}

void TestTariffEditing::addingBands_data()
{
    QTest::addColumn<Spans>("added");  // start, end minutes in the order entered
    QTest::addColumn<Spans>("stored");
    QTest::addColumn<QStringList>("messages");
    const QString overlap = QStringLiteral("The timezone specified overlaps with an existing timezone!");
    const QString backwards = QStringLiteral("The end time is set to be before the start time!");
    QTest::newRow("09:00-17:00 then 17:00-23:00")
        << Spans{{540, 1020}, {1020, 1380}} << Spans{{540, 1020}, {1020, 1380}}
        << QStringList();
    QTest::newRow("16:00-18:00 over 09:00-17:00")
        << Spans{{540, 1020}, {960, 1080}} << Spans{{540, 1020}}
        << QStringList{overlap};
    QTest::newRow("18:00 to 00:00 is 18:00-23:59")
        << Spans{{1080, BandEndMinute(0, 0)}} << Spans{{1080, 1439}}
        << QStringList();
    QTest::newRow("22:00-06:00 ends before it starts")
        << Spans{{1320, 360}} << Spans{} << QStringList{backwards};
    QTest::newRow("all day, then anything overlaps")
        << Spans{{0, BandEndMinute(0, 0)}, {600, 660}} << Spans{{0, 1439}}
        << QStringList{overlap};
}

void TestTariffEditing::addingBands()
{
    QFETCH(Spans, added);
    QFETCH(Spans, stored);
    QFETCH(QStringList, messages);
    Fixture f;
    for (const auto &band : added)
        AddTimeZone(f.ctx, Monday, band.first, band.second);
    QCOMPARE(f.ui.texts(), messages);
    const QList<BandRecord> bands = f.bands(Monday);
    QCOMPARE(bands.size(), stored.size());
    for (int k = 0; k < bands.size(); ++k) {
        QCOMPARE(bands[k].startTime, stored[k].first);
        QCOMPARE(bands[k].endTime, stored[k].second);
        QCOMPARE(bands[k].cost, QStringLiteral("0.0000"));
        QCOMPARE(bands[k].connectionFee, QStringLiteral("0.0000"));
        QCOMPARE(bands[k].connectionFeeType, 0);
    }
    // Only the viewed day type changes.
    QVERIFY(f.bands(Saturday).isEmpty());
}

void TestTariffEditing::copyingLeavesTheTargetsWithTheSourceBands()
{
    Fixture f;
    TariffSeed seed(f.store());
    seed.bands(1, Monday, {{0, 479, 0.02, 0.1, 1}, {480, 1079, 0.05, 0, 0}, {1080, 1439, 0.03, 0, 0}});
    seed.bands(1, Saturday, {{0, 99, 1, 0, 0}, {100, 199, 1, 0, 0}, {200, 299, 1, 0, 0}, {300, 399, 1, 0, 0},
                             {400, 1439, 1, 0, 0}});
    CopyTimeZones(f.ctx, Monday, {Saturday, 8, Monday});
    QCOMPARE(f.bands(Saturday), f.bands(Monday));
    QCOMPARE(f.bands(8), f.bands(Monday));
    QCOMPARE(f.bands(Saturday).size(), 3);
    // A day without bands copies nothing: the targets keep theirs.
    CopyTimeZones(f.ctx, 3, {Saturday});
    QCOMPARE(f.bands(Saturday).size(), 3);
}

void TestTariffEditing::removingABandMovesTheLaterOnesDown()
{
    Fixture f;
    TariffSeed(f.store()).bands(1, Monday, {{0, 99, 0.01, 0, 0}, {100, 199, 0.02, 0, 0}, {200, 299, 0.03, 0, 0}});
    const QList<BandRecord> before = f.bands(Monday);
    f.ctx.settings.DeletePrompt = true;
    f.ui.answers.enqueue(false);
    QVERIFY(!RemoveTimeZone(f.ctx, Monday, 2));
    QCOMPARE(f.bands(Monday), before);
    f.ui.answers.enqueue(true);
    QVERIFY(RemoveTimeZone(f.ctx, Monday, 2));
    QCOMPARE(f.ui.texts().last(), QStringLiteral("Are you sure you want to remove the selected timezone?"));
    QCOMPARE(f.bands(Monday), (QList<BandRecord>{before[0], before[2]}));
    QVERIFY(!f.store().keyExists(Store::hivePathOf(TariffKeys::band(1, 1, Monday, 3))));
    // Without the prompt it goes at once.
    f.ctx.settings.DeletePrompt = false;
    QVERIFY(RemoveTimeZone(f.ctx, Monday, 1));
    QCOMPARE(f.bands(Monday), (QList<BandRecord>{before[2]}));
}

void TestTariffEditing::chargesAreStoredAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a ninth character leaves the first seven") << "123456789" << "1234567" << "1234567.0000";
    QTest::newRow("eight characters stay") << "12345678" << "12345678" << "12345678.0000";
    QTest::newRow("not a number") << "abc" << "abc" << "0.0000";
    QTest::newRow("a price") << "0.05" << "0.05" << "0.0500";
    QTest::newRow("empty") << "" << "" << "0.0000";
}

void TestTariffEditing::chargesAreStoredAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, stored);
    QCOMPARE(CutBandMoneyText(typed), kept);
    Fixture f;
    TariffSeed(f.store()).bands(1, Monday, {{0, 0, 0.5, 0.5, 0}});
    StoreBandCost(f.ctx, Monday, 1, BandMoneyText(kept));
    StoreBandConnectionFee(f.ctx, Monday, 1, BandMoneyText(kept));
    StoreBandConnectionFeeType(f.ctx, Monday, 1, 1);
    const BandRecord band = f.bands(Monday).first();
    QCOMPARE(band.cost, stored);
    QCOMPARE(band.connectionFee, stored);
    QCOMPARE(band.connectionFeeType, 1);
    // No band selected: nothing is stored anywhere.
    StoreBandCost(f.ctx, Monday, 0, QStringLiteral("9.0000"));
    QCOMPARE(f.bands(Monday).first(), band);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(TariffKeys::band(1, 1, Monday, 0))));
}

void TestTariffEditing::removingAnIspTakesItsTariffAlong()
{
    Fixture f;
    seedThreeIsps(f.store());
    f.ctx.tariff.CurrentTimeZoneISP = 3;
    const QList<BandRecord> thirdBands = f.bands(Monday, 3);
    const QStringList thirdHolidays = ReadHolidayTexts(f.store(), 1, 3);

    // The default ISP: asked, then refused; nothing goes.
    f.ui.answers.enqueue(true);
    QVERIFY(!RemoveIsp(f.ctx, 0));
    QCOMPARE(f.ui.texts(), (QStringList{QStringLiteral("Are you sure you want to remove the selected connection?"),
                                        QStringLiteral("You cannot remove the default connection.")}));
    QCOMPARE(ReadUserRecord(f.store(), 1).numberOfISPs, 3);

    f.ui.answers.enqueue(true);
    QVERIFY(RemoveIsp(f.ctx, 1));
    const UserRecord user = ReadUserRecord(f.store(), 1);
    QCOMPARE(user.numberOfISPs, 2);
    QCOMPARE(user.currentTimeZoneISP, 1);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, 1);
    QCOMPARE(ReadIspRecord(f.store(), 1, 2).ispName, QStringLiteral("Home"));
    QCOMPARE(f.bands(Monday, 2), thirdBands);
    QCOMPARE(ReadHolidayTexts(f.store(), 1, 2), thirdHolidays);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(TariffKeys::isp(1, 3))));
    QCOMPARE(IspNames(f.ctx), (QStringList{QStringLiteral("Default"), QStringLiteral("Home")}));
}

void TestTariffEditing::ispDialogChecks_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("editedIsp");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("count");
    const QString noDescription = QStringLiteral("You haven't entered a description for this connection.");
    const QString duplicate = QStringLiteral("You have already added this dialup connection.");
    const QString noEntry = QStringLiteral("You haven't selected a connection to add.");
    const int add = int(IspDialogMode::Add);
    const int edit = int(IspDialogMode::Edit);
    QTest::newRow("add a new connection") << add << -1 << "Mobile" << "MobileLine" << QStringList() << 4;
    QTest::newRow("add one listed in another letter case")
        << add << -1 << "Work again" << "WORKLINE" << QStringList{duplicate} << 3;
    QTest::newRow("both warnings") << add << -1 << "" << "workline" << QStringList{noDescription, duplicate} << 3;
    QTest::newRow("no entry") << add << -1 << "Nothing" << "" << QStringList{noEntry} << 3;
    QTest::newRow("edit keeps its own entry") << edit << 2 << "Office" << "WorkLine" << QStringList() << 3;
    QTest::newRow("edit onto another ISP's entry") << edit << 2 << "Office" << "homeline" << QStringList{duplicate}
                                                   << 3;
    QTest::newRow("edit the default ISP") << edit << 1 << "Default" << "" << QStringList() << 3;
}

void TestTariffEditing::ispDialogChecks()
{
    QFETCH(int, mode);
    QFETCH(int, editedIsp);
    QFETCH(QString, description);
    QFETCH(QString, entry);
    QFETCH(QStringList, messages);
    QFETCH(int, count);
    Fixture f;
    seedThreeIsps(f.store());
    const bool saved = SaveIspFromDialog(f.ctx, IspDialogMode(mode), editedIsp, description, entry);
    QCOMPARE(saved, messages.isEmpty());
    QCOMPARE(f.ui.texts(), messages);
    QCOMPARE(ReadUserRecord(f.store(), 1).numberOfISPs, count);
    QCOMPARE(ReadIspRecord(f.store(), 1, 1), (IspRecord{QStringLiteral("Default"), QStringLiteral("Any"), {}}));
    if (!saved || editedIsp == 1)
        return;
    const int isp = mode == int(IspDialogMode::Add) ? count : editedIsp;
    QCOMPARE(ReadIspRecord(f.store(), 1, isp).ispName, description);
    QCOMPARE(ReadIspRecord(f.store(), 1, isp).dialupName, entry);
    if (mode == int(IspDialogMode::Add)) {
        // A new ISP starts without bands or holidays, its entry spelled as
        // the dialog has always written it.
        QCOMPARE(ReadNumberOfBands(f.store(), 1, isp, Monday), 0);
        QVERIFY(ReadHolidayTexts(f.store(), 1, isp).isEmpty());
        StoreValue value;
        QVERIFY(f.store().readValue(Store::hivePathOf(TariffKeys::isp(1, isp)), QStringLiteral("dialupname"), value));
        QCOMPARE(value.name, QStringLiteral("DialUpName"));
    }
}

void TestTariffEditing::holidaysKeepTheirListOrder()
{
    Fixture f;
    TariffSeed(f.store()).holidays(1, {QDate(2000, 12, 25)});
    HolidayList list = HolidayList::read(f.ctx);
    QCOMPARE(list.shown, QStringList{QStringLiteral("25/12/2000")});
    QVERIFY(list.add(f.ui, DateTimeFromQDate(QDate(2001, 1, 1))));
    QVERIFY(list.add(f.ui, DateTimeFromQDate(QDate(2001, 4, 13)) + 0.5));
    QVERIFY(!list.add(f.ui, DateTimeFromQDate(QDate(2000, 12, 25))));
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("That holiday has already been added.")});
    list.removeAt(1);
    list.write(f.ctx);
    QCOMPARE(ReadHolidays(f.store(), 1, 1),
             (QList<DateTime>{DateTimeFromQDate(QDate(2000, 12, 25)), DateTimeFromQDate(QDate(2001, 4, 13))}));
}

TALLYLINE_ENGINE_TEST_MAIN(TestTariffEditing)
#include "TestTariffEditing.moc"

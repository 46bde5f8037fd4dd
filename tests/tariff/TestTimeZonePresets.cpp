#include "store/FloatText.h"
#include "support/EngineFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"
#include "tariff/TariffKeys.h"
#include "tariff/TimeZonePresets.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

using testsupport::EngineFixture;
using testsupport::SeedBand;
using testsupport::TariffSeed;

namespace {

struct PresetFixture : EngineFixture {
    PresetFixture()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.tariff.CurrentTimeZoneISP = 1;
    }

    void writeFile(const QString &fileName, const QByteArray &bytes)
    {
        QFile f(ctx.startup.programDirectory + fileName);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    int count(const QString &value, const QString &key)
    {
        int n = -1;
        store().ReadStoreInteger(value, key, n);
        return n;
    }

    QStringList errors() const
    {
        QStringList list;
        for (const auto &m : ui.messages) {
            if (m.kind == MessageKind::Error)
                list.append(m.text);
        }
        return list;
    }
};

// Bands written with cost and fee texts of our choosing, as the band
// editor leaves them ("%5.4f") or as older versions did.
void seedTextBand(Store &store, int user, int isp, int day, int k, int start, int end, const QString &cost,
                  const QString &fee, int feeType)
{
    const QString key = TariffKeys::band(user, isp, day, k);
    store.WriteStoreInteger(QStringLiteral("Start Time"), key, start);
    store.WriteStoreInteger(QStringLiteral("End Time"), key, end);
    store.WriteStoreString(QStringLiteral("Cost"), key, cost);
    store.WriteStoreString(QStringLiteral("ConnectionFee"), key, fee);
    store.WriteStoreInteger(QStringLiteral("ConnectionFeeType"), key, feeType);
    int n = 0;
    store.ReadStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(user, isp, day), n);
    if (k > n)
        store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(user, isp, day), k);
}

const QByteArray SmallPreset = "[Mon]\r\nNumberOfTimeZones=1\r\nStartTime1=0\r\nEndTime1=1439\r\nCost1=0.0100\r\n"
                               "ConnectionFee1=0.0000\r\nConnectionFeeType1=0\r\n"
                               "[Public Holidays]\r\nNumberOfHolidays=1\r\nHoliday1=25/12/00\r\n";

} // namespace

class TestTimeZonePresets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileLayout();
    void saveAndLoadIntoAnotherIsp();
    void loadKeepsBandsBeyondTheNewCount();
    void missingFileEmptiesTheTariff();
    void damagedFiles_data();
    void damagedFiles();
    void badHolidayStopsTheLoad();
    void wizardKeepsItsPresetName();
    void presetNames();
    void holidayTexts_data();
    void holidayTexts();
    void unusableNames_data();
    void unusableNames();
    void shippedPresets();
};

void TestTimeZonePresets::fileLayout()
{
    TimeZonePreset preset;
    preset.days[0] = {{540, 1020, QStringLiteral("0.0400"), QStringLiteral("0.1000"), 1}};
    preset.holidays = {QStringLiteral("25/12/00")};
    const QString text = QString::fromUtf8(PresetFileText(preset));
    const QString expectedStart = QStringLiteral(
        "[Mon]\r\nNumberOfTimeZones=1\r\nStartTime1=540\r\nEndTime1=1020\r\nCost1=0.0400\r\n"
        "ConnectionFee1=0.1000\r\nConnectionFeeType1=1\r\n\r\n[Tue]\r\nNumberOfTimeZones=0\r\n");
    QVERIFY2(text.startsWith(expectedStart), qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("[Public Holidays]\r\nNumberOfHolidays=1\r\nHoliday1=25/12/00\r\n")));
    // Sections in day-type order, each once.
    qsizetype at = 0;
    for (const char *section : {"[Mon]", "[Tue]", "[Wed]", "[Thu]", "[Fri]", "[Sat]", "[Sun]", "[Public Holiday]",
                                "[Public Holidays]"}) {
        const qsizetype next = text.indexOf(QLatin1String(section), at);
        QVERIFY2(next >= at, section);
        at = next + 1;
    }
    QCOMPARE(ParsePresetFileText(text.toUtf8(), QStringLiteral("x.tzp")), preset);
}

void TestTimeZonePresets::saveAndLoadIntoAnotherIsp()
{
    PresetFixture f;
    Store &s = f.store();
    seedTextBand(s, 1, 1, 1, 1, 0, 479, QStringLiteral("0.0150"), QStringLiteral("0.0500"), 0);
    seedTextBand(s, 1, 1, 1, 2, 480, 1079, QStringLiteral("0.04"), QStringLiteral("0.1"), 1);
    seedTextBand(s, 1, 1, 1, 3, 1080, 479, QStringLiteral("1.5"), QStringLiteral("0"), 0);  // across midnight
    seedTextBand(s, 1, 1, 6, 1, 0, 1439, QStringLiteral("0.0100"), QStringLiteral("0.0000"), 1);
    seedTextBand(s, 1, 1, 8, 1, 600, 600, QStringLiteral("0.0200"), QStringLiteral("0.2500"), 0);
    TariffSeed(s).holidays(1, {QDate(2000, 12, 25), QDate(2001, 1, 1), QDate(2049, 6, 30)});

    QVERIFY(SaveTimeZonePreset(f.ctx, QStringLiteral("My Phone Co")));
    QVERIFY(QFile::exists(f.ctx.startup.programDirectory + QStringLiteral("My Phone Co.tzp")));
    QCOMPARE(f.ctx.currentPresetName, QStringLiteral("My Phone Co"));
    QCOMPARE(s.ReadStoreString(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(1, 1)),
             QStringLiteral("My Phone Co"));

    f.ctx.currentPresetName.clear();
    f.ctx.tariff.CurrentTimeZoneISP = 2;
    QVERIFY(LoadTimeZonePresets(f.ctx, QStringLiteral("My Phone Co.tzp")));
    QVERIFY(f.errors().isEmpty());

    const TimeZonePreset original = ReadISPTariff(f.ctx, 1, 1);
    const TimeZonePreset loaded = ReadISPTariff(f.ctx, 1, 2);
    QCOMPARE(loaded, original);
    QCOMPARE(loaded.days[0].size(), 3);
    QCOMPARE(loaded.days[0][1].cost, QStringLiteral("0.04"));
    QCOMPARE(loaded.days[0][2].endTime, 479);
    QCOMPARE(loaded.days[7][0].connectionFee, QStringLiteral("0.2500"));
    // The day numbers themselves, not only their texts.
    for (int j = 1; j <= 3; ++j) {
        const QString name = QStringLiteral("Holiday%1").arg(j);
        QCOMPARE(s.ReadStoreString(name, TariffKeys::holidays(1, 2)), s.ReadStoreString(name, TariffKeys::holidays(1, 1)));
    }
    QCOMPARE(f.ctx.currentPresetName, QStringLiteral("My Phone Co"));
    QCOMPARE(s.ReadStoreString(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(1, 2)),
             QStringLiteral("My Phone Co"));

    // Saving again replaces the file rather than adding to it.
    seedTextBand(s, 1, 1, 2, 1, 0, 100, QStringLiteral("0.5"), QStringLiteral("0"), 0);
    QVERIFY(SaveTimeZonePreset(f.ctx, QStringLiteral("My Phone Co")));
    QFile file(f.ctx.startup.programDirectory + QStringLiteral("My Phone Co.tzp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).count(QStringLiteral("[Mon]")), 1);
}

void TestTimeZonePresets::loadKeepsBandsBeyondTheNewCount()
{
    PresetFixture f;
    TariffSeed(f.store()).bands(1, 1, {{0, 100, 0.1}, {101, 200, 0.1}, {201, 300, 0.1}, {301, 400, 0.1}, {401, 500, 0.1}});
    f.writeFile(QStringLiteral("Small.tzp"), SmallPreset);
    QVERIFY(LoadTimeZonePresets(f.ctx, QStringLiteral("Small.tzp")));
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 1)), 1);
    QCOMPARE(f.count(QStringLiteral("End Time"), TariffKeys::band(1, 1, 1, 1)), 1439);
    QCOMPARE(f.count(QStringLiteral("Start Time"), TariffKeys::band(1, 1, 1, 5)), 401);
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 2)), 0);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("Holiday1"), TariffKeys::holidays(1, 1)),
             FloatToStoreText(EncodeDate(2000, 12, 25)));
    QCOMPARE(f.ctx.currentPresetName, QStringLiteral("Small"));
}

void TestTimeZonePresets::missingFileEmptiesTheTariff()
{
    PresetFixture f;
    TariffSeed(f.store()).weekBands(1, {{0, 1439, 0.01}}).holidays(1, {QDate(2001, 1, 1)});
    QVERIFY(LoadTimeZonePresets(f.ctx, QStringLiteral("Gone.tzp")));
    for (int day = 1; day <= 8; ++day)
        QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day)), 0);
    QCOMPARE(f.count(QStringLiteral("NumberOfHolidays"), TariffKeys::holidays(1, 1)), 0);
    QVERIFY(f.errors().isEmpty());
}

void TestTimeZonePresets::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");        // part of the reported message; empty: loads
    QTest::addColumn<int>("mondayBands");      // after the load (3 = untouched)
    QTest::addColumn<int>("mondayStart1");     // Start Time of Monday's band 1 afterwards

    QTest::newRow("only some sections") << QByteArray("[Mon]\nNumberOfTimeZones=1\nStartTime1=60\nEndTime1=120\n")
                                        << QString() << 1 << 60;
    QTest::newRow("letter case and spaces")
        << QByteArray("[mon]\n numberoftimezones = 1 \nSTARTTIME1= 75\n") << QString() << 1 << 75;
    QTest::newRow("count not a number") << QByteArray("[Mon]\nNumberOfTimeZones=abc\n[Tue]\n") << QString() << 0 << 10;
    QTest::newRow("leading digits count") << QByteArray("[Mon]\nNumberOfTimeZones=1x\nStartTime1=12abc\n")
                                          << QString() << 1 << 12;
    QTest::newRow("negative count") << QByteArray("[Mon]\nNumberOfTimeZones=-4\n") << QString() << 0 << 10;
    QTest::newRow("missing band keys") << QByteArray("[Mon]\nNumberOfTimeZones=2\n") << QString() << 2 << 0;
    QTest::newRow("absurd band count") << QByteArray("[Mon]\nNumberOfTimeZones=99999999\n")
                                       << QStringLiteral("is damaged: Mon has 99999999 time-zones") << 3 << 10;
    QTest::newRow("count beyond int") << QByteArray("[Sun]\nNumberOfTimeZones=123456789012345\n")
                                      << QStringLiteral("is damaged: Sun has") << 3 << 10;
    QTest::newRow("absurd holiday count") << QByteArray("[Public Holidays]\nNumberOfHolidays=50000\n")
                                          << QStringLiteral("it has 50000 holidays") << 3 << 10;
    QTest::newRow("no sections at all") << QByteArray("NumberOfTimeZones=1\nStartTime1=5\n")
                                        << QStringLiteral("is not a tariff preset file") << 3 << 10;
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("is not a tariff preset file") << 3 << 10;

    QByteArray garbage(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(42);
    for (char &c : garbage)
        c = char(random.bounded(256));
    garbage.replace('[', '(');
    QTest::newRow("binary garbage") << garbage << QStringLiteral("is not a tariff preset file") << 3 << 10;
    const QByteArray garbageWithSection = QByteArray("\x00\x01\n[Mon]\nNumberOfTimeZones=\xff\xfe\n", 30) + garbage.left(1000);
    QTest::newRow("garbage around a section") << garbageWithSection << QString() << 0 << 10;
    QTest::newRow("too large") << QByteArray(5 * 1024 * 1024, 'a') << QStringLiteral("too large") << 3 << 10;
}

void TestTimeZonePresets::damagedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(int, mondayBands);
    QFETCH(int, mondayStart1);

    PresetFixture f;
    TariffSeed(f.store()).bands(1, 1, {{10, 20, 0.1}, {30, 40, 0.1}, {50, 60, 0.1}});
    f.writeFile(QStringLiteral("Damaged.tzp"), content);
    const bool loaded = LoadTimeZonePresets(f.ctx, QStringLiteral("Damaged.tzp"));
    QCOMPARE(loaded, error.isEmpty());
    if (error.isEmpty()) {
        QVERIFY(f.errors().isEmpty());
    } else {
        QCOMPARE(f.errors().size(), 1);
        QVERIFY2(f.errors().first().contains(error), qPrintable(f.errors().first()));
        QVERIFY(f.errors().first().contains(QStringLiteral("LoadTimeZonePresets")));
    }
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 1)), mondayBands);
    QCOMPARE(f.count(QStringLiteral("Start Time"), TariffKeys::band(1, 1, 1, 1)), mondayStart1);
}

void TestTimeZonePresets::badHolidayStopsTheLoad()
{
    PresetFixture f;
    f.writeFile(QStringLiteral("Bad.tzp"),
                "[Mon]\nNumberOfTimeZones=1\nStartTime1=0\nEndTime1=1439\nCost1=0.01\n"
                "[Public Holidays]\nNumberOfHolidays=3\nHoliday1=01/01/01\nHoliday2=31/02/01\nHoliday3=25/12/01\n");
    QVERIFY(!LoadTimeZonePresets(f.ctx, QStringLiteral("Bad.tzp")));
    QCOMPARE(f.errors().size(), 1);
    QVERIFY2(f.errors().first().contains(QStringLiteral("31/02/01")), qPrintable(f.errors().first()));
    // What came before the bad date is in the store; nothing after it.
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 1)), 1);
    QCOMPARE(f.count(QStringLiteral("NumberOfHolidays"), TariffKeys::holidays(1, 1)), 3);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("Holiday1"), TariffKeys::holidays(1, 1)),
             FloatToStoreText(EncodeDate(2001, 1, 1)));
    QVERIFY(f.store().ReadStoreString(QStringLiteral("Holiday3"), TariffKeys::holidays(1, 1)).isEmpty());
}

void TestTimeZonePresets::wizardKeepsItsPresetName()
{
    PresetFixture f;
    f.writeFile(QStringLiteral("Small.tzp"), SmallPreset);
    f.ctx.tariff.SetupWizardOpen = true;
    f.ctx.currentPresetName = QStringLiteral("Chosen in the wizard");
    QVERIFY(LoadTimeZonePresets(f.ctx, QStringLiteral("Small.tzp"), 3, 2));
    QCOMPARE(f.ctx.currentPresetName, QStringLiteral("Chosen in the wizard"));
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(3, 2)),
             QStringLiteral("Chosen in the wizard"));
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(3, 2, 1)), 1);
    QCOMPARE(f.count(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 1)), -1);
}

void TestTimeZonePresets::presetNames()
{
    PresetFixture f;
    for (const char *name : {"beta.tzp", "Alpha.tzp", "gamma two.tzp", "Upper.TZP", "notes.txt", ".tzp", "Delta.tzp.bak"})
        f.writeFile(QString::fromLatin1(name), SmallPreset);
    QDir(f.ctx.startup.programDirectory).mkdir(QStringLiteral("folder.tzp"));
    QCOMPARE(TimeZonePresetNames(f.ctx.startup.programDirectory),
             (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma two")}));
    QVERIFY(TimeZonePresetNames(f.ctx.startup.programDirectory + QStringLiteral("none")).isEmpty());
}

void TestTimeZonePresets::holidayTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("currentYear");
    QTest::addColumn<QDate>("date");  // invalid: not a date
    QTest::newRow("written form") << "25/12/00" << 2026 << QDate(2000, 12, 25);
    QTest::newRow("dots") << "01.02.27" << 2026 << QDate(2027, 2, 1);
    QTest::newRow("dashes") << "01-02-27" << 2026 << QDate(2027, 2, 1);
    QTest::newRow("year window, 50 back") << "31/12/76" << 2026 << QDate(1976, 12, 31);
    QTest::newRow("year window, ahead") << "31/12/75" << 2026 << QDate(2075, 12, 31);
    QTest::newRow("four-digit year") << "29/02/2000" << 2026 << QDate(2000, 2, 29);
    QTest::newRow("month name") << "25-Dec-00" << 2026 << QDate(2000, 12, 25);
    QTest::newRow("day first, not month") << "13/01/01" << 2026 << QDate(2001, 1, 13);
    QTest::newRow("31 February") << "31/02/01" << 2026 << QDate();
    QTest::newRow("month 13") << "01/13/01" << 2026 << QDate();
    QTest::newRow("words") << "Christmas" << 2026 << QDate();
    QTest::newRow("empty") << "" << 2026 << QDate();
}

void TestTimeZonePresets::holidayTexts()
{
    QFETCH(QString, text);
    QFETCH(int, currentYear);
    QFETCH(QDate, date);
    if (!date.isValid()) {
        QVERIFY_THROWS_EXCEPTION(ConvertError, ParsePresetHoliday(text, currentYear));
        return;
    }
    QCOMPARE(QDateFromDateTime(ParsePresetHoliday(text, currentYear)), date);
    if (date.year() >= 1976 && date.year() <= 2075)
        QCOMPARE(ParsePresetHoliday(PresetHolidayText(DateTimeFromQDate(date)), currentYear),
                 DateTimeFromQDate(date));
}

void TestTimeZonePresets::unusableNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
    QTest::newRow("parent folder") << "../outside";
    QTest::newRow("sub folder") << "a/b";
    QTest::newRow("hidden") << ".hidden";
}

void TestTimeZonePresets::unusableNames()
{
    QFETCH(QString, name);
    PresetFixture f;
    QVERIFY(!IsUsablePresetName(name));
    QVERIFY(!SaveTimeZonePreset(f.ctx, name));
    // A blank name is ignored; any other is refused with the reason.
    QCOMPARE(f.ui.texts().size(), name.trimmed().isEmpty() ? 0 : 1);
    QVERIFY(!DeleteTimeZonePreset(f.ctx, name));
    QCOMPARE(QDir(f.ctx.startup.programDirectory).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tzp")),
             QStringList());
    if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')) || name.isEmpty())
        QVERIFY(!LoadTimeZonePresets(f.ctx, name + QStringLiteral(".tzp")));
}

void TestTimeZonePresets::shippedPresets()
{
    const QString dir = QStringLiteral(TALLYLINE_SOURCE_DATA_DIR);
    const QStringList names = TimeZonePresetNames(dir);
    QVERIFY(names.size() >= 2);
    for (const QString &name : names) {
        QFile file(dir + QLatin1Char('/') + name + QStringLiteral(".tzp"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const TimeZonePreset preset = ParsePresetFileText(file.readAll(), name);
        for (int day = 0; day < 8; ++day) {
            QVERIFY2(!preset.days[day].isEmpty(), qPrintable(name));
            for (const PresetBand &b : preset.days[day]) {
                QVERIFY(b.startTime >= 0 && b.startTime <= 1439 && b.endTime >= 0 && b.endTime <= 1439);
                double value = 0;
                QVERIFY(TryStoreTextToFloat(b.cost, value) && value > 0);
                QVERIFY(TryStoreTextToFloat(b.connectionFee, value));
            }
        }
        for (const QString &h : preset.holidays)
            ParsePresetHoliday(h, 2026);
        PresetFixture f;
        QFile::copy(file.fileName(), f.ctx.startup.programDirectory + name + QStringLiteral(".tzp"));
        QVERIFY(LoadTimeZonePresets(f.ctx, name + QStringLiteral(".tzp")));
        QVERIFY(f.errors().isEmpty());
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestTimeZonePresets)
#include "TestTimeZonePresets.moc"

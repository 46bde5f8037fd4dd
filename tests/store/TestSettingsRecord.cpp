#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"
#include "platform/Autostart.h"
#include "core/Errors.h"
#include "store/SettingsRecord.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

namespace {

const QString RunKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

struct Fixture {
    Fixture() : ctx(*temp.store, clock, ui)
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.startup.systemCurrencySymbol = QStringLiteral("\u00a3");
        ctx.startup.executablePath = QStringLiteral("/opt/tally line/bin/tallyline");
    }
    Store &store() { return *temp.store; }

    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx;
};

// Every field changed: integers moved, flags flipped, texts replaced.
void ChangeEveryField(Settings &settings)
{
    int n = 0;
    for (const SettingField &field : SettingFields(settings)) {
        ++n;
        if (int *const *value = std::get_if<int *>(&field.target))
            **value += 1000 + n;
        else if (bool *const *flag = std::get_if<bool *>(&field.target))
            **flag = !**flag;
        else
            *std::get<QString *>(field.target) = field.valueName + QStringLiteral(" \u00e9\\\"%1").arg(n);
    }
}

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshDatabaseGivesDefaults();
    void roundTrip();
    void firstWriteStoresEveryValue();
    void emptyStoredTextsGetDefaults();
    void currencySymbol_data();
    void currencySymbol();
    void wrongTypeNamesTheProcedure();
    void startupEntry_data();
    void startupEntry();
    void autostartOverridesSystemEntry();
    void execLineQuoting_data();
    void execLineQuoting();
};

void TestSettingsRecord::freshDatabaseGivesDefaults()
{
    Fixture f;
    ReadSettingsFromDatabase(f.ctx);

    Settings expected;
    expected.NTPClockServer = QStringLiteral("pool.ntp.org");
    expected.ConnectionSound = f.temp.dir.path() + QStringLiteral("/Ringin.wav");
    expected.DisconnectionSound = f.temp.dir.path() + QStringLiteral("/Ringout.wav");
    QVERIFY(f.ctx.settings == expected);

    // A few defaults spelled out, so a slip in the struct shows too.
    const Settings &s = f.ctx.settings;
    QCOMPARE(s.ModemCorrectionFactor, 10);
    QCOMPARE(s.HangupMinimumBytes, 1000);
    QCOMPARE(s.HangupTime, 30);
    QCOMPARE(s.SessionMonitorFontSize, 8);
    QCOMPARE(s.StartGraphColor, 0xFFFF80);
    QCOMPARE(s.GraphSeriesColor, 0xC8FFB5);
    QCOMPARE(s.AdminSettingsLockOut, true);
    QCOMPARE(s.DontBackupDatabase, false);
    QCOMPARE(s.SessionListDisplay[6], false);
    QCOMPARE(s.SessionListDisplay[8], false);
    QCOMPARE(s.PerformanceListDisplay[0], false);
    QCOMPARE(s.PerformanceListDisplay[7], false);
    QCOMPARE(f.ctx.currencySymbol, QStringLiteral("\u00a3"));
    // Reading creates nothing.
    QVERIFY(f.store().subkeyNames(QString()).isEmpty());
}

void TestSettingsRecord::roundTrip()
{
    Fixture f;
    ChangeEveryField(f.ctx.settings);
    const Settings written = f.ctx.settings;
    WriteSettingsToDatabase(f.ctx);

    // A second connection to the same file, as the next start would open it.
    const auto reopened = Store::open(f.temp.path(QString::fromLatin1(Store::DefaultFileName)));
    AppContext readBack(*reopened, f.clock, f.ui);
    readBack.startup = f.ctx.startup;
    ReadSettingsFromDatabase(readBack);
    QVERIFY(readBack.settings == written);
    QVERIFY(!(readBack.settings == Settings()));
}

void TestSettingsRecord::firstWriteStoresEveryValue()
{
    Fixture f;
    f.ctx.currentPresetName = QStringLiteral("Evening Saver");
    WriteSettingsToDatabase(f.ctx);

    const auto count = [&f](const char *key) {
        return f.store().values(Store::hivePathOf(QLatin1String(key))).size();
    };
    QCOMPARE(count("Users"), 2);
    QCOMPARE(count("Settings"), 86);  // 62 single values, 2 x 11 list flags, preset name, version
    QCOMPARE(count("Properties"), 2);
    QCOMPARE(count("Positions"), 24);
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("CurrentTimezonePresetName"), QStringLiteral("Settings")),
             QStringLiteral("Evening Saver"));
    QCOMPARE(f.store().ReadStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings")),
             QStringLiteral("2"));

    // Integers and flags are DWORDs, texts strings.
    StoreValue v;
    QVERIFY(f.store().readValue(Store::hivePathOf(QStringLiteral("Settings")), QStringLiteral("HangupTime"), v));
    QCOMPARE(v.type, int(RegDword));
    QVERIFY(f.store().readValue(Store::hivePathOf(QStringLiteral("Settings")), QStringLiteral("ShowTipForm"), v));
    QCOMPARE(v.type, int(RegDword));
    QCOMPARE(v.data.toLongLong(), 1);
    QVERIFY(f.store().readValue(Store::hivePathOf(QStringLiteral("Properties")),
                                QStringLiteral("OverrideCurrencyString"), v));
    QCOMPARE(v.type, int(RegSz));
    QVERIFY(f.store().readValue(Store::hivePathOf(QStringLiteral("Settings")),
                                QStringLiteral("SessionListDisplay11"), v));
    QVERIFY(f.store().readValue(Store::hivePathOf(QStringLiteral("Positions")),
                                QStringLiteral("PerformanceColumn11"), v));
}

void TestSettingsRecord::emptyStoredTextsGetDefaults()
{
    Fixture f;
    f.store().WriteStoreString(QStringLiteral("NTPClockServer"), QStringLiteral("Settings"), QString());
    f.store().WriteStoreString(QStringLiteral("ConnectionSound"), QStringLiteral("Settings"), QString());
    f.store().WriteStoreString(QStringLiteral("DisconnectionSound"), QStringLiteral("Settings"),
                               QStringLiteral("/sounds/bye.wav"));
    f.store().WriteStoreString(QStringLiteral("AlivePingAddress"), QStringLiteral("Settings"),
                               QStringLiteral("10.0.0.1"));
    ReadSettingsFromDatabase(f.ctx);
    QCOMPARE(f.ctx.settings.NTPClockServer, QStringLiteral("pool.ntp.org"));
    QCOMPARE(f.ctx.settings.ConnectionSound, f.ctx.startup.programDirectory + QStringLiteral("Ringin.wav"));
    QCOMPARE(f.ctx.settings.DisconnectionSound, QStringLiteral("/sounds/bye.wav"));
    QCOMPARE(f.ctx.settings.AlivePingAddress, QStringLiteral("10.0.0.1"));
}

void TestSettingsRecord::currencySymbol_data()
{
    QTest::addColumn<bool>("storeOverride");
    QTest::addColumn<bool>("overrideOn");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing stored") << false << false << "" << "\u00a3";
    QTest::newRow("override on") << true << true << "\u20ac" << "\u20ac";
    QTest::newRow("override off, symbol stored") << true << false << "\u20ac" << "\u00a3";
    QTest::newRow("override on, several characters") << true << true << "NZ$" << "NZ$";
}

void TestSettingsRecord::currencySymbol()
{
    QFETCH(bool, storeOverride);
    QFETCH(bool, overrideOn);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    Fixture f;
    if (storeOverride) {
        // Stored in "Properties", and names compare without case.
        f.store().WriteStoreBool(QStringLiteral("overridecurrency"), QStringLiteral("PROPERTIES"), overrideOn);
        f.store().WriteStoreString(QStringLiteral("OverrideCurrencyString"), QStringLiteral("Properties"), replacement);
    }
    ReadSettingsFromDatabase(f.ctx);
    QCOMPARE(f.ctx.currencySymbol, expected);
    QCOMPARE(f.ctx.settings.OverrideCurrency, overrideOn);
}

void TestSettingsRecord::wrongTypeNamesTheProcedure()
{
    Fixture f;
    f.store().WriteStoreString(QStringLiteral("DeletePrompt"), QStringLiteral("Settings"), QStringLiteral("yes"));
    try {
        ReadSettingsFromDatabase(f.ctx);
        QFAIL("no error raised");
    } catch (const StoreError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'DeletePrompt'"));
    }
    QCOMPARE(f.ctx.errorContext.unit, QStringLiteral("Global Unit"));
    QCOMPARE(f.ctx.errorContext.procedure, QStringLiteral("ReadSettingsFromDatabase"));
}

void TestSettingsRecord::startupEntry_data()
{
    QTest::addColumn<bool>("loadAtStartUp");
    QTest::addColumn<QString>("dataDirArgument");
    QTest::addColumn<QString>("runValue");
    QTest::addColumn<QString>("execLine");

    QTest::newRow("on") << true << "" << "\"/opt/tally line/bin/tallyline\"" << "\"/opt/tally line/bin/tallyline\"";
    QTest::newRow("on, own data directory")
        << true << "/srv/tl data" << "\"/opt/tally line/bin/tallyline\""
        << "\"/opt/tally line/bin/tallyline\" \"--data-dir\" \"/srv/tl data\"";
    QTest::newRow("off") << false << "" << "" << "";
}

void TestSettingsRecord::startupEntry()
{
    QFETCH(bool, loadAtStartUp);
    QFETCH(QString, dataDirArgument);
    QFETCH(QString, runValue);
    QFETCH(QString, execLine);

    Fixture f;
    AutostartEntry autostart(f.temp.path(QStringLiteral("autostart")), {f.temp.path(QStringLiteral("xdg"))});
    f.ctx.platform.autostart = &autostart;
    f.ctx.startup.dataDirectoryArgument = dataDirArgument;

    // Start from the opposite state so that the write has something to change.
    f.ctx.settings.LoadAtStartUp = !loadAtStartUp;
    WriteSettingsToDatabase(f.ctx);
    f.ctx.settings.LoadAtStartUp = loadAtStartUp;
    WriteSettingsToDatabase(f.ctx);

    StoreValue run;
    QVERIFY(f.store().readValue(RunKey, QStringLiteral("Tallyline"), run));  // never deleted
    QCOMPARE(run.type, int(RegSz));
    QCOMPARE(run.data.toString(), runValue);
    // Outside our root: our own tree has no such key.
    QVERIFY(!f.store().keyExists(Store::hivePathOf(QStringLiteral("Software\\Microsoft"))));

    QFile file(autostart.filePath());
    QCOMPARE(file.exists(), loadAtStartUp);
    if (loadAtStartUp) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString contents = QString::fromUtf8(file.readAll());
        QVERIFY(contents.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY2(contents.contains(QStringLiteral("\nExec=") + execLine + QLatin1Char('\n')), qPrintable(contents));
        QVERIFY(!contents.contains(QStringLiteral("Hidden=true")));
    }
}

void TestSettingsRecord::autostartOverridesSystemEntry()
{
    QTemporaryDir dir;
    const QString systemDir = dir.filePath(QStringLiteral("etc/xdg/autostart"));
    QVERIFY(QDir().mkpath(systemDir));
    QFile system(systemDir + QStringLiteral("/tallyline.desktop"));
    QVERIFY(system.open(QIODevice::WriteOnly));
    system.write("[Desktop Entry]\nType=Application\nExec=tallyline\n");
    system.close();

    AutostartEntry entry(dir.filePath(QStringLiteral("home/autostart")), {dir.filePath(QStringLiteral("none")), systemDir});
    entry.enable(QStringLiteral("/usr/bin/tallyline"), {});
    entry.disable();
    QFile mine(entry.filePath());
    QVERIFY(mine.open(QIODevice::ReadOnly));
    QVERIFY(mine.readAll().contains("\nHidden=true\n"));
    // The system-wide entry itself is not ours to change.
    QVERIFY(system.open(QIODevice::ReadOnly));
    QVERIFY(!system.readAll().contains("Hidden"));
}

void TestSettingsRecord::execLineQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "/usr/bin/tallyline" << "\"/usr/bin/tallyline\"";
    QTest::newRow("dollar and backquote") << "/home/a$b/`x`" << "\"/home/a\\\\$b/\\\\`x\\\\`\"";
    QTest::newRow("double quote") << "/tmp/say \"hi\"" << "\"/tmp/say \\\\\"hi\\\\\"\"";
    QTest::newRow("backslash") << "/tmp/a\\b" << "\"/tmp/a\\\\\\\\b\"";
    QTest::newRow("percent") << "/tmp/100%/t" << "\"/tmp/100%%/t\"";
}

void TestSettingsRecord::execLineQuoting()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(AutostartEntry::execLine(path, {}), expected);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSettingsRecord)
#include "TestSettingsRecord.moc"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/SettingsRecord.h"
#include "store/Version1Converter.h"
#include "support/TempStore.h"
#include "support/TestMain.h"
#include "support/Version1Seed.h"

namespace {

struct Fixture {
    Fixture() : clock(QDateTime(QDate(2000, 1, 1), QTime(12, 0))), ctx(*temp.store, clock, ui)
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.startup.executablePath = QStringLiteral("/opt/tallyline/bin/tallyline");
    }
    Store &store() { return *temp.store; }
    QString text(const QString &name, const QString &key) { return store().ReadStoreString(name, key); }
    int integer(const QString &name, const QString &key)
    {
        int value = -12345;
        if (!store().ReadStoreInteger(name, key, value))
            return -1;
        return value;
    }
    bool has(const QString &name, const QString &key)
    {
        StoreValue v;
        return store().readValue(Store::hivePathOf(key), name, v);
    }

    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx;
};

QString day(int y, int m, int d)
{
    return FloatToStoreText(EncodeDate(y, m, d));
}

} // namespace

class TestVersion1Converter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsComeFromVersion1Keys();
    void usersAreRewrittenInTheNewLayout();
    void alarmsProgramsTariffAndHolidays();
    void sessionsBetweenCreationAndToday();
    void unparsableDateStopsWithPartialConversion_data();
    void unparsableDateStopsWithPartialConversion();
};

void TestVersion1Converter::settingsComeFromVersion1Keys()
{
    Fixture f;
    testsupport::seedVersion1(f.store());
    ConvertVersion1Database(f.ctx);

    const Settings &s = f.ctx.settings;
    QCOMPARE(s.NumberOfUsers, 2);
    QCOMPARE(s.PreviousUser, 1);
    QCOMPARE(s.DeletePrompt, false);
    QCOMPARE(s.AdminSettingsLockOut, false);  // written as "AdminsettingsLockOut"
    QCOMPARE(s.ModemCorrectionFactor, 25);
    QCOMPARE(s.TaskBarWindowX, 5);
    QCOMPARE(s.NTPClockServer, QStringLiteral("time.example.org"));
    QCOMPARE(s.PromptForReconnection, true);   // new in version 2: default
    QCOMPARE(s.SessionColumn[2], 0);           // likewise

    // ... and they are now in the new places, with the version stamp.
    QCOMPARE(f.integer(QStringLiteral("NumberOfUsers"), QStringLiteral("Users")), 2);
    QCOMPARE(f.integer(QStringLiteral("PreviousUser"), QStringLiteral("Users")), 1);
    QCOMPARE(f.integer(QStringLiteral("ModemCorrectionFactor"), QStringLiteral("Settings")), 25);
    QCOMPARE(f.integer(QStringLiteral("AdminSettingsLockOut"), QStringLiteral("Settings")), 0);
    QCOMPARE(f.text(QStringLiteral("ConnectionSound"), QStringLiteral("Settings")), QStringLiteral("/old/in.wav"));
    QCOMPARE(f.text(QStringLiteral("Database Version"), QStringLiteral("Settings")), QStringLiteral("2"));
    // The start-up entry follows the converted "LoadAtStartUp" (off).
    StoreValue run;
    QVERIFY(f.store().readValue(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                                QStringLiteral("Tallyline"), run));
    QCOMPARE(run.data.toString(), QString());
    // Version-1 keys stay.
    QCOMPARE(f.integer(QStringLiteral("NumberOfUsers"), QStringLiteral("General")), 2);
    QVERIFY(f.store().keyExists(Store::hivePathOf(QStringLiteral("User1\\Mon"))));
}

void TestVersion1Converter::usersAreRewrittenInTheNewLayout()
{
    Fixture f;
    testsupport::seedVersion1(f.store());
    ConvertVersion1Database(f.ctx);

    const QString u1 = QStringLiteral("Users\\User1");
    QCOMPARE(f.text(QStringLiteral("Login Name"), u1), QStringLiteral("Admin"));
    QCOMPARE(f.text(QStringLiteral("Real Name"), u1), QStringLiteral("Ann Admin"));
    QCOMPARE(f.text(QStringLiteral("Account Type"), u1), QStringLiteral("MONTHLY"));
    QCOMPARE(f.text(QStringLiteral("Creation Date"), u1), day(1999, 12, 28));
    QCOMPARE(f.text(QStringLiteral("Password"), u1), QStringLiteral("s3cr\u00e9t"));
    QCOMPARE(f.text(QStringLiteral("Bill Date"), u1), QStringLiteral("15"));  // a day number: copied
    QCOMPARE(f.integer(QStringLiteral("NumberOfISPs"), u1), 1);
    QCOMPARE(f.integer(QStringLiteral("CurrentTimeZoneISP"), u1), 1);
    QCOMPARE(f.integer(QStringLiteral("NumberOfPrograms"), u1), 1);
    QCOMPARE(f.integer(QStringLiteral("NumberOfAlarms"), u1), 1);
    QCOMPARE(f.integer(QStringLiteral("Restrictions"), u1), 64);
    QCOMPARE(f.text(QStringLiteral("CurrentTimezonePresetName"), u1 + QStringLiteral("\\ISP1")),
             QStringLiteral("Evening Saver"));

    const QString u2 = QStringLiteral("Users\\User2");
    QCOMPARE(f.text(QStringLiteral("Creation Date"), u2), day(1999, 12, 31));
    QCOMPARE(f.text(QStringLiteral("Bill Date"), u2), day(1999, 10, 1));  // quarterly: a date
    QCOMPARE(f.integer(QStringLiteral("NumberOfAlarms"), u2), 0);
    QCOMPARE(f.integer(QStringLiteral("Restrictions"), u2), 0);
}

void TestVersion1Converter::alarmsProgramsTariffAndHolidays()
{
    Fixture f;
    testsupport::seedVersion1(f.store());
    ConvertVersion1Database(f.ctx);

    const QString alarm = QStringLiteral("Users\\User1\\Alarms\\Alarm1");
    QCOMPARE(f.store().values(Store::hivePathOf(alarm)).constFirst().name, QStringLiteral("UseISP"));
    QCOMPARE(f.integer(QStringLiteral("UseISP"), alarm), 0);
    const QList<QPair<const char *, int>> integers = {{"Use TimeZone", 1}, {"Start Time", 60}, {"End Time", 120},
                                                      {"Days", 31},       {"AlarmType", 2},   {"HangUpPhone", 1},
                                                      {"AllowanceTime", 30}};
    for (const auto &[name, value] : integers)
        QCOMPARE(f.integer(QLatin1String(name), alarm), value);
    QCOMPARE(f.text(QStringLiteral("AlarmWaveFile"), alarm), QStringLiteral("alarm.wav"));
    QCOMPARE(f.text(QStringLiteral("TotalCost"), alarm), QStringLiteral("1.5"));
    QCOMPARE(f.text(QStringLiteral("CustomMessage"), alarm), QStringLiteral("Stop now"));

    const QString program = QStringLiteral("Users\\User1\\Programs\\Program1");
    QCOMPARE(f.integer(QStringLiteral("AutoProgramClose"), program), 1);
    QCOMPARE(f.integer(QStringLiteral("Use TimeZone"), program), 0);
    QCOMPARE(f.text(QStringLiteral("Filename"), program), QStringLiteral("/usr/bin/xterm"));

    const QString isp = QStringLiteral("Users\\User1\\ISP1");
    QCOMPARE(f.text(QStringLiteral("ISPName"), isp), QStringLiteral("Default"));
    QCOMPARE(f.text(QStringLiteral("DialupName"), isp), QStringLiteral("Any"));
    const QString mon = isp + QStringLiteral("\\Timezones\\Mon");
    QCOMPARE(f.integer(QStringLiteral("NumberOfTimeZones"), mon), 2);
    QCOMPARE(f.integer(QStringLiteral("Start Time"), mon + QStringLiteral("\\TimeZone2")), 480);
    QCOMPARE(f.integer(QStringLiteral("End Time"), mon + QStringLiteral("\\TimeZone1")), 480);
    QCOMPARE(f.integer(QStringLiteral("ConnectionFeeType"), mon + QStringLiteral("\\TimeZone1")), 1);
    QCOMPARE(f.text(QStringLiteral("Cost"), mon + QStringLiteral("\\TimeZone2")), QStringLiteral("0.04"));
    QCOMPARE(f.text(QStringLiteral("ConnectionFee"), mon + QStringLiteral("\\TimeZone1")), QStringLiteral("0.05"));
    // Every day type gets its count, also those version 1 had nothing for.
    for (const char *d : {"Tue", "Wed", "Thu", "Fri", "Sat", "Sun"})
        QCOMPARE(f.integer(QStringLiteral("NumberOfTimeZones"), isp + QStringLiteral("\\Timezones\\") + QLatin1String(d)), 0);
    QCOMPARE(f.integer(QStringLiteral("NumberOfTimeZones"), isp + QStringLiteral("\\Timezones\\Public Holiday")), 1);
    QCOMPARE(f.text(QStringLiteral("Cost"), isp + QStringLiteral("\\Timezones\\Public Holiday\\TimeZone1")),
             QStringLiteral("0.005"));

    const QString holidays = isp + QStringLiteral("\\Timezones\\Holidays");
    QCOMPARE(f.integer(QStringLiteral("NumberOfHolidays"), holidays), 2);
    QCOMPARE(f.text(QStringLiteral("Holiday1"), holidays), day(1999, 12, 25));
    QCOMPARE(f.text(QStringLiteral("Holiday2"), holidays), QStringLiteral("36526"));
}

void TestVersion1Converter::sessionsBetweenCreationAndToday()
{
    Fixture f;
    testsupport::seedVersion1(f.store());
    ConvertVersion1Database(f.ctx);

    const QString sessions = QStringLiteral("Users\\User1\\Sessions");
    QCOMPARE(f.store().subkeyNames(Store::hivePathOf(sessions)),
             QStringList({day(1999, 12, 28), day(1999, 12, 31), day(2000, 1, 1)}));

    const QString d31 = sessions + QLatin1Char('\\') + day(1999, 12, 31);
    QCOMPARE(f.integer(QStringLiteral("NumberOfSessions"), d31), 2);
    QCOMPARE(f.text(QStringLiteral("Session1-Time Online"), d31), QStringLiteral("90"));
    QCOMPARE(f.text(QStringLiteral("Session1-End Date"), d31), day(1999, 12, 31));
    QCOMPARE(f.store().ReadStoreFloat(QStringLiteral("Session1-Start Time"), d31), EncodeTime(18, 30, 0));
    QCOMPARE(f.store().ReadStoreFloat(QStringLiteral("Session1-End Time"), d31), EncodeTime(18, 31, 30));
    QCOMPARE(f.text(QStringLiteral("Session1-Cost"), d31), QStringLiteral("0.02"));
    QCOMPARE(f.text(QStringLiteral("Session2-End Date"), d31), QStringLiteral("36526"));
    QCOMPARE(f.text(QStringLiteral("Session2-Start Time"), d31), FloatToStoreText(EncodeTime(23, 45, 0)));
    QCOMPARE(f.text(QStringLiteral("Session2-End Time"), d31), FloatToStoreText(EncodeTime(0, 15, 0)));

    const QString d28 = sessions + QLatin1Char('\\') + day(1999, 12, 28);
    QCOMPARE(f.text(QStringLiteral("Session1-Time Online"), d28), QStringLiteral("3600"));
    QCOMPARE(f.store().ReadStoreFloat(QStringLiteral("Session1-Start Time"), d28), 10.0 / 24);
    // User 2 has no sessions at all: nothing is created for it.
    QVERIFY(!f.store().keyExists(Store::hivePathOf(QStringLiteral("Users\\User2\\Sessions"))));
}

void TestVersion1Converter::unparsableDateStopsWithPartialConversion_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("badText");
    QTest::addColumn<bool>("user1Written");
    QTest::addColumn<bool>("user2Written");

    QTest::newRow("creation date of user 1") << "User1" << "Creation Date" << "" << false << false;
    QTest::newRow("creation date of user 2") << "User2" << "Creation Date" << "31-Foo-99" << true << false;
    QTest::newRow("quarterly bill date") << "User2" << "Bill Date" << "sometime" << true << false;
    QTest::newRow("holiday of user 1") << "User1\\Holidays" << "Holiday2" << "99/99/99" << true << false;
    QTest::newRow("session end time") << "User1\\Session Info\\" + FormatShortDate(EncodeDate(1999, 12, 31))
                                      << "Session2-End Time" << "25:61" << true << false;
}

void TestVersion1Converter::unparsableDateStopsWithPartialConversion()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, badText);
    QFETCH(bool, user1Written);
    QFETCH(bool, user2Written);

    Fixture f;
    testsupport::seedVersion1(f.store());
    f.store().WriteStoreString(name, key, badText);

    QVERIFY_THROWS_EXCEPTION(ConvertError, ConvertVersion1Database(f.ctx));

    // The stamp is written first, so the next start does not convert again.
    QCOMPARE(f.text(QStringLiteral("Database Version"), QStringLiteral("Settings")), QStringLiteral("2"));
    QCOMPARE(f.text(QStringLiteral("Login Name"), QStringLiteral("Users\\User1")),
             user1Written ? QStringLiteral("Admin") : QString());
    QCOMPARE(f.store().keyExists(Store::hivePathOf(QStringLiteral("Users\\User2"))), user2Written);
}

TALLYLINE_ENGINE_TEST_MAIN(TestVersion1Converter)
#include "TestVersion1Converter.moc"

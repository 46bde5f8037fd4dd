#include "core/AppContext.h"
#include "store/Store.h"
#include "app/BuildInfo.h"
#include "core/RecordingUi.h"
#include "app/Startup.h"
#include "platform/Autostart.h"
#include "core/Errors.h"
#include "store/RegFile.h"
#include "users/Passwords.h"
#include "support/FileMode.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"
#include "support/Version1Seed.h"

#include <sys/stat.h>
#include <unistd.h>

using testsupport::modeOf;

namespace {

const QString RestoreQuestion = QStringLiteral(
    "Tallyline has detected a previous database\rWould you like to restore previous settings, users and session "
    "information?");
const QString ClosingText =
    QStringLiteral("Tallyline will now be closed. Please reload tallyline for the new database to take effect.");
const QString DeclinedText = QStringLiteral(
    "If you want to restore the old database in the future, locate the file 'Previous Tallyline Database.Reg' in "
    "the tallyline directory.");
const QString ConversionText = QStringLiteral(
    "This version of Tallyline uses a newer database format. \rTallyline will now convert all your settings, user "
    "sessions, alarms etc into the new format.\r\rPlease press OK to proceed with the conversion.");
const QString RootHivePath = QStringLiteral("Software\\Kelmora\\Tallyline");

// One start of the program against a data directory that outlives it.
struct Run {
    explicit Run(const QString &dataDirectory) : clock(QDateTime(QDate(2000, 1, 1), QTime(12, 0)))
    {
        options.dataDirectory = dataDirectory;
        options.executablePath = QStringLiteral(TALLYLINE_EXECUTABLE);
        options.shippedDirectory = QStringLiteral(TALLYLINE_SOURCE_DATA_DIR);
        options.screenWidth = 1024;
        options.screenHeight = 768;
        // What start-up asks of the screen and what the log-in reports.
        ui.onStartResidentShell = [this](AppContext &ctx) {
            calls.append(QStringLiteral("startResidentShell"));
            ctx.startup.monitorWindowWidth = monitorWindowWidth;
            QObject::connect(&ctx.events, &EngineEvents::userLoggedOut, [this] { calls.append(QStringLiteral("logOutUser")); });
            QObject::connect(&ctx.events, &EngineEvents::userLoggedIn, [this] { calls.append(QStringLiteral("loginUser")); });
        };
        ui.onEndResidentShell = [this] { calls.append(QStringLiteral("endResidentShell")); };
        ui.onShowWindow = [this](UiWindow window) {
            if (window == UiWindow::Login)
                calls.append(QStringLiteral("showLoginForm"));
            else if (window == UiWindow::Splash)
                calls.append(QStringLiteral("showSplashForm"));
            else if (window == UiWindow::SetupWizard)
                calls.append(QStringLiteral("showWizardForm"));
        };
        hooks.hangUpAllConnections = [this](AppContext &) { calls.append(QStringLiteral("hangUpAllConnections")); };
    }

    bool start()
    {
        startup = std::make_unique<Startup>(ui, clock, Platform(), hooks);
        return startup->run(options);
    }
    AppContext &ctx() { return *startup->context(); }
    QList<MessageKind> kinds() const
    {
        QList<MessageKind> list;
        for (const auto &m : ui.messages)
            list.append(m.kind);
        return list;
    }

    FakeClock clock;
    RecordingUi ui;
    AppHooks hooks;
    StartupOptions options;
    int monitorWindowWidth = 141;
    QStringList calls;
    std::unique_ptr<Startup> startup;
};

struct DataDir {
    QString path() const { return root.filePath(QStringLiteral("data")); }
    QString file(const QString &name) const { return path() + QLatin1Char('/') + name; }
    QString storeFile() const { return file(QString::fromLatin1(Store::DefaultFileName)); }
    QString backup() const { return file(QString::fromLatin1(BackupFileName)); }
    std::unique_ptr<Store> openStore() const
    {
        QDir().mkpath(path());
        return Store::open(storeFile());
    }
    QTemporaryDir root;
};

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A run past the wizard: one user, so that the exit writes a backup.
void GiveAUser(AppContext &ctx)
{
    ctx.settings.NumberOfUsers = 1;
    ctx.store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    ctx.store.WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"), QStringLiteral("Admin"));
}

// A database with two users, a day of sessions and settings, as a backup would carry it.
void SeedUsers(Store &store)
{
    store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 2);
    store.WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);
    for (int n = 1; n <= 2; ++n) {
        const QString key = QStringLiteral("Users\\User%1").arg(n);
        store.WriteStoreString(QStringLiteral("Login Name"), key, n == 1 ? QStringLiteral("Admin") : QStringLiteral("Bob"));
        store.WriteStoreString(QStringLiteral("Account Type"), key, QStringLiteral("Monthly"));
        for (int m = 1; m <= 3; ++m) {
            store.WriteStoreString(QStringLiteral("Session%1-Cost").arg(m), key + QStringLiteral("\\Sessions\\36526"),
                                   QStringLiteral("0.125"));
        }
    }
    store.WriteStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings"), QStringLiteral("2"));
    store.WriteStoreBool(QStringLiteral("AutoLogonLastUser"), QStringLiteral("Settings"), false);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshStartReachesTheWizard();
    void shippedFilesFillOnlyWhatIsMissing();
    void secondInstanceEndsSilently();
    void restoreAccepted();
    void restoreOfUnreadableBackup_data();
    void restoreOfUnreadableBackup();
    void restoreOfferedOnlyWithUsers_data();
    void restoreOfferedOnlyWithUsers();
    void version1DatabaseIsConvertedOnce();
    void version1WithBadDatesEndsPartlyConverted();
    void exitTidy_data();
    void exitTidy();
    void exitGoesOnPastAFault_data();
    void exitGoesOnPastAFault();
    void failedSettingsWriteStillBacksUp();
    void unusableDataDirectory_data();
    void unusableDataDirectory();
    void automaticLogin_data();
    void automaticLogin();
    void monitorWindowPosition_data();
    void monitorWindowPosition();
    void plainPasswordsAreHashedAtStartUp();
    void dataDirectoryIsOwnerOnly_data();
    void dataDirectoryIsOwnerOnly();
};

void TestStartup::freshStartReachesTheWizard()
{
    DataDir dir;
    Run run(dir.path());
    QVERIFY(run.start());
    QCOMPARE(run.ui.messages.size(), 0);
    QCOMPARE(run.calls, QStringList({"startResidentShell", "logOutUser", "showSplashForm", "showWizardForm"}));

    const StartupValues &values = run.ctx().startup;
    QCOMPARE(values.versionText, QStringLiteral("%1.%2 Build %3")
                                     .arg(TALLYLINE_VERSION_MAJOR)
                                     .arg(TALLYLINE_VERSION_MINOR)
                                     .arg(TALLYLINE_VERSION_BUILD));
    QCOMPARE(values.majorVersion, TALLYLINE_VERSION_MAJOR);
    QCOMPARE(values.programDirectory, dir.path() + QLatin1Char('/'));
    QCOMPARE(values.helpFile, dir.file(QStringLiteral("Tallyline.hlp")));
    QCOMPARE(values.dataDirectoryArgument, dir.path());
    QCOMPARE(values.databaseVersion, 0.0);
    QCOMPARE(values.systemCurrencySymbol, QStringLiteral("\u00a3"));
    QCOMPARE(values.savedCurrencyDecimals, 2);
    QCOMPARE(run.ctx().currencySymbol, QStringLiteral("\u00a3"));
    QCOMPARE(run.ctx().settings.TaskBarWindowX, 442);  // round(1024 / 2 - 70.5)
    QCOMPARE(run.ctx().settings.TaskBarWindowY, 0);
    QCOMPARE(run.ctx().settings.ConnectionSound, dir.file(QStringLiteral("Ringin.wav")));
    QVERIFY(QFileInfo::exists(dir.file(QStringLiteral("Ringin.wav"))));
    QVERIFY(QFileInfo::exists(dir.file(QStringLiteral("Ringout.wav"))));
    QVERIFY(QFileInfo::exists(dir.storeFile()));
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral(".keep"))));
}

void TestStartup::shippedFilesFillOnlyWhatIsMissing()
{
    DataDir dir;
    QTemporaryDir shipped;
    WriteFile(shipped.filePath(QStringLiteral("Ringin.wav")), "shipped");
    WriteFile(shipped.filePath(QStringLiteral("presets/Evening.tzp")), "[Mon]\n");
    WriteFile(shipped.filePath(QStringLiteral(".keep")), "");
    WriteFile(dir.file(QStringLiteral("Ringin.wav")), "my own sound");

    Run run(dir.path());
    run.options.shippedDirectory = shipped.path();
    QVERIFY(run.start());
    QCOMPARE(ReadFile(dir.file(QStringLiteral("Ringin.wav"))), QByteArray("my own sound"));
    QCOMPARE(ReadFile(dir.file(QStringLiteral("presets/Evening.tzp"))), QByteArray("[Mon]\n"));
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral(".keep"))));
}

void TestStartup::secondInstanceEndsSilently()
{
    DataDir dir;
    Run first(dir.path());
    QVERIFY(first.start());

    Run second(dir.path());
    QVERIFY(!second.start());
    QCOMPARE(second.startup->exitCode(), 0);
    QVERIFY(second.ui.messages.isEmpty());
    QVERIFY(second.calls.isEmpty());
    QVERIFY(second.startup->context() == nullptr);

    first.startup->finish();
    Run third(dir.path());
    QVERIFY(third.start());
}

void TestStartup::restoreAccepted()
{
    DataDir dir;
    testsupport::TempStore previous;
    previous.store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    previous.store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"),
                                     QStringLiteral("Admin"));
    previous.store->WriteStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings"),
                                     QStringLiteral("2"));
    previous.store->WriteStoreString(QStringLiteral("Session1-Cost"), QStringLiteral("Users\\User1\\Sessions\\36526"),
                                     QStringLiteral("0.125"));
    QDir().mkpath(dir.path());
    ExportRegFile(*previous.store, dir.backup());

    Run run(dir.path());
    run.ui.answers.enqueue(true);
    QVERIFY(!run.start());
    QCOMPARE(run.startup->exitCode(), 0);
    QCOMPARE(run.ui.texts(), QStringList({RestoreQuestion, ClosingText}));
    QCOMPARE(run.kinds(), QList<MessageKind>({MessageKind::Confirmation, MessageKind::Information}));
    QVERIFY(run.calls.isEmpty());
    run.startup.reset();

    QCOMPARE(testsupport::dumpTree(*dir.openStore(), RootHivePath), testsupport::dumpTree(*previous.store, RootHivePath));

    // The next start finds the restored users: no question, no wizard.
    Run next(dir.path());
    QVERIFY(next.start());
    QVERIFY(next.ui.messages.isEmpty());
    QVERIFY(next.calls.contains(QStringLiteral("showLoginForm")));
    QVERIFY(!next.calls.contains(QStringLiteral("showWizardForm")));
}

void TestStartup::restoreOfUnreadableBackup_data()
{
    QTest::addColumn<QByteArray>("backup");
    QTest::addColumn<QString>("cutBefore");  // when set, the backup is an export of two users cut before this text

    QTest::newRow("garbage line") << QByteArray("Windows Registry Editor Version 5.00\r\n\r\n"
                                                "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users]\r\n"
                                                "\"NumberOfUsers\"=dword:00000001\r\n"
                                                "this line is garbage\r\n")
                                  << QString();
    QTest::newRow("export cut after a value line") << QByteArray() << "\"Session2-Cost\"";
    QTest::newRow("export cut at a blank line between keys")
        << QByteArray() << "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users\\User2]";
}

// Nothing can be restored from it: start-up says so and goes on with the
// database as it was, to the wizard, and leaves the backup where it is.
void TestStartup::restoreOfUnreadableBackup()
{
    QFETCH(QByteArray, backup);
    QFETCH(QString, cutBefore);
    DataDir dir;
    if (!cutBefore.isEmpty()) {
        testsupport::TempStore previous;
        SeedUsers(*previous.store);
        const QString full = previous.path(QStringLiteral("full.reg"));
        ExportRegFile(*previous.store, full);
        const QByteArray bytes = ReadFile(full);  // UTF-16LE after a byte-order mark
        const qsizetype cut = bytes.indexOf(QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(cutBefore)));
        QVERIFY(cut > 2 && cut % 2 == 0);
        backup = bytes.left(cut);
    }
    {
        // An empty database that already holds something outside the user count.
        auto store = dir.openStore();
        store->WriteStoreString(QStringLiteral("NTPClockServer"), QStringLiteral("Settings"), QStringLiteral("ntp.x"));
    }
    WriteFile(dir.backup(), backup);
    const QStringList before = testsupport::dumpTree(*dir.openStore());

    Run run(dir.path());
    run.ui.answers.enqueue(true);
    QVERIFY(run.start());
    QCOMPARE(run.ui.messages.size(), 2);
    QCOMPARE(run.ui.messages.at(0).text, RestoreQuestion);
    const RecordingUi::Message &error = run.ui.messages.at(1);
    QCOMPARE(error.kind, MessageKind::Error);
    // The fault is on the file's last line.
    const int lastLine = int(backup.count("\r\n") + backup.count(QByteArray("\r\0\n\0", 4)));
    QVERIFY2(error.text.startsWith(QStringLiteral("The previous database could not be restored.\rThe backup file '%1' "
                                                  "cannot be imported: line %2:")
                                       .arg(dir.backup())
                                       .arg(lastLine)),
             qPrintable(error.text));
    QVERIFY2(error.text.endsWith(QStringLiteral("\r\rNothing has been restored and the backup file has been left "
                                                "where it is.")),
             qPrintable(error.text));
    QVERIFY(!run.ui.texts().contains(ClosingText));
    QCOMPARE(run.calls.constLast(), QStringLiteral("showWizardForm"));
    QCOMPARE(run.ctx().settings.NumberOfUsers, 0);
    run.startup.reset();

    QCOMPARE(testsupport::dumpTree(*dir.openStore()), before);
    QCOMPARE(ReadFile(dir.backup()), backup);
}

// Declined, an offered backup is put aside under another name and not
// offered again; one without users is never offered and left alone.
void TestStartup::restoreOfferedOnlyWithUsers_data()
{
    QTest::addColumn<QByteArray>("backup");
    QTest::addColumn<bool>("offered");

    const QByteArray head = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline]\r\n\r\n";
    const QByteArray settings = "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Settings]\r\n"
                                "\"ShowSplashForm\"=dword:00000001\r\n\r\n";
    const QByteArray users = "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users]\r\n";
    const QByteArray general = "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\General]\r\n";
    QTest::newRow("first run cancelled: settings only") << head + settings << false;
    QTest::newRow("no users") << head + settings + users + "\"NumberOfUsers\"=dword:00000000\r\n\r\n" << false;
    QTest::newRow("one user") << head + users + "\"NumberOfUsers\"=dword:00000001\r\n\r\n" << true;
    QTest::newRow("version-1 users") << head + general + "\"NumberOfUsers\"=dword:00000002\r\n\r\n" << true;
    QTest::newRow("unreadable: may hold users") << head + users + "\"NumberOfUsers\"=dword:00000001\r\n" << true;
}

void TestStartup::restoreOfferedOnlyWithUsers()
{
    QFETCH(QByteArray, backup);
    QFETCH(bool, offered);
    DataDir dir;
    WriteFile(dir.backup(), backup);

    Run run(dir.path());
    run.ui.answers.enqueue(false);
    QVERIFY(run.start());
    QCOMPARE(run.ui.texts(), offered ? QStringList({RestoreQuestion, DeclinedText}) : QStringList());
    if (offered)
        QCOMPARE(run.ui.messages.at(1).kind, MessageKind::Information);
    QCOMPARE(run.calls.constLast(), QStringLiteral("showWizardForm"));
    QCOMPARE(QFileInfo::exists(dir.backup()), !offered);
    QCOMPARE(ReadFile(offered ? dir.file(QStringLiteral("Previous Tallyline Database.Reg")) : dir.backup()), backup);
    run.startup.reset();

    Run next(dir.path());
    next.ui.answers.enqueue(false);
    QVERIFY(next.start());
    QVERIFY(next.ui.messages.isEmpty());
}

void TestStartup::version1DatabaseIsConvertedOnce()
{
    DataDir dir;
    testsupport::seedVersion1(*dir.openStore());

    Run run(dir.path());
    QVERIFY(!run.start());
    QCOMPARE(run.startup->exitCode(), 0);
    QCOMPARE(run.ui.texts(), QStringList({ConversionText, ClosingText}));
    QCOMPARE(run.kinds(), QList<MessageKind>({MessageKind::Information, MessageKind::Information}));
    QVERIFY(run.calls.isEmpty());
    run.startup.reset();
    {
        auto store = dir.openStore();
        QCOMPARE(store->ReadStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User2")),
                 QStringLiteral("Bob"));
        QCOMPARE(store->ReadStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings")),
                 QStringLiteral("2"));
    }

    // Next start: the previous user (1, the administrator) is logged in.
    Run next(dir.path());
    QVERIFY(next.start());
    QVERIFY(next.ui.messages.isEmpty());
    QCOMPARE(next.ctx().startup.databaseVersion, 2.0);
    QVERIFY(next.calls.contains(QStringLiteral("loginUser")));
    QCOMPARE(next.ctx().login.CurrentUser, 1);
    QVERIFY(next.ctx().login.AdminSession);
    QVERIFY(!next.calls.contains(QStringLiteral("showWizardForm")));
}

void TestStartup::version1WithBadDatesEndsPartlyConverted()
{
    DataDir dir;
    {
        auto store = dir.openStore();
        testsupport::seedVersion1(*store);
        store->WriteStoreString(QStringLiteral("Creation Date"), QStringLiteral("User2"), QStringLiteral("31-Foo-99"));
    }

    Run run(dir.path());
    QVERIFY(!run.start());
    QCOMPARE(run.startup->exitCode(), 1);
    QCOMPARE(run.ui.messages.size(), 2);
    QCOMPARE(run.ui.messages.at(0).text, ConversionText);
    QCOMPARE(run.ui.messages.at(1).kind, MessageKind::Error);
    QVERIFY2(run.ui.messages.at(1).text.contains(QStringLiteral("31-FOO-99")), qPrintable(run.ui.messages.at(1).text));
    QVERIFY(!run.ui.texts().contains(ClosingText));
    run.startup.reset();

    Run next(dir.path());
    QVERIFY(next.start());
    QVERIFY(next.ui.messages.isEmpty());
    QCOMPARE(next.ctx().store.ReadStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1")),
             QStringLiteral("Admin"));
    QVERIFY(!next.ctx().store.keyExists(Store::hivePathOf(QStringLiteral("Users\\User2"))));
}

void TestStartup::exitTidy_data()
{
    QTest::addColumn<bool>("dontBackup");
    QTest::addColumn<bool>("disconnect");
    QTest::addColumn<int>("users");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("defaults") << false << false << 1 << QStringList{"endResidentShell"};
    QTest::newRow("no backup") << true << false << 1 << QStringList{"endResidentShell"};
    QTest::newRow("disconnect on exit") << false << true << 1 << QStringList{"hangUpAllConnections", "endResidentShell"};
    QTest::newRow("first run cancelled: no users, no backup") << false << false << 0 << QStringList{"endResidentShell"};
}

void TestStartup::exitTidy()
{
    QFETCH(bool, dontBackup);
    QFETCH(bool, disconnect);
    QFETCH(int, users);
    QFETCH(QStringList, calls);

    DataDir dir;
    Run run(dir.path());
    QVERIFY(run.start());
    // A backup file from before: a run without users leaves it as it is.
    const QByteArray earlier = "REGEDIT4\r\n\r\n";
    WriteFile(dir.backup(), earlier);
    AppContext &ctx = run.ctx();
    if (users > 0)
        GiveAUser(ctx);
    ctx.settings.DontBackupDatabase = dontBackup;
    ctx.settings.DisconnectOnExit = disconnect;
    ctx.settings.HangupTime = 45;
    ctx.currentPresetName = QStringLiteral("Weekend");
    run.calls.clear();
    CloseAppAndTidy(ctx);

    QCOMPARE(run.calls, calls);
    QVERIFY(run.ui.messages.isEmpty());
    int hangupTime = 0;
    QVERIFY(ctx.store.ReadStoreInteger(QStringLiteral("HangupTime"), QStringLiteral("Settings"), hangupTime));
    QCOMPARE(hangupTime, 45);
    StoreValue run_;
    QVERIFY(ctx.store.readValue(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                                QStringLiteral("Tallyline"), run_));
    QCOMPARE(run_.data.toString(), QStringLiteral("\"%1\"").arg(QStringLiteral(TALLYLINE_EXECUTABLE)));

    const bool written = !dontBackup && users > 0;
    QCOMPARE(ReadFile(dir.backup()) != earlier, written);
    if (written) {
        QCOMPARE(QFileInfo(dir.backup()).permissions() & 0x0077, QFileDevice::Permissions());
        testsupport::TempStore restored;
        ImportRegFile(*restored.store, dir.backup());
        QCOMPARE(testsupport::dumpTree(*restored.store, RootHivePath), testsupport::dumpTree(ctx.store, RootHivePath));
    }
}

void TestStartup::failedSettingsWriteStillBacksUp()
{
    DataDir dir;
    Run run(dir.path());
    QVERIFY(run.start());
    GiveAUser(run.ctx());
    // The autostart folder cannot be created: a file is in its way.
    WriteFile(dir.root.filePath(QStringLiteral("config")), "not a folder");
    AutostartEntry broken(dir.root.filePath(QStringLiteral("config/autostart")), {});
    run.ctx().platform.autostart = &broken;
    run.ctx().settings.DisconnectOnExit = true;
    run.hooks.hangUpAllConnections = [&run](AppContext &ctx) {
        PROCEDURE_GUARD(ctx, "Global Unit", "HangUpAllConnections");
        run.calls.append(QStringLiteral("hangUpAllConnections"));
    };
    run.ctx().hooks.hangUpAllConnections = run.hooks.hangUpAllConnections;
    run.calls.clear();

    QVERIFY_THROWS_EXCEPTION(TallylineError, CloseAppAndTidy(run.ctx()));
    QVERIFY(QFileInfo::exists(dir.backup()));
    QCOMPARE(run.calls, QStringList({"hangUpAllConnections", "endResidentShell"}));
    QCOMPARE(run.ctx().errorContext.procedure, QStringLiteral("WriteSettingsToDatabase"));
}

void TestStartup::exitGoesOnPastAFault_data()
{
    QTest::addColumn<bool>("sessionCloseFails");  // else the backup cannot be written
    QTest::newRow("backup cannot be written") << false;
    QTest::newRow("session close fails (a full disk, say)") << true;
}

// The fault is reported once; the settings are still written, the backup
// too if it can be, and the tray icon removed.
void TestStartup::exitGoesOnPastAFault()
{
    QFETCH(bool, sessionCloseFails);
    DataDir dir;
    Run run(dir.path());
    QVERIFY(run.start());
    AppContext &ctx = run.ctx();
    GiveAUser(ctx);  // a store without users is not backed up
    ctx.settings.DontBackupDatabase = false;
    ctx.settings.ModemCorrectionFactor = 17;
    QString named = dir.backup();
    if (sessionCloseFails) {
        named = QStringLiteral("Failed to set data for 'Session1-Start Time'");
        ctx.hooks.closeSession = [named](AppContext &c) {
            c.shell.SessionOpen = false;
            throw StoreError(named);
        };
        ctx.shell.SessionOpen = true;
    } else {
        QVERIFY(QDir().mkpath(dir.backup()));  // a folder where the file should go
    }
    run.ui.messages.clear();
    run.calls.clear();

    TidyUpForExit(ctx);
    QVERIFY(!ctx.shell.SessionOpen);
    QCOMPARE(run.ui.messages.size(), 1);
    QCOMPARE(run.ui.messages[0].kind, MessageKind::Error);
    QVERIFY2(run.ui.messages[0].text.contains(named), qPrintable(run.ui.messages[0].text));
    QCOMPARE(QFileInfo(dir.backup()).isFile(), sessionCloseFails);
    QCOMPARE(run.calls, QStringList{"endResidentShell"});
    int stored = 0;
    QVERIFY(ctx.store.ReadStoreInteger(QStringLiteral("ModemCorrectionFactor"), QStringLiteral("Settings"), stored));
    QCOMPARE(stored, 17);
}

void TestStartup::unusableDataDirectory_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("named");  // what the message must name

    QTest::newRow("not a database") << "foreign store" << "store";
    QTest::newRow("a file in the way") << "file as directory" << "data";
    QTest::newRow("cannot be created") << "/proc/self/tallyline" << "/proc/self/tallyline";
    QTest::newRow("cannot be written") << "/proc/self" << "/proc/self";
    QTest::newRow("read-only directory") << "read-only" << "data";
}

void TestStartup::unusableDataDirectory()
{
    QFETCH(QString, setUp);
    QFETCH(QString, named);

    DataDir dir;
    QString dataDirectory = dir.path();
    QByteArray foreign;
    if (setUp == QLatin1String("foreign store")) {
        foreign = QByteArray("Not a database, but a letter to the bank.\n").repeated(200);
        WriteFile(dir.storeFile(), foreign);
    } else if (setUp == QLatin1String("file as directory")) {
        WriteFile(dir.path(), "plain file");
    } else if (setUp == QLatin1String("read-only")) {
        if (::geteuid() == 0)
            QSKIP("permissions do not stop root");
        QDir().mkpath(dir.path());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    } else {
        dataDirectory = setUp;
    }
    const QString expectedName = named == QLatin1String("store")  ? dir.storeFile()
                                 : named == QLatin1String("data") ? dir.path()
                                                                  : named;

    Run run(dataDirectory);
    QVERIFY(!run.start());
    QCOMPARE(run.startup->exitCode(), 1);
    QVERIFY(run.calls.isEmpty());
    QCOMPARE(run.ui.messages.size(), 1);
    QCOMPARE(run.ui.messages.at(0).kind, MessageKind::Error);
    QVERIFY2(run.ui.messages.at(0).text.contains(expectedName), qPrintable(run.ui.messages.at(0).text));
    if (!foreign.isEmpty())
        QCOMPARE(ReadFile(dir.storeFile()), foreign);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestStartup::automaticLogin_data()
{
    QTest::addColumn<int>("users");
    QTest::addColumn<bool>("autoLogon");
    QTest::addColumn<bool>("alwaysPrompt");
    QTest::addColumn<int>("previousUser");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("adminSession");
    QTest::addColumn<int>("currentUser");

    QTest::newRow("administrator logged in") << 2 << true << false << 1 << "loginUser" << true << 1;
    QTest::newRow("other user logged in") << 2 << true << false << 2 << "loginUser" << false << 2;
    QTest::newRow("always ask") << 2 << true << true << 1 << "showLoginForm" << false << 0;
    QTest::newRow("nobody before") << 2 << true << false << 0 << "showLoginForm" << false << 0;
    QTest::newRow("no automatic log-in") << 2 << false << false << 1 << "" << false << 0;
    QTest::newRow("no users: wizard") << 0 << true << false << 1 << "showWizardForm" << false << 0;
}

void TestStartup::automaticLogin()
{
    QFETCH(int, users);
    QFETCH(bool, autoLogon);
    QFETCH(bool, alwaysPrompt);
    QFETCH(int, previousUser);
    QFETCH(QString, action);
    QFETCH(bool, adminSession);
    QFETCH(int, currentUser);

    DataDir dir;
    Run run(dir.path());
    QVERIFY(run.start());
    AppContext &ctx = run.ctx();
    Settings &s = ctx.settings;
    s.NumberOfUsers = users;
    // The accounts the automatic log-in finds.
    for (int n = 1; n <= users; ++n)
        ctx.store.WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User%1").arg(n),
                                   QStringLiteral("User %1").arg(n));
    s.AutoLogonLastUser = autoLogon;
    s.AlwaysPromptPassword = alwaysPrompt;
    s.PreviousUser = previousUser;
    s.ShowSplashForm = false;
    ctx.login.AdminSession = !adminSession;
    run.calls.clear();

    InitialiseApplication(ctx);
    QStringList expected{"logOutUser"};
    if (!action.isEmpty())
        expected << action;
    QCOMPARE(run.calls, expected);
    if (autoLogon && users > 0)
        QCOMPARE(ctx.login.AdminSession, adminSession);
    QCOMPARE(ctx.login.CurrentUser, currentUser);
}

void TestStartup::monitorWindowPosition_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("expectedX");
    QTest::addColumn<int>("expectedY");

    QTest::newRow("on screen") << 1023 << 767 << 1023 << 767;
    QTest::newRow("right of the screen") << 1024 << 40 << 412 << 0;  // round(1024 / 2 - 200 / 2)
    QTest::newRow("below the screen") << 10 << 768 << 412 << 0;
}

void TestStartup::monitorWindowPosition()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, expectedX);
    QFETCH(int, expectedY);

    DataDir dir;
    Run run(dir.path());
    run.monitorWindowWidth = 200;
    {
        auto store = dir.openStore();
        store->WriteStoreInteger(QStringLiteral("TaskBarWindowX"), QStringLiteral("Settings"), x);
        store->WriteStoreInteger(QStringLiteral("TaskBarWindowY"), QStringLiteral("Settings"), y);
    }
    QVERIFY(run.start());
    const Settings &s = run.ctx().settings;
    QCOMPARE(QPoint(s.TaskBarWindowX, s.TaskBarWindowY), QPoint(expectedX, expectedY));
}

void TestStartup::plainPasswordsAreHashedAtStartUp()
{
    DataDir dir;
    PasswordHashCost cheap;
    cheap.opsLimit = 1;
    cheap.memLimit = 8192;
    const QString kept = HashPassword(QStringLiteral("kept"), cheap);
    {
        auto store = dir.openStore();
        SeedUsers(*store);
        store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 5);
        store->WriteStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User1"), QStringLiteral("Secret"));
        store->WriteStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User2"), QString());
        store->WriteStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User3"), kept);
        store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User4"), QStringLiteral("NoValue"));
        // User 5 is counted but has no record: none is made for it.
    }

    Run run(dir.path());
    QVERIFY(run.start());
    QVERIFY(run.ui.messages.isEmpty());
    Store &store = run.ctx().store;
    const auto password = [&store](int n) {
        return store.ReadStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User%1").arg(n));
    };
    // A plain password becomes its hash; none (empty or no value) stays none: only the empty one is accepted.
    const struct { int user; QString right, wrong; } hashed[] = {
        {1, QStringLiteral("Secret"), QStringLiteral("secret")}, {2, QString(), QStringLiteral(" ")},
        {4, QString(), QStringLiteral(" ")}};
    for (const auto &h : hashed) {
        QVERIFY2(IsPasswordHash(password(h.user)), qPrintable(password(h.user)));
        QVERIFY(PasswordMatches(password(h.user), h.right));
        QVERIFY(!PasswordMatches(password(h.user), h.wrong));
    }
    QCOMPARE(password(3), kept);
    QVERIFY(!store.keyExists(Store::hivePathOf(QStringLiteral("Users\\User5"))));
    QVERIFY(!testsupport::dumpTree(store).join(QLatin1Char('\n')).contains(QStringLiteral("Secret")));
    const QString first = password(1);
    run.startup.reset();

    // Done once: the next start leaves the hashes as they are.
    Run next(dir.path());
    QVERIFY(next.start());
    QCOMPARE(next.ctx().store.ReadStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User1")), first);
}

void TestStartup::dataDirectoryIsOwnerOnly_data()
{
    QTest::addColumn<int>("existingMode");  // 0: the directory does not exist yet
    QTest::addColumn<int>("umask");

    QTest::newRow("created, umask 000") << 0 << 0;
    QTest::newRow("created, umask 022") << 0 << 022;
    QTest::newRow("created, umask 002") << 0 << 002;
    QTest::newRow("existing 0755 kept") << 0755 << 0;
    QTest::newRow("existing 0750 kept") << 0750 << 022;
}

void TestStartup::dataDirectoryIsOwnerOnly()
{
    QFETCH(int, existingMode);
    QFETCH(int, umask);

    DataDir dir;
    const QString outer = dir.root.filePath(QStringLiteral("outer"));
    const QString data = outer + QStringLiteral("/inner/data");
    if (existingMode != 0) {
        QVERIFY(QDir().mkpath(data));
        QVERIFY(::chmod(QFile::encodeName(data).constData(), mode_t(existingMode)) == 0);
    }

    const mode_t previous = ::umask(mode_t(umask));
    Run run(data);
    const bool started = run.start();
    ::umask(previous);
    QVERIFY(started);
    QVERIFY(run.ui.messages.isEmpty());

    // A directory start-up made is its owner's alone; one it found keeps its mode.
    const QStringList made = existingMode != 0 ? QStringList() : QStringList{outer, outer + QStringLiteral("/inner")};
    for (const QString &path : made)
        QCOMPARE(modeOf(path), 0700);
    QCOMPARE(modeOf(data), existingMode != 0 ? existingMode : 0700);
    QCOMPARE(modeOf(data + QStringLiteral("/Tallyline.lock")), 0600);
    QCOMPARE(modeOf(data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName)), 0600);
    // What start-up put in there is its owner's alone, as well.
    QDirIterator it(data, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    int entries = 0;
    for (; it.hasNext(); ++entries) {
        const QString path = it.next();
        QVERIFY2((modeOf(path) & 077) == 0, qPrintable(QStringLiteral("%1 has mode %2").arg(path).arg(modeOf(path), 0, 8)));
    }
    QVERIFY(entries > 3);
}

TALLYLINE_ENGINE_TEST_MAIN(TestStartup)
#include "TestStartup.moc"

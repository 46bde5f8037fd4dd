#include "platform/InstanceLock.h"
#include "store/Store.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

// The built program itself, started as a separate process.
class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondProcessEndsSilently();
    void relaunchWaitsForTheClosingInstance();
    void terminationSignalExitsCleanly_data();
    void terminationSignalExitsCleanly();

private:
    static void startProgram(QProcess &process, const QString &dataDir, const QString &configHome,
                             const QStringList &extraArguments = {});
};

void TestProgram::startProgram(QProcess &process, const QString &dataDir, const QString &configHome,
                               const QStringList &extraArguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TALLYLINE_EXECUTABLE), QStringList{QStringLiteral("--data-dir"), dataDir} + extraArguments);
}

void TestProgram::secondProcessEndsSilently()
{
    QTemporaryDir dir;
    InstanceLock running(dir.path());
    QCOMPARE(running.acquire(), InstanceLock::Result::Acquired);

    QProcess second;
    startProgram(second, dir.path(), dir.filePath(QStringLiteral("config")));
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // It ended before touching anything.
    QVERIFY(!QFileInfo::exists(dir.filePath(QString::fromLatin1(Store::DefaultFileName))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("config"))));
}

void TestProgram::relaunchWaitsForTheClosingInstance()
{
    QTemporaryDir dir;
    InstanceLock closing(dir.path());
    QCOMPARE(closing.acquire(), InstanceLock::Result::Acquired);

    QProcess relaunched;
    startProgram(relaunched, dir.path(), dir.filePath(QStringLiteral("config")), {QStringLiteral("QuitReload")});
    QVERIFY(relaunched.waitForStarted());
    QTest::qWait(1000);
    QCOMPARE(relaunched.state(), QProcess::Running);  // still waiting, not gone
    closing.release();

    // The new instance takes the lock over and runs.
    const QString lockFile = dir.filePath(QStringLiteral("Tallyline.lock"));
    const auto lockOwner = [&lockFile] {
        QFile file(lockFile);
        return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
    };
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(), relaunched.processId(), 30000);
    ::kill(pid_t(relaunched.processId()), SIGTERM);
    QVERIFY(relaunched.waitForFinished(30000));
    QCOMPARE(relaunched.exitCode(), 0);
}

void TestProgram::terminationSignalExitsCleanly_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("withUser");
    QTest::newRow("SIGTERM") << int(SIGTERM) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
    // The wizard of a first run is closed unanswered: nothing worth a backup.
    QTest::newRow("SIGTERM, first run") << int(SIGTERM) << false;
}

void TestProgram::terminationSignalExitsCleanly()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, withUser);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString config = dir.filePath(QStringLiteral("config"));
    if (withUser) {
        QVERIFY(QDir().mkpath(data));
        const auto store = Store::open(data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName));
        store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
        store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"), QStringLiteral("Admin"));
        store->WriteStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings"), QStringLiteral("2"));
        store->WriteStoreBool(QStringLiteral("AutoLogonLastUser"), QStringLiteral("Settings"), false);
        store->WriteStoreBool(QStringLiteral("ShowSplashForm"), QStringLiteral("Settings"), false);
    }
    QProcess program;
    startProgram(program, data, config);
    QVERIFY(program.waitForStarted());
    // The lock exists once start-up is under way; a signal from then on is
    // acted on as soon as the program runs.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + QStringLiteral("/Tallyline.lock")), 30000);
    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/Tallyline Backup Database.reg")), withUser);
    QVERIFY(QFileInfo::exists(config + QStringLiteral("/autostart/tallyline.desktop")));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/Tallyline.lock")));
    const auto store = Store::open(data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName));
    QCOMPARE(store->ReadStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings")), QStringLiteral("2"));
}

TALLYLINE_TEST_MAIN(TestProgram)
#include "TestProgram.moc"

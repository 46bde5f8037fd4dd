#include "platform/InstanceLock.h"
#include "store/Store.h"
#include "support/FileMode.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <functional>

// The built program itself, started as a separate process.
class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondProcessEndsSilently();
    void relaunchWaitsForTheClosingInstance();
    void terminationSignalExitsCleanly_data();
    void terminationSignalExitsCleanly();
    void unusableLockFileIsTakenOver_data();
    void unusableLockFileIsTakenOver();
    void dataDirectoryIsPrivateUnderAnOpenUmask();

private:
    static void startProgram(QProcess &process, const QString &dataDir, const QString &configHome,
                             const QStringList &extraArguments = {}, const std::function<void()> &inChild = {});
    static qint64 lockOwner(const QString &dataDir);
    [[nodiscard]] static bool startAndTakeLock(QProcess &process, const QString &dataDir, const QString &configHome,
                                               const std::function<void()> &inChild = {});
    [[nodiscard]] static bool endsCleanly(QProcess &process, int signalNumber = 0);
};

void TestProgram::startProgram(QProcess &process, const QString &dataDir, const QString &configHome,
                               const QStringList &extraArguments, const std::function<void()> &inChild)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(QStringLiteral(TALLYLINE_EXECUTABLE), QStringList{QStringLiteral("--data-dir"), dataDir} + extraArguments);
}

// The process number the lock file names; 0 while there is none.
qint64 TestProgram::lockOwner(const QString &dataDir)
{
    QFile file(dataDir + QStringLiteral("/Tallyline.lock"));
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

// Starts the program and waits until its lock file names it.
bool TestProgram::startAndTakeLock(QProcess &process, const QString &dataDir, const QString &configHome,
                                   const std::function<void()> &inChild)
{
    startProgram(process, dataDir, configHome, {}, inChild);
    return process.waitForStarted()
           && QTest::qWaitFor([&] { return lockOwner(dataDir) == process.processId(); }, 30000);
}

// Sends the signal, if any, and waits for a normal exit with code 0.
bool TestProgram::endsCleanly(QProcess &process, int signalNumber)
{
    if (signalNumber != 0)
        ::kill(pid_t(process.processId()), signalNumber);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestProgram::secondProcessEndsSilently()
{
    QTemporaryDir dir;
    InstanceLock running(dir.path());
    QCOMPARE(running.acquire(), InstanceLock::Result::Acquired);

    QProcess second;
    startProgram(second, dir.path(), dir.filePath(QStringLiteral("config")));
    QVERIFY(endsCleanly(second));
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
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(dir.path()), relaunched.processId(), 30000);
    QVERIFY(endsCleanly(relaunched, SIGTERM));
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
    // The lock is taken once start-up is under way; a signal from then on is
    // acted on as soon as the program runs.
    QVERIFY(startAndTakeLock(program, data, config));
    QVERIFY(endsCleanly(program, signalNumber));

    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/Tallyline Backup Database.reg")), withUser);
    QVERIFY(QFileInfo::exists(config + QStringLiteral("/autostart/tallyline.desktop")));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/Tallyline.lock")));
    const auto store = Store::open(data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName));
    QCOMPARE(store->ReadStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings")), QStringLiteral("2"));
}

void TestProgram::unusableLockFileIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x01\x02 not a lock file at all\n");
    QTest::newRow("another host") << QByteArray::number(QCoreApplication::applicationPid())
                                         + "\ntallyline\nsomewhere-else.example\n";
}

void TestProgram::unusableLockFileIsTakenOver()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString config = dir.filePath(QStringLiteral("config"));
    const auto writeLockFile = [&data](const QByteArray &bytes) {
        QFile file(data + QStringLiteral("/Tallyline.lock"));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    };
    QVERIFY(QDir().mkpath(data));
    QVERIFY(writeLockFile(content));

    QProcess first;
    QVERIFY(startAndTakeLock(first, data, config));
    QCOMPARE(first.state(), QProcess::Running);

    // A running instance keeps its lock, whatever its file says by now.
    for (const QByteArray &garbled : {QByteArray(), content, QByteArray("garbled\n")}) {
        QVERIFY(writeLockFile(garbled));
        QProcess second;
        startProgram(second, data, config);
        QVERIFY(endsCleanly(second));
        QCOMPARE(first.state(), QProcess::Running);
    }

    QVERIFY(endsCleanly(first, SIGTERM));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/Tallyline.lock")));
}

void TestProgram::dataDirectoryIsPrivateUnderAnOpenUmask()
{
    QTemporaryDir dir;
    const QString outer = dir.filePath(QStringLiteral("outer"));
    const QString data = outer + QStringLiteral("/data");
    const QString config = dir.filePath(QStringLiteral("config"));
    QProcess program;
    QVERIFY(startAndTakeLock(program, data, config, [] { ::umask(0); }));
    // The lock is taken before the database exists; wait for that too.
    const QString storeFile = data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(storeFile), 30000);

    using testsupport::modeOf;
    QCOMPARE(modeOf(outer), 0700);
    QCOMPARE(modeOf(data), 0700);
    QCOMPARE(modeOf(data + QStringLiteral("/Tallyline.lock")), 0600);
    QCOMPARE(modeOf(storeFile), 0600);
    QVERIFY(endsCleanly(program, SIGTERM));
}

TALLYLINE_ENGINE_TEST_MAIN(TestProgram)
#include "TestProgram.moc"

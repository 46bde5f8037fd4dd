#include "platform/InstanceLock.h"
#include "store/Store.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/stat.h>

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

void TestProgram::unusableLockFileIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x01\x02 not a lock file at all\n", 29);
    QTest::newRow("another host") << QByteArray::number(QCoreApplication::applicationPid())
                                         + "\ntallyline\nsomewhere-else.example\n";
}

void TestProgram::unusableLockFileIsTakenOver()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString config = dir.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(data));
    {
        QFile left(data + QStringLiteral("/Tallyline.lock"));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write(content);
    }

    QProcess first;
    startProgram(first, data, config);
    QVERIFY(first.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(data), first.processId(), 30000);
    QCOMPARE(first.state(), QProcess::Running);

    // A running instance keeps its lock, whatever its file says by now.
    for (const QByteArray &garbled : {QByteArray(), content, QByteArray("garbled\n")}) {
        QFile lockFile(data + QStringLiteral("/Tallyline.lock"));
        QVERIFY(lockFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lockFile.write(garbled);
        lockFile.close();

        QProcess second;
        startProgram(second, data, config);
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
    }

    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/Tallyline.lock")));
}

void TestProgram::dataDirectoryIsPrivateUnderAnOpenUmask()
{
    QTemporaryDir dir;
    const QString outer = dir.filePath(QStringLiteral("outer"));
    const QString data = outer + QStringLiteral("/data");
    const QString config = dir.filePath(QStringLiteral("config"));
    QProcess program;
    startProgram(program, data, config, {}, [] { ::umask(0); });
    QVERIFY(program.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(data), program.processId(), 30000);
    // The lock is taken before the database exists; wait for that too.
    const QString storeFile = data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(storeFile), 30000);

    const auto mode = [](const QString &path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    QCOMPARE(mode(outer), 0700);
    QCOMPARE(mode(data), 0700);
    QCOMPARE(mode(data + QStringLiteral("/Tallyline.lock")), 0600);
    QCOMPARE(mode(storeFile), 0600);

    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
}

TALLYLINE_TEST_MAIN(TestProgram)
#include "TestProgram.moc"

#include "platform/InstanceLock.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <QSysInfo>

#include <thread>
#include <unistd.h>

class TestInstanceLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondLockFailsUntilReleased();
    void lockOfDeadProcessIsTakenOver();
    void oldLockOfLivingProcessHolds();
    void waitingSeesTheLockReleased();
    void unreadableOrForeignLockIsTakenOver_data();
    void unreadableOrForeignLockIsTakenOver();
    void liveHolderKeepsItsLockWhateverItSays_data();
    void liveHolderKeepsItsLockWhateverItSays();
    void unwritableDirectoryFails_data();
    void unwritableDirectoryFails();
};

void TestInstanceLock::secondLockFailsUntilReleased()
{
    QTemporaryDir dir;
    InstanceLock first(dir.path());
    InstanceLock second(dir.path());
    QCOMPARE(first.acquire(), InstanceLock::Result::Acquired);
    QCOMPARE(second.acquire(), InstanceLock::Result::HeldByAnother);
    QCOMPARE(second.acquire(50), InstanceLock::Result::HeldByAnother);
    first.release();
    QCOMPARE(second.acquire(), InstanceLock::Result::Acquired);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Tallyline.lock"))));
}

void TestInstanceLock::lockOfDeadProcessIsTakenOver()
{
    QTemporaryDir dir;
    // A process that has ended: its number names no running program.
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"), {});
    QVERIFY(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished());

    // A fresh file, so that only the owner's death can make it stale.
    QFile stale(dir.filePath(QStringLiteral("Tallyline.lock")));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(deadPid) + "\ntallyline\n\n");
    stale.close();

    InstanceLock lock(dir.path());
    QCOMPARE(lock.acquire(), InstanceLock::Result::Acquired);
}

void TestInstanceLock::oldLockOfLivingProcessHolds()
{
    QTemporaryDir dir;
    QProcess running;
    running.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
    QVERIFY(running.waitForStarted());

    QFile lockFile(dir.filePath(QStringLiteral("Tallyline.lock")));
    QVERIFY(lockFile.open(QIODevice::WriteOnly));
    lockFile.write(QByteArray::number(running.processId()) + "\nsleep\n\n");
    lockFile.flush();
    // An instance that has been running for a day.
    lockFile.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    lockFile.close();

    InstanceLock lock(dir.path());
    QCOMPARE(lock.acquire(), InstanceLock::Result::HeldByAnother);
    running.kill();
    running.waitForFinished();
}

void TestInstanceLock::waitingSeesTheLockReleased()
{
    QTemporaryDir dir;
    auto holder = std::make_unique<InstanceLock>(dir.path());
    QCOMPARE(holder->acquire(), InstanceLock::Result::Acquired);
    std::thread closing([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder->release();
    });
    InstanceLock relaunched(dir.path());
    const InstanceLock::Result result = relaunched.acquire(10000);
    closing.join();
    QCOMPARE(result, InstanceLock::Result::Acquired);
}

namespace {

QByteArray firstLine(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray();
}

void overwrite(const QString &path, const QByteArray &content)
{
    // Same file, new content: a live owner's flock() stays on it.
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

// Lock file contents whose owner cannot be told, or is on another host.
void unusableContents()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage text") << QByteArray("this is not a lock\n");
    QTest::newRow("binary") << QByteArray("\x00\xff\x13\x37\n\x00", 6);
    QTest::newRow("no process number") << QByteArray("\ntallyline\n") + QSysInfo::machineHostName().toUtf8() + "\n";
    QTest::newRow("other host, living number") << pid + "\ntallyline\nsomewhere-else.example\n";
}

} // namespace

void TestInstanceLock::unreadableOrForeignLockIsTakenOver_data()
{
    unusableContents();
}

void TestInstanceLock::unreadableOrForeignLockIsTakenOver()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tallyline.lock"));
    {
        QFile left(path);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write(content);
    }
    InstanceLock lock(dir.path());
    QCOMPARE(lock.acquire(), InstanceLock::Result::Acquired);
    QCOMPARE(firstLine(path), QByteArray::number(QCoreApplication::applicationPid()));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".rmlock")));

    // And it is an ordinary lock from then on.
    InstanceLock second(dir.path());
    QCOMPARE(second.acquire(), InstanceLock::Result::HeldByAnother);
}

void TestInstanceLock::liveHolderKeepsItsLockWhateverItSays_data()
{
    unusableContents();
}

void TestInstanceLock::liveHolderKeepsItsLockWhateverItSays()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    InstanceLock running(dir.path());
    QCOMPARE(running.acquire(), InstanceLock::Result::Acquired);
    overwrite(running.filePath(), content);

    InstanceLock second(dir.path());
    QCOMPARE(second.acquire(), InstanceLock::Result::HeldByAnother);
    QCOMPARE(second.acquire(300), InstanceLock::Result::HeldByAnother);
    QVERIFY(running.isHeld());
    QVERIFY(QFileInfo::exists(running.filePath()));

    running.release();
    QCOMPARE(second.acquire(), InstanceLock::Result::Acquired);
}

void TestInstanceLock::unwritableDirectoryFails_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("needsNonRoot");
    QTest::newRow("proc") << "/proc/self" << false;
    QTest::newRow("read-only directory") << "" << true;
}

void TestInstanceLock::unwritableDirectoryFails()
{
    QFETCH(QString, directory);
    QFETCH(bool, needsNonRoot);
    if (needsNonRoot && ::geteuid() == 0)
        QSKIP("permissions do not stop root");
    QTemporaryDir temp;
    if (directory.isEmpty()) {
        directory = temp.filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(directory));
        QFile::setPermissions(directory, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    InstanceLock lock(directory);
    QCOMPARE(lock.acquire(), InstanceLock::Result::Failed);
    QFile::setPermissions(directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TALLYLINE_ENGINE_TEST_MAIN(TestInstanceLock)
#include "TestInstanceLock.moc"

#include "store/FloatText.h"
#include "store/Store.h"
#include "support/DatabaseFaults.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"
#include "tariff/TariffKeys.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

// The built program as a user runs it: a store with one user and a tariff,
// a simulated line driven from outside, a termination signal at the end.
class TestProgramSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionRecordedAndPricedByTheRunningProgram();
    void sessionFinishedOnceAnotherProgramLetsGoOfTheDatabase();
    void terminatedWithAFullDiskEndsWithoutABox();
};

namespace {
using testsupport::RunningProgram;
constexpr double CostPerMinute = RunningProgram::CostPerMinute;

int companion(const QString &dataDir, const QStringList &request, QString *output = nullptr)
{
    return testsupport::runLineCompanion(QStringLiteral(TALLYLINE_EXECUTABLE), dataDir, request, output);
}

// Whether the running program reports this line in its status.
bool statusShows(const QString &dataDir, const char *line)
{
    QString status;
    return companion(dataDir, {QStringLiteral("status")}, &status) == 0 && status.contains(QLatin1String(line));
}

// The day key of the one day that has sessions, "" when there is none.
QString onlySessionDay(Store &store)
{
    const QString sessions = TariffKeys::user(1) + QStringLiteral("\\Sessions");
    const QStringList days = store.subkeyNames(Store::hivePathOf(sessions));
    return days.size() == 1 ? sessions + QLatin1Char('\\') + days[0] : QString();
}

// Session1 as stored: its time online and the moment of its last write.
struct StoredSession {
    double timeOnline = 0;
    double end = 0;
};

StoredSession storedSession(const QString &databaseFile)
{
    auto store = Store::open(databaseFile);
    const QString day = onlySessionDay(*store);
    if (day.isEmpty())
        return {};
    return {store->ReadStoreFloat(QStringLiteral("Session1-Time Online"), day),
            store->ReadStoreFloat(QStringLiteral("Session1-End Date"), day)
                + store->ReadStoreFloat(QStringLiteral("Session1-End Time"), day)};
}

// The values of a later write: a later end, no less time online.
bool writtenLater(const StoredSession &before, const StoredSession &after)
{
    return after.end > before.end && after.timeOnline >= before.timeOnline;
}

// The same, from a copy of the database and its log taken from directory
// (SQLite resolves the /proc/<pid>/root link, so it cannot open the file
// in place). Taken while the program does not write.
StoredSession copiedSession(const QString &directory, const QString &scratch)
{
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);
    for (const char *suffix : {"", "-wal"}) {
        const QString name = QString::fromLatin1(Store::DefaultFileName) + QLatin1String(suffix);
        if (QFile::exists(QDir(directory).filePath(name)))
            QFile::copy(QDir(directory).filePath(name), QDir(scratch).filePath(name));
    }
    return storedSession(QDir(scratch).filePath(QString::fromLatin1(Store::DefaultFileName)));
}
} // namespace

void TestProgramSession::sessionRecordedAndPricedByTheRunningProgram()
{
    RunningProgram p;
    QVERIFY(p.start());
    QCOMPARE(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"));

    QCOMPARE(p.request({QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("SessionOpen")), QStringLiteral("1"), 10000);
    QTest::qWait(3000);
    QCOMPARE(p.request({QStringLiteral("drop")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"), 10000);
    QVERIFY(p.stop());

    auto store = p.openStore();
    const QString sessions = TariffKeys::user(1) + QStringLiteral("\\Sessions");
    const QStringList days = store->subkeyNames(Store::hivePathOf(sessions));
    QCOMPARE(days.size(), 1);
    const QString dayKey = sessions + QLatin1Char('\\') + days[0];
    int count = 0;
    QVERIFY(store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, count));
    QCOMPARE(count, 1);

    const double seconds = store->ReadStoreFloat(QStringLiteral("Session1-Time Online"), dayKey);
    const double cost = store->ReadStoreFloat(QStringLiteral("Session1-Cost"), dayKey);
    // Three seconds online and more, the modem correction (10 s) included;
    // the drop is seen within a second and a half.
    QVERIFY2(seconds >= 13 && seconds <= 20, qPrintable(QString::number(seconds)));
    QVERIFY2(qAbs(cost - seconds * CostPerMinute / 60) < 1e-9,
             qPrintable(QStringLiteral("%1 s cost %2").arg(seconds).arg(cost)));
    // The record is closed: it ends on the day it started or the next.
    const double start = store->ReadStoreFloat(QStringLiteral("Session1-Start Time"), dayKey);
    const double endDate = store->ReadStoreFloat(QStringLiteral("Session1-End Date"), dayKey);
    QCOMPARE(std::floor(start), SafeStrToFloat(days[0]));
    QVERIFY(endDate - std::floor(start) == 0 || endDate - std::floor(start) == 1);
}

// Another program takes the database's write lock while a session runs and
// lets go only after the line has dropped: the program keeps running, the
// session closes on time, and its final values are written once the lock
// goes.
void TestProgramSession::sessionFinishedOnceAnotherProgramLetsGoOfTheDatabase()
{
    RunningProgram p;
    const QString data = p.dataDirectory();
    const QString database = p.databasePath();
    QVERIFY(p.start());

    QCOMPARE(companion(data, {QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionOpen: 1\n"), 10000);
    // The record is there (the modem correction alone gives 11 s) before the lock.
    QTRY_VERIFY_WITH_TIMEOUT(storedSession(database).timeOnline >= 11, 10000);

    testsupport::WriteLockHolder lock(database);
    QVERIFY2(lock.isHeld(), qPrintable(lock.error()));
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionRecordWritesPending: 1\n"), 10000);
    const StoredSession whileLocked = storedSession(database);
    QCOMPARE(companion(data, {QStringLiteral("drop")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionOpen: 0\n"), 10000);
    QVERIFY(statusShows(data, "SessionRecordWritesPending: 1\n"));
    QCOMPARE(storedSession(database).end, whileLocked.end);

    lock.release();
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionRecordWritesPending: 0\n"), 10000);
    const double final = storedSession(database).timeOnline;
    QVERIFY(writtenLater(whileLocked, storedSession(database)));

    QVERIFY(p.stop());

    auto store = Store::open(database);
    const QString day = onlySessionDay(*store);
    QVERIFY(!day.isEmpty());
    int count = 0;
    QVERIFY(store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), day, count));
    QCOMPARE(count, 1);
    QCOMPARE(store->ReadStoreFloat(QStringLiteral("Session1-Time Online"), day), final);
    QVERIFY(qAbs(store->ReadStoreFloat(QStringLiteral("Session1-Cost"), day) - final * CostPerMinute / 60) < 1e-9);
}

// The data directory on a small file system of its own (a tmpfs in a user
// and mount namespace) that the test fills. A line drop on the full disk
// closes the session, whose values are written once there is space again;
// a termination signal on a full disk ends the program at once, its
// failures on stderr, no box waiting for an answer.
void TestProgramSession::terminatedWithAFullDiskEndsWithoutABox()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty())
        QSKIP("unshare is not installed");
    if (QProcess::execute(unshare, {QStringLiteral("-rm"), QStringLiteral("true")}) != 0)
        QSKIP("no user and mount namespaces for an unprivileged process here");

    QTemporaryDir dir;
    const QString seed = dir.filePath(QStringLiteral("seed"));
    const QString data = dir.filePath(QStringLiteral("data"));
    RunningProgram::seedDataDirectory(seed);
    QVERIFY(QDir().mkpath(data));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(env);
    // unshare and sh replace themselves: the signal reaches the program.
    program.start(unshare, {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("mount -t tmpfs -o size=2m tmpfs \"$1\" && cp -a \"$2\"/. \"$1\"/ "
                                           "&& exec \"$3\" --data-dir \"$1\" --line simulated"),
                            QStringLiteral("sh"), data, seed, QStringLiteral(TALLYLINE_EXECUTABLE)});
    QVERIFY(program.waitForStarted());
    auto stop = qScopeGuard([&] {
        ::kill(pid_t(program.processId()), SIGKILL);
        program.waitForFinished(30000);
    });

    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionOpen: 0\n"), 30000);
    // The program's own view of its data directory: the small file system.
    const QString inside = QStringLiteral("/proc/%1/root%2").arg(program.processId()).arg(data);
    const QString scratch = dir.filePath(QStringLiteral("copy"));
    QVERIFY(QFile::exists(QDir(inside).filePath(QString::fromLatin1(Store::DefaultFileName))));
    QCOMPARE(companion(data, {QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionOpen: 1\n"), 10000);

    // Writes until the file system says no; true when it took something.
    const auto fillDisk = [&inside] {
        QFile filler(QDir(inside).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        qint64 written = 0;
        while (filler.write(block) == block.size())
            written += block.size();
        return written > 0;
    };
    QVERIFY(fillDisk());
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionRecordWritesPending: 1\n"), 10000);
    const StoredSession whileFull = copiedSession(inside, scratch);
    QVERIFY(whileFull.timeOnline >= 11);
    QCOMPARE(companion(data, {QStringLiteral("drop")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionOpen: 0\n"), 10000);
    QVERIFY(statusShows(data, "SessionRecordWritesPending: 1\n"));

    QVERIFY(QFile::remove(QDir(inside).filePath(QStringLiteral("filler"))));
    QTRY_VERIFY_WITH_TIMEOUT(statusShows(data, "SessionRecordWritesPending: 0\n"), 10000);
    QVERIFY(writtenLater(whileFull, copiedSession(inside, scratch)));

    // Full again: the exit cannot store the settings.
    QVERIFY(fillDisk());
    stop.dismiss();
    QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
    QVERIFY2(program.waitForFinished(20000), "the program did not end on SIGTERM");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    // Storing the settings failed, said on one line.
    QVERIFY2(errors.contains(QRegularExpression(QStringLiteral("^Tallyline: [^\\n]*WriteSettingsToDatabase[^\\n]*disk is full"),
                                                QRegularExpression::MultilineOption)),
             qPrintable(errors));
}

TALLYLINE_ENGINE_TEST_MAIN(TestProgramSession)
#include "TestProgramSession.moc"

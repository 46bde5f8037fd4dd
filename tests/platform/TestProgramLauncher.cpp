#include "platform/ProgramLauncher.h"
#include "support/TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>

namespace {

bool running(qint64 pid)
{
    return LinuxProgramLauncher::processStartTime(pid) != 0;
}

} // namespace

class TestProgramLauncher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startedProgramIsAskedToQuit();
    void noSignalToAnotherProcessWithTheSameId();
    void endedProgramIsNotSignalled();
    void startsInItsWorkingDirectoryWithoutShell();
    void missingProgramDoesNotStart();
};

void TestProgramLauncher::startedProgramIsAskedToQuit()
{
    LinuxProgramLauncher launcher;
    const LaunchedProcess p = launcher.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, QString());
    QVERIFY(p.isValid());
    QVERIFY(p.startTime != 0);
    QVERIFY(running(p.pid));
    QVERIFY(launcher.requestQuit(p));
    QTRY_VERIFY_WITH_TIMEOUT(!running(p.pid), 5000);
    // Gone now: a second request sends nothing.
    QVERIFY(!launcher.requestQuit(p));
}

void TestProgramLauncher::noSignalToAnotherProcessWithTheSameId()
{
    LinuxProgramLauncher launcher;
    const LaunchedProcess p = launcher.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, QString());
    QVERIFY(p.isValid());
    // The same id with another start time stands for a process that took
    // over the id of one that ended.
    LaunchedProcess other = p;
    other.startTime = p.startTime + 1;
    QVERIFY(!launcher.requestQuit(other));
    other.startTime = 0;
    QVERIFY(!launcher.requestQuit(other));
    QTest::qWait(200);
    QVERIFY(running(p.pid));
    ::kill(pid_t(p.pid), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!running(p.pid), 5000);
}

void TestProgramLauncher::endedProgramIsNotSignalled()
{
    LinuxProgramLauncher launcher;
    const LaunchedProcess p = launcher.start(QStringLiteral("/bin/true"), {}, QString());
    QVERIFY(p.isValid());
    QTRY_VERIFY_WITH_TIMEOUT(!running(p.pid), 5000);
    QVERIFY(!launcher.requestQuit(p));
    QVERIFY(!launcher.requestQuit(LaunchedProcess{}));
}

void TestProgramLauncher::startsInItsWorkingDirectoryWithoutShell()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LinuxProgramLauncher launcher;
    // The argument reaches the program as one word; no shell expands it.
    const QString marker = QStringLiteral("$HOME;`touch x`");
    const LaunchedProcess p = launcher.start(QStringLiteral("/bin/sh"),
                                             {QStringLiteral("-c"), QStringLiteral("pwd > out; printf %s \"$1\" >> out"),
                                              QStringLiteral("sh"), marker},
                                             dir.path());
    QVERIFY(p.isValid());
    QFile out(dir.filePath(QStringLiteral("out")));
    QTRY_VERIFY_WITH_TIMEOUT(out.exists() && out.size() > 0 && !running(p.pid), 5000);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(out.readAll());
    QCOMPARE(text, QDir(dir.path()).canonicalPath() + QLatin1Char('\n') + marker);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x"))));
}

void TestProgramLauncher::missingProgramDoesNotStart()
{
    LinuxProgramLauncher launcher;
    QVERIFY(!launcher.start(QStringLiteral("/nonexistent/program"), {}, QString()).isValid());
    QVERIFY(!launcher.start(QString(), {}, QString()).isValid());
    QCOMPARE(LinuxProgramLauncher::processStartTime(0), quint64(0));
    QCOMPARE(LinuxProgramLauncher::processStartTime(-1), quint64(0));
}

TALLYLINE_ENGINE_TEST_MAIN(TestProgramLauncher)
#include "TestProgramLauncher.moc"

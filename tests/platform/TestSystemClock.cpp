#include "platform/SystemClock.h"
#include "support/TestMain.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

class TestSystemClock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusalIsReportedNotSuccess();
    void fakeRecordsAndMovesTheFakeClock();
};

// The real clock is only asked from a child in a fresh user namespace: there
// the kernel refuses to set the time whatever our privileges outside, so the
// machine's clock cannot change. The time asked for is the present one, so
// that even a kernel that let it through would move nothing.
void TestSystemClock::refusalIsReportedNotSuccess()
{
    int pipeFds[2];
    QVERIFY(::pipe(pipeFds) == 0);
    const QDateTime moment = QDateTime::currentDateTime();
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::unshare(CLONE_NEWUSER) != 0)
            ::_exit(3);
        LinuxSystemClock clock;
        QString error;
        const bool set = clock.setLocalTime(moment, &error);
        const QByteArray text = error.toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], text.constData(), size_t(text.size()));
        ::_exit(set ? 1 : 0);
    }
    ::close(pipeFds[1]);
    QByteArray reported;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        reported.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        QSKIP("user namespaces are not available here");
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY2(QString::fromUtf8(reported).contains(QStringLiteral("not allowed")), reported.constData());
    QVERIFY(QString::fromUtf8(reported).contains(QStringLiteral("CAP_SYS_TIME")));
}

void TestSystemClock::fakeRecordsAndMovesTheFakeClock()
{
    FakeClock clock(QDateTime(QDate(2001, 1, 1), QTime(12, 0)));
    FakeSystemClock system(&clock);
    const QDateTime target(QDate(2001, 1, 1), QTime(11, 55));
    QString error;
    QVERIFY(system.setLocalTime(target, &error));
    QCOMPARE(clock.now(), target);
    system.refuse = true;
    QVERIFY(!system.setLocalTime(QDateTime(QDate(2002, 1, 1), QTime(0, 0)), &error));
    QCOMPARE(error, system.refusalText);
    QCOMPARE(clock.now(), target);
    QCOMPARE(system.requests.size(), 2);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSystemClock)
#include "TestSystemClock.moc"

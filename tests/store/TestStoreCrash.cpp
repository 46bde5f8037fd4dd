#include "session/SessionRecords.h"
#include "store/Store.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/types.h>

// A writer killed with SIGKILL at random moments, again and again: each time
// the database must open, pass the integrity check and hold every
// transaction the writer reported as committed, whole.
class TestStoreCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLosesNoCommittedWrite();
    void sessionCountNeverCommittedWithoutItsRecord();
};

namespace {

// The last complete line of the writer's output: the last commit it reported.
int lastReported(const QByteArray &output)
{
    const qsizetype end = output.lastIndexOf('\n');
    if (end < 0)
        return 0;
    const qsizetype start = output.lastIndexOf('\n', end - 1) + 1;
    bool ok = false;
    const int n = output.mid(start, end - start).toInt(&ok);
    return ok ? n : 0;
}

} // namespace

void TestStoreCrash::killedWriterLosesNoCommittedWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Tallyline.sqlite"));
    QRandomGenerator random(20261208);
    constexpr int Kills = 32;
    QElapsedTimer total;
    total.start();
    int reported = 0;
    int checkedUpTo = 0;
    int kills = 0;
    while (kills < Kills && total.elapsed() < 40000) {
        QProcess writer;
        writer.start(QStringLiteral(TALLYLINE_STORE_HELPER), {QStringLiteral("write"), path});
        QVERIFY2(writer.waitForStarted(5000), qPrintable(writer.errorString()));
        // Now and then kill it while it is still opening (or creating) the
        // database; otherwise once it has committed something.
        if (kills % 8 != 0)
            writer.waitForReadyRead(5000);
        QThread::usleep(random.bounded(1000, 40000));
        QVERIFY(writer.state() == QProcess::Running);
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(5000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        ++kills;
        const int now = lastReported(writer.readAllStandardOutput());
        if (now > 0) {
            QVERIFY2(now > reported, "the writer went backwards");
            reported = now;
        }

        std::unique_ptr<Store> store;
        try {
            store = Store::open(path);
        } catch (const StoreOpenError &e) {
            QFAIL(qPrintable(QStringLiteral("after kill %1: %2").arg(kills).arg(e.message())));
        }
        QCOMPARE(store->integrityCheck(), QStringLiteral("ok"));
        int last = 0;
        int check = 0;
        store->ReadStoreInteger(QStringLiteral("Last"), QStringLiteral("Crash"), last);
        store->ReadStoreInteger(QStringLiteral("Check"), QStringLiteral("Crash"), check);
        // One transaction may have committed after the last number was printed.
        QVERIFY2(last == reported || last == reported + 1,
                 qPrintable(QStringLiteral("reported %1, stored %2").arg(reported).arg(last)));
        reported = last;
        // Each transaction is whole: its values agree with each other.
        QCOMPARE(check, last);
        if (last > 0) {
            QCOMPARE(store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("Crash")), last * 0.01);
        }
        for (int n = checkedUpTo + 1; n <= last; ++n) {
            const QString text = store->ReadStoreString(QStringLiteral("C%1").arg(n), QStringLiteral("Crash\\Log\\%1").arg(n / 500));
            QCOMPARE(text, QStringLiteral("commit %1").arg(n));
        }
        // A write that was never committed is not there either.
        QCOMPARE(store->ReadStoreString(QStringLiteral("C%1").arg(last + 1), QStringLiteral("Crash\\Log\\%1").arg((last + 1) / 500)),
                 QString());
        checkedUpTo = last;
    }
    QVERIFY2(kills >= 25, qPrintable(QStringLiteral("only %1 kills in the time allowed").arg(kills)));
    QVERIFY2(reported > kills, "the writer hardly committed anything");
    // Earlier commits are still all there at the end.
    std::unique_ptr<Store> store = Store::open(path);
    for (int n = 1; n <= reported; ++n)
        QCOMPARE(store->ReadStoreString(QStringLiteral("C%1").arg(n), QStringLiteral("Crash\\Log\\%1").arg(n / 500)),
                 QStringLiteral("commit %1").arg(n));
    qInfo("%d kills, %d commits checked", kills, reported);
}

// A program killed while it opens a session: whatever it committed, the
// day's count never names a session without values (a hole that would push
// the next session one number further).
void TestStoreCrash::sessionCountNeverCommittedWithoutItsRecord()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Tallyline.sqlite"));
    {
        std::unique_ptr<Store> store = Store::open(path);
        testsupport::TariffSeed(*store, 1)
            .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
            .weekBands(1, {{0, 1439, 0.6, 0, 0}});
    }
    QProcess opener;
    opener.start(QStringLiteral(TALLYLINE_STORE_HELPER), {QStringLiteral("open-session"), path});
    QVERIFY2(opener.waitForFinished(30000), qPrintable(opener.errorString()));
    // It was killed at the commit that first held a count, not before.
    QVERIFY2(opener.exitStatus() == QProcess::CrashExit, opener.readAllStandardOutput().constData());

    std::unique_ptr<Store> store = Store::open(path);
    const QString dayKey = SessionDayKey(1, DateTimeFromQDate(QDate(2001, 1, 10)));
    int count = 0;
    QVERIFY(store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, count));
    QCOMPARE(count, 1);
    for (const int field : {SessionStartTime, SessionEndTime, SessionEndDate, SessionTimeOnline, SessionCost})
        QVERIFY2(!store->ReadStoreString(SessionValueName(1, field), dayKey).isEmpty(),
                 qPrintable(SessionValueName(1, field)));
    QCOMPARE(store->ReadStoreString(QStringLiteral("Session1-Connection"), dayKey), QStringLiteral("Default"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestStoreCrash)
#include "TestStoreCrash.moc"

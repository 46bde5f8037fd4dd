#include "support/SessionWalk.h"
#include "support/TestMain.h"

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

using namespace testsupport;

// The program ends, as in a crash or a power cut, just before each write
// (and each sync) of one whole session in turn, and starts again on what it
// left. Each time the database opens sound, holds no half session and no
// hole in the numbering, keeps every second it had committed, and the next
// session goes on after it.
class TestStoreCrashWalk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KeepWalksInMemory(); }
    void crashBeforeEveryWriteOfASession_data();
    void crashBeforeEveryWriteOfASession();
};

namespace {

struct ChildRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::NormalExit;
    int committedSessions = 0;
    int committedSeconds = 0;
    int writes = 0;
    int syncs = 0;
    QString output;
};

ChildRun runChild(const QString &database, const char *op, int at)
{
    ChildRun run;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(TALLYLINE_SESSION_CRASH_HELPER),
                {database, QLatin1String(op), QString::number(at)});
    if (!child.waitForFinished(60000)) {
        run.output = child.errorString();
        child.kill();
        child.waitForFinished();
        return run;
    }
    run.exitCode = child.exitCode();
    run.status = child.exitStatus();
    run.output = QString::fromLocal8Bit(child.readAllStandardOutput());
    for (const QString &line : run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("step")) {
            run.committedSessions = words[1].toInt();
            run.committedSeconds = words[2].toInt();
        } else if (words.size() == 4 && words[0] == QLatin1String("writes")) {
            run.writes = words[1].toInt();
            run.syncs = words[3].toInt();
        }
    }
    return run;
}

} // namespace

void TestStoreCrashWalk::crashBeforeEveryWriteOfASession_data()
{
    QTest::addColumn<QByteArray>("op");
    QTest::newRow("before a write") << QByteArray("write");
    QTest::newRow("before a sync") << QByteArray("sync");
}

void TestStoreCrashWalk::crashBeforeEveryWriteOfASession()
{
    QFETCH(QByteArray, op);

    QTemporaryDir first;
    QVERIFY(first.isValid());
    const ChildRun whole = runChild(first.filePath(QStringLiteral("Tallyline.sqlite")), op.constData(), 0);
    QVERIFY2(whole.status == QProcess::NormalExit && whole.exitCode == 0, qPrintable(whole.output));
    QCOMPARE(whole.committedSessions, 1);
    QVERIFY(whole.committedSeconds > 10);
    const int points = op == "write" ? whole.writes : whole.syncs;
    QVERIFY2(points > 0, qPrintable(whole.output));

    QMap<int, int> restartsBySessionsFound;
    for (int n = 1; n <= points; ++n) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString database = dir.filePath(QStringLiteral("Tallyline.sqlite"));
        const ChildRun crashed = runChild(database, op.constData(), n);
        const QString point = QStringLiteral("crash %1 %2 of %3").arg(QLatin1String(op)).arg(n).arg(points);
        QVERIFY2(crashed.status == QProcess::NormalExit && crashed.exitCode == CrashStatus,
                 qPrintable(point + QStringLiteral(": ") + crashed.output));

        // Started again on what the crash left.
        const StoredSessions left = ReadStoredSessions(database);
        QCOMPARE(left.integrity, QStringLiteral("ok"));
        const int found = left.count;
        QVERIFY2(found >= crashed.committedSessions && found <= 1,
                 qPrintable(point + QStringLiteral(": %1 sessions after %2 committed").arg(found).arg(crashed.committedSessions)));
        QVERIFY2(left.missing.isEmpty(), qPrintable(point + QLatin1Char(' ') + left.missing.join(QLatin1Char(' '))));
        if (found == 1)
            QVERIFY2(left.secondsOnline.first() >= crashed.committedSeconds,
                     qPrintable(point + QStringLiteral(": %1 seconds kept of %2 committed")
                                            .arg(left.secondsOnline.first()).arg(crashed.committedSeconds)));
        ++restartsBySessionsFound[found];

        TickingShell again(database);
        again.logIn();
        WalkOneSession(again);
        QVERIFY2(again.ui.messages.isEmpty(), qPrintable(point + again.ui.texts().join(QLatin1Char('\n'))));
        const StoredSessions after = ReadStoredSessions(database);
        QCOMPARE(after.integrity, QStringLiteral("ok"));
        QCOMPARE(after.count, found + 1);
        QVERIFY(after.missing.isEmpty());
        QCOMPARE(after.secondsOnline.mid(0, found), left.secondsOnline);
        QCOMPARE(after.secondsOnline.last(), double(whole.committedSeconds));
    }
    qInfo("%s: %d crashes walked; the restart found no session %d times and one session %d times", op.constData(),
          points, restartsBySessionsFound.value(0), restartsBySessionsFound.value(1));
}

TALLYLINE_ENGINE_TEST_MAIN(TestStoreCrashWalk)
#include "TestStoreCrashWalk.moc"

#include "store/RegFile.h"
#include "support/SessionWalk.h"
#include "support/TestMain.h"

#include <QFile>
#include <QMap>

using namespace testsupport;

// The file system fails once under one whole session, at each of its reads,
// writes and syncs in turn. Whatever failed, the program says so at most
// once, the database stays sound, and the session ends up stored with every
// second and penny it had: the writes after the fault make up for it.
class TestStoreFaultWalk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFailedOperationOfASession_data();
    void everyFailedOperationOfASession();
};

namespace {

// What a walk left: the sessions in its database, and those in its backup
// when there is one (read back through the program's own restore).
struct Outcome {
    StoredSessions stored;
    bool backupWritten = false;
    StoredSessions backedUp;
};

Outcome outcomeOf(TickingShell &s, const QString &databaseFile)
{
    Outcome o;
    o.stored = ReadStoredSessions(databaseFile);
    const QString backup = s.ctx.startup.programDirectory + QLatin1String(BackupFileName);
    o.backupWritten = QFile::exists(backup);
    if (o.backupWritten) {
        TempStore restored;
        ImportRegFile(*restored.store, backup);
        o.backedUp = ReadStoredSessions(*restored.store);
    }
    return o;
}

QString describe(const StoredSessions &got)
{
    return QStringLiteral("%1 sessions, seconds %2, missing %3, integrity %4")
        .arg(got.count)
        .arg(got.secondsOnline.isEmpty() ? -1 : got.secondsOnline.first())
        .arg(got.missing.join(QLatin1Char(' ')), got.integrity);
}

} // namespace

void TestStoreFaultWalk::initTestCase()
{
    FileFaults::install();
    KeepWalksInMemory();
}

void TestStoreFaultWalk::everyFailedOperationOfASession_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("errorCode");
    QTest::newRow("a write fails with an I/O error") << int(FileFaults::Write) << SQLITE_IOERR_WRITE;
    QTest::newRow("a write finds the disk full") << int(FileFaults::Write) << SQLITE_FULL;
    QTest::newRow("a sync fails") << int(FileFaults::Sync) << SQLITE_IOERR_FSYNC;
    QTest::newRow("a read fails") << int(FileFaults::Read) << SQLITE_IOERR_READ;
}

void TestStoreFaultWalk::everyFailedOperationOfASession()
{
    QFETCH(int, op);
    QFETCH(int, errorCode);
    const auto kind = FileFaults::Op(op);

    Outcome expected;
    int operations = 0;
    {
        TickingShell s;
        const QString database = s.store().filePath();
        s.logIn();
        FileFaults::reset();
        FileFaults::setRecording(true);
        WalkOneSession(s);
        FileFaults::setRecording(false);
        operations = FileFaults::count(kind);
        QVERIFY2(s.ui.messages.isEmpty(), qPrintable(s.ui.texts().join(QLatin1Char('\n'))));
        expected = outcomeOf(s, database);
    }
    QCOMPARE(expected.stored.count, 1);
    QVERIFY(expected.stored.secondsOnline.first() > 10);
    QCOMPARE(expected.stored.connections.first(), QStringLiteral("My ISP"));
    QVERIFY(expected.backupWritten);
    QCOMPARE(expected.backedUp.secondsOnline, expected.stored.secondsOnline);
    QVERIFY2(operations > 0, "the session did nothing of this kind");

    QStringList whatWasDone;
    for (int n = 1; n <= operations; ++n)
        whatWasDone << FileFaults::describe(kind, n);

    QMap<QString, int> pointsWalked;
    QMap<QString, int> reports;
    for (int n = 1; n <= operations; ++n) {
        const QString point = QStringLiteral("%1 %2 of %3: %4").arg(QLatin1String(QTest::currentDataTag())).arg(n)
                                  .arg(operations).arg(whatWasDone[n - 1]);
        ++pointsWalked[whatWasDone[n - 1]];
        TickingShell s;
        const QString database = s.store().filePath();
        s.logIn();
        FileFaults::reset();
        FileFaults::failOnce(kind, n, errorCode);
        WalkOneSession(s);
        QVERIFY2(FileFaults::fired(), qPrintable(point + QStringLiteral(": never reached")));
        FileFaults::reset();

        QVERIFY2(s.ui.messages.size() <= 1,
                 qPrintable(point + QStringLiteral(" said:\n") + s.ui.texts().join(QLatin1Char('\n'))));
        if (!s.ui.messages.isEmpty())
            ++reports[s.ui.messages.first().text.section(QLatin1Char('\''), 0, 0)];

        const Outcome got = outcomeOf(s, database);
        QVERIFY2(got.stored.integrity == QLatin1String("ok") && got.stored.count == 1 && got.stored.missing.isEmpty()
                     && got.stored.secondsOnline == expected.stored.secondsOnline,
                 qPrintable(point + QStringLiteral(": ") + describe(got.stored)));
        QVERIFY2(qAbs(got.stored.costs.first() - expected.stored.costs.first()) < 1e-9, qPrintable(point));
        QCOMPARE(got.stored.connections, expected.stored.connections);
        // The backup is whole and up to date, or was not written and that
        // was said.
        const bool backupReported = !s.ui.messages.isEmpty()
                                 && s.ui.messages.first().text.startsWith(QLatin1String("Tallyline could not write the backup"));
        QVERIFY2(got.backupWritten != backupReported, qPrintable(point));
        if (got.backupWritten)
            QVERIFY2(got.backedUp.secondsOnline == expected.stored.secondsOnline,
                     qPrintable(point + QStringLiteral(": backup holds ") + describe(got.backedUp)));
    }
    for (auto it = pointsWalked.cbegin(); it != pointsWalked.cend(); ++it)
        qInfo("%s: %d faults during %s", QTest::currentDataTag(), it.value(), qPrintable(it.key()));
    for (auto it = reports.cbegin(); it != reports.cend(); ++it)
        qInfo("%s: said %d times: %s...", QTest::currentDataTag(), it.value(), qPrintable(it.key()));
}

TALLYLINE_ENGINE_TEST_MAIN(TestStoreFaultWalk)
#include "TestStoreFaultWalk.moc"

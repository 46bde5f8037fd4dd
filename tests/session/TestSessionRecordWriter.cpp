#include "session/SessionRecordWriter.h"
#include "session/SessionRecords.h"
#include "support/DatabaseFaults.h"
#include "support/TestMain.h"
#include "support/SessionWalk.h"

#include <QSignalSpy>

#include <memory>

using namespace testsupport;

// The session record while the database cannot take writes: another
// program holds its write lock, or the disk is full. Both are real faults
// here: a second SQLite connection in a write transaction, and a file layer
// whose writes fail as on a full disk.
class TestSessionRecordWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sessionGoesOnAndIsWrittenOnceTheFaultEnds_data();
    void sessionGoesOnAndIsWrittenOnceTheFaultEnds();
    void lastingFaultIsReportedOncePerSpell_data();
    void lastingFaultIsReportedOncePerSpell();
    void sessionsOpenedDuringTheFaultAreNumberedInOrder_data();
    void sessionsOpenedDuringTheFaultAreNumberedInOrder();
    void lockHeldForAWhileDuringASession_data();
    void lockHeldForAWhileDuringASession();
    void failingDiskIsSaidAtOnceAndTheValuesKept();
};

namespace {

enum class Fault { Locked, DiskFull };

// The ticking shell with Ann logged in, and the two faults at hand.
struct Shell : TickingShell {
    Shell() { logIn(); }
    ~Shell() { DiskFullLayer::setFull(false); }

    void lineUp() { network.addConnection(7, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0")); }
    void startFault(Fault fault)
    {
        if (fault == Fault::DiskFull) {
            DiskFullLayer::setFull(true);
            return;
        }
        lock = std::make_unique<WriteLockHolder>(store().filePath());
        QVERIFY2(lock->isHeld(), qPrintable(lock->error()));
    }
    void endFault()
    {
        DiskFullLayer::setFull(false);
        lock.reset();
    }
    // A value of the day's session records, as stored.
    QString text(const QString &name)
    {
        return store().ReadStoreString(name, SessionDayKey(user, DateTimeFromQDate(QDate(2001, 1, 10))));
    }

    std::unique_ptr<WriteLockHolder> lock;
};

void addFaultRows()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("another program holds the write lock") << Fault::Locked;
    QTest::newRow("disk full") << Fault::DiskFull;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

void TestSessionRecordWriter::initTestCase()
{
    DiskFullLayer::install();
}

void TestSessionRecordWriter::sessionGoesOnAndIsWrittenOnceTheFaultEnds_data() { addFaultRows(); }
void TestSessionRecordWriter::lastingFaultIsReportedOncePerSpell_data() { addFaultRows(); }
void TestSessionRecordWriter::sessionsOpenedDuringTheFaultAreNumberedInOrder_data() { addFaultRows(); }

// Ticks that cannot write go on pricing without a word; the line drops
// meanwhile and the session closes in memory; once the fault ends, a later
// tick writes the final values. Nothing is lost.
void TestSessionRecordWriter::sessionGoesOnAndIsWrittenOnceTheFaultEnds()
{
    QFETCH(Fault, fault);
    Shell s;
    QSignalSpy closed(&s.ctx.events, &EngineEvents::sessionClosed);
    s.lineUp();
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(), 1);
    const double writtenBefore = s.field(1, SessionTimeOnline);
    QVERIFY(writtenBefore > 0);

    s.startFault(fault);
    s.run(6);
    QVERIFY2(s.ui.messages.isEmpty(), qPrintable(s.ui.texts().join(QLatin1Char('\n'))));
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.ctx.pricing.SecondsOnline, qint64(writtenBefore) + 3);

    s.lineDown();
    s.run(4);
    QVERIFY2(s.ui.messages.isEmpty(), qPrintable(s.ui.texts().join(QLatin1Char('\n'))));
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(closed.size(), 1);
    QVERIFY(s.ctx.shell.Menu.OpenSessionEnabled);
    QVERIFY(!s.ctx.shell.Menu.CloseSessionEnabled);
    QVERIFY(s.ctx.shell.Timer1Enabled);
    const qint64 finalSeconds = s.ctx.pricing.SecondsOnline;
    const double finalCost = s.ctx.pricing.SessionCost;
    QCOMPARE(s.field(1, SessionTimeOnline), writtenBefore);

    s.endFault();
    s.run(1);
    QCOMPARE(s.sessionsOn(), 1);
    QCOMPARE(s.field(1, SessionTimeOnline), double(finalSeconds));
    QVERIFY(qAbs(s.field(1, SessionCost) - finalCost) < 1e-9);
    QCOMPARE(s.text(SessionValueName(1, SessionEndDate)), QStringLiteral("36901"));
    QVERIFY(s.ui.messages.isEmpty());
    // Nothing is written twice: later ticks leave the record alone.
    s.clock.advanceSeconds(60);
    s.run(2);
    QCOMPARE(s.field(1, SessionTimeOnline), double(finalSeconds));
}

// A fault that has lasted five seconds by the program's clock is said once,
// naming the database; after a write has succeeded, a new spell is said
// again.
void TestSessionRecordWriter::lastingFaultIsReportedOncePerSpell()
{
    QFETCH(Fault, fault);
    Shell s;
    const QString expected =
        (fault == Fault::Locked
             ? QStringLiteral("Tallyline cannot save the session: another program holds its database '%1' locked. "
                              "The session's values are kept and will be saved once that program lets go of it.")
             : QStringLiteral("Tallyline cannot save the session: the disk holding its database '%1' is full. "
                              "The session's values are kept and will be saved once there is space again."))
            .arg(s.store().filePath());
    s.lineUp();
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);

    for (int spell = 1; spell <= 2; ++spell) {
        s.startFault(fault);
        s.run(9);  // 4.5 s of failing ticks
        QCOMPARE(s.ui.messages.size(), spell - 1);
        s.run(2);
        QCOMPARE(s.ui.messages.size(), spell);
        QCOMPARE(s.ui.messages.last().text, expected);
        QCOMPARE(s.ui.messages.last().kind, MessageKind::Warning);
        s.run(40);
        QCOMPARE(s.ui.messages.size(), spell);
        QVERIFY(s.ctx.shell.Timer1Enabled);
        s.endFault();
        s.run(1);
        QCOMPARE(s.field(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    }
}

// A session that opens while nothing can be written still opens; it and
// the next one get their numbers in opening order once the fault ends,
// each with its own values and connection.
void TestSessionRecordWriter::sessionsOpenedDuringTheFaultAreNumberedInOrder()
{
    QFETCH(Fault, fault);
    Shell s;
    s.startFault(fault);
    s.lineUp();
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    s.lineDown();
    s.run(2);
    QVERIFY(!s.ctx.shell.SessionOpen);
    const qint64 firstSeconds = s.ctx.pricing.SecondsOnline;
    s.run(4);
    s.lineUp();
    s.run(8);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(), 0);

    s.endFault();
    s.run(1);
    QCOMPARE(s.sessionsOn(), 2);
    QCOMPARE(s.field(1, SessionTimeOnline), double(firstSeconds));
    QCOMPARE(s.field(2, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    QVERIFY(s.field(1, SessionStartTime) < s.field(2, SessionStartTime));
    QCOMPARE(s.text(QStringLiteral("Session1-Connection")), QStringLiteral("My ISP"));
    QCOMPARE(s.text(QStringLiteral("Session2-Connection")), QStringLiteral("My ISP"));
    // Nine seconds of it: said once.
    QCOMPARE(s.ui.messages.size(), 1);
}

void TestSessionRecordWriter::lockHeldForAWhileDuringASession_data()
{
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<int>("boxes");
    // A tenth of a second covers one tick's write; three seconds pass in
    // silence; thirty are said once.
    QTest::newRow("0.1 s") << 100 << 0;
    QTest::newRow("3 s") << 3000 << 0;
    QTest::newRow("30 s") << 30000 << 1;
}

// Another program holds the write lock for a while in the middle of a
// session: the session goes on, and once the lock is gone its record holds
// every second, as if nothing had happened.
void TestSessionRecordWriter::lockHeldForAWhileDuringASession()
{
    QFETCH(int, heldMs);
    QFETCH(int, boxes);
    Shell s;
    s.lineUp();
    s.run(6);
    QVERIFY(s.ctx.shell.SessionOpen);
    const double before = s.field(1, SessionTimeOnline);

    s.startFault(Fault::Locked);
    const QDateTime released = s.clock.now().addMSecs(heldMs);
    int failedTicks = 0;
    do {
        s.run(1);
        ++failedTicks;
    } while (s.clock.now() < released);
    QCOMPARE(s.field(1, SessionTimeOnline), before);
    s.endFault();
    QVERIFY(s.ctx.shell.SessionOpen);
    QVERIFY(s.ctx.shell.Timer1Enabled);
    QCOMPARE(s.ui.messages.size(), boxes);
    if (boxes > 0)
        QCOMPARE(s.ui.messages.first().text, DatabaseLockedMessage(s.store().filePath()));

    // The next tick catches up.
    s.run(2);
    QCOMPARE(s.field(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    QVERIFY(s.ctx.pricing.SecondsOnline >= qint64(before) + failedTicks / 2);
    s.lineDown();
    s.run(4);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessionsOn(), 1);
    QCOMPARE(s.field(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    QVERIFY(qAbs(s.field(1, SessionCost) - s.ctx.pricing.SessionCost) < 1e-9);
    QCOMPARE(s.ui.messages.size(), boxes);
}

// A disk that fails the session's writes (an I/O error, not a full disk):
// said at once, once, naming the database; the session goes on in memory
// and is stored whole once the disk writes again.
void TestSessionRecordWriter::failingDiskIsSaidAtOnceAndTheValuesKept()
{
    Shell s;
    s.lineUp();
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    FileFaults::reset();
    FileFaults::failFrom(FileFaults::Write, 1, SQLITE_IOERR_WRITE);
    s.run(1);
    QCOMPARE(s.ui.texts(), QStringList{DatabaseIoErrorMessage(s.store().filePath())});
    QCOMPARE(s.ui.messages.first().kind, MessageKind::Warning);
    s.run(20);
    s.lineDown();
    s.run(4);
    QVERIFY(!s.ctx.shell.SessionOpen);
    QCOMPARE(s.ui.messages.size(), 1);
    QVERIFY(s.ctx.shell.Timer1Enabled);
    QVERIFY(s.field(1, SessionTimeOnline) < double(s.ctx.pricing.SecondsOnline));

    FileFaults::reset();
    s.run(1);
    QCOMPARE(s.field(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    QVERIFY(qAbs(s.field(1, SessionCost) - s.ctx.pricing.SessionCost) < 1e-9);
    QCOMPARE(IntegrityOf(s.store()), QStringLiteral("ok"));
    QCOMPARE(s.ui.messages.size(), 1);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSessionRecordWriter)
#include "TestSessionRecordWriter.moc"

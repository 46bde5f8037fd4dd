#include "app/MainTimer.h"
#include "session/ConnectionDetection.h"
#include "session/SessionRecords.h"
#include "support/DatabaseFaults.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "users/Users.h"

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
};

namespace {

enum class Fault { Locked, DiskFull };

const QDate Day(2001, 1, 10);

// The program without its windows: one user on 0.60 a minute (a penny a
// second) from the first second, the fake line, the two timers by hand.
struct Shell : SessionFixture {
    Shell()
    {
        ctx.settings.ModemCorrectionFactor = 10;
        ctx.settings.ModemDetectionType = 0;
        ctx.settings.DisplayBillWindow = false;
        addUser({QStringLiteral("Ann"), QStringLiteral("secret")});
        TariffSeed(store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
            .weekBands(1, {{0, 1439, 0.60, 0, 0}})
            .bands(1, 8, {{0, 1439, 0.60, 0, 0}});
        ctx.connection.DunSpeed.StartStatistics(&network, true, true);
        [this] { QCOMPARE(LogInWithPassword(ctx, QStringLiteral("Ann"), QStringLiteral("secret")), LoginResult::LoggedIn); }();
    }
    ~Shell() { DiskFullLayer::setFull(false); }

    void lineUp() { network.addConnection(7, QStringLiteral("My ISP"), RasState::Connected, QStringLiteral("ppp0")); }
    void lineDown() { network.active.clear(); }

    // Half-second steps: a main tick each, a connection check every other one.
    void run(int halfSeconds)
    {
        for (int i = 0; i < halfSeconds; ++i) {
            clock.advanceMs(500);
            if (++step % 2 == 0)
                RunTimerTick(ctx, checkFailures, RASCheckTimerTimer);
            RunMainTick(ctx, tickFailures);
        }
    }

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

    QString value(int session, int field) { return store().ReadStoreString(SessionValueName(session, field), dayKey()); }
    double number(int session, int field) { return GetFromDataFile(ctx, 1, session, field, DateTimeFromQDate(Day)); }
    int sessions()
    {
        int n = 0;
        store().ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey(), n);
        return n;
    }
    static QString dayKey() { return SessionDayKey(1, DateTimeFromQDate(Day)); }

    int step = 0;
    TickFailureReport tickFailures;
    TickFailureReport checkFailures;
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

// Ticks that cannot write go on pricing without a word; the line drops
// meanwhile and the session closes in memory; once the fault ends, a later
// tick writes the final values. Nothing is lost.
void TestSessionRecordWriter::sessionGoesOnAndIsWrittenOnceTheFaultEnds_data()
{
    addFaultRows();
}

void TestSessionRecordWriter::sessionGoesOnAndIsWrittenOnceTheFaultEnds()
{
    QFETCH(Fault, fault);
    Shell s;
    QSignalSpy closed(&s.ctx.events, &EngineEvents::sessionClosed);
    s.lineUp();
    s.run(4);
    QVERIFY(s.ctx.shell.SessionOpen);
    QCOMPARE(s.sessions(), 1);
    const double writtenBefore = s.number(1, SessionTimeOnline);
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
    QCOMPARE(s.number(1, SessionTimeOnline), writtenBefore);

    s.endFault();
    s.run(1);
    QCOMPARE(s.sessions(), 1);
    QCOMPARE(s.number(1, SessionTimeOnline), double(finalSeconds));
    QVERIFY(qAbs(s.number(1, SessionCost) - finalCost) < 1e-9);
    QCOMPARE(s.value(1, SessionEndDate), QStringLiteral("36901"));
    QVERIFY(s.ui.messages.isEmpty());
    // Nothing is written twice: later ticks leave the record alone.
    s.clock.advanceSeconds(60);
    s.run(2);
    QCOMPARE(s.number(1, SessionTimeOnline), double(finalSeconds));
}

// A fault that has lasted five seconds by the program's clock is said once,
// naming the database; after a write has succeeded, a new spell is said
// again.
void TestSessionRecordWriter::lastingFaultIsReportedOncePerSpell_data()
{
    addFaultRows();
}

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
        QCOMPARE(s.number(1, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    }
}

// A session that opens while nothing can be written still opens; it and
// the next one get their numbers in opening order once the fault ends,
// each with its own values and connection.
void TestSessionRecordWriter::sessionsOpenedDuringTheFaultAreNumberedInOrder_data()
{
    addFaultRows();
}

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
    QCOMPARE(s.sessions(), 0);

    s.endFault();
    s.run(1);
    QCOMPARE(s.sessions(), 2);
    QCOMPARE(s.number(1, SessionTimeOnline), double(firstSeconds));
    QCOMPARE(s.number(2, SessionTimeOnline), double(s.ctx.pricing.SecondsOnline));
    QVERIFY(s.number(1, SessionStartTime) < s.number(2, SessionStartTime));
    QCOMPARE(s.store().ReadStoreString(QStringLiteral("Session1-Connection"), Shell::dayKey()), QStringLiteral("My ISP"));
    QCOMPARE(s.store().ReadStoreString(QStringLiteral("Session2-Connection"), Shell::dayKey()), QStringLiteral("My ISP"));
    // Nine seconds of it: said once.
    QCOMPARE(s.ui.messages.size(), 1);
}

TALLYLINE_TEST_MAIN(TestSessionRecordWriter)
#include "TestSessionRecordWriter.moc"

#include "alarms/AlarmChecking.h"
#include "session/SessionRecords.h"
#include "store/FloatText.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

// The running program on the simulated line with its real message boxes and
// timers: what goes on while a box waits, and what the program's own
// hang-ups leave in the store.
class TestProgramHangUps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionGoesOnUnderAnAlarmBoxAndClosesOnADrop();
    void eightHangUpsRecordEightSessions_data();
    void eightHangUpsRecordEightSessions();
};

namespace {

using testsupport::RunningProgram;

struct Recorded {
    QStringList connections;
    double cost = 0;
    qint64 seconds = 0;
};

// Every session of user 1 in the store, over all its days.
Recorded recordedSessions(Store &store)
{
    Recorded r;
    const QString sessions = TariffKeys::user(1) + QStringLiteral("\\Sessions");
    for (const QString &day : store.subkeyNames(Store::hivePathOf(sessions))) {
        const QString key = sessions + QLatin1Char('\\') + day;
        int count = 0;
        store.ReadStoreInteger(QStringLiteral("NumberOfSessions"), key, count);
        for (int m = 1; m <= count; ++m) {
            r.connections.append(store.ReadStoreString(QStringLiteral("Session%1-Connection").arg(m), key));
            r.cost += store.ReadStoreFloat(QStringLiteral("Session%1-Cost").arg(m), key);
            r.seconds += qint64(store.ReadStoreFloat(QStringLiteral("Session%1-Time Online").arg(m), key));
        }
    }
    return r;
}

QStringList ispNames(int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("ISP %1").arg(i));
    return names;
}

} // namespace

void TestProgramHangUps::sessionGoesOnUnderAnAlarmBoxAndClosesOnADrop()
{
    RunningProgram p;
    // A warning at the first tick (the modem correction alone costs 0.11).
    p.addAlarm(SessionCostAlarm, QStringLiteral("0.01"), false);
    QVERIFY(p.start());
    QCOMPARE(p.request({QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.boxes().size(), 1, 10000);
    const qint64 underTheBox = p.status(QStringLiteral("SecondsOnline")).toLongLong();
    QVERIFY(underTheBox >= 11);

    // The box waits; the session is priced and written all the same.
    QTRY_VERIFY_WITH_TIMEOUT(p.status(QStringLiteral("SecondsOnline")).toLongLong() >= underTheBox + 3, 10000);
    {
        const std::unique_ptr<Store> store = p.openStore();
        const Recorded meanwhile = recordedSessions(*store);
        QCOMPARE(meanwhile.connections, QStringList{QStringLiteral("My ISP")});
        QVERIFY2(meanwhile.seconds >= underTheBox + 2, qPrintable(QString::number(meanwhile.seconds)));
    }

    // A drop closes the session at once, with the box still up.
    QCOMPARE(p.request({QStringLiteral("drop")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"), 5000);
    QCOMPARE(p.boxes().size(), 1);
    const qint64 atTheDrop = p.status(QStringLiteral("SecondsOnline")).toLongLong();

    QCOMPARE(p.request({QStringLiteral("answer"), QStringLiteral("ok")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(p.boxes().isEmpty(), 5000);
    QVERIFY(p.stop());
    const std::unique_ptr<Store> store = p.openStore();
    const Recorded r = recordedSessions(*store);
    QCOMPARE(r.connections, QStringList{QStringLiteral("My ISP")});
    QCOMPARE(r.seconds, atTheDrop);
    QVERIFY(qAbs(r.cost - r.seconds * RunningProgram::CostPerMinute / 60) < 1e-6);
}

void TestProgramHangUps::eightHangUpsRecordEightSessions_data()
{
    QTest::addColumn<bool>("byAlarm");   // else by the idle hang-up, which raises no box
    QTest::newRow("alarm") << true;
    QTest::newRow("idle") << false;
}

void TestProgramHangUps::eightHangUpsRecordEightSessions()
{
    QFETCH(bool, byAlarm);
    RunningProgram p;
    if (byAlarm) {
        p.addAlarm(SessionCostAlarm, QStringLiteral("0.01"), true);
    } else {
        // Hang up at the first second without traffic.
        const QString settings = QStringLiteral("Settings");
        p.store().WriteStoreBool(QStringLiteral("AutoHangupConnection"), settings, true);
        p.store().WriteStoreInteger(QStringLiteral("HangupTime"), settings, 0);
        p.store().WriteStoreInteger(QStringLiteral("HangupMinimumBytes"), settings, 0);
    }
    QVERIFY(p.start());
    QCOMPARE(p.request({QStringLiteral("traffic"), QStringLiteral("0"), QStringLiteral("0")}), 0);
    for (const QString &isp : ispNames(8)) {
        QCOMPARE(p.request({QStringLiteral("connect"), isp}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("line")), QStringLiteral("down"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"), 10000);
        if (byAlarm) {
            // The session was closed before its box showed; left open for a
            // while, the ticks that run under it open nothing.
            QTRY_COMPARE_WITH_TIMEOUT(p.boxes().size(), 1, 10000);
            QTest::qWait(2000);
            QCOMPARE(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"));
            QCOMPARE(p.request({QStringLiteral("answer"), QStringLiteral("ok")}), 0);
            QTRY_VERIFY_WITH_TIMEOUT(p.boxes().isEmpty(), 5000);
        }
        // A few more ticks with the line down: nothing opens again.
        QTest::qWait(1500);
        QCOMPARE(p.status(QStringLiteral("SessionOpen")), QStringLiteral("0"));
    }
    const double accountCost = p.status(QStringLiteral("AccountCost")).toDouble();
    const qint64 accountSeconds = p.status(QStringLiteral("AccountSeconds")).toLongLong();
    QVERIFY(p.stop());

    const std::unique_ptr<Store> store = p.openStore();
    const Recorded r = recordedSessions(*store);
    QCOMPARE(r.connections, ispNames(8));
    QCOMPARE(accountSeconds, r.seconds);
    QVERIFY2(qAbs(accountCost - r.cost) < 1e-5, qPrintable(QStringLiteral("%1 against %2").arg(accountCost).arg(r.cost)));
}

TALLYLINE_ENGINE_TEST_MAIN(TestProgramHangUps)
#include "TestProgramHangUps.moc"

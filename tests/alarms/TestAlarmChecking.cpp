#include "alarms/AlarmChecking.h"
#include "alarms/QuickAlarms.h"
#include "core/EngineEvents.h"
#include "platform/FakeDialUpNetwork.h"
#include "platform/DesktopNotifier.h"
#include "platform/SoundPlayer.h"
#include "core/Errors.h"
#include "support/EngineFixture.h"
#include "support/TestMain.h"

using testsupport::EngineFixture;

namespace {

// 2001-01-08 is a Monday.
const QDate Monday(2001, 1, 8);

// An alarm as the editor writes it: active all the time, no ISP, no sound.
struct Alarm {
    int type = SessionTimeAlarm;
    int minutes = 0;
    QString cost;
    int downloadLimit = 0;
    QString message;
    int repeat = 0;
    int hangUp = 0;
    QString wave = QStringLiteral("None");
    int useISP = 0;
    int ispIndex = 1;
    int useTimeZone = 0;
    int start = 0;
    int end = 0;
    int days = 255;
};

void storeAlarm(EngineFixture &f, int i, const Alarm &a)
{
    Store &s = f.store();
    const QString key = AlarmKey(1, i);
    s.WriteStoreInteger(QStringLiteral("RepeatAlarm"), key, a.repeat);
    s.WriteStoreInteger(QStringLiteral("DownloadLimit"), key, a.downloadLimit);
    s.WriteStoreInteger(QStringLiteral("UseISP"), key, a.useISP);
    s.WriteStoreInteger(QStringLiteral("ISPIndex"), key, a.ispIndex);
    s.WriteStoreInteger(QStringLiteral("Use TimeZone"), key, a.useTimeZone);
    s.WriteStoreInteger(QStringLiteral("Start Time"), key, a.start);
    s.WriteStoreInteger(QStringLiteral("End Time"), key, a.end);
    s.WriteStoreInteger(QStringLiteral("Days"), key, a.days);
    s.WriteStoreInteger(QStringLiteral("AlarmType"), key, a.type);
    s.WriteStoreInteger(QStringLiteral("HangUpPhone"), key, a.hangUp);
    s.WriteStoreInteger(QStringLiteral("AllowanceTime"), key, a.minutes);
    s.WriteStoreString(QStringLiteral("TotalCost"), key, a.cost);
    s.WriteStoreString(QStringLiteral("CustomMessage"), key, a.message);
    s.WriteStoreString(QStringLiteral("AlarmWaveFile"), key, a.wave);
}

void storeAlarms(EngineFixture &f, const QList<Alarm> &alarms)
{
    for (int i = 0; i < alarms.size(); ++i)
        storeAlarm(f, i + 1, alarms[i]);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), int(alarms.size()));
}

// An open session as the alarm check sees it.
void openSession(EngineFixture &f)
{
    f.ctx.shell.SessionOpen = true;
    ResetAlarmFireCounters(f.ctx);
}

Alarm timeAlarm(int minutes, int repeat)
{
    Alarm a;
    a.minutes = minutes;
    a.repeat = repeat;
    return a;
}

Alarm costAlarm(int type, const QString &cost, int repeat)
{
    Alarm a;
    a.type = type;
    a.cost = cost;
    a.repeat = repeat;
    return a;
}

} // namespace

class TestAlarmChecking : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionTimeAlarm_data();
    void sessionTimeAlarm();
    void costAlarms_data();
    void costAlarms();
    void timeWindowAndDays_data();
    void timeWindowAndDays();
    void ispBinding_data();
    void ispBinding();
    void downloadAlarms_data();
    void downloadAlarms();
    void dailyAndAccountTimeMessages();
    void repeatFiresOnceForSeveralMultiples_data();
    void repeatFiresOnceForSeveralMultiples();
    void limitOfNothingFiresOncePerSession_data();
    void limitOfNothingFiresOncePerSession();
    void emptyCustomMessageFiresSilently();
    void missingValuesCarryOverButNotTheIspBinding();
    void valueNamesInAnyCase();
    void damagedValueIsReported_data();
    void damagedValueIsReported();
    void countersBeyond255Alarms();
    void countersStartAgainWithTheNextSession();
    void hangUpClosesTheSessionBeforeTheBox();
    void refusedHangUpLeavesTheSessionOpen();
    void alarmSound_data();
    void alarmSound();
    void desktopNotice_data();
    void desktopNotice();
    void quickAlarms();
    void clockTimeQuickAlarmWaitsForItsTime_data();
    void clockTimeQuickAlarmWaitsForItsTime();
    void noAlarmsNoRows();
    void listRows_data();
    void listRows();
};

void TestAlarmChecking::sessionTimeAlarm_data()
{
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QStringList>("messages");
    const QString one = QStringLiteral("You have been online for 01:00. Limit exceeded!");
    QTest::newRow("once") << 0 << QStringList{one};
    QTest::newRow("repeating") << 1
                               << QStringList{one, QStringLiteral("You have been online for 02:00. Limit exceeded!"),
                                              QStringLiteral("You have been online for 03:00. Limit exceeded!")};
}

void TestAlarmChecking::sessionTimeAlarm()
{
    QFETCH(int, repeat);
    QFETCH(QStringList, messages);
    EngineFixture f;
    storeAlarms(f, {timeAlarm(60, repeat)});
    openSession(f);
    QList<qint64> firedAt;
    // Every 30 seconds up to 3 h 10 min, as the tick would see them.
    for (qint64 s = 0; s <= 190 * 60; s += 30) {
        f.ctx.pricing.SecondsOnline = s;
        const qsizetype before = f.ui.messages.size();
        CheckAlarms(f.ctx);
        if (f.ui.messages.size() > before)
            firedAt.append(s);
    }
    QCOMPARE(f.ui.texts(), messages);
    const QList<qint64> expected = repeat ? QList<qint64>{3600, 7200, 10800} : QList<qint64>{3600};
    QCOMPARE(firedAt, expected);
    for (const auto &m : f.ui.messages)
        QCOMPARE(m.kind, MessageKind::Information);
}

void TestAlarmChecking::costAlarms_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<double>>("costs");
    QTest::addColumn<QStringList>("messages");
    const QList<double> walk{1.49, 1.52, 2.99, 3.00, 4.49, 12.5};
    QTest::newRow("session, repeat: 1.50 then 3.00, padded to 6")
        << int(SessionCostAlarm) << walk
        << QStringList{QStringLiteral("You have spent   1.52. Limit exceeded!"),
                       QStringLiteral("You have spent   3.00. Limit exceeded!"),
                       QStringLiteral("You have spent  12.50. Limit exceeded!")};
    // Priced a penny a second, the sum drifts below 3.00 after 300 seconds.
    QList<double> pennies;
    double sum = 0;
    for (int second = 0; second < 300; ++second)
        pennies.append(sum += 0.01);
    QTest::newRow("session, repeat, summed a penny at a time")
        << int(SessionCostAlarm) << pennies
        << QStringList{QStringLiteral("You have spent   1.50. Limit exceeded!"),
                       QStringLiteral("You have spent   3.00. Limit exceeded!")};
    QTest::newRow("account") << int(AccountCostAlarm) << QList<double>{1.49, 1.5, 123.456}
                             << QStringList{QStringLiteral("You have spent   1.50. Limit exceeded!"),
                                            QStringLiteral("You have spent 123.46. Limit exceeded!")};
    QTest::newRow("daily") << int(DailyCostAlarm) << QList<double>{1.6, 2.0, 1234.5}
                           << QStringList{QStringLiteral("You have spent   1.60. Daily limit exceeded!"),
                                          QStringLiteral("You have spent 1234.50. Daily limit exceeded!")};
}

void TestAlarmChecking::costAlarms()
{
    QFETCH(int, type);
    QFETCH(QList<double>, costs);
    QFETCH(QStringList, messages);
    EngineFixture f;
    storeAlarms(f, {costAlarm(type, QStringLiteral("1.50"), 1)});
    openSession(f);
    for (double cost : costs) {
        // Only the watched total moves; the others stay far below the limit.
        f.ctx.pricing.SessionCost = type == SessionCostAlarm ? cost : 0;
        f.ctx.pricing.AccountCost = type == AccountCostAlarm ? cost : 0;
        f.ctx.pricing.DailyCost = type == DailyCostAlarm ? cost : 0;
        CheckAlarms(f.ctx);
    }
    QCOMPARE(f.ui.texts(), messages);
}

void TestAlarmChecking::timeWindowAndDays_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("fires");
    QTest::newRow("Mon 22:00") << QDateTime(Monday, QTime(22, 0)) << true;
    QTest::newRow("Mon 23:59") << QDateTime(Monday, QTime(23, 59, 59)) << true;
    QTest::newRow("Mon 00:00") << QDateTime(Monday, QTime(0, 0)) << true;
    QTest::newRow("Mon 06:00") << QDateTime(Monday, QTime(6, 0, 59)) << true;
    QTest::newRow("Mon 06:01") << QDateTime(Monday, QTime(6, 1)) << false;
    QTest::newRow("Mon 21:59") << QDateTime(Monday, QTime(21, 59, 59)) << false;
    QTest::newRow("Tue 01:00") << QDateTime(Monday.addDays(1), QTime(1, 0)) << false;
    QTest::newRow("Sun 23:00") << QDateTime(Monday.addDays(-1), QTime(23, 0)) << false;
}

void TestAlarmChecking::timeWindowAndDays()
{
    QFETCH(QDateTime, now);
    QFETCH(bool, fires);
    EngineFixture f(now);
    Alarm a = timeAlarm(1, 0);
    a.useTimeZone = 1;
    a.start = 22 * 60;
    a.end = 6 * 60;
    a.days = 1;
    storeAlarms(f, {a});
    openSession(f);
    f.ctx.pricing.SecondsOnline = 3600;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), fires ? 1 : 0);

    // The window and days count only with "Use TimeZone" set.
    a.useTimeZone = 0;
    a.days = 0;
    EngineFixture g(now);
    storeAlarms(g, {a});
    openSession(g);
    g.ctx.pricing.SecondsOnline = 3600;
    CheckAlarms(g.ctx);
    QCOMPARE(g.ui.messages.size(), 1);
}

void TestAlarmChecking::ispBinding_data()
{
    QTest::addColumn<int>("useISP");
    QTest::addColumn<int>("ispIndex");
    QTest::addColumn<int>("currentISP");
    QTest::addColumn<bool>("fires");
    QTest::newRow("bound to 2, 1 current") << 1 << 2 << 1 << false;
    QTest::newRow("bound to 2, 2 current") << 1 << 2 << 2 << true;
    QTest::newRow("not bound, names 2, 1 current") << 0 << 2 << 1 << true;
}

void TestAlarmChecking::ispBinding()
{
    QFETCH(int, useISP);
    QFETCH(int, ispIndex);
    QFETCH(int, currentISP);
    QFETCH(bool, fires);
    EngineFixture f;
    Alarm a = timeAlarm(1, 0);
    a.useISP = useISP;
    a.ispIndex = ispIndex;
    storeAlarms(f, {a});
    openSession(f);
    f.ctx.tariff.CurrentTimeZoneISP = currentISP;
    f.ctx.pricing.SecondsOnline = 60;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), fires ? 1 : 0);
}

void TestAlarmChecking::downloadAlarms_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::newRow("daily") << int(DailyDownloadAlarm)
                           << QStringLiteral("You have exceeded the maximum download limit of 500K for this day.");
    QTest::newRow("account")
        << int(AccountDownloadAlarm)
        << QStringLiteral("You have exceeded the maximum download limit of 500K for this account period.");
}

void TestAlarmChecking::downloadAlarms()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    EngineFixture f;
    Alarm a;
    a.type = type;
    a.downloadLimit = 512000;
    a.repeat = 1;
    storeAlarms(f, {a});
    openSession(f);
    qint64 &watched = type == DailyDownloadAlarm ? f.ctx.pricing.DailyDownloaded : f.ctx.pricing.AccountDownloaded;
    watched = 511999;
    CheckAlarms(f.ctx);
    QVERIFY(f.ui.messages.isEmpty());
    watched = 512000;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts(), QStringList{message});
    // The repeat names the multiple reached, not the bytes moved.
    watched = 1100000;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts().value(1), QString(message).replace(QStringLiteral("500K"), QStringLiteral("1000K")));
}

void TestAlarmChecking::dailyAndAccountTimeMessages()
{
    EngineFixture f;
    Alarm daily = timeAlarm(90, 0);
    daily.type = DailyTimeAlarm;
    Alarm account = timeAlarm(180, 0);
    account.type = AccountTimeAlarm;
    storeAlarms(f, {daily, account});
    openSession(f);
    f.ctx.pricing.DailySeconds = 90 * 60 - 1;
    f.ctx.pricing.AccountSeconds = 180 * 60 - 1;
    CheckAlarms(f.ctx);
    QVERIFY(f.ui.messages.isEmpty());
    f.ctx.pricing.DailySeconds = 95 * 60;
    // 3 h 29 min 31 s rounds to 03:30.
    f.ctx.pricing.AccountSeconds = 3 * 3600 + 29 * 60 + 31;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts(),
             (QStringList{QStringLiteral("You have been online for 01:30. Daily limit exceeded!"),
                          QStringLiteral("You have exceeded the online time limit for this account period. "
                                         "You have spent 03:30 online.")}));
}

void TestAlarmChecking::repeatFiresOnceForSeveralMultiples_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("limit");          // minutes, money or bytes by type
    QTest::addColumn<QList<double>>("totals");  // the watched total at each check, same unit
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("a day's time at the start of a session")
        << int(DailyTimeAlarm) << 60.0 << QList<double>{310, 310, 359, 360, 361}
        << QStringList{QStringLiteral("You have been online for 05:00. Daily limit exceeded!"),
                       QStringLiteral("You have been online for 06:00. Daily limit exceeded!")};
    QTest::newRow("a burst of downloading")
        << int(AccountDownloadAlarm) << 1024.0 << QList<double>{1e7, 1e7, 9766 * 1024.0 - 1, 9766 * 1024.0}
        << QStringList{QStringLiteral("You have exceeded the maximum download limit of 9765K for this account period."),
                       QStringLiteral("You have exceeded the maximum download limit of 9766K for this account period.")};
    QTest::newRow("cost far past the limit")
        << int(SessionCostAlarm) << 1.5 << QList<double>{12.5, 13.49, 13.5}
        << QStringList{QStringLiteral("You have spent  12.50. Limit exceeded!"),
                       QStringLiteral("You have spent  13.50. Limit exceeded!")};
}

void TestAlarmChecking::repeatFiresOnceForSeveralMultiples()
{
    QFETCH(int, type);
    QFETCH(double, limit);
    QFETCH(QList<double>, totals);
    QFETCH(QStringList, messages);
    EngineFixture f;
    Alarm a;
    a.type = type;
    a.repeat = 1;
    a.minutes = int(limit);
    a.cost = QString::number(limit);
    a.downloadLimit = int(limit);
    storeAlarms(f, {a});
    openSession(f);
    for (double total : totals) {
        PricingState &p = f.ctx.pricing;
        p.DailySeconds = qint64(total) * 60;
        p.AccountDownloaded = qint64(total);
        p.SessionCost = total;
        CheckAlarms(f.ctx);
    }
    QCOMPARE(f.ui.texts(), messages);
}

void TestAlarmChecking::limitOfNothingFiresOncePerSession_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("cost");
    QTest::newRow("empty cost") << int(SessionCostAlarm) << QString();
    QTest::newRow("unreadable cost") << int(DailyCostAlarm) << QStringLiteral("abc");
    QTest::newRow("zero time") << int(SessionTimeAlarm) << QString();
}

void TestAlarmChecking::limitOfNothingFiresOncePerSession()
{
    QFETCH(int, type);
    QFETCH(QString, cost);
    EngineFixture f;
    storeAlarms(f, {costAlarm(type, cost, 1)});
    openSession(f);
    for (int tick = 0; tick < 5; ++tick)
        CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), 1);
}

void TestAlarmChecking::emptyCustomMessageFiresSilently()
{
    EngineFixture f;
    FakeDialUpNetwork network;
    network.addConnection(5, QStringLiteral("Provider"), RasState::Connected);
    f.ctx.platform.dialUp = &network;
    Alarm silent = timeAlarm(10, 0);
    silent.type = CustomMessageAlarm;
    silent.hangUp = 1;
    Alarm spoken = silent;
    spoken.message = QStringLiteral("Time for tea");
    spoken.hangUp = 0;
    storeAlarms(f, {silent, spoken});
    openSession(f);
    f.ctx.pricing.SecondsOnline = 600;
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Time for tea")});
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(network.hungUp.isEmpty());
}

void TestAlarmChecking::missingValuesCarryOverButNotTheIspBinding()
{
    EngineFixture f;
    Alarm first = timeAlarm(5, 0);
    first.useISP = 1;
    first.ispIndex = 1;
    storeAlarms(f, {first});
    // Alarm 2 holds nothing but a limit: its type and its "all the time"
    // come from alarm 1, its ISP binding does not.
    const QString key = AlarmKey(1, 2);
    f.store().WriteStoreInteger(QStringLiteral("AllowanceTime"), key, 7);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), 2);
    openSession(f);
    f.ctx.tariff.CurrentTimeZoneISP = 2;
    f.ctx.pricing.SecondsOnline = 7 * 60;
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("You have been online for 00:07. Limit exceeded!")});
}

void TestAlarmChecking::valueNamesInAnyCase()
{
    EngineFixture f;
    const QString key = AlarmKey(1, 1);
    f.store().WriteStoreInteger(QStringLiteral("ALARMTYPE"), key, CustomMessageAlarm);
    f.store().WriteStoreInteger(QStringLiteral("allowancetime"), key, 3);
    f.store().WriteStoreString(QStringLiteral("customMessage"), key, QStringLiteral("Stretch"));
    f.store().WriteStoreInteger(QStringLiteral("use timezone"), key, 1);
    f.store().WriteStoreInteger(QStringLiteral("START TIME"), key, 13 * 60);
    f.store().WriteStoreInteger(QStringLiteral("end time"), key, 14 * 60);
    f.store().WriteStoreInteger(QStringLiteral("DAYS"), key, 4);
    AlarmRecord r;
    ReadAlarmRecord(f.ctx, 1, 1, r);
    QCOMPARE(r.AlarmType, int(CustomMessageAlarm));
    QCOMPARE(r.AllowanceTime, 3);
    QCOMPARE(r.CustomMessage, QStringLiteral("Stretch"));
    QCOMPARE(r.UseTimeZone, 1);
    QCOMPARE(r.StartTime, 13 * 60);
    QCOMPARE(r.EndTime, 14 * 60);
    QCOMPARE(r.Days, 4);
}

void TestAlarmChecking::damagedValueIsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asText");  // written as text where a number belongs, or the other way
    QTest::newRow("type as text") << QStringLiteral("AlarmType") << true;
    QTest::newRow("days as text") << QStringLiteral("Days") << true;
    QTest::newRow("message as a number") << QStringLiteral("CustomMessage") << false;
    QTest::newRow("cost as a number") << QStringLiteral("TotalCost") << false;
}

void TestAlarmChecking::damagedValueIsReported()
{
    QFETCH(QString, name);
    QFETCH(bool, asText);
    EngineFixture f;
    storeAlarms(f, {timeAlarm(1, 0)});
    const QString key = AlarmKey(1, 1);
    f.store().DeleteStoreValue(key, name);
    if (asText)
        f.store().WriteStoreString(name, key, QStringLiteral("1"));
    else
        f.store().WriteStoreInteger(name, key, 1);
    openSession(f);
    f.ctx.pricing.SecondsOnline = 60;
    try {
        CheckAlarms(f.ctx);
        QFAIL("a damaged alarm value went unnoticed");
    } catch (const StoreError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for '%1'").arg(name));
    }
    QVERIFY(f.ui.messages.isEmpty());
}

void TestAlarmChecking::countersBeyond255Alarms()
{
    EngineFixture f;
    const int count = 300;
    {
        Store::Transaction t(f.store());
        // Alarms 1..299 belong to an ISP that is never current.
        for (int i = 1; i < count; ++i) {
            f.store().WriteStoreInteger(QStringLiteral("UseISP"), AlarmKey(1, i), 1);
            f.store().WriteStoreInteger(QStringLiteral("ISPIndex"), AlarmKey(1, i), 9);
        }
        storeAlarm(f, count, timeAlarm(1, 0));
        f.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), count);
        t.commit();
    }
    openSession(f);
    f.ctx.pricing.SecondsOnline = 60;
    for (int tick = 0; tick < 3; ++tick)
        CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), 1);
}

void TestAlarmChecking::countersStartAgainWithTheNextSession()
{
    EngineFixture f;
    storeAlarms(f, {costAlarm(DailyCostAlarm, QStringLiteral("2"), 0)});
    openSession(f);
    f.ctx.pricing.DailyCost = 2.5;
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), 1);
    // The day's total is already past the limit: the next session is told at once.
    openSession(f);
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.messages.size(), 2);
}

void TestAlarmChecking::hangUpClosesTheSessionBeforeTheBox()
{
    EngineFixture f;
    FakeDialUpNetwork network;
    network.removeOnHangUp = false;
    network.addConnection(21, QStringLiteral("Provider"), RasState::Connected);
    f.ctx.platform.dialUp = &network;
    f.ctx.shell.LastDialledEntry = QStringLiteral("Provider");
    f.ctx.shell.ReconnectArmed = true;

    qsizetype boxesWhenClosed = -1;
    qsizetype hangUpsWhenClosed = -1;
    int closes = 0;
    QObject::connect(&f.ctx.events, &EngineEvents::sessionClosed, [&] {
        ++closes;
        boxesWhenClosed = f.ui.messages.size();
        hangUpsWhenClosed = network.hungUp.size();
    });
    Alarm hangUp = timeAlarm(30, 0);
    hangUp.hangUp = 1;
    Alarm later = timeAlarm(20, 0);
    storeAlarms(f, {hangUp, later});
    openSession(f);
    f.ctx.alarms.ClockTimeAlarmArmed = true;
    f.ctx.alarms.ClockTimeAlarmMinutes = 23 * 60;
    f.ctx.pricing.SecondsOnline = 30 * 60;
    CheckAlarms(f.ctx);

    QCOMPARE(closes, 1);
    QCOMPARE(hangUpsWhenClosed, qsizetype(1));
    QCOMPARE(boxesWhenClosed, qsizetype(0));
    QCOMPARE(network.hungUp, QList<qint64>{21});
    // The alarms after the one that hung up are still looked at.
    QCOMPARE(f.ui.texts(), (QStringList{QStringLiteral("You have been online for 00:30. Limit exceeded!"),
                                        QStringLiteral("You have been online for 00:20. Limit exceeded!")}));
    // Nothing is left to redial, and the session's quick alarms are gone.
    QVERIFY(!f.ctx.shell.ReconnectArmed);
    QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
    QVERIFY(!f.ctx.alarms.ClockTimeAlarmArmed);
}

void TestAlarmChecking::refusedHangUpLeavesTheSessionOpen()
{
    EngineFixture f;
    FakeDialUpNetwork network;
    network.addConnection(21, QStringLiteral("wwan0"), RasState::Connected, QStringLiteral("wwan0"));
    network.hangUpRefusal = QStringLiteral("Tallyline may not take the network interface wwan0 down.");
    f.ctx.platform.dialUp = &network;
    int closes = 0;
    QObject::connect(&f.ctx.events, &EngineEvents::sessionClosed, [&] { ++closes; });
    Alarm hangUp = timeAlarm(30, 0);
    hangUp.hangUp = 1;
    storeAlarms(f, {hangUp});
    openSession(f);
    f.ctx.pricing.SecondsOnline = 30 * 60;
    CheckAlarms(f.ctx);

    QCOMPARE(network.hungUp, QList<qint64>{21});
    QCOMPARE(closes, 0);
    QVERIFY(f.ctx.shell.SessionOpen);
    QCOMPARE(f.ui.texts(), (QStringList{network.hangUpRefusal,
                                        QStringLiteral("You have been online for 00:30. Limit exceeded!")}));
    // The session goes on; the alarm has fired for it and does not again.
    f.ctx.pricing.SecondsOnline = 30 * 60 + 1;
    CheckAlarms(f.ctx);
    QCOMPARE(network.hungUp.size(), 1);
    QCOMPARE(f.ui.messages.size(), 2);
    QVERIFY(f.ctx.shell.SessionOpen);
}

void TestAlarmChecking::alarmSound_data()
{
    QTest::addColumn<QString>("wave");
    QTest::addColumn<QStringList>("played");
    QTest::newRow("a wave file") << QStringLiteral("/sounds/Alarm.wav") << QStringList{QStringLiteral("/sounds/Alarm.wav")};
    QTest::newRow("no sound") << QStringLiteral("None") << QStringList{};
}

void TestAlarmChecking::alarmSound()
{
    QFETCH(QString, wave);
    QFETCH(QStringList, played);
    EngineFixture f;
    FakeSoundPlayer sound;
    f.ctx.platform.sound = &sound;
    Alarm a = timeAlarm(10, 0);
    a.wave = wave;
    storeAlarms(f, {a});
    openSession(f);
    // The sound starts before the box and does not wait for it.
    qsizetype playedWhenShown = -1;
    f.ui.onMessage = [&](const RecordingUi::Message &) { playedWhenShown = sound.played.size(); };
    f.ctx.pricing.SecondsOnline = 9 * 60 + 59;
    CheckAlarms(f.ctx);
    QVERIFY(sound.played.isEmpty());
    f.ctx.pricing.SecondsOnline = 10 * 60;
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QCOMPARE(sound.played, played);
    QCOMPARE(playedWhenShown, played.size());
    QCOMPARE(f.ui.messages.size(), 1);
}

void TestAlarmChecking::desktopNotice_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("notifierPresent");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("notices");
    QTest::newRow("on") << true << true << QStringLiteral("Time for bed")
                        << QStringList{QStringLiteral("Tallyline alarm|Time for bed")};
    QTest::newRow("off") << false << true << QStringLiteral("Time for bed") << QStringList{};
    QTest::newRow("on, no notification service") << true << false << QStringLiteral("Time for bed") << QStringList{};
    // An alarm that fires without a box sends no notice either.
    QTest::newRow("silent alarm") << true << true << QString() << QStringList{};
}

void TestAlarmChecking::desktopNotice()
{
    QFETCH(bool, enabled);
    QFETCH(bool, notifierPresent);
    QFETCH(QString, message);
    QFETCH(QStringList, notices);
    EngineFixture f;
    FakeDesktopNotifier notifier;
    if (notifierPresent)
        f.ctx.platform.notifier = &notifier;
    f.ctx.settings.DesktopNotifications = enabled;
    Alarm a = timeAlarm(10, 0);
    a.type = CustomMessageAlarm;
    a.message = message;
    storeAlarms(f, {a});
    openSession(f);
    // The notice goes out before the box, which may wait for an answer.
    qsizetype sentWhenShown = -1;
    f.ui.onMessage = [&](const RecordingUi::Message &) { sentWhenShown = notifier.sent.size(); };
    f.ctx.pricing.SecondsOnline = 10 * 60;
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QStringList sent;
    for (const FakeDesktopNotifier::Notice &n : notifier.sent) {
        sent.append(n.summary + QLatin1Char('|') + n.body);
        QCOMPARE(n.urgency, DesktopNotifier::Urgency::Critical);
    }
    QCOMPARE(sent, notices);
    if (!f.ui.messages.isEmpty())
        QCOMPARE(sentWhenShown, notices.size());
}

void TestAlarmChecking::quickAlarms()
{
    EngineFixture f(QDateTime(Monday, QTime(21, 14, 30)));
    FakeDialUpNetwork network;
    network.addConnection(3, QStringLiteral("Provider"), RasState::Connected);
    f.ctx.platform.dialUp = &network;
    openSession(f);
    AlarmState &a = f.ctx.alarms;
    a.OnlineTimeAlarmArmed = true;
    a.OnlineTimeAlarmMinutes = 90;
    a.ClockTimeAlarmArmed = true;
    a.ClockTimeAlarmMinutes = 21 * 60 + 15;
    a.ClockTimeAlarmHangUp = true;
    int closes = 0;
    QObject::connect(&f.ctx.events, &EngineEvents::sessionClosed, [&] { ++closes; });

    f.ctx.pricing.SecondsOnline = 90 * 60 - 1;
    CheckAlarms(f.ctx);
    QVERIFY(f.ui.messages.isEmpty());

    f.ctx.pricing.SecondsOnline = 90 * 60;
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("You have been online for 01:30")});
    QVERIFY(!a.OnlineTimeAlarmArmed);
    QCOMPARE(f.ui.beeps, 1);
    QCOMPARE(closes, 0);

    f.clock.set(QDateTime(Monday, QTime(21, 15)));
    CheckAlarms(f.ctx);
    CheckAlarms(f.ctx);
    QCOMPARE(f.ui.texts().value(1), QStringLiteral("Online alarm for 21:15"));
    QCOMPARE(f.ui.messages.size(), 2);
    QVERIFY(!a.ClockTimeAlarmArmed);
    QCOMPARE(f.ui.beeps, 2);
    QCOMPARE(closes, 1);
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(network.hungUp, QList<qint64>{3});
}

void TestAlarmChecking::clockTimeQuickAlarmWaitsForItsTime_data()
{
    QTest::addColumn<QDateTime>("armedAt");
    QTest::addColumn<QTime>("alarmTime");
    QTest::addColumn<QList<QDateTime>>("checks");
    QTest::addColumn<int>("firesAt");  // index into checks; -1: none
    const QDate tuesday = Monday.addDays(1);
    QTest::newRow("later today")
        << QDateTime(Monday, QTime(21, 14, 30)) << QTime(21, 15)
        << QList<QDateTime>{QDateTime(Monday, QTime(21, 14, 59)), QDateTime(Monday, QTime(21, 15))} << 1;
    QTest::newRow("this very minute") << QDateTime(Monday, QTime(21, 15, 40)) << QTime(21, 15)
                                      << QList<QDateTime>{QDateTime(Monday, QTime(21, 15, 40))} << 0;
    QTest::newRow("after midnight")
        << QDateTime(Monday, QTime(23, 0)) << QTime(0, 30)
        << QList<QDateTime>{QDateTime(Monday, QTime(23, 0)), QDateTime(Monday, QTime(23, 59, 59)),
                            QDateTime(tuesday, QTime(0, 29, 59)), QDateTime(tuesday, QTime(0, 30))}
        << 3;
    QTest::newRow("gone by today: tomorrow")
        << QDateTime(Monday, QTime(12, 0)) << QTime(11, 0)
        << QList<QDateTime>{QDateTime(Monday, QTime(12, 0)), QDateTime(Monday, QTime(23, 0)),
                            QDateTime(tuesday, QTime(10, 59)), QDateTime(tuesday, QTime(11, 0))}
        << 3;
}

void TestAlarmChecking::clockTimeQuickAlarmWaitsForItsTime()
{
    QFETCH(QDateTime, armedAt);
    QFETCH(QTime, alarmTime);
    QFETCH(QList<QDateTime>, checks);
    QFETCH(int, firesAt);
    EngineFixture f(armedAt);
    FakeDialUpNetwork network;
    network.addConnection(3, QStringLiteral("Provider"), RasState::Connected);
    f.ctx.platform.dialUp = &network;
    openSession(f);
    QuickAlarmChoice choice;
    choice.clockTimeArmed = true;
    choice.clockHours = alarmTime.hour();
    choice.clockMinutes = alarmTime.minute();
    choice.clockTimeHangUp = true;
    ApplyQuickAlarms(f.ctx, choice);
    int firedAt = -1;
    for (int i = 0; i < checks.size(); ++i) {
        f.clock.set(checks[i]);
        CheckAlarms(f.ctx);
        if (firedAt < 0 && !f.ui.messages.isEmpty())
            firedAt = i;
        // The line stays up until the alarm's time.
        QCOMPARE(network.hungUp.isEmpty(), firedAt < 0);
    }
    QCOMPARE(firedAt, firesAt);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Online alarm for ") + alarmTime.toString(QStringLiteral("HH:mm"))});
    QCOMPARE(network.hungUp, QList<qint64>{3});
}

void TestAlarmChecking::noAlarmsNoRows()
{
    EngineFixture f;
    openSession(f);
    f.ctx.pricing.SecondsOnline = 1'000'000;
    f.ctx.pricing.SessionCost = 1e6;
    CheckAlarms(f.ctx);
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(AlarmListRows(f.ctx).isEmpty());
}

void TestAlarmChecking::listRows_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("cost");
    QTest::addColumn<int>("download");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("row");

    QTest::newRow("daily cost") << int(DailyCostAlarm) << 0 << QStringLiteral("2.50") << 0 << 255
                                << QStringList{QStringLiteral("Daily cost limit"), QStringLiteral("\u00a3 2.50"),
                                               QStringLiteral("Mon, Tue, Wed, Thu, Fri, Sat, Sun")};
    QTest::newRow("daily download") << int(DailyDownloadAlarm) << 0 << QStringLiteral("500") << 512000 << 5
                                    << QStringList{QStringLiteral("Daily download limit"), QStringLiteral("500 K"),
                                                   QStringLiteral("Mon, Wed")};
    QTest::newRow("session time") << int(SessionTimeAlarm) << 90 << QString() << 0 << 0
                                  << QStringList{QStringLiteral("Session time limit"), QStringLiteral("01:30"), QString()};
    QTest::newRow("account time, 100 h") << int(AccountTimeAlarm) << 6005 << QString() << 0 << 64
                                         << QStringList{QStringLiteral("Account time limit"), QStringLiteral("100:05"),
                                                        QStringLiteral("Sun")};
    QTest::newRow("custom message") << int(CustomMessageAlarm) << 5 << QString() << 0 << 96
                                    << QStringList{QStringLiteral("Custom message time limit"), QStringLiteral("00:05"),
                                                   QStringLiteral("Sat, Sun")};
}

void TestAlarmChecking::listRows()
{
    QFETCH(int, type);
    QFETCH(int, minutes);
    QFETCH(QString, cost);
    QFETCH(int, download);
    QFETCH(int, days);
    QFETCH(QStringList, row);
    EngineFixture f;
    Alarm a;
    a.type = type;
    a.minutes = minutes;
    a.cost = cost;
    a.downloadLimit = download;
    a.days = days;
    a.hangUp = 1;
    a.start = 22 * 60;
    a.end = 6 * 60 + 5;
    Alarm other = timeAlarm(1, 0);
    storeAlarms(f, {other, a});
    const QList<AlarmListRow> rows = AlarmListRows(f.ctx);
    QCOMPARE(rows.size(), 2);
    const AlarmListRow &r = rows[1];
    QCOMPARE((QStringList{r.description, r.limit, r.days}), row);
    QCOMPARE(r.hangUp, QStringLiteral("Yes"));
    QCOMPARE(rows[0].hangUp, QStringLiteral("No"));
    QCOMPARE(r.start, QStringLiteral("22:00"));
    QCOMPARE(r.end, QStringLiteral("06:05"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestAlarmChecking)
#include "TestAlarmChecking.moc"

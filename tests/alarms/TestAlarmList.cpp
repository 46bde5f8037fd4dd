#include "alarms/AlarmList.h"
#include "store/Store.h"
#include "support/EngineFixture.h"
#include "support/TestMain.h"
#include "users/UserRecord.h"

using testsupport::EngineFixture;

class TestAlarmList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theEditorsFieldsBecomeTheRecord_data();
    void theEditorsFieldsBecomeTheRecord();
    void invalidLimitsAreAllToldAndNothingIsStored_data();
    void invalidLimitsAreAllToldAndNothingIsStored();
    void valuesAreWrittenInTheEditorsOrder();
    void editingRewritesInPlaceAndRemovingRenumbers();
};

namespace {

int storedCount(EngineFixture &f)
{
    return ReadUserRecord(f.store(), 1).numberOfAlarms;
}

} // namespace

void TestAlarmList::theEditorsFieldsBecomeTheRecord_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("allowance");
    QTest::addColumn<bool>("alwaysActive");
    QTest::addColumn<int>("ispPosition");
    QTest::addColumn<QString>("totalCost");
    QTest::addColumn<int>("downloadLimit");
    QTest::addColumn<int>("ispIndex");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("limitText");
    QTest::newRow("daily cost 2.50") << int(DailyCostAlarm) << "2.50" << true << -1 << "2.50" << 0 << 1 << 255
                                     << QLocale().currencySymbol(QLocale::CurrencySymbol) + QStringLiteral(" 2.50");
    QTest::newRow("daily download 500 K") << int(DailyDownloadAlarm) << "500" << true << -1 << "500" << 512000 << 1
                                          << 255 << "500 K";
    QTest::newRow("download beyond the stored integer") << int(AccountDownloadAlarm) << "99999999" << true << 0
                                                        << "99999999" << 2147482624 << 2 << 255 << "2097151 K";
    QTest::newRow("windowed on the second of three ISPs") << int(SessionTimeAlarm) << "0" << false << 1 << "0" << 0
                                                           << 3 << (1 | 64) << "01:30";
}

void TestAlarmList::theEditorsFieldsBecomeTheRecord()
{
    QFETCH(int, type);
    QFETCH(QString, allowance);
    QFETCH(bool, alwaysActive);
    QFETCH(int, ispPosition);
    QFETCH(QString, totalCost);
    QFETCH(int, downloadLimit);
    QFETCH(int, ispIndex);
    QFETCH(int, days);
    QFETCH(QString, limitText);
    EngineFixture f;
    AlarmEditorInput in;
    in.type = type;
    in.limitHours = 1;
    in.limitMinutes = 30;
    in.allowanceText = allowance;
    in.alwaysActive = alwaysActive;
    in.useIsp = true;
    in.ispListPosition = ispPosition;
    in.startHours = 22;
    in.endHours = 6;
    in.endMinutes = 15;
    in.days = 1 | 64;  // what the day rows show, whatever "always active" says
    in.playWave = false;
    in.waveFile = QStringLiteral("/sounds/Uh oh.wav");
    int changes = 0;
    connect(&f.ctx.events, &EngineEvents::alarmListChanged, [&] { ++changes; });
    QVERIFY(StoreAlarm(f.ctx, 0, in));
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(changes, 1);
    QCOMPARE(storedCount(f), 1);
    QCOMPARE(f.ctx.login.NumberOfAlarms, 1);

    AlarmRecord r;
    ReadAlarmRecord(f.store(), 1, 1, r);
    QCOMPARE(r.AlarmType, type);
    QCOMPARE(r.TotalCost, totalCost);
    QCOMPARE(r.DownloadLimit, downloadLimit);
    QCOMPARE(r.AllowanceTime, 90);
    QCOMPARE(r.UseISP, 1);
    QCOMPARE(r.ISPIndex, ispIndex);
    QCOMPARE(r.Days, days);
    QCOMPARE(r.UseTimeZone, alwaysActive ? 0 : 1);
    QCOMPARE(r.StartTime, alwaysActive ? 0 : 22 * 60);
    QCOMPARE(r.EndTime, alwaysActive ? 0 : 6 * 60 + 15);
    QCOMPARE(r.AlarmWaveFile, QStringLiteral("None"));

    AlarmListModel model(f.ctx);
    model.rebuild();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, AlarmListModel::Limit).data().toString(), limitText);
    QCOMPARE(model.index(0, AlarmListModel::Days).data().toString(),
             alwaysActive ? QStringLiteral("Mon, Tue, Wed, Thu, Fri, Sat, Sun") : QStringLiteral("Mon, Sun"));
}

void TestAlarmList::invalidLimitsAreAllToldAndNothingIsStored_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("allowance");
    QTest::addColumn<QString>("message");
    QTest::newRow("00:00") << int(DailyTimeAlarm) << "5" << "00:00 is not a valid time online limit.";
    QTest::newRow("cost 0") << int(SessionCostAlarm) << "0.00" << "0 is an invalid cost limit.";
    QTest::newRow("cost unreadable") << int(AccountCostAlarm) << "abc" << "0 is an invalid cost limit.";
    QTest::newRow("download not whole") << int(AccountDownloadAlarm) << "2.5" << "0 is an invalid download limit.";
}

void TestAlarmList::invalidLimitsAreAllToldAndNothingIsStored()
{
    QFETCH(int, type);
    QFETCH(QString, allowance);
    QFETCH(QString, message);
    EngineFixture f;
    AlarmEditorInput in;
    in.type = type;
    in.allowanceText = allowance;
    QVERIFY(!StoreAlarm(f.ctx, 0, in));
    QCOMPARE(f.ui.texts(), QStringList{message});
    QCOMPARE(f.ui.messages.first().kind, MessageKind::Information);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(AlarmKey(1, 1))));
    QCOMPARE(storedCount(f), 0);
}

void TestAlarmList::valuesAreWrittenInTheEditorsOrder()
{
    EngineFixture f;
    AlarmEditorInput in;
    in.limitMinutes = 5;
    QVERIFY(StoreAlarm(f.ctx, 0, in));
    QStringList names;
    for (const StoreValue &v : f.store().values(Store::hivePathOf(AlarmKey(1, 1))))
        names.append(v.name);
    QCOMPARE(names, (QStringList{"RepeatAlarm", "DownloadLimit", "UseISP", "ISPIndex", "Use TimeZone", "Start Time",
                                 "End Time", "Days", "AlarmType", "HangUpPhone", "AllowanceTime", "TotalCost",
                                 "CustomMessage", "AlarmWaveFile"}));
}

void TestAlarmList::editingRewritesInPlaceAndRemovingRenumbers()
{
    EngineFixture f;
    for (int minutes : {10, 20, 30}) {
        AlarmEditorInput in;
        in.limitMinutes = minutes;
        QVERIFY(StoreAlarm(f.ctx, 0, in));
    }
    AlarmEditorInput edited;
    edited.limitMinutes = 25;
    QVERIFY(StoreAlarm(f.ctx, 2, edited));
    QCOMPARE(storedCount(f), 3);

    // Answered No, nothing goes; Yes removes alarm 1 of 3.
    f.ctx.settings.DeletePrompt = true;
    f.ui.answers.enqueue(false);
    f.ui.answers.enqueue(true);
    QVERIFY(!RemoveAlarm(f.ctx, 1));
    QCOMPARE(storedCount(f), 3);
    QVERIFY(RemoveAlarm(f.ctx, 1));
    QCOMPARE(f.ui.texts().last(), QStringLiteral("Are you sure you want to remove the alarm?"));
    QCOMPARE(storedCount(f), 2);
    QCOMPARE(f.ctx.login.NumberOfAlarms, 2);
    AlarmRecord first, second;
    ReadAlarmRecord(f.store(), 1, 1, first);
    ReadAlarmRecord(f.store(), 1, 2, second);
    QCOMPARE(first.AllowanceTime, 25);
    QCOMPARE(second.AllowanceTime, 30);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(AlarmKey(1, 3))));
    QVERIFY(!RemoveAlarm(f.ctx, 3));
}

TALLYLINE_ENGINE_TEST_MAIN(TestAlarmList)
#include "TestAlarmList.moc"

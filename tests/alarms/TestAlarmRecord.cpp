#include "alarms/AlarmRecord.h"
#include "core/Errors.h"
#include "support/DatabaseFaults.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

using testsupport::dumpTree;
using testsupport::FailingValueWrite;
using testsupport::TempStore;

namespace {

const QString Alarm2 = QStringLiteral("Users\\User1\\Alarms\\Alarm2");

QStringList rawValues(Store &s)
{
    return dumpTree(s, Store::hivePathOf(Alarm2)).mid(1);
}

AlarmRecord sample()
{
    AlarmRecord r;
    r.AlarmType = 7;
    r.AllowanceTime = 90;
    r.TotalCost = QStringLiteral("2.50");
    r.DownloadLimit = 10 * 1024 * 1024;
    r.CustomMessage = QStringLiteral("Time for tea");
    r.RepeatAlarm = 1;
    r.HangUpPhone = 1;
    r.AlarmWaveFile = QStringLiteral("/usr/share/sounds/alarm.wav");
    r.UseISP = 1;
    r.ISPIndex = 2;
    r.UseTimeZone = 1;
    r.StartTime = 1320;
    r.EndTime = 60;
    r.Days = 1 | 64;
    return r;
}

} // namespace

class TestAlarmRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedUnderTheDocumentedNames();
    void reminderWritesOnlyItsValues();
    void readOverKeepsMissingNumbers();
    void failedWriteLeavesTheAlarmAsItWas();
};

void TestAlarmRecord::storedUnderTheDocumentedNames()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(AlarmKey(1, 2), Alarm2);
    WriteAlarmRecord(s, 1, 2, sample());
    QCOMPARE(rawValues(s), (QStringList{
                               "AlarmType|4|7", "AllowanceTime|4|90", "TotalCost|1|2.50", "DownloadLimit|4|10485760",
                               "CustomMessage|1|Time for tea", "RepeatAlarm|4|1", "HangUpPhone|4|1",
                               "AlarmWaveFile|1|/usr/share/sounds/alarm.wav", "UseISP|4|1", "ISPIndex|4|2",
                               "Use TimeZone|4|1", "Start Time|4|1320", "End Time|4|60", "Days|4|65"}));
    AlarmRecord read;
    ReadAlarmRecord(s, 1, 2, read);
    QCOMPARE(read, sample());
}

// The setup wizard's reminders write nine values; nothing else appears.
void TestAlarmRecord::reminderWritesOnlyItsValues()
{
    TempStore t;
    Store &s = *t.store;
    WriteAlarmRecord(s, 1, 2, sample(),
                     AlarmTypeValue | AlarmUseTimeZoneValue | AlarmDaysValue | AlarmStartTimeValue | AlarmEndTimeValue
                         | AlarmHangUpPhoneValue | AlarmAllowanceTimeValue | AlarmTotalCostValue | AlarmWaveFileValue);
    QStringList names;
    for (const StoreValue &v : s.values(Store::hivePathOf(Alarm2)))
        names.append(v.name);
    names.sort();
    QCOMPARE(names, (QStringList{"AlarmType", "AlarmWaveFile", "AllowanceTime", "Days", "End Time", "HangUpPhone",
                                 "Start Time", "TotalCost", "Use TimeZone"}));
}

void TestAlarmRecord::readOverKeepsMissingNumbers()
{
    TempStore t;
    Store &s = *t.store;
    s.WriteStoreInteger(QStringLiteral("ALARMTYPE"), Alarm2, 4);
    s.WriteStoreString(QStringLiteral("TotalCost"), Alarm2, QStringLiteral("1"));
    AlarmRecord carried = sample();
    ReadAlarmRecord(s, 1, 2, carried);
    AlarmRecord expected = sample();
    expected.AlarmType = 4;
    expected.TotalCost = QStringLiteral("1");
    expected.CustomMessage.clear();
    expected.AlarmWaveFile.clear();
    QCOMPARE(carried, expected);
}

void TestAlarmRecord::failedWriteLeavesTheAlarmAsItWas()
{
    TempStore t;
    Store &s = *t.store;
    WriteAlarmRecord(s, 1, 2, sample());
    const QStringList before = rawValues(s);
    AlarmRecord changed = sample();
    changed.AlarmType = 1;
    changed.Days = 255;
    {
        FailingValueWrite failing(s, QStringLiteral("Days"));
        QVERIFY2(failing.isArmed(), qPrintable(failing.error()));
        QVERIFY_THROWS_EXCEPTION(StoreError, WriteAlarmRecord(s, 1, 2, changed));
    }
    QCOMPARE(rawValues(s), before);
}

TALLYLINE_ENGINE_TEST_MAIN(TestAlarmRecord)
#include "TestAlarmRecord.moc"

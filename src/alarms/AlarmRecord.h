#pragma once

#include <QString>
#include <QtGlobal>

struct AppContext;
class Store;

// One stored alarm, Users\User<u>\Alarms\Alarm<a>.
struct AlarmRecord {
    int AlarmType = 0;
    int AllowanceTime = 0;      // minutes
    QString TotalCost;          // as typed
    int DownloadLimit = 0;      // bytes
    QString CustomMessage;
    int RepeatAlarm = 0;
    int HangUpPhone = 0;
    QString AlarmWaveFile;
    int UseISP = 0;
    int ISPIndex = 0;
    int UseTimeZone = 0;        // "Use TimeZone"
    int StartTime = 0;
    int EndTime = 0;
    int Days = 0;               // Monday bit 0 .. Sunday bit 6

    bool operator==(const AlarmRecord &) const = default;
};

// Which values a write stores; in the order they are written (and checked
// when read).
enum AlarmValue : quint64 {
    AlarmTypeValue = 1 << 0,
    AlarmAllowanceTimeValue = 1 << 1,
    AlarmTotalCostValue = 1 << 2,
    AlarmDownloadLimitValue = 1 << 3,
    AlarmCustomMessageValue = 1 << 4,
    AlarmRepeatValue = 1 << 5,
    AlarmHangUpPhoneValue = 1 << 6,
    AlarmWaveFileValue = 1 << 7,
    AlarmUseISPValue = 1 << 8,
    AlarmISPIndexValue = 1 << 9,
    AlarmUseTimeZoneValue = 1 << 10,
    AlarmStartTimeValue = 1 << 11,
    AlarmEndTimeValue = 1 << 12,
    AlarmDaysValue = 1 << 13,
    AllAlarmValues = (1 << 14) - 1,
};

QString AlarmKey(int user, int alarm);

// Reads the record in one query over `record`: a missing integer leaves its
// field as it was, a missing text reads as empty.
void ReadAlarmRecord(Store &store, int user, int alarm, AlarmRecord &record);
void ReadAlarmRecord(AppContext &ctx, int user, int alarm, AlarmRecord &record);

// The chosen values, as one transaction.
void WriteAlarmRecord(Store &store, int user, int alarm, const AlarmRecord &record, quint64 which = AllAlarmValues);

// The stored alarm count of a user ("NumberOfAlarms" of the user record).
int ReadNumberOfAlarms(AppContext &ctx, int user);

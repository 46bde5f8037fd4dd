#include "alarms/AlarmRecord.h"

#include "core/AppContext.h"
#include "store/RecordFields.h"
#include "users/UserRecord.h"

namespace {

// In AlarmValue bit order.
const RecordField<AlarmRecord> Fields[] = {
    {"AlarmType", &AlarmRecord::AlarmType},
    {"AllowanceTime", &AlarmRecord::AllowanceTime},
    {"TotalCost", &AlarmRecord::TotalCost},
    {"DownloadLimit", &AlarmRecord::DownloadLimit},
    {"CustomMessage", &AlarmRecord::CustomMessage},
    {"RepeatAlarm", &AlarmRecord::RepeatAlarm},
    {"HangUpPhone", &AlarmRecord::HangUpPhone},
    {"AlarmWaveFile", &AlarmRecord::AlarmWaveFile},
    {"UseISP", &AlarmRecord::UseISP},
    {"ISPIndex", &AlarmRecord::ISPIndex},
    {"Use TimeZone", &AlarmRecord::UseTimeZone},
    {"Start Time", &AlarmRecord::StartTime},
    {"End Time", &AlarmRecord::EndTime},
    {"Days", &AlarmRecord::Days},
};
static_assert(AllAlarmValues == (1 << std::size(Fields)) - 1);

} // namespace

QString AlarmKey(int user, int alarm)
{
    return UserKey(user) + QStringLiteral("\\Alarms\\Alarm%1").arg(alarm);
}

void ReadAlarmRecord(Store &store, int user, int alarm, AlarmRecord &record)
{
    ReadRecordFields<AlarmRecord>(KeyValues::read(store, AlarmKey(user, alarm)), Fields, record);
}

void ReadAlarmRecord(AppContext &ctx, int user, int alarm, AlarmRecord &record)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "ReadAlarmRecord");
    ReadAlarmRecord(ctx.store, user, alarm, record);
}

void WriteAlarmRecord(Store &store, int user, int alarm, const AlarmRecord &record, quint64 which)
{
    WriteRecordFields<AlarmRecord>(store, AlarmKey(user, alarm), Fields, record, which);
}

int ReadNumberOfAlarms(AppContext &ctx, int user)
{
    return qMax(ReadUserRecord(ctx.store, user).numberOfAlarms, 0);
}

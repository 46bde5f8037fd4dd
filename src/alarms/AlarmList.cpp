#include "alarms/AlarmList.h"

#include "core/AppContext.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "users/UserRecord.h"

#include <limits>

// --- The list ---------------------------------------------------------------

int AlarmListModel::designWidth(int column)
{
    static const int widths[ColumnCount] = {160, 68, 54, 50, 50, 180};
    return column >= 0 && column < ColumnCount ? widths[column] : -1;
}

AlarmListModel::AlarmListModel(AppContext &ctx, QObject *parent) : QAbstractTableModel(parent), m_ctx(ctx) {}

void AlarmListModel::rebuild()
{
    QList<AlarmListRow> rows;
    if (m_ctx.login.LoggedIn) {
        m_ctx.login.NumberOfAlarms = ReadNumberOfAlarms(m_ctx, m_ctx.login.CurrentUser);
        rows = AlarmListRows(m_ctx);
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void AlarmListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int AlarmListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AlarmListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlarmListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const AlarmListRow &row = m_rows[index.row()];
    switch (index.column()) {
    case Description:
        return row.description;
    case Limit:
        return row.limit;
    case HangUp:
        return row.hangUp;
    case Start:
        return row.start;
    case End:
        return row.end;
    case Days:
        return row.days;
    }
    return {};
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[ColumnCount] = {"Description", "Limit", "Hang Up", "Start", "End", "Days"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QLatin1String(captions[section]);
}

// --- The editor's record ----------------------------------------------------

namespace {

bool isTimeAlarm(int type)
{
    return type == SessionTimeAlarm || type == CustomMessageAlarm || type == DailyTimeAlarm
           || type == AccountTimeAlarm;
}

bool isCostLimit(int type)
{
    return type == SessionCostAlarm || type == AccountCostAlarm || type == DailyCostAlarm;
}

bool isDownloadAlarm(int type)
{
    return type == AccountDownloadAlarm || type == DailyDownloadAlarm;
}

// The largest download limit a stored integer holds, in whole kilobytes.
constexpr qint64 MaxDownloadLimit = std::numeric_limits<int>::max() / 1024 * 1024;

// Kilobytes as typed, in bytes. Text that is not a whole number reads 0.
int downloadLimitBytes(const QString &text)
{
    bool ok = false;
    const qint64 kilobytes = text.trimmed().toLongLong(&ok);
    if (!ok)
        return 0;
    // Eight typed digits of kilobytes are more bytes than the stored integer
    // holds; wrapped, a large limit would fire at once or never.
    return int(qBound<qint64>(std::numeric_limits<int>::min() / 1024 * 1024, kilobytes * 1024, MaxDownloadLimit));
}

// The order the editor has always written an alarm's values in.
constexpr AlarmValue EditorWriteOrder[] = {
    AlarmRepeatValue,       AlarmDownloadLimitValue, AlarmUseISPValue,    AlarmISPIndexValue,
    AlarmUseTimeZoneValue,  AlarmStartTimeValue,     AlarmEndTimeValue,   AlarmDaysValue,
    AlarmTypeValue,         AlarmHangUpPhoneValue,   AlarmAllowanceTimeValue, AlarmTotalCostValue,
    AlarmCustomMessageValue, AlarmWaveFileValue,
};

} // namespace

AlarmRecord AlarmRecordFromEditor(const AlarmEditorInput &in)
{
    AlarmRecord r;
    r.AlarmType = in.type;
    r.AllowanceTime = in.limitHours * 60 + in.limitMinutes;
    r.TotalCost = in.allowanceText;
    r.DownloadLimit = downloadLimitBytes(in.allowanceText);
    r.CustomMessage = in.customMessage;
    r.RepeatAlarm = in.repeat ? 1 : 0;
    r.HangUpPhone = in.hangUp ? 1 : 0;
    r.AlarmWaveFile = in.playWave ? in.waveFile : QStringLiteral("None");
    r.UseISP = in.useIsp ? 1 : 0;
    r.ISPIndex = in.ispListPosition < 0 ? 1 : in.ispListPosition + 2;
    if (in.alwaysActive) {
        r.UseTimeZone = 0;
        r.StartTime = 0;
        r.EndTime = 0;
        r.Days = 255;
    } else {
        r.UseTimeZone = 1;
        r.StartTime = in.startHours * 60 + in.startMinutes;
        r.EndTime = in.endHours * 60 + in.endMinutes;
        r.Days = in.days & 0x7f;
    }
    return r;
}

bool StoreAlarm(AppContext &ctx, int alarm, const AlarmEditorInput &input)
{
    PROCEDURE_GUARD(ctx, "Alarm", "Button1Click");
    const AlarmRecord record = AlarmRecordFromEditor(input);
    bool valid = true;
    const auto refuse = [&](const char *text) {
        ctx.ui.showMessage(MessageKind::Information, QLatin1String(text));
        valid = false;
    };
    if (isTimeAlarm(record.AlarmType) && record.AllowanceTime == 0)
        refuse("00:00 is not a valid time online limit.");
    if (isCostLimit(record.AlarmType) && SafeStrToFloat(input.allowanceText) == 0)
        refuse("0 is an invalid cost limit.");
    if (isDownloadAlarm(record.AlarmType) && record.DownloadLimit == 0)
        refuse("0 is an invalid download limit.");
    if (!valid)
        return false;

    const int user = ctx.login.CurrentUser;
    const int count = ReadNumberOfAlarms(ctx, user);
    const int number = alarm >= 1 && alarm <= count ? alarm : count + 1;
    {
        Store::Transaction transaction(ctx.store);
        for (AlarmValue value : EditorWriteOrder)
            WriteAlarmRecord(ctx.store, user, number, record, value);
        UserRecord counts;
        counts.numberOfAlarms = std::max(count, number);
        WriteUserRecord(ctx.store, user, counts, UserNumberOfAlarms);
        transaction.commit();
    }
    ctx.login.NumberOfAlarms = std::max(count, number);
    Q_EMIT ctx.events.alarmListChanged();
    return true;
}

bool RemoveAlarm(AppContext &ctx, int alarm)
{
    PROCEDURE_GUARD(ctx, "Properties", "RemoveAlarmButtonClick");
    const int user = ctx.login.CurrentUser;
    const int count = ReadNumberOfAlarms(ctx, user);
    if (alarm < 1 || alarm > count)
        return false;
    if (ctx.settings.DeletePrompt && !ctx.ui.confirm(QStringLiteral("Are you sure you want to remove the alarm?")))
        return false;
    ctx.store.DeleteNumberedRecord(UserKey(user) + QStringLiteral("\\Alarms"), QStringLiteral("Alarm"), alarm,
                                   UserKey(user), QStringLiteral("NumberOfAlarms"));
    ctx.login.NumberOfAlarms = count - 1;
    Q_EMIT ctx.events.alarmListChanged();
    return true;
}

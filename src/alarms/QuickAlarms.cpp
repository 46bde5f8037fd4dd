#include "alarms/QuickAlarms.h"

#include "core/AppContext.h"

QString NormaliseQuickAlarmField(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return QString::asprintf("%.2d", ok ? qBound(0, value, 59) : 0);
}

void ApplyQuickAlarms(AppContext &ctx, const QuickAlarmChoice &c)
{
    PROCEDURE_GUARD(ctx, "QuickAlarms", "Button1Click");
    AlarmState &a = ctx.alarms;
    a.OnlineTimeAlarmArmed = c.onlineTimeArmed;
    a.OnlineTimeAlarmMinutes = c.onlineHours * 60 + c.onlineMinutes;
    a.OnlineTimeAlarmHangUp = c.onlineTimeHangUp;
    a.ClockTimeAlarmArmed = c.clockTimeArmed;
    a.ClockTimeAlarmMinutes = c.clockHours * 60 + c.clockMinutes;
    a.ClockTimeAlarmHangUp = c.clockTimeHangUp;
    // A time of day already gone by is meant for tomorrow.
    a.ClockTimeAlarmDue = QDateTime();
    const QTime at(c.clockHours, c.clockMinutes);
    if (c.clockTimeArmed && at.isValid()) {
        const QDateTime now = ctx.clock.now();
        const QTime nowMinute(now.time().hour(), now.time().minute());
        a.ClockTimeAlarmDue = QDateTime(now.date().addDays(at < nowMinute ? 1 : 0), at);
    }
}

#pragma once

#include "alarms/AlarmRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppContext;

// The watched total of an alarm; the stored code is the position here.
enum AlarmTypeCode {
    SessionTimeAlarm = 0,
    SessionCostAlarm = 1,
    AccountCostAlarm = 2,
    CustomMessageAlarm = 3,
    DailyTimeAlarm = 4,
    DailyCostAlarm = 5,
    AccountTimeAlarm = 6,
    AccountDownloadAlarm = 7,
    DailyDownloadAlarm = 8,
};

// The names of the alarm types as the editor and the alarm list show them.
const QStringList &AlarmTypeNames();

// Called when a session opens: no alarm has fired yet.
void ResetAlarmFireCounters(AppContext &ctx);
// Called when a session closes: both quick alarms and their tray check marks go.
void DisarmQuickAlarms(AppContext &ctx);

// The alarm check of every main tick with an open session, after pricing:
// the two quick alarms, then the user's stored alarms in record order. An
// alarm that fires plays its sound, hangs up and closes the session when it
// says so, and then shows its box as a tick's box: monitoring goes on while
// it waits. A repeating alarm that finds its total past several multiples
// of its limit fires once, for the highest of them.
void CheckAlarms(AppContext &ctx);

// The message an alarm shows when its total has reached `threshold`
// (minutes, money or bytes by type); empty for a custom alarm without text.
QString AlarmMessage(AppContext &ctx, const AlarmRecord &record, double threshold);

// The texts of one row of the Alarms page list.
struct AlarmListRow {
    QString description, limit, hangUp, start, end, days;
};
AlarmListRow AlarmListRowTexts(const AlarmRecord &record, const QString &currencySymbol);
// The rows of the current user's alarms, in record order.
QList<AlarmListRow> AlarmListRows(AppContext &ctx);

// "Mon, Wed" for bits 0 and 2; empty for no bits.
QString AlarmDaysText(int days);

#pragma once

#include <QDateTime>
#include <QList>

// In-memory alarm state of the open session: the fire counters of the
// stored alarms and the two one-shot quick alarms.
struct AlarmState {
    // The multiple at which alarm i (1-based) fires next; an alarm without
    // an entry has not fired in this session (multiple 1). Grows as needed,
    // so any number of alarms keeps its own counter.
    QList<int> FireCounters;

    // The online-time quick alarm: fires when the session's whole minutes
    // reach OnlineTimeAlarmMinutes.
    bool OnlineTimeAlarmArmed = false;
    int OnlineTimeAlarmMinutes = 0;
    bool OnlineTimeAlarmHangUp = false;

    // The clock-time quick alarm: fires when the time of day (minutes after
    // midnight) reaches ClockTimeAlarmMinutes. Armed from the dialog it
    // fires at ClockTimeAlarmDue, the first time that minute comes round:
    // 00:30 chosen at 23:00 waits for half past midnight.
    bool ClockTimeAlarmArmed = false;
    int ClockTimeAlarmMinutes = 0;
    bool ClockTimeAlarmHangUp = false;
    QDateTime ClockTimeAlarmDue;  // invalid: the time of day alone decides
};

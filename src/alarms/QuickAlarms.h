#pragma once

#include <QString>

struct AppContext;

// A time field of the quick alarms dialog after leaving it: a whole number
// 0..59 in two digits; anything unreadable is 0.
QString NormaliseQuickAlarmField(const QString &text);

// What the quick alarms dialog hands over on "&OK".
struct QuickAlarmChoice {
    bool onlineTimeArmed = false;
    int onlineHours = 0, onlineMinutes = 0;
    bool onlineTimeHangUp = false;
    bool clockTimeArmed = false;
    int clockHours = 0, clockMinutes = 0;
    bool clockTimeHangUp = false;
};

// Arms or disarms both quick alarms as chosen.
void ApplyQuickAlarms(AppContext &ctx, const QuickAlarmChoice &choice);

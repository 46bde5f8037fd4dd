#pragma once

#include <QString>

// Run-time state of the resident shell and its main tick.
struct ShellState {
    bool SessionOpen = false;
    bool ManualSession = false;
    bool AutoDetectionEnabled = true;
    bool NoTimezoneWarned = false;
    QString LastDialledEntry;
    bool ReconnectArmed = false;
    int DialHandle = 0;
    qint64 LastActivitySeconds = 0;
    qint64 LastActivityBytes = 0;
    int KeepAliveTicks = 0;
    bool ClockCorrected = false;
    bool ProgramsRun = false;
    bool TrafficBaselineTaken = false;
    bool PopupShowing = false;
};

#pragma once

#include "core/LaunchedProcess.h"

#include <QMap>
#include <QString>
#include <QStringList>

// Enabled and checked states of the tray menu items the engine changes.
// The tray form mirrors them onto its menu whenever EngineEvents tells it
// that they changed (menuStateChanged).
struct TrayMenuState {
    bool OpenSessionEnabled = true;          // "Open Session."
    bool CloseSessionEnabled = true;         // "Close Session"
    bool AutoDetectionItemEnabled = true;    // "Automatic Online Detection"
    bool AutoDetectionItemChecked = true;
    bool LogOutEnabled = true;               // "User Log Out"
    bool SettingsEnabled = true;             // "&Settings"
    bool HangUpEnabled = false;              // "&Hang Up Current Connection"
    bool QuickAlarmsEnabled = false;         // "Online time alarm", "Specific time alarm"
    bool OnlineTimeAlarmChecked = false;
    bool SpecificTimeAlarmChecked = false;
};

// Run-time state of the resident shell and its main tick.
struct ShellState {
    bool SessionOpen = false;
    bool ManualSession = false;
    bool AutoDetectionEnabled = true;
    bool NoTimezoneWarned = false;
    QString LastDialledEntry;
    bool ReconnectArmed = false;
    qint64 DialHandle = 0;     // -1 while the dial window dials, 0 when there is no call
    bool KeepRedialing = false;  // the dial window's "Keep redialing" check box
    bool CancelInProgress = false;
    qint64 LastActivitySeconds = 0;
    qint64 LastActivityBytes = 0;
    int KeepAliveTicks = 0;
    bool ClockCorrected = false;
    bool ClockSetRefusalReported = false;  // setting the clock was refused; told once a run
    bool ProgramsRun = false;
    bool TrafficBaselineTaken = false;
    bool PopupShowing = false;
    // The tip of the day shown last (1..15); 0 until one is shown in this run.
    int LastTipShown = 0;

    // The switches of the main timer and the clock-correction timer; the
    // tray form's timers follow them.
    bool Timer1Enabled = true;
    bool SntpClockTimerEnabled = false;

    TrayMenuState Menu;

    // The session programs started in this session, by program number.
    QMap<int, LaunchedProcess> StartedPrograms;
};

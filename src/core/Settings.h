#pragma once

#include <QString>
#include <array>

// The settings record: machine-wide options and remembered window metrics.
// Read once at start-up, written on exit and when a dialog applies changes;
// in between these fields are the truth. Member names are the stored value
// names; initial values are the defaults.
struct Settings {
    // Key "Users"
    int NumberOfUsers = 0;
    int PreviousUser = 0;

    // Key "Settings" (and "Properties" for the currency override)
    bool UseSeperateISP = false;
    bool DeletePrompt = true;
    bool ShowGridLines = true;
    bool LoadAtStartUp = true;
    bool SeperateDays = true;
    bool DisplayBillWindow = true;
    bool UseStandardToolbar = false;
    bool ShowSplashForm = true;
    bool AutoWebUpdate = true;
    bool PromptOnExit = true;
    bool OverrideCurrency = false;
    QString OverrideCurrencyString;
    bool DisconnectOnExit = false;
    bool AllowToBeExited = true;
    bool DisableDialUp = false;
    bool AdminSettingsLockOut = true;
    bool AlwaysPromptPassword = false;
    bool DontBackupDatabase = false;
    bool CheckClockTamper = false;
    bool ShowTaskBarWindow = true;
    int TaskBarWindowX = 0;  // set at start-up from the screen width
    int TaskBarWindowY = 0;
    bool AutoLogonLastUser = true;
    int ModemDetectionType = 0;
    bool AutoOpenSession = true;
    bool ProgramRunOnFullConnect = true;
    bool ShowCostsBeforeTime = false;
    bool ShowFloatingWindow = true;
    int ModemCorrectionFactor = 10;
    bool SessionChargesStartTimeZone = true;
    bool ShowMonitorSessionCost = true;
    bool ShowMonitorSessionTime = true;
    bool ShowMonitorDailyCost = true;
    bool ShowMonitorAccountCost = true;
    bool ShowMonitorReceived = true;
    bool ShowMonitorTransmitted = true;
    int SessionMonitorFontSize = 8;
    bool SessionMonitorFontBold = false;
    bool ShowMonitorTotalTransmitted = false;
    bool ShowMonitorTotalReceived = false;
    bool PromptForReconnection = true;
    bool AutoReconnectConnection = false;
    bool PromptHangUp = true;
    bool AutoClockCorrect = true;
    QString NTPClockServer;  // default filled in by ReadSettingsFromDatabase
    bool PlaySoundOnConnect = true;
    bool PlaySoundOnDisconnect = true;
    QString ConnectionSound;     // default: program directory + "Ringin.wav"
    QString DisconnectionSound;  // default: program directory + "Ringout.wav"
    bool DesktopNotifications = false;  // alarms, a dropped line, a new account period
    bool AutoHangupConnection = false;
    int HangupMinimumBytes = 1000;
    int HangupTime = 30;
    bool KeepConnectionAlive = false;
    int KeepConnectionAliveInterval = 10;
    QString AlivePingAddress;
    int StartGraphColor = 0xFFFF80;
    int FinishGraphColor = 0xFFFFFF;
    int GraphSeriesColor = 0xC8FFB5;
    bool DisplayGraphAs3D = true;
    bool ShowValueMarkers = false;
    bool AnimatedZoom = false;
    bool FillGraphBackground = true;
    bool ShowTipForm = true;
    std::array<bool, 11> SessionListDisplay{true, true, true, true, true, true, false, true, false, true, true};
    std::array<bool, 11> PerformanceListDisplay{false, true, true, true, true, true, true, false, true, true, true};

    // Key "Positions"
    int MainWindowWidth = 0;
    int MainWindowHeight = 0;
    std::array<int, 11> SessionColumn{};
    std::array<int, 11> PerformanceColumn{};

    bool operator==(const Settings &) const = default;
};

// The time server used when none is set.
constexpr const char *DefaultNTPClockServer = "pool.ntp.org";

#pragma once

#include "core/DateTime.h"
#include "core/TickDay.h"

// The band in force, the ISP of the open session and the current account period.
struct TariffState {
    int CurrentTimezone = -1;   // -1 = no band covers the current time
    int CurrentTimeZoneISP = 1;
    int CurrentDayType = 0;     // 1..8 as last found by DetermineCurrentTimeZone

    int AccountType = 0;            // code of the current user's "Account Type"
    DateTime AccountStartDate = 0;  // the period is start <= day < end
    DateTime AccountEndDate = 0;
    bool AccountPeriodCheckRunning = false;  // CheckEndOfAccountPeriod is on the stack
    TickDay AccountCheckDay;                 // today, as CheckEndOfAccountPeriod asks each tick

    // While the setup wizard is open it names the presets it loads itself.
    bool SetupWizardOpen = false;
};

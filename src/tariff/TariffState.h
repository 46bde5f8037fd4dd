#pragma once

// The band in force and the ISP of the open session.
struct TariffState {
    int CurrentTimezone = -1;   // -1 = no band covers the current time
    int CurrentTimeZoneISP = 1;
};

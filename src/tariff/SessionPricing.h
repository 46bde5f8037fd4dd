#pragma once

#include "core/DateTime.h"

struct AppContext;

// Resets the running values for a session opening now: cost 0, the opening
// snapshot of the daily and account totals as they stand, no priced seconds,
// no previous tick, the session start put back by "ModemCorrectionFactor"
// seconds, the session day, and the day type and band in force now.
// OpenSession calls it once the totals are computed.
void BeginSessionPricing(AppContext &ctx);

// One pricing tick of the open session: measures the time online, prices
// the seconds since the last tick with the band in force, updates the daily
// and account totals, shows them, rewrites the session record (all writes
// in one transaction) and tells the session monitor.
void UpdateSessionInformation(AppContext &ctx);

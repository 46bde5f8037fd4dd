#pragma once

#include "store/DateTime.h"

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

// Writes the open session's start, end (now), time online, cost, byte totals
// and average rates into its record, the last of the session day, in one
// transaction; with withConnectionName also the connection it uses. Nothing
// is written when that day has no record.
void WriteSessionRecordValues(AppContext &ctx, DateTime now, bool withConnectionName);

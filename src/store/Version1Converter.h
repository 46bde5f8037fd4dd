#pragma once

struct AppContext;

// Rewrites a version-1 database in the current layout: the settings record
// first (which also stamps "Database Version" = 2), then each user with its
// alarms, programs, tariff bands, holidays and sessions. The version-1 keys
// stay where they are.
//
// There is deliberately no all-or-nothing here: a date that does not parse
// stops the conversion with the error, and since the version stamp is
// already written, the next start works on what was converted.
void ConvertVersion1Database(AppContext &ctx);

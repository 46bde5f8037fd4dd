#pragma once

#include "session/SessionRecord.h"

struct AppContext;

// A field of a session; 0 when the value is missing, empty or not a number.
// Creates nothing.
double GetFromDataFile(AppContext &ctx, int user, int session, int field, DateTime day);
// Writes a field as float text (creating the day's key when needed).
void WriteToDataFile(AppContext &ctx, int user, int session, int field, double value, DateTime day);

#pragma once

#include <QList>

struct AppContext;
struct DialUpConnection;

// Whether a connection in the given dial-up state counts as online at a
// detection stage (0 password verification, 1 modem dial, 2 internet).
bool StageCountsAsOnline(int stage, int state);

// True when an active connection has reached the stage; remembers its entry
// name in ConnectedEntryName.
bool IsConnectedAtStage(AppContext &ctx, int stage);
// The same test on a list already read.
bool IsConnectedAtStage(AppContext &ctx, const QList<DialUpConnection> &connections, int stage);

// One connection-check tick: the three connection flags, then a traffic
// reading while a session is open on a full connection.
void RASCheckTimerTimer(AppContext &ctx);

// Turns the adapter counters into the session's totals, rates and averages.
void UpdateTrafficCounters(AppContext &ctx);

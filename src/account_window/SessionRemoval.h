#pragma once

#include "core/DateTime.h"

struct AppContext;

// The account window's "&Remove" for session `session` of `day` of the
// current user. Refused with "Please close the current session first."
// while a session is open; asks first when the settings want a prompt.
// Removes the record (later sessions of the day move down by one),
// recomputes the account and today's totals and tells the windows.
// True when the session was removed.
bool RemoveListedSession(AppContext &ctx, DateTime day, int session);

// The row to select once row `removed` of a list is gone: the row above,
// or the one above that when it is a day separator, never below row 0.
// isSeparator(row) tells the rows apart.
template<typename IsSeparator>
int RowAfterRemoval(int removed, IsSeparator isSeparator)
{
    int row = removed - 1;
    if (row >= 0 && isSeparator(row))
        --row;
    return row < 0 ? 0 : row;
}

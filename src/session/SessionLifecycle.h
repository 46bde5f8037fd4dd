#pragma once

#include "session/ProgramRecord.h"

#include <QString>
#include <QStringList>

struct AppContext;

// Opens a session for the logged-in user: picks the ISP from the connected
// entry, needs a band for the current time (else says so once and stops),
// takes the opening totals, resets the traffic and idle tracking, numbers
// the new record Session<m> under today's key, prices its first tick, sets
// the tray menu, plays the connection sound and (unless they wait for the
// full connection) starts the session programs. Without a login it only
// enables the quick alarm items.
void OpenSession(AppContext &ctx);

// Writes the open session's final values into its record (under the day
// it opened), sets the tray menu, hides the floating monitor, asks the
// programs marked for closing to quit, plays the disconnection sound and
// checks the account period. Does nothing when no session is open.
void CloseSession(AppContext &ctx);

// Starts the current user's session programs whose time window and days
// allow it now, and remembers each started process for CloseSession.
void RunSessionPrograms(AppContext &ctx);

// Switches automatic online detection and the tray item's check mark.
void ToggleOnlineDetection(AppContext &ctx);

// The "Open Session." and "Close Session" commands (tray menu and account
// window): refused for a user restricted from it; a session closed by hand
// while still online switches automatic detection off and says so.
void OpenSessionByHand(AppContext &ctx);
void CloseSessionByHand(AppContext &ctx);

// One program record, read in one query.
SessionProgram ReadSessionProgram(AppContext &ctx, int user, int program);

// How a stored "Filename" is started: a text that names an existing file is
// that program with no arguments (its path may hold spaces); otherwise it
// is split into a program and arguments the way a shell would split words,
// without any shell. The working directory is the program's directory
// (empty when the program is found on the PATH). False for an empty or
// unbalanced text.
struct ProgramCommand {
    QString program;
    QStringList arguments;
    QString workingDirectory;
};
bool SplitProgramCommand(const QString &filename, ProgramCommand &command);

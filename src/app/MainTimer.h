#pragma once

#include "core/Ui.h"

#include <QString>
#include <exception>

struct AppContext;

// The main tick, twice a second: opens and closes sessions as the line comes
// and goes, prices the open session, checks alarms, locks dial-up for
// logged-out users, offers reconnection, hangs up an idle line, sends
// keep-alive echoes and arms clock correction. ctx.shell.Timer1Enabled is the
// main timer's switch: off while a tick runs, except while a box it raised
// waits for the user.
void Timer1Timer(AppContext &ctx);

// The clock-correction tick, once a second while ctx.shell.SntpClockTimerEnabled:
// one correction per session, then the timer switches itself off.
void SntpClockTimerTimer(AppContext &ctx);

// How a timer's failures have been reported: a failure is shown once, not
// again while the same failure repeats tick after tick, and never while the
// box of an earlier one is still up.
struct TickFailureReport {
    QString lastText;
    bool showing = false;
};

// Runs one tick of a timer. A failure is reported through GlobalErrorHandler
// as TickFailureReport says and never leaves the main timer switched off.
void RunTimerTick(AppContext &ctx, TickFailureReport &report, void (*tick)(AppContext &));

// What the main timer runs: nothing while the timer is switched off (a tick
// is in progress and shows a window of its own), else Timer1Timer.
void RunMainTick(AppContext &ctx, TickFailureReport &report);

// False while a window is open that editing from the tray must not interfere
// with; every tray action that opens a window asks first.
bool NoEditorWindowOpen(AppContext &ctx);

// The tray's "Exit": true when the program may end now (asked first when
// the settings say so).
bool ConfirmExit(AppContext &ctx);

// Whether a closed resident window starts a fresh instance in its place: a
// user who may not end the program gets one back (once users exist).
bool RelaunchAfterClose(const AppContext &ctx);

// Program arguments for a fresh instance that replaces this one: the same
// options, and "QuitReload" so that it waits for this one to let go.
QStringList RelaunchArguments(const QStringList &arguments);

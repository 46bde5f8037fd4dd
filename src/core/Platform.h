#pragma once

// The platform services the engine uses, each behind an interface with a
// Linux implementation and a fake. Null where a run does not need one.
class DialUpNetwork;
class SystemClock;
class SoundPlayer;
class ProgramLauncher;
class StartAtLogin;
class DesktopNotifier;

struct Platform {
    DialUpNetwork *dialUp = nullptr;
    SystemClock *systemClock = nullptr;
    SoundPlayer *sound = nullptr;
    ProgramLauncher *launcher = nullptr;
    StartAtLogin *autostart = nullptr;  // the desktop's start-at-log-in entry
    DesktopNotifier *notifier = nullptr;  // the desktop's notification service
};

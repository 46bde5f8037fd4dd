#pragma once

#include "app/gui/QtSoundPlayer.h"
#include "core/Platform.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/ProgramLauncher.h"
#include "platform/SystemClock.h"

// The machine's own services for the running program: sounds, desktop
// notices, session programs and the system clock the clock guard sets back. The dial-up line
// comes separately (it depends on --line); tests use the fakes instead.
class PlatformServices
{
public:
    // Every service, for the context's platform.
    Platform services();

private:
    QtSoundPlayer m_sound;
    FreedesktopNotifier m_notifier;
    LinuxProgramLauncher m_launcher;
    LinuxSystemClock m_systemClock;
};

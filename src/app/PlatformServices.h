#pragma once

#include "platform/ProgramLauncher.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemClock.h"

struct AppContext;

// The machine's own services for the running program: sounds, session
// programs and the system clock the clock guard sets back. The dial-up line
// comes separately (it depends on --line); tests use the fakes instead.
class PlatformServices
{
public:
    // Puts every service into the context's platform.
    void installInto(AppContext &ctx);

private:
    QtSoundPlayer m_sound;
    LinuxProgramLauncher m_launcher;
    LinuxSystemClock m_systemClock;
};

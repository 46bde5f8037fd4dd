#include "app/gui/PlatformServices.h"

Platform PlatformServices::services()
{
    Platform platform;
    platform.sound = &m_sound;
    platform.notifier = &m_notifier;
    platform.launcher = &m_launcher;
    platform.systemClock = &m_systemClock;
    return platform;
}

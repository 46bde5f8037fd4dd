#include "app/PlatformServices.h"

#include "core/AppContext.h"

void PlatformServices::installInto(AppContext &ctx)
{
    ctx.platform.sound = &m_sound;
    ctx.platform.launcher = &m_launcher;
    ctx.platform.systemClock = &m_systemClock;
}

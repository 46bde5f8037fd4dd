#pragma once

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/RecordingUi.h"
#include "core/Clock.h"
#include "platform/FakeDialUpNetwork.h"
#include "support/TempStore.h"

namespace testsupport {

// An application context on a fresh store, a fake clock, a recording Ui and
// a fake dial-up network.
struct FakeLineContext {
    FakeLineContext() : ctx(*temp.store, clock, ui)
    {
        ctx.platform.dialUp = &network;
        ui.tickBoxes.setTimerSwitch(&ctx.shell.Timer1Enabled);
    }

    TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    FakeDialUpNetwork network;
    AppContext ctx;
};

} // namespace testsupport

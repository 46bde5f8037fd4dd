#include "core/AppContext.h"
#include "store/Store.h"
#include "app/gui/PlatformServices.h"
#include "core/RecordingUi.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

// The services the running program puts into its context. Without a system
// clock the clock guard could only say "no clock service is available".
class TestPlatformServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theProgramGetsTheMachinesServices();
};

void TestPlatformServices::theProgramGetsTheMachinesServices()
{
    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx(*temp.store, clock, ui);
    PlatformServices services;
    ctx.platform = services.services();
    QVERIFY(dynamic_cast<LinuxSystemClock *>(ctx.platform.systemClock));
    QVERIFY(dynamic_cast<QtSoundPlayer *>(ctx.platform.sound));
    QVERIFY(dynamic_cast<LinuxProgramLauncher *>(ctx.platform.launcher));
}

TALLYLINE_TEST_MAIN(TestPlatformServices)
#include "TestPlatformServices.moc"

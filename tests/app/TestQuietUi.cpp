#include "app/QuietUi.h"
#include "core/RecordingUi.h"
#include "support/TestMain.h"

#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// The Ui of a program ended by a signal: nothing reaches the screen, no
// question waits for an answer, and each message is one line on stderr.
class TestQuietUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxesReachTheScreenUntilQuiet_data();
    void boxesReachTheScreenUntilQuiet();
};

namespace {

// Runs action with stderr going to a file; returns what it wrote.
template<typename Action>
QByteArray captureStderr(Action &&action)
{
    QTemporaryFile file;
    if (!file.open())
        return "cannot capture";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

void TestQuietUi::boxesReachTheScreenUntilQuiet_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QByteArray>("stderrText");
    QTest::newRow("program running") << false << QByteArray();
    QTest::newRow("ended by a signal")
        << true << QByteArray("Tallyline: An internal error has occured. Procedure : CloseSession Unit : Global Unit\n");
}

void TestQuietUi::boxesReachTheScreenUntilQuiet()
{
    QFETCH(bool, quiet);
    QFETCH(QByteArray, stderrText);
    RecordingUi screen;
    screen.defaultAnswer = true;
    QuietUi ui(screen);
    ui.setQuiet(quiet);
    bool confirmed = false;
    bool okayed = false;
    const QByteArray errors = captureStderr([&] {
        ui.showMessage(MessageKind::Error, QStringLiteral("An internal error has occured.\r\rProcedure : CloseSession\nUnit : Global Unit"));
        confirmed = ui.confirm(QStringLiteral("Do you wish to reconnect to My ISP ?"));
        okayed = ui.confirmOkCancel(MessageKind::Warning, QStringLiteral("Hang up?"));
        ui.showEndOfPeriodBill();
        ui.showLoginForm();
        ui.showFloatingMonitor();
        ui.beep();
    });
    // Quiet, nothing reaches the screen and every question answers No.
    const int shown = quiet ? 0 : 1;
    QCOMPARE(screen.messages.size(), 3 * shown);
    QCOMPARE(confirmed, !quiet);
    QCOMPARE(okayed, !quiet);
    QCOMPARE(QList<int>({screen.endOfPeriodBills, screen.loginFormShows, screen.floatingMonitorShows, screen.beeps}),
             QList<int>(4, shown));
    QCOMPARE(errors, stderrText);
    // What the windows need to keep up goes through either way.
    screen.accountWindowOpen = true;
    QVERIFY(ui.accountWindowExists());
    ui.setAccountStatusText(2, QStringLiteral("Session Cost : x"));
    QCOMPARE(screen.statusPanels.value(2), QStringLiteral("Session Cost : x"));
}

TALLYLINE_TEST_MAIN(TestQuietUi)
#include "TestQuietUi.moc"

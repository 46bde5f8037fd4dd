#include "app/MainAppForm.h"
#include "session/ConnectionDetection.h"
#include "session/DialForm.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "users/Users.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

using namespace testsupport;

namespace {

const QString Provider = QStringLiteral("Provider");

QString errorBox(const QString &entry, const QString &text)
{
    return QStringLiteral("Error connecting to ") + entry + QStringLiteral(" :\r\r") + text;
}

// A logged-in user with a tariff, a phone book, and the tray form over the
// fake line. The form's own timers are stopped: the test runs the ticks.
struct DialFixture : SessionFixture {
    explicit DialFixture(const QStringList &phoneBook = {Provider, QStringLiteral("Backup")})
    {
        addUser({QStringLiteral("Ann"), QStringLiteral("pw")});
        TariffSeed(store(), 1).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).weekBands(1, {{0, 1439, 0.6, 0, 0}});
        ctx.connection.DunSpeed.StartStatistics(&network, true, true);
        network.phoneBook = phoneBook;
        form = std::make_unique<TMainAppForm>(ctx);
        form->Timer1.stop();
        form->RASCheckTimer.stop();
        LogInWithPassword(ctx, QStringLiteral("Ann"), QStringLiteral("pw"));
    }

    TDialForm &window() { return *form->DialForm(); }
    QAction *entryItem(int i) { return form->phoneBookItems().at(i); }

    void ticks()
    {
        RASCheckTimerTimer(ctx);
        Timer1Timer(ctx);
    }

    // The call the program dialled comes up as a full connection.
    void callConnects(qint64 handle)
    {
        network.emitProgress(handle, RasState::Connected);
        network.addConnection(handle, network.dialled.last(), RasState::Connected, QStringLiteral("ppp0"));
        network.setCounters(QStringLiteral("ppp0"), 0, 0);
    }

    std::unique_ptr<TMainAppForm> form;
};

} // namespace

class TestDialForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phoneBookMenu_data();
    void phoneBookMenu();
    void dialingFollowsTheStates();
    void animationFrames();
    void alreadyConnected_data();
    void alreadyConnected();
    void failedCalls_data();
    void failedCalls();
    void keepRedialingUntilConnected();
    void redialButtonHangsUpAndDialsAgain();
    void cancelEndsTheCallQuietly();
    void menuHangUp_data();
    void menuHangUp();
    void droppedCallIsRedialledThroughTheWindow_data();
    void droppedCallIsRedialledThroughTheWindow();
};

void TestDialForm::phoneBookMenu_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("items");
    QTest::newRow("empty phone book") << 0 << 0;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("30") << 30 << 30;
    QTest::newRow("31") << 31 << 30;
    QTest::newRow("100") << 100 << 30;
}

void TestDialForm::phoneBookMenu()
{
    QFETCH(int, entries);
    QFETCH(int, items);
    QStringList phoneBook;
    for (int i = 0; i < entries; ++i)
        phoneBook.append(QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0')));
    DialFixture f(phoneBook);

    const QList<QAction *> menu = f.form->dialConnectionMenu()->actions();
    QCOMPARE(menu.size(), items);
    for (int i = 0; i < items; ++i) {
        QCOMPARE(menu[i]->objectName(), QStringLiteral("DialUp%1").arg(i));
        QCOMPARE(menu[i]->text(), phoneBook[i]);
    }
    QCOMPARE(f.form->dialConnectionItem()->isEnabled(), items > 0);
    if (items > 0) {
        menu.last()->trigger();
        QCOMPARE(f.network.dialled, QStringList{phoneBook[items - 1]});
    }
}

void TestDialForm::dialingFollowsTheStates()
{
    DialFixture f({QStringLiteral("Fish & Chips"), Provider});
    // The "&" is shown, not taken as a shortcut, and the entry keeps its name.
    QCOMPARE(f.entryItem(0)->text(), QStringLiteral("Fish && Chips"));
    f.entryItem(0)->trigger();
    QCOMPARE(f.network.dialled, QStringList{QStringLiteral("Fish & Chips")});

    TDialForm &w = f.window();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Tallyline - Connecting to Fish & Chips"));
    QCOMPARE(w.statusLabel()->text(), QStringLiteral("Dialing..."));
    QCOMPARE(f.ctx.shell.DialHandle, qint64(-1));
    QCOMPARE(f.ctx.shell.LastDialledEntry, QStringLiteral("Fish & Chips"));
    // The hang-up item is offered from the first tick, before the line reports.
    QVERIFY(f.ctx.connection.ModemConnected);
    Timer1Timer(f.ctx);
    QVERIFY(f.form->hangUpItem()->isEnabled());

    const qint64 call = 100;
    const QList<std::pair<int, QString>> states = {{RasState::OpenPort, QStringLiteral("Opening port")},
                                                   {RasState::ConnectDevice, QStringLiteral("Connecting device")},
                                                   {RasState::Authenticate, QStringLiteral("Start authenticating")},
                                                   {RasState::Authenticated, QStringLiteral("Authenticated")}};
    for (const auto &[state, text] : states) {
        f.network.emitProgress(call, state);
        QCOMPARE(w.statusLabel()->text(), text);
        QVERIFY(w.isVisible());
    }
    // Progress of a call the window did not dial is not shown.
    f.network.emitProgress(call + 7, RasState::PortOpened);
    QCOMPARE(w.statusLabel()->text(), QStringLiteral("Authenticated"));

    f.callConnects(call);
    QVERIFY(!w.isVisible());
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.ctx.shell.LastDialledEntry, QStringLiteral("Fish & Chips"));
}

void TestDialForm::animationFrames()
{
    DialFixture f;
    TDialForm &w = f.window();
    w.show();
    QVERIFY(w.Timer1.isActive());
    QCOMPARE(w.Timer1.interval(), 500);
    QList<int> frames{w.frameIndex()};
    for (int i = 0; i < 8; ++i) {
        w.Timer1Timer();
        frames.append(w.frameIndex());
    }
    QCOMPARE(frames, (QList<int>{0, 1, 2, 1, 0, 1, 2, 1, 0}));
    w.Timer1Timer();
    w.hide();
    QVERIFY(!w.Timer1.isActive());
    QCOMPARE(w.frameIndex(), 0);
    // Shown again, it starts from the first frame.
    w.show();
    w.Timer1Timer();
    QCOMPARE(w.frameIndex(), 1);
}

void TestDialForm::alreadyConnected_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("refusal");   // why the line would not hang up; empty: it does
    QTest::newRow("no leaves everything as it was") << false << QString();
    QTest::newRow("yes hangs up and dials") << true << QString();
    QTest::newRow("yes, but the line refuses") << true << QStringLiteral("Tallyline may not take wwan0 down.");
}

void TestDialForm::alreadyConnected()
{
    QFETCH(bool, answer);
    QFETCH(QString, refusal);
    DialFixture f;
    // A connection dialled by another program.
    f.network.addConnection(7, QStringLiteral("Elsewhere"), RasState::Connected, QStringLiteral("ppp0"));
    f.network.hangUpRefusal = refusal;
    f.ticks();
    QVERIFY(f.ctx.connection.ModemConnected);
    f.ui.answers.enqueue(answer);

    f.entryItem(1)->trigger();
    const QString question = QStringLiteral("The modem is already connected. Do you want to hang up that "
                                            "connection and dial this one?");
    if (!refusal.isEmpty()) {
        // Told why, and nothing dialled over a line that is still up.
        QCOMPARE(f.ui.texts(), (QStringList{question, refusal}));
        QCOMPARE(f.network.hungUp, QList<qint64>{7});
        QVERIFY(f.network.dialled.isEmpty());
        QVERIFY(f.ctx.connection.ModemConnected);
        QVERIFY(!f.window().isVisible());
        return;
    }
    QCOMPARE(f.ui.texts(), QStringList{question});
    if (!answer) {
        QVERIFY(f.network.dialled.isEmpty());
        QVERIFY(f.network.hungUp.isEmpty());
        QVERIFY(!f.window().isVisible());
        QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
        QCOMPARE(f.network.active.size(), 1);
        return;
    }
    QCOMPARE(f.network.hungUp, QList<qint64>{7});
    QVERIFY(f.network.active.isEmpty());
    QCOMPARE(f.network.dialled, QStringList{QStringLiteral("Backup")});
    QVERIFY(f.window().isVisible());
}

void TestDialForm::failedCalls_data()
{
    QTest::addColumn<int>("startResult");   // non-zero: the call cannot even start
    QTest::addColumn<int>("error");         // the error the call ends with
    QTest::addColumn<QString>("box");

    QTest::newRow("busy") << 0 << int(DialError::LineBusy) << errorBox(Provider, QStringLiteral("The line is busy."));
    QTest::newRow("remote end hung up")
        << 0 << int(DialError::RemoteDisconnection) << errorBox(Provider, QStringLiteral("The remote computer ended the connection."));
    QTest::newRow("ended by the user: no box") << 0 << int(DialError::UserDisconnection) << QString();
    QTest::newRow("line in use at the start")
        << int(DialError::PortInUse) << 0 << errorBox(Provider, QStringLiteral("The line is already in use."));
}

void TestDialForm::failedCalls()
{
    QFETCH(int, startResult);
    QFETCH(int, error);
    QFETCH(QString, box);
    DialFixture f;
    f.network.dialResult = startResult;
    f.network.addConnection(100, Provider, RasState::ConnectDevice);
    f.network.removeOnHangUp = false;

    f.entryItem(0)->trigger();
    if (error != 0)
        f.network.emitProgress(100, RasState::ConnectDevice, error);

    QVERIFY(!f.window().isVisible());
    QCOMPARE(f.ui.texts(), box.isEmpty() ? QStringList() : QStringList{box});
    // Nothing is left to redial.
    QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
    QVERIFY(!f.ctx.shell.ReconnectArmed);
    QVERIFY(!f.window().RedialTimer.isActive());
    // A failed call is hung up so that the line is free; one the user ended is gone already.
    const bool hungUp = !box.isEmpty() && startResult == 0;
    QCOMPARE(f.network.hungUp, hungUp ? QList<qint64>{100} : QList<qint64>{});
}

void TestDialForm::keepRedialingUntilConnected()
{
    DialFixture f;
    f.entryItem(0)->trigger();
    TDialForm &w = f.window();
    QTest::mouseClick(w.keepRedialingCheck(), Qt::LeftButton);
    QVERIFY(f.ctx.shell.KeepRedialing);

    for (int attempt = 0; attempt < 3; ++attempt) {
        const qint64 call = 100 + attempt;
        f.network.emitProgress(call, RasState::ConnectDevice);
        f.network.emitProgress(call, RasState::ConnectDevice, DialError::LineBusy);
        QVERIFY(w.isVisible());
        QCOMPARE(w.statusLabel()->text(), QStringLiteral("Redialing..."));
        QVERIFY(w.RedialTimer.isActive());
        QCOMPARE(w.RedialTimer.interval(), 8000);
        QCOMPARE(f.network.dialled.size(), attempt + 1);
        w.RedialTimerTimer();
        QVERIFY(!w.RedialTimer.isActive());
        QCOMPARE(f.network.dialled.size(), attempt + 2);
        QCOMPARE(w.statusLabel()->text(), QStringLiteral("Dialing..."));
    }
    QVERIFY(f.ui.messages.isEmpty());
    f.callConnects(103);
    QVERIFY(!w.isVisible());
    QCOMPARE(f.network.dialled, QStringList(4, Provider));
    QCOMPARE(f.ctx.shell.LastDialledEntry, Provider);

    // The box keeps its tick for the next call until it is cleared.
    f.network.active.clear();
    f.ticks();
    f.entryItem(1)->trigger();
    QVERIFY(f.ctx.shell.KeepRedialing);
    QTest::mouseClick(w.keepRedialingCheck(), Qt::LeftButton);
    QVERIFY(!f.ctx.shell.KeepRedialing);
    f.network.emitProgress(104, RasState::ConnectDevice, DialError::LineBusy);
    QVERIFY(!w.isVisible());
    QCOMPARE(f.ui.texts(), QStringList{errorBox(QStringLiteral("Backup"), QStringLiteral("The line is busy."))});
}

void TestDialForm::redialButtonHangsUpAndDialsAgain()
{
    DialFixture f;
    f.entryItem(0)->trigger();
    TDialForm &w = f.window();
    f.network.emitProgress(100, RasState::ConnectDevice);
    f.network.addConnection(100, Provider, RasState::ConnectDevice);

    auto *redial = w.findChild<QPushButton *>(QStringLiteral("RedialButton"));
    QVERIFY(redial);
    QCOMPARE(redial->text(), QStringLiteral("&Redial"));
    QTest::mouseClick(redial, Qt::LeftButton);
    QCOMPARE(f.network.hungUp, QList<qint64>{100});
    QCOMPARE(w.statusLabel()->text(), QStringLiteral("Redialing..."));
    QVERIFY(w.RedialTimer.isActive());
    QCOMPARE(f.network.dialled, QStringList{Provider});

    w.RedialTimerTimer();
    QCOMPARE(f.network.dialled, QStringList(2, Provider));
    QVERIFY(w.isVisible());
    QVERIFY(f.ui.messages.isEmpty());
}

void TestDialForm::cancelEndsTheCallQuietly()
{
    DialFixture f;
    f.entryItem(0)->trigger();
    TDialForm &w = f.window();
    f.network.emitProgress(100, RasState::ConnectDevice);
    f.network.addConnection(100, Provider, RasState::ConnectDevice);

    // A click on an entry while the cancel button runs is ignored.
    bool clickedDuringCancel = false;
    connect(&f.form->DialUp1, &TDialUp::OnActiveConnection, this, [&] {
        QVERIFY(f.ctx.shell.CancelInProgress);
        clickedDuringCancel = true;
        f.entryItem(1)->trigger();
    });

    QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
    f.network.emitProgress(100, RasState::ConnectDevice, DialError::UserDisconnection);

    QVERIFY(!w.isVisible());
    QVERIFY(f.ui.messages.isEmpty());
    // Hung up, then waited for until it was gone.
    QCOMPARE(f.network.hungUp, (QList<qint64>{100, 100}));
    QVERIFY(f.network.active.isEmpty());
    QCOMPARE(f.network.dialled, QStringList{Provider});
    QCOMPARE(f.ctx.shell.DialHandle, qint64(0));
    QVERIFY(!f.ctx.shell.CancelInProgress);
    QVERIFY(!f.ctx.shell.KeepRedialing);
    QVERIFY(w.cancelButton()->isEnabled());
    QVERIFY(f.ctx.shell.LastDialledEntry.isEmpty());
    QVERIFY(clickedDuringCancel);
    disconnect(&f.form->DialUp1, &TDialUp::OnActiveConnection, this, nullptr);

    // Cancelled while waiting to redial: no call follows.
    f.ticks();
    f.entryItem(0)->trigger();
    QTest::mouseClick(w.keepRedialingCheck(), Qt::LeftButton);
    f.network.emitProgress(101, RasState::ConnectDevice, DialError::LineBusy);
    QVERIFY(w.RedialTimer.isActive());
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.RedialTimer.isActive());
    QCOMPARE(f.network.dialled.size(), 2);
    QVERIFY(f.ui.messages.isEmpty());
}

void TestDialForm::menuHangUp_data()
{
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("hungUp");
    QTest::newRow("asked, no") << true << false << false;
    QTest::newRow("asked, yes") << true << true << true;
    QTest::newRow("not asked") << false << false << true;
}

void TestDialForm::menuHangUp()
{
    QFETCH(bool, prompt);
    QFETCH(bool, answer);
    QFETCH(bool, hungUp);
    DialFixture f;
    f.ctx.settings.PromptHangUp = prompt;
    f.ctx.settings.PromptForReconnection = true;
    f.entryItem(0)->trigger();
    f.callConnects(100);
    f.ticks();
    f.ticks();
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(f.ctx.shell.ReconnectArmed);
    QVERIFY(f.form->hangUpItem()->isEnabled());

    f.ui.answers.enqueue(answer);
    f.form->hangUpItem()->trigger();
    const QString question = QStringLiteral("Are you sure you want to hang up the current connection?");
    QCOMPARE(f.ui.texts(), prompt ? QStringList{question} : QStringList());
    QCOMPARE(f.network.hungUp, hungUp ? QList<qint64>{100} : QList<qint64>{});
    if (!hungUp) {
        QVERIFY(f.ctx.shell.ReconnectArmed);
        return;
    }
    // The line is gone and the session closes; no reconnection is offered.
    f.ticks();
    f.ticks();
    QVERIFY(!f.ctx.shell.SessionOpen);
    QCOMPARE(f.ui.texts(), prompt ? QStringList{question} : QStringList());
    QCOMPARE(f.network.dialled, QStringList{Provider});
}

void TestDialForm::droppedCallIsRedialledThroughTheWindow_data()
{
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("redialled");
    QTest::newRow("asked, yes") << true << false << true << true;
    QTest::newRow("asked, no") << true << false << false << false;
    QTest::newRow("automatic") << false << true << false << true;
    QTest::newRow("neither") << false << false << false << false;
}

void TestDialForm::droppedCallIsRedialledThroughTheWindow()
{
    QFETCH(bool, prompt);
    QFETCH(bool, automatic);
    QFETCH(bool, answer);
    QFETCH(bool, redialled);
    DialFixture f;
    f.ctx.settings.PromptForReconnection = prompt;
    f.ctx.settings.AutoReconnectConnection = automatic;
    f.entryItem(1)->trigger();
    f.callConnects(100);
    // The main tick hides the window once it sees a full connection in a session.
    f.window().show();
    f.ticks();
    f.ticks();
    QVERIFY(f.ctx.shell.SessionOpen);
    QVERIFY(!f.window().isVisible());

    f.ui.answers.enqueue(answer);
    f.network.active.clear();   // the remote end drops the line
    f.ticks();
    f.ticks();
    const QString question = QStringLiteral("Do you wish to reconnect to Backup ?");
    QCOMPARE(f.ui.texts(), prompt ? QStringList{question} : QStringList());
    const QStringList dialled = redialled ? QStringList{QStringLiteral("Backup"), QStringLiteral("Backup")}
                                          : QStringList{QStringLiteral("Backup")};
    QCOMPARE(f.network.dialled, dialled);
    QCOMPARE(f.window().isVisible(), redialled);
    // Offered once: later ticks with the line still down ask nothing more.
    f.ticks();
    QCOMPARE(f.ui.messages.size(), prompt ? 1 : 0);
}

TALLYLINE_TEST_MAIN(TestDialForm)
#include "TestDialForm.moc"

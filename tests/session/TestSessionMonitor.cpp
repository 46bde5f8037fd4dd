#include "app/Startup.h"
#include "session/SessionMonitor.h"
#include "session/TaskBarWindowForm.h"
#include "session/ConnectionDetection.h"
#include "session/SessionLifecycle.h"
#include "support/EngineFixture.h"
#include "support/SessionFixture.h"
#include "tariff/DayTypes.h"
#include "tariff/SessionPricing.h"
#include "tariff/TimeZonePresets.h"
#include "users/Users.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"

#include <QFontMetrics>
#include <QLabel>
#include <QScreen>

using testsupport::EngineFixture;

using testsupport::screenshot;

namespace {

void setAllTexts(Settings &s, bool on)
{
    s.ShowMonitorAccountCost = on;
    s.ShowMonitorDailyCost = on;
    s.ShowMonitorReceived = on;
    s.ShowMonitorTransmitted = on;
    s.ShowMonitorTotalReceived = on;
    s.ShowMonitorTotalTransmitted = on;
}

QPoint globalCentre(QWidget *w)
{
    return w->mapToGlobal(w->rect().center());
}

} // namespace

class TestSessionMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutWidths_data();
    void layoutWidths();
    void windowLayout_data();
    void windowLayout();
    void totals_data();
    void totals();
    void refreshTexts();
    void refreshNeedsTheSetting();
    void snap_data();
    void snap();
    void dragging_data();
    void dragging();
    void offScreenReset_data();
    void offScreenReset();
    void duringASession();
};

void TestSessionMonitor::layoutWidths_data()
{
    QTest::addColumn<QList<bool>>("shown");
    QTest::addColumn<QList<int>>("lefts");  // 0 for a hidden text
    QTest::addColumn<int>("width");
    QTest::newRow("first only") << QList<bool>{true, false, false, false, false, false, false}
                                << QList<int>{0, 0, 0, 0, 0, 0, 0} << 101;
    QTest::newRow("all") << QList<bool>{true, true, true, true, true, true, true}
                         << QList<int>{0, 101, 152, 193, 224, 255, 316} << 377;
    QTest::newRow("daily and totals") << QList<bool>{true, false, true, false, false, true, true}
                                      << QList<int>{0, 0, 101, 0, 0, 142, 203} << 264;
}

void TestSessionMonitor::layoutWidths()
{
    QFETCH(QList<bool>, shown);
    QFETCH(QList<int>, lefts);
    QFETCH(int, width);
    const std::array<int, MonitorTextCount> widths{100, 50, 40, 30, 30, 60, 60};
    std::array<bool, MonitorTextCount> show{};
    for (int i = 0; i < MonitorTextCount; ++i)
        show[i] = shown[i];
    const MonitorLayout layout = LayoutSessionMonitor(widths, 14, show);
    QCOMPARE(layout.width, width);
    QCOMPARE(layout.height, 15);
    for (int i = 0; i < MonitorTextCount; ++i) {
        QCOMPARE(layout.visible[i], i == 0 || shown[i]);
        QCOMPARE(layout.left[i], lefts[i]);
    }
}

void TestSessionMonitor::windowLayout_data()
{
    QTest::addColumn<bool>("allOn");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<bool>("bold");
    QTest::newRow("first text only") << false << 8 << false;
    QTest::newRow("all texts") << true << 8 << false;
    QTest::newRow("all texts, large bold") << true << 14 << true;
}

void TestSessionMonitor::windowLayout()
{
    QFETCH(bool, allOn);
    QFETCH(int, fontSize);
    QFETCH(bool, bold);
    EngineFixture f;
    setAllTexts(f.ctx.settings, allOn);
    f.ctx.settings.SessionMonitorFontSize = fontSize;
    f.ctx.settings.SessionMonitorFontBold = bold;
    TTaskBarWindowForm form(f.ctx);
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(form.windowType(), Qt::Tool);
    form.showMonitor();

    const QStringList samples = MonitorSampleTexts();
    int expectedWidth = 0;
    int right = -1;
    for (int i = 0; i < MonitorTextCount; ++i) {
        QLabel *text = form.monitorText(i);
        QCOMPARE(text->font().pointSize(), fontSize);
        QCOMPARE(text->font().bold(), bold);
        QCOMPARE(text->alignment(), Qt::AlignCenter);
        QCOMPARE(text->text(), samples[i]);
        // Each box holds its sample completely.
        QVERIFY(text->width() >= QFontMetrics(text->font()).horizontalAdvance(samples[i]));
        QCOMPARE(text->isVisible(), i == 0 || allOn);
        if (!text->isVisible())
            continue;
        // Side by side with one pixel between, none overlapping.
        QCOMPARE(text->x(), right + 1);
        QCOMPARE(text->y(), 0);
        right = text->x() + text->width();
        expectedWidth = right + 1;
    }
    QCOMPARE(form.width(), expectedWidth);
    QCOMPARE(form.height(), form.monitorText(TransmittedText)->height() + 1);
    if (!allOn)
        QCOMPARE(form.width(), form.monitorText(TimerFloatingText)->width() + 1);
    screenshot(&form, QStringLiteral("monitor-") + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));

    // A wider value is clipped, not laid out again.
    const int widthBefore = form.monitorText(TotalReceivedText)->width();
    form.monitorText(TotalReceivedText)->setText(QStringLiteral("Tot Rec 123456789.00K"));
    QCOMPARE(form.monitorText(TotalReceivedText)->width(), widthBefore);
    QCOMPARE(form.width(), expectedWidth);
}

void TestSessionMonitor::totals_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("transmitted");
    QTest::newRow("nothing") << qint64(0) << "Tot Rec 0.00K" << "Tot Tran 0.00K";
    QTest::newRow("1024") << qint64(1024) << "Tot Rec 1.00K" << "Tot Tran 1.00K";
    QTest::newRow("1048575") << qint64(1048575) << "Tot Rec 1024.00K" << "Tot Tran 1024.00K";
    QTest::newRow("1048576") << qint64(1048576) << "Tot Rec 1.00MB" << "Tot Tran 1.00MB";
    QTest::newRow("above 4 GiB") << qint64(5) * 1073741824 << "Tot Rec 5120.00MB" << "Tot Tran 5120.00MB";
}

void TestSessionMonitor::totals()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, received);
    QFETCH(QString, transmitted);
    EngineFixture f;
    setAllTexts(f.ctx.settings, true);
    f.ctx.connection.TotalReceived = bytes;
    f.ctx.connection.TotalTransmitted = bytes;
    const MonitorCaptions captions = UpdateSessionMonitor(f.ctx);
    QCOMPARE(captions[TotalReceivedText], received);
    QCOMPARE(captions[TotalTransmittedText], transmitted);
}

void TestSessionMonitor::refreshTexts()
{
    EngineFixture f;
    Settings &s = f.ctx.settings;
    setAllTexts(s, true);
    PricingState &p = f.ctx.pricing;
    p.SessionCost = 1.5;
    p.SecondsOnline = 3725;
    p.AccountCost = 12.25;
    p.DailyCost = 3;
    f.ctx.connection.ReceiveRate = 1500;
    f.ctx.connection.TransmitRate = 25;

    MonitorCaptions c = UpdateSessionMonitor(f.ctx);
    QCOMPARE(c[TimerFloatingText], QStringLiteral("Time 01:02:05  Cost \u00a31.50"));
    QCOMPARE(c[AccountText], QStringLiteral("Account \u00a312.25"));
    QCOMPARE(c[DailyText], QStringLiteral("Daily \u00a33.00"));
    QCOMPARE(c[ReceivedText], QStringLiteral("Rec 1.50K/S"));
    QCOMPARE(c[TransmittedText], QStringLiteral("Tran 0.03K/S"));

    s.ShowCostsBeforeTime = true;
    s.ShowMonitorDailyCost = false;
    s.ShowMonitorTransmitted = false;
    f.ctx.currencySymbol = QStringLiteral("EUR ");
    c = UpdateSessionMonitor(f.ctx);
    QCOMPARE(c[TimerFloatingText], QStringLiteral("Cost EUR 1.50  Time 01:02:05"));
    QVERIFY(c[DailyText].isNull());
    QVERIFY(c[TransmittedText].isNull());

    // The window takes the refresh from the pricing tick's notification;
    // texts switched off keep what they showed.
    TTaskBarWindowForm form(f.ctx);
    form.showMonitor();
    Q_EMIT f.ctx.events.sessionPriced(SessionSnapshot());
    QCOMPARE(form.monitorText(TimerFloatingText)->text(), QStringLiteral("Cost EUR 1.50  Time 01:02:05"));
    QCOMPARE(form.monitorText(ReceivedText)->text(), QStringLiteral("Rec 1.50K/S"));
    QCOMPARE(form.monitorText(DailyText)->text(), MonitorSampleTexts()[DailyText]);
}

void TestSessionMonitor::refreshNeedsTheSetting()
{
    EngineFixture f;
    f.ctx.settings.ShowTaskBarWindow = false;
    f.ctx.pricing.SessionCost = 2;
    const MonitorCaptions c = UpdateSessionMonitor(f.ctx);
    for (const QString &text : c)
        QVERIFY(text.isNull());
    TTaskBarWindowForm form(f.ctx);
    form.showMonitor();
    Q_EMIT f.ctx.events.sessionPriced(SessionSnapshot());
    for (int i = 0; i < MonitorTextCount; ++i)
        QCOMPARE(form.monitorText(i)->text(), MonitorSampleTexts()[i]);
}

void TestSessionMonitor::snap_data()
{
    QTest::addColumn<QPoint>("moved");
    QTest::addColumn<QPoint>("snapped");
    // A 300 x 20 window on a 1024 x 768 screen.
    QTest::newRow("left at 19 snaps") << QPoint(19, 300) << QPoint(0, 300);
    QTest::newRow("left at 20 stays") << QPoint(20, 300) << QPoint(20, 300);
    QTest::newRow("left beyond the edge") << QPoint(-50, 300) << QPoint(0, 300);
    QTest::newRow("right 19 from the edge snaps") << QPoint(705, 300) << QPoint(724, 300);
    QTest::newRow("right 20 from the edge stays") << QPoint(704, 300) << QPoint(704, 300);
    QTest::newRow("top at 19 snaps") << QPoint(400, 19) << QPoint(400, 0);
    QTest::newRow("top at 20 stays") << QPoint(400, 20) << QPoint(400, 20);
    QTest::newRow("bottom 19 from the edge snaps") << QPoint(400, 729) << QPoint(400, 748);
    QTest::newRow("bottom 20 from the edge stays") << QPoint(400, 728) << QPoint(400, 728);
    QTest::newRow("corner") << QPoint(3, 760) << QPoint(0, 748);
}

void TestSessionMonitor::snap()
{
    QFETCH(QPoint, moved);
    QFETCH(QPoint, snapped);
    const QRect r = SnapMonitorRect(QRect(moved, QSize(300, 20)), QSize(1024, 768));
    QCOMPARE(r.topLeft(), snapped);
    QCOMPARE(r.size(), QSize(300, 20));
}

void TestSessionMonitor::dragging_data()
{
    QTest::addColumn<int>("text");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("by");
    QTest::addColumn<QPoint>("landed");
    QTest::newRow("left edge lands at 19") << int(TimerFloatingText) << QPoint(100, 200) << QPoint(-81, 50)
                                           << QPoint(0, 250);
    QTest::newRow("left edge lands at 20") << int(AccountText) << QPoint(100, 200) << QPoint(-80, 50)
                                           << QPoint(20, 250);
    QTest::newRow("top lands at 19") << int(DailyText) << QPoint(100, 200) << QPoint(10, -181) << QPoint(110, 0);
    QTest::newRow("press and release") << int(TimerFloatingText) << QPoint(100, 200) << QPoint(0, 0)
                                       << QPoint(100, 200);
}

void TestSessionMonitor::dragging()
{
    QFETCH(int, text);
    QFETCH(QPoint, start);
    QFETCH(QPoint, by);
    QFETCH(QPoint, landed);
    EngineFixture f;
    f.ctx.settings.TaskBarWindowX = start.x();
    f.ctx.settings.TaskBarWindowY = start.y();
    TTaskBarWindowForm form(f.ctx);
    form.showMonitor();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.pos(), start);

    QLabel *label = form.monitorText(text);
    const QPoint down(5, 5);
    QTest::mousePress(label, Qt::LeftButton, {}, down);
    if (!by.isNull()) {
        // Moves arrive in the text's own coordinates; the window stays put
        // until the button is released.
        QMouseEvent move(QEvent::MouseMove, QPointF(down + by), label->mapToGlobal(QPointF(down + by)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(label, &move);
        QCOMPARE(form.pos(), start);
    }
    QTest::mouseRelease(label, Qt::LeftButton, {}, down + by);
    QCOMPARE(form.pos(), landed);
    QCOMPARE(f.ctx.settings.TaskBarWindowX, landed.x());
    QCOMPARE(f.ctx.settings.TaskBarWindowY, landed.y());

    // The right button does not drag.
    QTest::mousePress(label, Qt::RightButton, {}, down);
    QMouseEvent move(QEvent::MouseMove, QPointF(down + QPoint(200, 200)), globalCentre(label), Qt::NoButton,
                     Qt::RightButton, {});
    QApplication::sendEvent(label, &move);
    QTest::mouseRelease(label, Qt::RightButton, {}, down + QPoint(200, 200));
    QCOMPARE(form.pos(), landed);
}

void TestSessionMonitor::offScreenReset_data()
{
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<bool>("reset");
    QTest::newRow("on screen") << QPoint(300, 400) << false;
    QTest::newRow("beyond the right edge") << QPoint(2000, 10) << true;
    QTest::newRow("at the screen width") << QPoint(1024, 10) << true;
    QTest::newRow("beyond the bottom") << QPoint(10, 768) << true;
    QTest::newRow("just inside") << QPoint(1023, 767) << false;
}

void TestSessionMonitor::offScreenReset()
{
    QFETCH(QPoint, saved);
    QFETCH(bool, reset);
    EngineFixture f;
    f.ctx.startup.screenWidth = 1024;
    f.ctx.startup.screenHeight = 768;
    f.ctx.settings.ShowSplashForm = false;
    f.ctx.settings.NumberOfUsers = 1;
    f.ctx.settings.AutoLogonLastUser = false;
    f.ctx.settings.TaskBarWindowX = saved.x();
    f.ctx.settings.TaskBarWindowY = saved.y();
    TTaskBarWindowForm form(f.ctx);
    // As the resident shell measures it for start-up.
    form.LayoutSessionMonitor();
    f.ctx.startup.monitorWindowWidth = form.width();
    InitialiseApplication(f.ctx);

    const QPoint expected = reset ? QPoint(int(std::lround(1024 / 2.0 - form.width() / 2.0)), 0) : saved;
    QCOMPARE(QPoint(f.ctx.settings.TaskBarWindowX, f.ctx.settings.TaskBarWindowY), expected);
    QVERIFY(!form.isVisible());
    // Shown in a session, it sits where start-up put it.
    form.showMonitor();
    QCOMPARE(form.pos(), expected);
}

void TestSessionMonitor::duringASession()
{
    // Wednesday 10 January 2001, 12:00: the peak band of the shipped preset
    // (0.04 a minute, a 0.05 minimum).
    testsupport::SessionFixture f;
    f.ctx.startup.programDirectory = QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/");
    setAllTexts(f.ctx.settings, true);
    f.addUser({QStringLiteral("Fred"), QStringLiteral("pw")});
    QVERIFY(LoadTimeZonePresets(f.ctx, QStringLiteral("Peak Off-Peak Weekend.tzp"), 1, 1));
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("pw")), LoginResult::LoggedIn);

    TTaskBarWindowForm form(f.ctx);
    // As the program's dial-up line does when it starts.
    f.ctx.connection.DunSpeed.StartStatistics(&f.network, true, true);
    f.network.addConnection(1, QStringLiteral("Home ISP"), RasState::Connected, QStringLiteral("ppp0"));
    f.network.setCounters(QStringLiteral("ppp0"), 0, 0);
    RASCheckTimerTimer(f.ctx);
    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);
    // OpenSession asks for the monitor; the program's Ui shows this window.
    QVERIFY(f.ui.floatingMonitorVisible);
    form.showMonitor();

    qint64 received = 0;
    for (int second = 1; second <= 120; ++second) {
        f.clock.advanceSeconds(1);
        received += 3000;
        f.network.setCounters(QStringLiteral("ppp0"), received, received / 10);
        RASCheckTimerTimer(f.ctx);
        f.ctx.tariff.CurrentTimezone = DetermineCurrentTimeZone(f.ctx);
        UpdateSessionInformation(f.ctx);
    }
    // 2 minutes plus the 10 s correction and the added second, at 0.04 a
    // minute: past the 0.05 minimum.
    QCOMPARE(form.monitorText(TimerFloatingText)->text(), QStringLiteral("Time 00:02:11  Cost \u00a30.09"));
    QVERIFY(form.monitorText(ReceivedText)->text().endsWith(QStringLiteral("K/S")));
    QCOMPARE(form.monitorText(TotalReceivedText)->text(),
             MonitorTotalText(QStringLiteral("Tot Rec "), f.ctx.connection.TotalReceived));
    QVERIFY(f.ctx.connection.TotalReceived > 0);
    screenshot(&form, QStringLiteral("monitor-session"));

    CloseSession(f.ctx);
    QVERIFY(!f.ui.floatingMonitorVisible);
}

TALLYLINE_TEST_MAIN(TestSessionMonitor)
#include "TestSessionMonitor.moc"

// The built program on the NetworkManager line, on a real X server, with a
// fake NetworkManager on a private bus: its saved connections are what the
// tray's phone-book menu offers, and choosing one there activates it.

#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"
#include "support/Xvfb.h"

#include <QStandardPaths>

class TestProgramNetworkManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phoneBookMenuDialsTheSavedConnections();
};

namespace {

// Runs xdotool on the display; its output, or a null string when it failed.
QString xdotool(const QString &display, const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed() + QLatin1Char(' ');
}

// The windows on the screen now, mapped and of any name.
QStringList visibleWindows(const QString &display)
{
    return xdotool(display, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                             QStringLiteral(".*")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A picture of the whole screen, for a person to look at.
void screenshotOf(const QString &display, const QString &name)
{
    const QString dir = qEnvironmentVariable("TALLYLINE_SCREENSHOT_DIR");
    if (dir.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        return;
    QProcess import;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    import.setProcessEnvironment(env);
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                            dir + QLatin1Char('/') + name + QStringLiteral(".png")});
    import.waitForFinished(30000);
}

} // namespace

void TestProgramNetworkManager::phoneBookMenuDialsTheSavedConnections()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    testsupport::PrivateBus bus;
    QString why;
    if (!bus.start(&why))
        QSKIP(qPrintable(why));
    testsupport::Xvfb x;
    if (x.display().isEmpty())
        QSKIP("no X server (Xvfb) could be started");

    testsupport::FakeNetworkManager networkManager;
    QVERIFY(networkManager.start(bus.address()));
    QVERIFY(networkManager.commands({QStringLiteral("add|Mobile Broadband|gsm|ppp0"),
                                     QStringLiteral("add|Office Wi-Fi|802-11-wireless|wlan0"),
                                     QStringLiteral("add|DSL at home|pppoe|ppp0"),
                                     QStringLiteral("add|Wired connection 1|802-3-ethernet|eth0")}));

    testsupport::RunningProgram p;
    p.line = QStringLiteral("networkmanager");
    p.environment.insert(QStringLiteral("TALLYLINE_NETWORKMANAGER_BUS"), bus.address());
    p.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.environment.insert(QStringLiteral("DISPLAY"), x.display());
    QVERIFY(p.start());

    // The program has read every saved connection. A change to one of them
    // after that, once the program asks about it again, shows that it has
    // handled those answers (they came first), so its menu is built.
    QTRY_COMPARE_WITH_TIMEOUT(networkManager.calls().filter(QStringLiteral("GetSettings")).size(), 4, 30000);
    QVERIFY(networkManager.command(QStringLiteral("rename|Wired connection 1|Wired connection 1")));
    QTRY_COMPARE_WITH_TIMEOUT(networkManager.calls().filter(QStringLiteral("GetSettings")).size(), 5, 30000);
    // Its window stands in for the tray icon on this desktop.
    QTRY_VERIFY_WITH_TIMEOUT(!xdotool(x.display(), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                    QStringLiteral("--name"), QStringLiteral("^Tallyline$")})
                                  .isEmpty(),
                             30000);

    // Its Menu button (top left, no window manager), then Dial Connection
    // and its phone book, each waited for until it is on the screen.
    const qsizetype windows = visibleWindows(x.display()).size();
    QVERIFY(!xdotool(x.display(), {QStringLiteral("mousemove"), QStringLiteral("50"), QStringLiteral("70"),
                                   QStringLiteral("click"), QStringLiteral("1")})
                 .isNull());
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(x.display()).size() > windows, 20000);
    QVERIFY(!xdotool(x.display(), {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
                                   QStringLiteral("Right")})
                 .isNull());
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(x.display()).size() > windows + 1, 20000);
    screenshotOf(x.display(), QStringLiteral("nm-phonebook"));

    // The second entry of the sorted phone book, "DSL at home" being the
    // first; the Wi-Fi and wired connections are not there to be passed.
    QVERIFY(!xdotool(x.display(), {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}).isNull());
    QTRY_VERIFY_WITH_TIMEOUT(
        networkManager.calls().contains(QStringLiteral("ActivateConnection Mobile Broadband")), 20000);
    QCOMPARE(networkManager.calls().filter(QStringLiteral("ActivateConnection")).size(), 1);
    QVERIFY(p.stop());
}

TALLYLINE_TEST_MAIN(TestProgramNetworkManager)
#include "TestProgramNetworkManager.moc"

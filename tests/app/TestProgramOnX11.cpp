#include "support/RunningProgram.h"
#include "support/TestMain.h"
#include "support/Xvfb.h"

#include <QStandardPaths>

// The built program on a real X server: what a window manager sees of it.
class TestProgramOnX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowTitlesAreTheProgramsTexts();
};

namespace {

// What xdotool answers for the windows whose names match pattern.
QStringList windowNames(const QString &display, const QString &pattern)
{
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    search.setProcessEnvironment(env);
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), pattern,
                                             QStringLiteral("getwindowname"), QStringLiteral("%@")});
    if (!search.waitForFinished(10000) || search.exitCode() != 0)
        return {};
    return QString::fromUtf8(search.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

void TestProgramOnX11::windowTitlesAreTheProgramsTexts()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    testsupport::Xvfb x;
    if (x.display().isEmpty())
        QSKIP("no X server (Xvfb) could be started");

    testsupport::RunningProgram p;
    // The login dialog at start-up: a window with a title of its own.
    p.store().WriteStoreBool(QStringLiteral("AutoLogonLastUser"), QStringLiteral("Settings"), true);
    p.store().WriteStoreBool(QStringLiteral("AlwaysPromptPassword"), QStringLiteral("Settings"), true);
    p.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.environment.insert(QStringLiteral("DISPLAY"), x.display());
    QVERIFY(p.start());
    QTRY_VERIFY_WITH_TIMEOUT(!windowNames(x.display(), QStringLiteral("User Login")).isEmpty(), 20000);
    // Not "Tallyline - User Login — Tallyline": the toolkit adds nothing.
    QCOMPARE(windowNames(x.display(), QStringLiteral("User Login")), QStringList{QStringLiteral("Tallyline - User Login")});
    QVERIFY(p.stop());
}

TALLYLINE_TEST_MAIN(TestProgramOnX11)
#include "TestProgramOnX11.moc"

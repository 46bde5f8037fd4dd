#include "platform/LineControl.h"
#include "store/Store.h"
#include "support/LineCompanion.h"
#include "support/TestMain.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

// The built program with a simulated line, driven from outside by the
// companion command, as a person or a demonstration would.
class TestLineEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void companionMovesTheProgramsConnectionFlags();
};

namespace {
int companion(const QString &dataDir, const QStringList &request, QString *output = nullptr)
{
    return testsupport::runLineCompanion(QStringLiteral(TALLYLINE_EXECUTABLE), dataDir, request, output);
}
} // namespace

void TestLineEndToEnd::companionMovesTheProgramsConnectionFlags()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    {
        // An installation that has been set up: no splash, no setup wizard,
        // its one user logged in again without a dialog.
        QDir().mkpath(data);
        const auto store = Store::open(data + QLatin1Char('/') + QString::fromLatin1(Store::DefaultFileName));
        store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
        store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);
        store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"), QStringLiteral("Admin"));
        store->WriteStoreString(QStringLiteral("Account Type"), QStringLiteral("Users\\User1"), QStringLiteral("Monthly"));
        store->WriteStoreString(QStringLiteral("Bill Date"), QStringLiteral("Users\\User1"), QStringLiteral("1"));
        store->WriteStoreBool(QStringLiteral("ShowSplashForm"), QStringLiteral("Settings"), false);
        // No time server on the Internet is asked from a test.
        store->WriteStoreBool(QStringLiteral("AutoClockCorrect"), QStringLiteral("Settings"), false);
        store->WriteStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings"), QStringLiteral("2"));
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TALLYLINE_EXECUTABLE),
                  {QStringLiteral("--line"), QStringLiteral("simulated"), QStringLiteral("--data-dir"), data});
    QVERIFY(program.waitForStarted());
    const auto stop = qScopeGuard([&] {
        ::kill(pid_t(program.processId()), SIGTERM);
        if (!program.waitForFinished(30000))
            program.kill();
    });

    QString status;
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0, 30000);
    QVERIFY2(status.contains(QLatin1String("line: down\n")), qPrintable(status));
    QVERIFY2(status.contains(QLatin1String("OnlineDetected: 0\n")), qPrintable(status));

    QCOMPARE(companion(data, {QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    // The program's connection check runs once a second.
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0
                                 && status.contains(QLatin1String("OnlineDetected: 1\nModemConnected: 1\nFullyConnected: 1\n"
                                                                  "ConnectedEntryName: My ISP\n")),
                             10000);

    QCOMPARE(companion(data, {QStringLiteral("drop")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0
                                 && status.contains(QLatin1String("OnlineDetected: 0\nModemConnected: 0\nFullyConnected: 0\n")),
                             10000);
    QVERIFY2(status.contains(QLatin1String("line: down\n")), qPrintable(status));
}

TALLYLINE_ENGINE_TEST_MAIN(TestLineEndToEnd)
#include "TestLineEndToEnd.moc"

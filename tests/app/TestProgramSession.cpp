#include "store/FloatText.h"
#include "store/Store.h"
#include "support/LineCompanion.h"
#include "support/TestMain.h"
#include "tariff/TariffKeys.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>

// The built program as a user runs it: a store with one user and a tariff,
// a simulated line driven from outside, a termination signal at the end.
class TestProgramSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionRecordedAndPricedByTheRunningProgram();

private:
    static void seedStore(const QString &dataDir);
};

namespace {
// 0.60 a minute in every band: one penny a second.
constexpr double CostPerMinute = 0.60;

int companion(const QString &dataDir, const QStringList &request, QString *output = nullptr)
{
    return testsupport::runLineCompanion(QStringLiteral(TALLYLINE_EXECUTABLE), dataDir, request, output);
}
} // namespace

void TestProgramSession::seedStore(const QString &dataDir)
{
    QDir().mkpath(dataDir);
    auto store = Store::open(QDir(dataDir).filePath(QString::fromLatin1(Store::DefaultFileName)));
    const QString settings = QStringLiteral("Settings");
    store->WriteStoreString(QStringLiteral("Database Version"), settings, QStringLiteral("2"));
    store->WriteStoreBool(QStringLiteral("ShowSplashForm"), settings, false);
    store->WriteStoreBool(QStringLiteral("LoadAtStartUp"), settings, false);
    store->WriteStoreBool(QStringLiteral("DontBackupDatabase"), settings, true);
    store->WriteStoreBool(QStringLiteral("PlaySoundOnConnect"), settings, false);
    store->WriteStoreBool(QStringLiteral("PlaySoundOnDisconnect"), settings, false);
    store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);

    const QString user = TariffKeys::user(1);
    store->WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("Admin"));
    store->WriteStoreString(QStringLiteral("Password"), user, QString());
    store->WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
    store->WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
    store->WriteStoreString(QStringLiteral("Creation Date"), user, QStringLiteral("36526"));
    store->WriteStoreInteger(QStringLiteral("Restrictions"), user, 0);
    store->WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
    store->WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
    store->WriteStoreString(QStringLiteral("ISPName"), TariffKeys::isp(1, 1), QStringLiteral("Default"));
    store->WriteStoreString(QStringLiteral("DialupName"), TariffKeys::isp(1, 1), QStringLiteral("Any"));
    for (int day = 1; day <= 8; ++day) {
        store->WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day), 1);
        const QString band = TariffKeys::band(1, 1, day, 1);
        store->WriteStoreInteger(QStringLiteral("Start Time"), band, 0);
        store->WriteStoreInteger(QStringLiteral("End Time"), band, 1439);
        store->WriteStoreFloat(QStringLiteral("Cost"), band, CostPerMinute);
        store->WriteStoreFloat(QStringLiteral("ConnectionFee"), band, 0);
        store->WriteStoreInteger(QStringLiteral("ConnectionFeeType"), band, 0);
    }
}

void TestProgramSession::sessionRecordedAndPricedByTheRunningProgram()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    seedStore(data);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TALLYLINE_EXECUTABLE),
                  {QStringLiteral("--data-dir"), data, QStringLiteral("--line"), QStringLiteral("simulated")});
    QVERIFY(program.waitForStarted());
    auto stop = qScopeGuard([&] {
        ::kill(pid_t(program.processId()), SIGTERM);
        if (!program.waitForFinished(30000))
            program.kill();
    });

    QString status;
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0, 30000);
    QVERIFY2(status.contains(QLatin1String("SessionOpen: 0\n")), qPrintable(status));

    QCOMPARE(companion(data, {QStringLiteral("connect"), QStringLiteral("My ISP")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0
                                 && status.contains(QLatin1String("SessionOpen: 1\n")),
                             10000);
    QTest::qWait(3000);
    QCOMPARE(companion(data, {QStringLiteral("drop")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(companion(data, {QStringLiteral("status")}, &status) == 0
                                 && status.contains(QLatin1String("SessionOpen: 0\n")),
                             10000);

    stop.dismiss();
    QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    auto store = Store::open(QDir(data).filePath(QString::fromLatin1(Store::DefaultFileName)));
    const QString sessions = TariffKeys::user(1) + QStringLiteral("\\Sessions");
    const QStringList days = store->subkeyNames(Store::hivePathOf(sessions));
    QCOMPARE(days.size(), 1);
    const QString dayKey = sessions + QLatin1Char('\\') + days[0];
    int count = 0;
    QVERIFY(store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), dayKey, count));
    QCOMPARE(count, 1);

    const double seconds = store->ReadStoreFloat(QStringLiteral("Session1-Time Online"), dayKey);
    const double cost = store->ReadStoreFloat(QStringLiteral("Session1-Cost"), dayKey);
    // Three seconds online and more, the modem correction (10 s) included;
    // the drop is seen within a second and a half.
    QVERIFY2(seconds >= 13 && seconds <= 20, qPrintable(QString::number(seconds)));
    QVERIFY2(qAbs(cost - seconds * CostPerMinute / 60) < 1e-9,
             qPrintable(QStringLiteral("%1 s cost %2").arg(seconds).arg(cost)));
    // The record is closed: it ends on the day it started or the next.
    const double start = store->ReadStoreFloat(QStringLiteral("Session1-Start Time"), dayKey);
    const double endDate = store->ReadStoreFloat(QStringLiteral("Session1-End Date"), dayKey);
    QCOMPARE(std::floor(start), SafeStrToFloat(days[0]));
    QVERIFY(endDate - std::floor(start) == 0 || endDate - std::floor(start) == 1);
}

TALLYLINE_TEST_MAIN(TestProgramSession)
#include "TestProgramSession.moc"

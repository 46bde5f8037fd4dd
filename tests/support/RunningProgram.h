#pragma once

#include "store/Store.h"
#include "support/LineCompanion.h"
#include "tariff/TariffKeys.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace testsupport {

// The built program on the simulated line, as a person runs it: a data
// directory set up with one user ("Admin", no password, logged in again at
// start) and a tariff of 0.60 a minute at every hour, then driven from
// outside by the line companion.
class RunningProgram
{
public:
    static constexpr double CostPerMinute = 0.60;

    RunningProgram() : m_data(m_dir.filePath(QStringLiteral("data")))
    {
        m_store = seedDataDirectory(m_data);
    }

    // A data directory set up as the program expects it; its store.
    static std::unique_ptr<Store> seedDataDirectory(const QString &directory)
    {
        QDir().mkpath(directory);
        auto store = Store::open(QDir(directory).filePath(QString::fromLatin1(Store::DefaultFileName)));
        seed(*store);
        return store;
    }

    ~RunningProgram() { stop(); }

    Store &store() { return *m_store; }
    QString databasePath() const { return QDir(m_data).filePath(QString::fromLatin1(Store::DefaultFileName)); }
    QString scratchDirectory() const { return m_dir.path(); }
    qint64 processId() const { return m_program.processId(); }
    // Set before start(): these variables override the test's own.
    QProcessEnvironment environment;
    // Set before start(): the --line the program watches. Only the
    // simulated line answers the companion; for another, start() returns
    // once the program runs and the test waits for what it needs.
    QString line = QStringLiteral("simulated");
    QString dataDirectory() const { return m_data; }

    // Starts the program; true once its line answers the companion.
    bool start()
    {
        m_store.reset();   // the program's own from here on
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        for (const QString &name : environment.keys())
            env.insert(name, environment.value(name));
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(QStringLiteral(TALLYLINE_EXECUTABLE),
                        {QStringLiteral("--data-dir"), m_data, QStringLiteral("--line"), line});
        if (!m_program.waitForStarted())
            return false;
        if (line != QLatin1String("simulated"))
            return true;
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (request({QStringLiteral("status")}) == 0)
                return true;
            if (m_program.state() != QProcess::Running)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

    // Ends the program with SIGTERM, as the desktop would; true when it ended
    // cleanly. The store can be read again afterwards.
    bool stop()
    {
        if (m_program.state() == QProcess::NotRunning)
            return true;
        ::kill(pid_t(m_program.processId()), SIGTERM);
        if (!m_program.waitForFinished(30000)) {
            m_program.kill();
            m_program.waitForFinished();
            return false;
        }
        return m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0;
    }

    std::unique_ptr<Store> openStore() const { return Store::open(databasePath()); }

    // One companion request; its exit code, its output in *output.
    int request(const QStringList &words, QString *output = nullptr) const
    {
        return runLineCompanion(QStringLiteral(TALLYLINE_EXECUTABLE), m_data, words, output);
    }

    // The value of a "Name: value" line of the status report; empty when
    // the program did not answer.
    QString status(const QString &name) const
    {
        QString text;
        if (request({QStringLiteral("status")}, &text) != 0)
            return QString();
        for (const QString &line : text.split(QLatin1Char('\n')))
            if (line.startsWith(name + QStringLiteral(": ")))
                return line.mid(name.size() + 2);
        return QString();
    }

    // The texts of the message boxes open in the program, oldest first.
    QStringList boxes() const
    {
        QString text;
        if (request({QStringLiteral("boxes")}, &text) != 0)
            return {QStringLiteral("(no answer)")};
        QStringList result;
        for (const QString &line : text.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("box: ")))
                result.append(line.mid(5));
        return result;
    }

    // A stored alarm of user 1, appended after the ones there are.
    void addAlarm(int type, const QString &totalCost, bool hangUp)
    {
        const QString user = TariffKeys::user(1);
        int count = 0;
        m_store->ReadStoreInteger(QStringLiteral("NumberOfAlarms"), user, count);
        const QString key = user + QStringLiteral("\\Alarms\\Alarm%1").arg(count + 1);
        m_store->WriteStoreInteger(QStringLiteral("AlarmType"), key, type);
        m_store->WriteStoreString(QStringLiteral("TotalCost"), key, totalCost);
        m_store->WriteStoreInteger(QStringLiteral("HangUpPhone"), key, hangUp ? 1 : 0);
        m_store->WriteStoreInteger(QStringLiteral("Days"), key, 255);
        m_store->WriteStoreString(QStringLiteral("AlarmWaveFile"), key, QStringLiteral("None"));
        m_store->WriteStoreInteger(QStringLiteral("NumberOfAlarms"), user, count + 1);
    }

private:
    static void seed(Store &store)
    {
        const QString settings = QStringLiteral("Settings");
        store.WriteStoreString(QStringLiteral("Database Version"), settings, QStringLiteral("2"));
        store.WriteStoreBool(QStringLiteral("ShowSplashForm"), settings, false);
        store.WriteStoreBool(QStringLiteral("LoadAtStartUp"), settings, false);
        store.WriteStoreBool(QStringLiteral("DontBackupDatabase"), settings, true);
        store.WriteStoreBool(QStringLiteral("PlaySoundOnConnect"), settings, false);
        store.WriteStoreBool(QStringLiteral("PlaySoundOnDisconnect"), settings, false);
        // No time server on the Internet is asked from a test.
        store.WriteStoreBool(QStringLiteral("AutoClockCorrect"), settings, false);
        store.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
        store.WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 1);

        const QString user = TariffKeys::user(1);
        store.WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("Admin"));
        store.WriteStoreString(QStringLiteral("Password"), user, QString());
        store.WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
        store.WriteStoreString(QStringLiteral("Bill Date"), user, QStringLiteral("1"));
        store.WriteStoreString(QStringLiteral("Creation Date"), user, QStringLiteral("36526"));
        store.WriteStoreInteger(QStringLiteral("Restrictions"), user, 0);
        store.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), user, 0);
        store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), user, 1);
        store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), user, 1);
        store.WriteStoreString(QStringLiteral("ISPName"), TariffKeys::isp(1, 1), QStringLiteral("Default"));
        store.WriteStoreString(QStringLiteral("DialupName"), TariffKeys::isp(1, 1), QStringLiteral("Any"));
        for (int day = 1; day <= 8; ++day) {
            store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, day), 1);
            const QString band = TariffKeys::band(1, 1, day, 1);
            store.WriteStoreInteger(QStringLiteral("Start Time"), band, 0);
            store.WriteStoreInteger(QStringLiteral("End Time"), band, 1439);
            store.WriteStoreFloat(QStringLiteral("Cost"), band, CostPerMinute);
            store.WriteStoreFloat(QStringLiteral("ConnectionFee"), band, 0);
            store.WriteStoreInteger(QStringLiteral("ConnectionFeeType"), band, 0);
        }
    }

    QTemporaryDir m_dir;
    QString m_data;
    std::unique_ptr<Store> m_store;
    QProcess m_program;
};

} // namespace testsupport

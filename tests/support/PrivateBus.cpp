#include "PrivateBus.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QtGlobal>

#include <atomic>

namespace testsupport {

namespace {

// Buses of one test process get connection names of their own: Qt hands back
// an existing connection for a name it already knows, whatever the address.
std::atomic<int> busCount{0};

QString configText(const QString &dir)
{
    return QStringLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir=%1</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n")
        .arg(dir.toHtmlEscaped());
}

} // namespace

PrivateBus::PrivateBus()
    : m_prefix(QStringLiteral("testsupport-private-bus-%1-").arg(busCount.fetch_add(1)))
{
}

PrivateBus::~PrivateBus()
{
    stop();
}

bool PrivateBus::start(QString *why)
{
    auto fail = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (!m_address.isEmpty())
        return true;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty())
        return fail(QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)"));
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder for the bus: %1").arg(m_dir.errorString()));

    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || config.write(configText(m_dir.path()).toUtf8()) < 0 || !config.flush())
        return fail(QStringLiteral("cannot write %1: %2").arg(configPath, config.errorString()));
    config.close();

    m_daemon.setProgram(program);
    m_daemon.setArguments({QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    // Its complaints go to the test's output, where a failure can be read.
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start();
    if (!m_daemon.waitForStarted())
        return fail(QStringLiteral("dbus-daemon did not start: %1").arg(m_daemon.errorString()));

    // The address line is printed once the daemon listens. The deadline only
    // bounds a daemon that hangs; a working one answers at once.
    QDeadlineTimer deadline(30000);
    while (!m_daemon.canReadLine()) {
        if (m_daemon.state() != QProcess::Running || deadline.hasExpired()
            || !m_daemon.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (m_daemon.canReadLine())
                break;
            m_daemon.kill();
            m_daemon.waitForFinished();
            return fail(QStringLiteral("dbus-daemon printed no address"));
        }
    }
    const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (address.isEmpty()) {
        stop();
        return fail(QStringLiteral("dbus-daemon printed an empty address"));
    }
    m_address = address;
    return true;
}

QDBusConnection PrivateBus::connection(const QString &name)
{
    const QString fullName = m_prefix + name;
    if (!m_connectionNames.contains(fullName))
        m_connectionNames.append(fullName);
    return QDBusConnection::connectToBus(m_address, fullName);
}

void PrivateBus::stop()
{
    for (const QString &name : std::as_const(m_connectionNames))
        QDBusConnection::disconnectFromBus(name);
    m_connectionNames.clear();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(10000)) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }
}

} // namespace testsupport

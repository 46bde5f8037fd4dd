#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// A D-Bus message bus of the test's own: a dbus-daemon child with a minimal
// configuration in a temporary folder, so nothing on the machine's session or
// system bus sees or answers what a test does.
//
//     testsupport::PrivateBus bus;
//     QString why;
//     if (!bus.start(&why))
//         QSKIP(qPrintable(why));
//     QDBusConnection connection = bus.connection(QStringLiteral("client"));
//
// Give address() to a child process (DBUS_SESSION_BUS_ADDRESS, or an option of
// its own) to put it on the same bus.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // Starts the daemon and returns once it listens. On failure (no
    // dbus-daemon on the machine, or it would not start) says why and
    // returns false.
    bool start(QString *why);

    // The bus's address, e.g. "unix:path=/tmp/…/bus"; empty before start().
    QString address() const { return m_address; }

    // A connection to the bus under a name of this bus's own, opened on the
    // first call and the same connection on later calls with that name.
    // Every connection is closed before the daemon is stopped.
    QDBusConnection connection(const QString &name = QStringLiteral("test"));

    // Stops the daemon now (a test of what happens when the bus goes away);
    // the destructor does it otherwise.
    void stop();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_prefix;
    QStringList m_connectionNames;
};

} // namespace testsupport

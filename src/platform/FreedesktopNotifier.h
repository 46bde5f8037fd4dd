#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QObject>

// Notices through the freedesktop.org notification service
// (org.freedesktop.Notifications) on the user's session bus.
//
// Calls are asynchronous: a slow or missing service never holds up the
// program. A notice that could not be shown is written once to the log, as
// the box beside it still tells the user.
class FreedesktopNotifier : public QObject, public DesktopNotifier
{
    Q_OBJECT

public:
    explicit FreedesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    void notify(const QString &summary, const QString &body, Urgency urgency) override;

    // Notices sent and not yet answered by the service.
    int pending() const { return m_pending; }

Q_SIGNALS:
    // The service answered a notice (id 0 when it refused it).
    void answered(uint id);

private:
    QDBusConnection m_bus;
    int m_pending = 0;
    bool m_failureLogged = false;
};

#include "platform/FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The urgency levels of the notification protocol.
uchar urgencyLevel(DesktopNotifier::Urgency urgency)
{
    return urgency == DesktopNotifier::Urgency::Critical ? 2 : 1;
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus, QObject *parent) : QObject(parent), m_bus(std::move(bus))
{
}

void FreedesktopNotifier::notify(const QString &summary, const QString &body, Urgency urgency)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgencyLevel(urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.example.Tallyline"));
    // Most servers read the body as simple markup: a user's own alarm text
    // or entry name with "<" or "&" in it must come out as typed.
    QString plainBody = body;
    plainBody.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"));
    call << QStringLiteral("Tallyline")          // app_name
         << uint(0)                              // replaces_id: a new notice
         << QStringLiteral("tallyline")          // app_icon, the installed theme icon
         << summary << plainBody
         << QStringList()                        // actions
         << hints
         << int(-1);                             // expire_timeout: the server's choice
    ++m_pending;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        --m_pending;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            if (!m_failureLogged) {
                m_failureLogged = true;
                qWarning("Tallyline: no desktop notification could be shown: %s",
                         qPrintable(reply.error().message()));
            }
            Q_EMIT answered(0);
            return;
        }
        Q_EMIT answered(reply.value());
    });
}

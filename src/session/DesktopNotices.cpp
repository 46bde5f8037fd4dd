#include "session/DesktopNotices.h"

#include "core/AppContext.h"
#include "core/DateTime.h"

void NotifyDesktop(AppContext &ctx, const QString &summary, const QString &body, DesktopNotifier::Urgency urgency)
{
    if (ctx.settings.DesktopNotifications && ctx.platform.notifier)
        ctx.platform.notifier->notify(summary, body, urgency);
}

void NotifyAlarm(AppContext &ctx, const QString &text)
{
    NotifyDesktop(ctx, QStringLiteral("Tallyline alarm"), text, DesktopNotifier::Urgency::Critical);
}

void NotifyDroppedLine(AppContext &ctx, const QString &entryName)
{
    NotifyDesktop(ctx, QStringLiteral("Connection dropped"),
                  entryName.isEmpty() ? QStringLiteral("The connection has dropped.")
                                      : QStringLiteral("The connection to %1 has dropped.").arg(entryName));
}

void NotifyNewAccountPeriod(AppContext &ctx, DateTime start, DateTime end)
{
    NotifyDesktop(ctx, QStringLiteral("Account period ended"),
                  QStringLiteral("A new account period began on %1; the next one begins on %2.")
                      .arg(FormatShortDate(start), FormatShortDate(end)));
}

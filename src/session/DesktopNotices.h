#pragma once

#include "core/DateTime.h"
#include "platform/DesktopNotifier.h"

#include <QString>

struct AppContext;

// The notices sent to the desktop's notification service, beside the boxes,
// when the user asked for them.
void NotifyDesktop(AppContext &ctx, const QString &summary, const QString &body,
                   DesktopNotifier::Urgency urgency = DesktopNotifier::Urgency::Normal);

// An alarm went off; text is the alarm box's text.
void NotifyAlarm(AppContext &ctx, const QString &text);

// The line went down without the program hanging it up.
void NotifyDroppedLine(AppContext &ctx, const QString &entryName);

// A new account period began on start; the one after begins on end.
void NotifyNewAccountPeriod(AppContext &ctx, DateTime start, DateTime end);

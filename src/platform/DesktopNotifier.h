#pragma once

#include <QList>
#include <QString>

// Pops up a notice through the desktop's notification service, beside the
// program's own boxes: an alarm, a dropped line, the end of an account period.
class DesktopNotifier
{
public:
    enum class Urgency { Normal, Critical };

    virtual ~DesktopNotifier() = default;

    // Sends the notice and returns at once. A desktop without a notification
    // service shows nothing, and that is not an error: the boxes still tell.
    virtual void notify(const QString &summary, const QString &body, Urgency urgency) = 0;
};

// Remembers the notices it was asked to show.
class FakeDesktopNotifier : public DesktopNotifier
{
public:
    struct Notice {
        QString summary;
        QString body;
        Urgency urgency;
    };

    void notify(const QString &summary, const QString &body, Urgency urgency) override
    {
        sent.append(Notice{summary, body, urgency});
    }

    QList<Notice> sent;
};

#pragma once

#include <QObject>

// What the engine tells the windows has happened; each window connects to
// what it shows and updates itself.
class EngineEvents : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    // A pricing tick of the open session has finished: the running values
    // are current. The session monitor refreshes from here.
    void sessionPriced();

    // A tariff preset was loaded into the current ISP: the account window
    // shows the new preset name and refills its band list.
    void timezonesChanged();

    // A user's alarm records were added to outside the alarm editor.
    void alarmListChanged();
};

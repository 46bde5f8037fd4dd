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
};

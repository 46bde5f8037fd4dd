#pragma once

#include <QTimer>

// A timer whose ticks run straight from its timer event. Qt never delivers a
// timer's event again while its handler still runs, so a box opened inside a
// tick would hold this timer until answered. Whenever an event loop runs
// inside one of its ticks (a box, a dialog, any nested processEvents), the
// timer is started afresh and fires in that loop: pricing, line drops and
// alarms carry on while any box waits. A timer stopped by its tick stays
// stopped. (Posting each tick to run later would do the same at the price
// of a wake-up of the event loop on every tick.)
class TickTimer : public QTimer
{
    Q_OBJECT

public:
    explicit TickTimer(QObject *parent = nullptr);
    ~TickTimer() override;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    static void releaseHeldTimers();

    // A tick of this timer is on the stack and holds its timer event.
    bool m_heldByTick = false;
};

#include "app/TickTimer.h"

#include <QAbstractEventDispatcher>
#include <QList>
#include <QPointer>
#include <QTimerEvent>

namespace {

// The tick timers whose ticks are on the stack, for the one connection to
// the event dispatcher that all of them share (the GUI thread's).
QList<TickTimer *> heldTimers;
QPointer<QAbstractEventDispatcher> watchedDispatcher;

} // namespace

TickTimer::TickTimer(QObject *parent) : QTimer(parent)
{
    // Every event loop announces each pass with one of these two signals
    // before it delivers anything.
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread());
    if (dispatcher && dispatcher != watchedDispatcher) {
        watchedDispatcher = dispatcher;
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, &TickTimer::releaseHeldTimers);
        connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher, &TickTimer::releaseHeldTimers);
    }
}

TickTimer::~TickTimer()
{
    heldTimers.removeAll(this);
}

void TickTimer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId()) {
        QTimer::timerEvent(event);
        return;
    }
    // A tick that runs inside an earlier tick's loop: when it returns, the
    // earlier tick's event is long released.
    const bool outer = m_heldByTick;
    if (!outer) {
        m_heldByTick = true;
        heldTimers.append(this);
    }
    struct Restore {
        TickTimer *timer;
        bool value;
        // Still listed, the timer is still there (a tick may delete it).
        ~Restore()
        {
            if (!value && heldTimers.removeOne(timer))
                timer->m_heldByTick = false;
        }
    } restore{this, outer};
    QTimer::timerEvent(event);
}

void TickTimer::releaseHeldTimers()
{
    if (heldTimers.isEmpty())
        return;
    const QList<TickTimer *> held = std::exchange(heldTimers, {});
    for (TickTimer *timer : held) {
        timer->m_heldByTick = false;
        if (timer->isActive())
            timer->start();
    }
}

#include "app/TickTimer.h"

#include <QAbstractEventDispatcher>
#include <QTimerEvent>

TickTimer::TickTimer(QObject *parent) : QTimer(parent)
{
    // Every event loop announces each pass with one of these two signals
    // before it delivers anything.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TickTimer::releaseFromTick);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, &TickTimer::releaseFromTick);
    }
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
    m_heldByTick = true;
    struct Restore {
        bool &held;
        bool value;
        ~Restore() { held = value; }
    } restore{m_heldByTick, outer};
    QTimer::timerEvent(event);
}

void TickTimer::releaseFromTick()
{
    if (!m_heldByTick)
        return;
    m_heldByTick = false;
    if (isActive())
        start();
}

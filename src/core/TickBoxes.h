#pragma once

#include <QString>
#include <QStringList>

// The rule for boxes raised from a timer tick. A tick switches the main
// timer off while it runs; a box it raises switches the timer back on for as
// long as it waits, so that pricing, line drops and alarms carry on under it,
// and off again when it is answered (until the end of that tick). A tick that
// runs meanwhile and wants the same box does not stack a second one.
class TickBoxes
{
public:
    // The main timer's switch (ctx.shell.Timer1Enabled); null: no timer.
    void setTimerSwitch(bool *timerEnabled) { m_timerEnabled = timerEnabled; }

    const QStringList &showing() const { return m_showing; }

    // Runs show() under the rule; false when the box is up already.
    template<typename Show>
    bool raise(const QString &text, Show &&show)
    {
        if (m_showing.contains(text))
            return false;
        m_showing.append(text);
        setTimer(true);
        struct Answered {
            TickBoxes &boxes;
            const QString &text;
            ~Answered()
            {
                boxes.m_showing.removeOne(text);
                boxes.setTimer(false);
            }
        } answered{*this, text};
        show();
        return true;
    }

private:
    void setTimer(bool on)
    {
        if (m_timerEnabled)
            *m_timerEnabled = on;
    }

    bool *m_timerEnabled = nullptr;
    QStringList m_showing;
};

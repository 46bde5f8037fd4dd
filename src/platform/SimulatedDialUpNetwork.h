#pragma once

#include "platform/DialUpNetwork.h"

#include <QDateTime>
#include <QTimer>

class Clock;

// A dial-up line that exists only in this program, so that it can be tried
// without a modem. One call at a time, like a modem: dialing walks through
// the states a step at a time, and while connected the link "sim0" moves
// bytes at steady rates. Something outside (the companion command) can also
// bring the line up, load it and drop it.
class SimulatedDialUpNetwork : public DialUpNetwork
{
    Q_OBJECT

public:
    static constexpr const char *InterfaceName = "sim0";

    explicit SimulatedDialUpNetwork(Clock &clock, QObject *parent = nullptr);

    QStringList entries() override;
    QList<DialUpConnection> connections() override;
    int dial(const QString &entry, qint64 *handle) override;
    bool hangUp(qint64 handle) override;
    bool isActive(qint64 handle) override;
    std::optional<LinkCounters> linkCounters(const QString &interfaceName) override;

    // Milliseconds between two dial states.
    void setStepInterval(int ms) { m_stepTimer.setInterval(ms); }

    // The line comes up at once, as if dialled by another program.
    void connectNow(const QString &entry);
    // The line drops as if the remote end hung up; false when it was down.
    bool drop();
    // Steady traffic in bytes per second while connected.
    void setTraffic(qint64 receivePerSecond, qint64 transmitPerSecond);
    // The next count calls dialled find the line busy once the device connects.
    void setBusyCalls(int count) { m_busyCalls = qMax(0, count); }
    int busyCalls() const { return m_busyCalls; }

    bool isUp() const { return m_state != Idle; }
    QString entry() const { return m_entry; }
    int state() const;
    qint64 receiveRate() const { return m_receiveRate; }
    qint64 transmitRate() const { return m_transmitRate; }

private:
    enum Phase { Idle, Dialling, Up };

    void step();
    void bringUp(const QString &entry);
    void end(int errorCode);
    void foldCounters();

    Clock &m_clock;
    QTimer m_stepTimer;
    Phase m_state = Idle;
    int m_stepIndex = 0;
    QString m_entry;
    qint64 m_handle = 0;
    qint64 m_nextHandle = 1;
    int m_busyCalls = 0;
    bool m_notifying = false;   // a call of ours reports progress; one from outside does not

    qint64 m_receiveRate = 4000;
    qint64 m_transmitRate = 600;
    double m_received = 0;
    double m_transmitted = 0;
    QDateTime m_countedUntil;
};

#include "platform/SimulatedDialUpNetwork.h"

#include "core/Clock.h"

namespace {
const int DialSteps[] = {RasState::OpenPort, RasState::PortOpened, RasState::ConnectDevice,
                         RasState::DeviceConnected, RasState::AllDevicesConnected, RasState::Authenticate,
                         RasState::Authenticated, RasState::Connected};
constexpr int StepCount = int(std::size(DialSteps));
constexpr int FirstStepWithLink = 4;   // the link interface exists from "All devices connected"
}

SimulatedDialUpNetwork::SimulatedDialUpNetwork(Clock &clock, QObject *parent) : DialUpNetwork(parent), m_clock(clock)
{
    m_stepTimer.setInterval(400);
    connect(&m_stepTimer, &QTimer::timeout, this, &SimulatedDialUpNetwork::step);
}

QStringList SimulatedDialUpNetwork::entries()
{
    return {QStringLiteral("Simulated ISP"), QStringLiteral("Simulated Backup ISP")};
}

int SimulatedDialUpNetwork::state() const
{
    switch (m_state) {
    case Idle: return RasState::Disconnected;
    case Dialling: return DialSteps[m_stepIndex];
    case Up: return RasState::Connected;
    }
    return RasState::Disconnected;
}

QList<DialUpConnection> SimulatedDialUpNetwork::connections()
{
    if (m_state == Idle)
        return {};
    DialUpConnection c;
    c.handle = m_handle;
    c.entryName = m_entry;
    c.deviceType = QStringLiteral("simulated");
    c.state = state();
    if (m_state == Up || m_stepIndex >= FirstStepWithLink)
        c.interfaceName = QLatin1String(InterfaceName);
    c.deviceName = c.interfaceName.isEmpty() ? QStringLiteral("Simulated modem") : c.interfaceName;
    return {c};
}

int SimulatedDialUpNetwork::dial(const QString &entry, qint64 *handle)
{
    if (!entries().contains(entry))
        return DialError::NoSuchEntry;
    if (m_state != Idle)
        return DialError::PortInUse;
    m_state = Dialling;
    m_stepIndex = -1;
    m_entry = entry;
    m_handle = m_nextHandle++;
    m_notifying = true;
    *handle = m_handle;
    // The first state is reported from the event loop, never inside dial().
    QTimer::singleShot(0, this, &SimulatedDialUpNetwork::step);
    return 0;
}

void SimulatedDialUpNetwork::step()
{
    if (m_state != Dialling) {
        m_stepTimer.stop();
        return;
    }
    if (m_busyCalls > 0 && m_stepIndex >= 0 && DialSteps[m_stepIndex] == RasState::ConnectDevice) {
        --m_busyCalls;
        end(DialError::LineBusy);
        return;
    }
    ++m_stepIndex;
    const int s = DialSteps[m_stepIndex];
    if (s == RasState::Connected) {
        bringUp(m_entry);
        m_notifying = false;
    } else if (!m_stepTimer.isActive()) {
        m_stepTimer.start();
    }
    Q_EMIT dialProgress(m_handle, s, RasStateText(s), 0, QString());
}

void SimulatedDialUpNetwork::connectNow(const QString &entry)
{
    const bool finishesOurCall = m_state == Dialling && m_notifying;
    if (m_state == Idle)
        m_handle = m_nextHandle++;
    bringUp(entry);
    m_notifying = false;
    if (finishesOurCall) {
        const qint64 handle = m_handle;
        QMetaObject::invokeMethod(
            this, [this, handle] {
                Q_EMIT dialProgress(handle, RasState::Connected, RasStateText(RasState::Connected), 0, QString());
            },
            Qt::QueuedConnection);
    }
}

void SimulatedDialUpNetwork::bringUp(const QString &entry)
{
    m_stepTimer.stop();
    m_entry = entry;
    // A new link starts counting from zero.
    if (m_state != Up) {
        m_received = 0;
        m_transmitted = 0;
        m_countedUntil = m_clock.now();
    }
    m_state = Up;
}

bool SimulatedDialUpNetwork::drop()
{
    if (m_state == Idle)
        return false;
    end(DialError::RemoteDisconnection);
    return true;
}

bool SimulatedDialUpNetwork::hangUp(qint64 handle)
{
    if (m_state == Idle || handle != m_handle)
        return false;
    end(DialError::UserDisconnection);
    return true;
}

void SimulatedDialUpNetwork::end(int errorCode)
{
    const bool report = m_state == Dialling && m_notifying;
    const int lastState = state();
    const qint64 handle = m_handle;
    m_stepTimer.stop();
    m_state = Idle;
    m_notifying = false;
    if (report) {
        QMetaObject::invokeMethod(
            this, [this, handle, lastState, errorCode] {
                Q_EMIT dialProgress(handle, lastState, RasStateText(lastState), errorCode, errorText(errorCode));
            },
            Qt::QueuedConnection);
    }
}

bool SimulatedDialUpNetwork::isActive(qint64 handle)
{
    return m_state != Idle && handle == m_handle;
}

void SimulatedDialUpNetwork::foldCounters()
{
    const QDateTime now = m_clock.now();
    if (m_state == Up && m_countedUntil.isValid()) {
        const double seconds = qMax<qint64>(0, m_countedUntil.msecsTo(now)) / 1000.0;
        m_received += seconds * double(m_receiveRate);
        m_transmitted += seconds * double(m_transmitRate);
    }
    m_countedUntil = now;
}

void SimulatedDialUpNetwork::setTraffic(qint64 receivePerSecond, qint64 transmitPerSecond)
{
    foldCounters();
    m_receiveRate = qMax<qint64>(0, receivePerSecond);
    m_transmitRate = qMax<qint64>(0, transmitPerSecond);
}

std::optional<LinkCounters> SimulatedDialUpNetwork::linkCounters(const QString &interfaceName)
{
    if (interfaceName != QLatin1String(InterfaceName) || m_state != Up)
        return std::nullopt;
    foldCounters();
    return LinkCounters{qint64(m_received), qint64(m_transmitted), 56000};
}

#include "session/DialUp.h"

#include "core/AppContext.h"
#include "core/Ui.h"
#include "platform/DialUpNetwork.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

namespace {
constexpr int MaxEntries = 100;
constexpr int MaxConnections = 100;
constexpr int MaxErrorText = 100;
}

TDialUp::TDialUp(DialUpNetwork *network, QObject *parent) : QObject(parent), m_network(network)
{
    if (m_network)
        connect(m_network, &DialUpNetwork::dialProgress, this, &TDialUp::progress);
}

int TDialUp::Dial()
{
    if (!m_network)
        return DialError::CannotStart;
    HangUp();
    if (!m_network->entries().contains(Entry)) {
        Q_EMIT OnError(DialError::NoSuchEntry, QStringLiteral("GetEntryDialParams failed"));
        return DialError::NoSuchEntry;
    }
    m_handle = 0;
    m_syncDone = false;
    m_syncError = 0;
    Q_EMIT OnDialing();
    qint64 handle = 0;
    const int result = m_network->dial(Entry, &handle);
    if (result != 0) {
        const QString text = m_network->errorText(result).left(MaxErrorText);
        if (DialMode == TDialMode::dmAsync)
            Q_EMIT OnError(result, text);
        else
            Q_EMIT OnNotConnected(result, text);
        return result;
    }
    m_handle = handle;
    if (DialMode == TDialMode::dmAsync)
        return 0;

    QEventLoop loop;
    const auto quit = connect(this, &TDialUp::syncCallEnded, &loop, &QEventLoop::quit);
    if (!m_syncDone)
        loop.exec();
    disconnect(quit);
    if (m_syncError != 0) {
        HangUp();
        Q_EMIT OnNotConnected(m_syncError, m_network->errorText(m_syncError).left(MaxErrorText));
        return m_syncError;
    }
    Q_EMIT OnConnect();
    return 0;
}

void TDialUp::progress(qint64 handle, int state, const QString &statusText, int errorCode, const QString &errorText)
{
    if (handle != m_handle || m_handle == 0)
        return;
    if (errorCode != 0 || state == 0x2000) {
        m_syncDone = true;
        m_syncError = errorCode;
    }
    if (errorCode != 0)
        m_handle = 0;   // the call is over; nothing left to hang up
    if (DialMode == TDialMode::dmSync) {
        if (m_syncDone)
            Q_EMIT syncCallEnded();
        return;
    }
    Q_EMIT OnAsyncEvent(state, errorCode != 0 ? errorText.left(MaxErrorText) : statusText, errorCode);
}

int TDialUp::GetEntries()
{
    Entries.clear();
    if (!m_network)
        return DialError::CannotStart;
    const QStringList names = m_network->entries().mid(0, MaxEntries);
    for (const QString &name : names) {
        Entries.append(name);
        Q_EMIT OnEntryGet(name);
    }
    return 0;
}

int TDialUp::GetConnections()
{
    if (!m_network)
        return DialError::CannotStart;
    const QList<DialUpConnection> list = m_network->connections().mid(0, MaxConnections);
    for (const DialUpConnection &c : list)
        Q_EMIT OnActiveConnection(c.handle, c.deviceName, c.deviceType, c.entryName, RasStateText(c.state), c.state);
    return 0;
}

void TDialUp::HangUp()
{
    if (m_handle == 0)
        return;
    const qint64 handle = m_handle;
    m_handle = 0;
    HangUpHandle(handle);
}

bool TDialUp::HangUpHandle(qint64 handle)
{
    if (!m_network || !m_network->hangUp(handle))
        return false;
    // The line is only free once the call is gone; a call that never goes
    // must not freeze the program, so the wait is bounded.
    const QDeadlineTimer deadline(hangUpTimeoutMs);
    while (m_network->isActive(handle)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

bool TDialUp::StartStatistics(bool start, bool chooseAdapter)
{
    return Statistics.StartStatistics(m_network, start, chooseAdapter);
}

bool HangUpAllConnections(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "HangUpAllConnections");
    ctx.shell.ReconnectArmed = false;
    ctx.shell.LastDialledEntry.clear();
    QStringList refusals;
    if (ctx.platform.dialUp) {
        const QList<DialUpConnection> list = ctx.platform.dialUp->connections().mid(0, 21);
        for (const DialUpConnection &c : list) {
            if (ctx.platform.dialUp->hangUp(c.handle))
                continue;
            // Without a reason the connection was gone already.
            const QString why = ctx.platform.dialUp->hangUpFailure();
            if (!why.isEmpty() && !refusals.contains(why))
                refusals.append(why);
        }
    }
    if (refusals.isEmpty()) {
        ForgetConnectionFlags(ctx.connection);
        return true;
    }
    // A line that stays up is not taken for down: the session goes on being
    // counted, and the user learns why it was not ended.
    for (const QString &why : std::as_const(refusals))
        ctx.ui.showMessageFromTick(MessageKind::Error, why);
    return false;
}

void ForgetConnectionFlags(ConnectionState &connection)
{
    connection.OnlineDetected = false;
    connection.ModemConnected = false;
    connection.FullyConnected = false;
    connection.HangUpRequested = true;
}

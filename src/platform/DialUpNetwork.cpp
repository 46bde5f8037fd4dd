#include "platform/DialUpNetwork.h"

QString RasStateText(int state)
{
    switch (state) {
    case 0: return QStringLiteral("Opening port");
    case 1: return QStringLiteral("Port opened");
    case 2: return QStringLiteral("Connecting device");
    case 3: return QStringLiteral("Device connected");
    case 4: return QStringLiteral("All devices connected");
    case 5: return QStringLiteral("Start authenticating");
    case 6: return QStringLiteral("Authentication: notify");
    case 7: return QStringLiteral("Authentication: retry");
    case 8: return QStringLiteral("Authentication: callback");
    case 9: return QStringLiteral("Authentication: change password");
    case 10: return QStringLiteral("Authentication: projecting");
    case 11: return QStringLiteral("Authentication: link speed");
    case 12: return QStringLiteral("Authentication: acknowledge");
    case 13: return QStringLiteral("Authentication: reauthenticate");
    case 14: return QStringLiteral("Authenticated");
    case 15: return QStringLiteral("Preparing for callback");
    case 16: return QStringLiteral("Waiting for modem reset");
    case 17: return QStringLiteral("Waiting for callback");
    case 18: return QStringLiteral("Projected");
    case 19: return QStringLiteral("Start authentication");
    case 20: return QStringLiteral("Callback complete");
    case 21: return QStringLiteral("Logging on network");
    case 0x1000: return QStringLiteral("Interactive");
    case 0x1001: return QStringLiteral("Retry Authentication");
    case 0x1002: return QStringLiteral("Callback set by caller");
    case 0x1003: return QStringLiteral("Password expired");
    case 0x2000: return QStringLiteral("Connected");
    case 0x2001: return QStringLiteral("Disconnected");
    default: return QString();
    }
}

QString DialUpNetwork::errorText(int errorCode) const
{
    switch (errorCode) {
    case DialError::None: return QString();
    case DialError::PortInUse: return QStringLiteral("The line is already in use.");
    case DialError::RemoteDisconnection: return QStringLiteral("The remote computer ended the connection.");
    case DialError::UserDisconnection: return QStringLiteral("The connection was ended on request.");
    case DialError::LineBusy: return QStringLiteral("The line is busy.");
    case DialError::CannotStart: return QStringLiteral("The dialer program could not be started.");
    case DialError::Crashed: return QStringLiteral("The dialer program ended abnormally.");
    case DialError::NoSuchEntry: return QStringLiteral("The phone-book entry does not exist.");
    default: return QStringLiteral("Dial-up error %1.").arg(errorCode);
    }
}

void DialUpNetwork::postProgress(qint64 handle, int state, int errorCode)
{
    const QString status = RasStateText(state);
    const QString error = errorCode ? errorText(errorCode) : QString();
    QMetaObject::invokeMethod(
        this, [this, handle, state, status, errorCode, error] {
            Q_EMIT dialProgress(handle, state, status, errorCode, error);
        },
        Qt::QueuedConnection);
}

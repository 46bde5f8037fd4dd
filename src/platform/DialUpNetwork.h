#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// Connection states, numbered as the dial-up status table numbers them.
namespace RasState {
constexpr int OpenPort = 0;
constexpr int PortOpened = 1;
constexpr int ConnectDevice = 2;
constexpr int DeviceConnected = 3;
constexpr int AllDevicesConnected = 4;
constexpr int Authenticate = 5;
constexpr int Authenticated = 14;
constexpr int Connected = 0x2000;
constexpr int Disconnected = 0x2001;
}

// Error codes the line reports. 631 is the one the dial window keeps quiet
// about: the call was ended on purpose.
namespace DialError {
constexpr int None = 0;
constexpr int PortInUse = 602;
constexpr int RemoteDisconnection = 629;
constexpr int UserDisconnection = 631;
constexpr int LineBusy = 676;
constexpr int CannotStart = 1300;   // the dialer program could not be run
constexpr int Crashed = 1301;       // the dialer died without an exit status
constexpr int NoSuchEntry = 1302;   // the phone-book entry does not exist
}

// The English status text of a connection state; empty for unknown states.
QString RasStateText(int state);

struct DialUpConnection {
    qint64 handle = 0;          // stable while the connection lives; never 0
    QString entryName;
    QString deviceName;         // the link interface once it exists, else the dialer
    QString deviceType;         // "ppp", "simulated"
    QString interfaceName;      // empty until the link interface exists
    int state = RasState::OpenPort;
};

struct LinkCounters {
    qint64 receivedBytes = 0;
    qint64 transmittedBytes = 0;
    qint64 speed = 0;           // bits per second, 0 when the link does not say
};

// The machine's dial-up networking: the phone book, the active connections,
// dialing and hanging up, and the byte counters of the link a connection uses.
//
// dial() only starts a call. Its progress arrives as dialProgress signals, in
// order, on the thread that owns this object (the user-interface thread).
// Progress ends with the Connected state or with a non-zero error code; a
// connection that drops later is noticed by looking at connections().
class DialUpNetwork : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~DialUpNetwork() override = default;

    virtual QStringList entries() = 0;
    virtual QList<DialUpConnection> connections() = 0;

    // Starts dialing entry. Returns 0 and sets *handle when the call was
    // started, otherwise an error code (and no progress follows).
    virtual int dial(const QString &entry, qint64 *handle) = 0;

    // Asks the connection to end and returns at once; false when there is no
    // such connection. Until it is gone, connections() lists it in the
    // Disconnected state.
    virtual bool hangUp(qint64 handle) = 0;

    // Why the last hangUp() that returned false could not end its connection,
    // in a sentence for the user (what stopped it and what to do); empty when
    // there was simply no such connection any more.
    virtual QString hangUpFailure() const { return QString(); }

    // Whether the handle still names a live connection or call in progress.
    virtual bool isActive(qint64 handle) = 0;

    virtual std::optional<LinkCounters> linkCounters(const QString &interfaceName) = 0;

    virtual QString errorText(int errorCode) const;

Q_SIGNALS:
    void dialProgress(qint64 handle, int state, const QString &statusText, int errorCode, const QString &errorText);
    // The phone book changed while the program runs (a line whose entries
    // are learnt of after start, or added and removed by others).
    void entriesChanged();

protected:
    // Emits dialProgress from the event loop: never inside the call that
    // caused it (dial() returns first), and always in the order posted.
    void postProgress(qint64 handle, int state, int errorCode);
};

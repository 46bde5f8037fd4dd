#pragma once

#include "core/TrafficStatistics.h"

#include <QObject>
#include <QStringList>

class DialUpNetwork;
struct AppContext;
struct ConnectionState;

enum class TDialMode { dmSync, dmAsync };

// The dial-up component of the tray form: dials phone-book entries, reports
// progress as events on the user-interface thread, lists entries and active
// connections, and hangs up. It keeps its own adapter statistics beside the
// statistics component.
class TDialUp : public QObject
{
    Q_OBJECT

public:
    explicit TDialUp(DialUpNetwork *network, QObject *parent = nullptr);

    TDialMode DialMode = TDialMode::dmAsync;
    QStringList Entries;
    QString Entry;
    TRAS Statistics;

    // How long HangUpHandle waits for a call to go before it gives up.
    int hangUpTimeoutMs = 30000;

    int Dial();
    int GetEntries();
    int GetConnections();
    void HangUp();
    bool HangUpHandle(qint64 handle);
    bool StartStatistics(bool start, bool chooseAdapter);

    qint64 currentHandle() const { return m_handle; }
    DialUpNetwork *network() const { return m_network; }

Q_SIGNALS:
    void OnEntryGet(const QString &entryName);
    void OnDialing();
    void OnConnect();
    void OnNotConnected(int errorCode, const QString &errorText);
    void OnAsyncEvent(int state, const QString &text, int errorCode);
    void OnError(int errorCode, const QString &errorText);
    void OnActiveConnection(qint64 handle, const QString &deviceName, const QString &deviceType,
                            const QString &entryName, const QString &statusText, int state);

    // Wakes a synchronous Dial when its call has connected or failed.
    void syncCallEnded();

private:
    void progress(qint64 handle, int state, const QString &statusText, int errorCode, const QString &errorText);

    DialUpNetwork *m_network;
    qint64 m_handle = 0;
    bool m_syncDone = false;
    int m_syncError = 0;
};

// Hangs up every active connection without waiting, and makes sure none of
// them is redialled. The line counts as down from here on: a main tick that
// runs before the next connection check (under a box the hang-up raised,
// say) must not take the call that is going down for a new connection.
// Where the line refuses (the program may not end that connection), the
// user is told why in a box and the line still counts as up; false then.
bool HangUpAllConnections(AppContext &ctx);

// The connection flags after the program itself ended the calls: all down
// until the connection check finds a line again.
void ForgetConnectionFlags(ConnectionState &connection);

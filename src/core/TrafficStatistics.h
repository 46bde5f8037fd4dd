#pragma once

#include <QString>
#include <QStringList>

class DialUpNetwork;

// The traffic statistics component: byte counters of the link that carries
// the dial-up connection, counted from the last reset. The adapter is a
// network interface (ppp0); with automatic choice it follows the link of
// the active connection, which on Linux only exists while connected.
class TRAS
{
public:
    QString KeyDUNAdap = QStringLiteral("Dial-Up Adapter");
    QStringList Adapters;      // sorted, filled by FindDialUpAdapters

    qint64 StatsXmit = 0;
    qint64 StatsRecv = 0;
    qint64 StatsConn = 0;
    qint64 RawXmit = 0;
    qint64 RawRecv = 0;
    qint64 BaseXmit = 0;
    qint64 BaseRecv = 0;

    bool FindDialUpAdapters(DialUpNetwork &network);
    bool StartStatistics(DialUpNetwork *network, bool start, bool chooseAdapter);
    bool ReadStatistics(DialUpNetwork *network);
    void ResetStatistics();

private:
    bool m_followConnection = false;
};

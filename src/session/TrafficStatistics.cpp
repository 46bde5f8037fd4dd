#include "core/TrafficStatistics.h"

#include "platform/DialUpNetwork.h"

bool TRAS::FindDialUpAdapters(DialUpNetwork &network)
{
    Adapters.clear();
    const QList<DialUpConnection> list = network.connections();
    for (const DialUpConnection &c : list)
        if (!c.interfaceName.isEmpty() && !Adapters.contains(c.interfaceName))
            Adapters.append(c.interfaceName);
    Adapters.sort();
    return true;
}

bool TRAS::StartStatistics(DialUpNetwork *network, bool start, bool chooseAdapter)
{
    if (!network)
        return false;
    if (chooseAdapter) {
        m_followConnection = true;
        FindDialUpAdapters(*network);
        if (Adapters.isEmpty())
            return false;
        KeyDUNAdap = Adapters.first();
    }
    bool result = true;
    if (start)
        result = ReadStatistics(network);
    ResetStatistics();
    return result;
}

bool TRAS::ReadStatistics(DialUpNetwork *network)
{
    if (!network)
        return false;
    bool adapterChanged = false;
    if (m_followConnection) {
        FindDialUpAdapters(*network);
        if (!Adapters.isEmpty() && !Adapters.contains(KeyDUNAdap)) {
            KeyDUNAdap = Adapters.first();
            adapterChanged = true;
        }
    }
    const std::optional<LinkCounters> counters = network->linkCounters(KeyDUNAdap);
    if (!counters)
        return false;
    RawXmit = counters->transmittedBytes;
    RawRecv = counters->receivedBytes;
    // The link came up after statistics started: everything it counted
    // belongs to the new connection, and a base taken on another interface
    // means nothing for it.
    if (adapterChanged) {
        BaseXmit = 0;
        BaseRecv = 0;
    }
    // Counters below the base belong to a new connection.
    if (RawXmit < BaseXmit)
        ResetStatistics();
    if (RawRecv < BaseRecv)
        ResetStatistics();
    StatsConn = counters->speed;
    StatsXmit = RawXmit - BaseXmit;
    StatsRecv = RawRecv - BaseRecv;
    return true;
}

void TRAS::ResetStatistics()
{
    BaseXmit = RawXmit;
    BaseRecv = RawRecv;
    StatsXmit = 0;
    StatsRecv = 0;
}

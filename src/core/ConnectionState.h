#pragma once

#include "core/TrafficStatistics.h"

#include <QString>

// What the connection check knows about the line, and the traffic of the
// open session. Byte counts are 64-bit: a 32-bit counter wraps at 2 GiB.
struct ConnectionState {
    bool OnlineDetected = false;
    bool ModemConnected = false;
    bool FullyConnected = false;
    QString ConnectedEntryName = QStringLiteral("Default");
    // The program asked the line to hang up and has not seen it offline
    // since: its going down is no dropped line.
    bool HangUpRequested = false;

    qint64 TotalReceived = 0;
    qint64 TotalTransmitted = 0;
    double ReceiveRate = 0;
    double TransmitRate = 0;
    double AverageReceiveRate = 0;
    double AverageTransmitRate = 0;

    qint64 PreviousReceived = 0;
    qint64 PreviousTransmitted = 0;
    qint64 StartReceived = 0;
    qint64 StartTransmitted = 0;
    int ActiveReceiveTicks = 0;
    int ActiveTransmitTicks = 0;

    // The byte counters of the tray form's statistics component.
    TRAS DunSpeed;
};

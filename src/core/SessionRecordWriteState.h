#pragma once

#include "core/DateTime.h"
#include "core/Errors.h"

#include <QList>
#include <QString>

// The values one write puts into a session record.
struct SessionRecordValues {
    int user = 0;
    DateTime sessionDay = 0;   // names the record's day key
    bool numbered = false;     // its Session<m> exists (the last of its day)
    bool closed = false;       // the final values of a closed session
    DateTime start = 0;
    DateTime end = 0;          // moment of the tick or of the closing
    qint64 secondsOnline = 0;
    double cost = 0;
    qint64 received = 0;
    qint64 transmitted = 0;
    double averageReceiveRate = 0;
    double averageTransmitRate = 0;
    bool writeConnection = false;
    QString connection;
};

// Session record writes that the store has not taken yet (another program
// holds the database locked, the disk is full), and how long that has lasted.
struct SessionRecordWriteState {
    // Oldest first: the final values of closed sessions, then the latest
    // values of the open session. Written together, in this order.
    QList<SessionRecordValues> pending;
    // The open session has no record yet: its first committed write makes
    // one. Off otherwise; its record is then the last of its day.
    bool openRecordUnnumbered = false;

    bool failing = false;
    qint64 failingSinceMs = 0;  // Clock time of the first failed write
    StoreError::Cause failure = StoreError::Cause::Other;
    bool failureReported = false;
};

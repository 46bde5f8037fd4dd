#pragma once

#include "core/DateTime.h"

#include <QString>

struct AppContext;

// A session opening now has no record yet: its first write numbers one
// ("NumberOfSessions" of its day + 1) in the same transaction as its first
// values, so that a crash never leaves a count without its record.
void BeginSessionRecord(AppContext &ctx);

// Writes the session's start, end (now), time online, cost, byte totals and
// average rates into its record, the last of the session day, with
// withConnectionName also the connection it uses; while a session is open
// these are its running values, once it is closed its final ones. Writes
// still pending from earlier calls go into the same transaction, first.
//
// A write that finds the database locked by another program, or the disk
// full, does not fail: the values stay pending and a later call (or
// RetrySessionRecordWrites) writes them. When that has lasted
// RecordWriteReportDelayMs by the program's clock it is said once, in a box
// naming the database, and not again until a write has succeeded. A disk
// that fails a read or write (an I/O error) is handled the same way but said
// at once: unlike a lock it is no everyday event. Any other failure is
// thrown, with the values kept pending all the same.
void WriteSessionRecordValues(AppContext &ctx, DateTime now, bool withConnectionName);

// Writes what is pending, if anything; the main tick calls it while no
// session is open. Failures are handled as by WriteSessionRecordValues.
void RetrySessionRecordWrites(AppContext &ctx);

// One last try before the program ends, waiting up to waitMs for a lock.
// Throws a StoreError naming the database when values remain unwritten.
void FlushSessionRecordWritesForExit(AppContext &ctx, int waitMs);

bool SessionRecordWritesPending(const AppContext &ctx);

constexpr int RecordWriteReportDelayMs = 5000;

// The texts of the box.
QString DatabaseLockedMessage(const QString &databaseFile);
QString DatabaseDiskFullMessage(const QString &databaseFile);
QString DatabaseIoErrorMessage(const QString &databaseFile);

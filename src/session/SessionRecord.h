#pragma once

#include "core/DateTime.h"
#include "store/SessionDayValues.h"

#include <QList>
#include <QString>
#include <optional>

class Store;

// Field codes of a session record; each is stored as float text under
// Session<m> followed by its suffix, in the key of the day the session opened.
enum SessionField {
    SessionStartTime = 0,
    SessionStartDate = 1,
    SessionEndTime = 2,
    SessionEndDate = 3,
    SessionTimeOnline = 4,
    SessionCost = 5,
    SessionTotalDownloaded = 6,
    SessionTotalUploaded = 7,
    SessionAvgDownload = 8,
    SessionAvgUpload = 9,
};
constexpr int SessionFieldCount = 10;

// "-Start Time" ... "-AvgUpload"; empty for a code outside 0..9.
QString SessionFieldSuffix(int field);
// "Session<m>-<field>".
QString SessionValueName(int session, int field);
// Users\User<u>\Sessions\<whole day number>.
QString SessionDayKey(int user, DateTime day);

// One session as its day key holds it. Values that are missing, empty or not
// a number read as 0.
struct SessionRecord {
    DateTime startTime = 0;      // the full start moment (time of day only in converted records)
    DateTime startDate = 0;      // read, never written: nothing records it
    DateTime endTime = 0;        // time of day of the last update or the close
    DateTime endDate = 0;        // whole day of the last update or the close
    double timeOnline = 0;       // seconds
    double cost = 0;
    double totalDownloaded = 0;  // bytes received
    double totalUploaded = 0;    // bytes sent
    double avgDownload = 0;      // bytes per second
    double avgUpload = 0;
    // The dial-up entry it ran on; absent when never written (and then not
    // written either).
    std::optional<QString> connection;

    double field(int code) const;
    void setField(int code, double value);

    bool operator==(const SessionRecord &) const = default;
};

// The sessions that opened on one day: sessions[m - 1] is Session<m>, for
// m = 1.."NumberOfSessions".
struct SessionDay {
    DateTime day = 0;
    QList<SessionRecord> sessions;
};

// "NumberOfSessions" of the day; 0 when there is none.
int ReadNumberOfSessions(Store &store, int user, DateTime day);
void WriteNumberOfSessions(Store &store, int user, DateTime day, int count);

// A whole day in one query. A day without sessions has an empty list.
// Throws "Invalid data type for '<name>'" for a value of the wrong type.
SessionDay ReadSessionDay(Store &store, int user, DateTime day);

// Every day from `from` to `to` (both whole days, inclusive) that has
// sessions, in date order, in one query however long the history.
QList<SessionDay> ReadSessionDays(Store &store, int user, DateTime from, DateTime to);

// Session<m>: all fields but the start date (which nothing records), and the
// connection when it has one, as one transaction. The count is left alone.
// These writers keep the per-day totals beside the tree in step.
void WriteSessionRecord(Store &store, int user, DateTime day, int session, const SessionRecord &record);

// Field by field, for the field-code accessors: a missing, empty or
// unconvertible value reads as 0 and the read creates nothing.
double ReadSessionField(Store &store, int user, int session, int field, DateTime day);
void WriteSessionField(Store &store, int user, int session, int field, double value, DateTime day);
// Session<m>-Connection as text.
void WriteSessionConnection(Store &store, int user, int session, const QString &connection, DateTime day);

// Removes Session<session> of the day: its values go, every later
// session's values move down by one and the count drops by one, as one
// transaction. False (and nothing changed) for a session the day does not have.
bool RemoveSessionRecord(Store &store, int user, DateTime day, int session);

// DaySessionTotals and ReadDaySessionTotals (one day's sums for the totals)
// live with the day key's layout in the store.

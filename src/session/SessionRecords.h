#pragma once

#include "core/DateTime.h"

#include <QString>

struct AppContext;
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

// "-Start Time" ... "-AvgUpload"; empty for a code outside 0..9.
QString SessionFieldSuffix(int field);
// "Session<m>-<field>".
QString SessionValueName(int session, int field);
// Users\User<u>\Sessions\<whole day number>.
QString SessionDayKey(int user, DateTime day);

// A field of a session; 0 when the value is missing, empty or not a number.
// Creates nothing.
double GetFromDataFile(AppContext &ctx, int user, int session, int field, DateTime day);
// Writes a field as float text (creating the day's key when needed).
void WriteToDataFile(AppContext &ctx, int user, int session, int field, double value, DateTime day);

// The sums the account and daily totals need from one day: the day's
// "NumberOfSessions" and, over its sessions 1..n, the time online and the
// downloaded bytes each rounded to a whole number, and the cost. Missing or
// unconvertible values count as 0, as with GetFromDataFile; it reads the
// whole day in one query.
struct DaySessionTotals {
    int sessions = 0;
    qint64 seconds = 0;
    double cost = 0;
    qint64 downloaded = 0;
};
DaySessionTotals ReadDaySessionTotals(Store &store, int user, DateTime day);
